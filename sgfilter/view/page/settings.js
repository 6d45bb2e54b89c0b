// The module's settings dialog: each item at the place its resource gives it, or, in a resource
// without places, in the order of the resource with each label beside the item after it. Every
// change is a hit that the module acts on; what it shows next comes back.
//
// Between hits the module changes values, texts and which items are enabled, seldom what stands
// where. The elements stay while that shape does and take the new state in place: a click whose
// press moved the focus out of a field (a hit) still lands on the button it pressed when that
// hit's answer comes before the release.
"use strict";

const settingsDialog = (() => {
  const element = () => document.getElementById("settings-dialog");
  let shownShape = "";
  let updates = new Map(); // item number → what takes that item's new state

  // Hits reach the module one after another, each once it has answered the one before: a width
  // typed and OK clicked straight after are two hits (the field hands its value over as it loses
  // the focus), and the module must take the width before OK, whose answer closes the dialog.
  let hitsWaiting = 0;
  let lastHit = Promise.resolve();
  function hit(item, change = {}) {
    hitsWaiting++;
    state.dialogBusy = true;
    lastHit = lastHit
      .then(async () => {
        if (!state.dialogOpen) return; // an earlier hit closed it
        await show(await postJson("api/dialog/hit", { item, ...change }));
      })
      .catch(failed)
      .finally(() => { state.dialogBusy = --hitsWaiting > 0; });
    return lastHit;
  }

  // An item's element, and how it takes a later state of the same item.
  function itemControl(first) {
    switch (first.kind) {
      case "popup": {
        const select = document.createElement("select");
        first.entries.forEach((entry, index) => select.add(new Option(entry, index + 1)));
        select.onchange = () => hit(first.number, { value: Number(select.value) });
        return [select, (item) => { select.value = String(item.value); select.disabled = !item.enabled; }];
      }
      case "radio":
      case "checkbox": {
        const label = document.createElement("label");
        const input = document.createElement("input");
        input.type = first.kind;
        input.onclick = (event) => { event.preventDefault(); hit(first.number); };
        const text = document.createTextNode("");
        label.append(input, text);
        return [label, (item) => { input.checked = item.checked; input.disabled = !item.enabled; text.data = ` ${item.text}`; }];
      }
      case "edit": {
        const input = document.createElement("input");
        input.type = "text";
        input.size = 6;
        input.onchange = () => hit(first.number, { text: input.value });
        // Enter hands the typed value over, rather than submitting the form around it.
        input.onkeydown = (event) => { if (event.key === "Enter") { event.preventDefault(); input.blur(); } };
        let given = null;
        return [input, (item) => {
          // What a person is typing stays; it goes to the module as the field loses the focus.
          if (document.activeElement !== input || input.value === given) input.value = item.text;
          given = item.text;
          input.disabled = !item.enabled;
        }];
      }
      case "control": {
        const wrapper = document.createElement("span");
        if (first.control.first === undefined) {
          return [wrapper, (item) => { wrapper.textContent = item.control.value ?? "?"; }];
        }
        const slider = document.createElement("input");
        slider.type = "range";
        slider.min = first.control.first;
        slider.max = first.control.last;
        const shown = document.createElement("output");
        let values = first.control.values;
        // The slider's position is a step; what it stands for is the value shown beside it.
        const showValue = (value) => { shown.textContent = value; slider.setAttribute("aria-valuetext", String(value)); };
        slider.oninput = () => showValue(values[slider.value - first.control.first]);
        slider.onchange = () => hit(first.number, { value: Number(slider.value) });
        wrapper.append(slider, " ", shown);
        return [wrapper, (item) => {
          const control = item.control;
          values = control.values;
          const position = values.findIndex((value) => Math.abs(value - control.value) < 1e-9);
          slider.value = position < 0 ? control.first : control.first + position;
          slider.disabled = !item.enabled;
          showValue(control.value);
        }];
      }
      case "button": {
        const button = document.createElement("button");
        button.type = "button";
        button.onclick = (event) => { event.preventDefault(); hit(first.number); };
        return [button, (item) => { button.textContent = item.text; button.disabled = !item.enabled; }];
      }
      default:
        return [null, null];
    }
  }

  function itemElement(item) {
    const [control, update] = itemControl(item);
    if (!control) return null;
    control.dataset.item = item.number;
    updates.set(item.number, update);
    return control;
  }

  // What stands where: the items, their kinds and places, and the texts that name them.
  function shapeOf(dialog) {
    return JSON.stringify([dialog.title, dialog.size, dialog.items.map((item) => [
      item.number, item.kind, item.box, item.entries, item.kind === "static" ? item.text : null,
      item.control && [item.control.first, item.control.last]])]);
  }

  function render(dialog) {
    const shape = shapeOf(dialog);
    if (shape !== shownShape) {
      updates = new Map();
      const form = element().querySelector("form");
      const heading = document.createElement("h3");
      heading.textContent = dialog.title;
      form.replaceChildren(heading);
      if (dialog.size) {
        form.append(placedItems(dialog));
        renderRows(dialog.items.filter((item) => !item.box), form);
      } else {
        renderRows(dialog.items, form);
      }
      shownShape = shape;
    }
    for (const item of dialog.items) updates.get(item.number)?.(item);
  }

  // The static text that ends to the item's left on its line.
  function labelBeside(item, placed) {
    const [left, top] = item.box;
    const beside = placed.filter((other) => other.kind === "static" && other.box[0] < left && Math.abs(other.box[1] - top) <= 8)
      .sort((a, b) => b.box[0] - a.box[0]);
    return beside.length ? beside[0].text : "";
  }

  // The frames first, behind the rest; the rest in reading order, so Tab goes as the eye does.
  function placedItems(dialog) {
    const box = document.createElement("div");
    box.className = "dialog-box";
    box.style.width = `${dialog.size[0]}px`;
    box.style.height = `${dialog.size[1]}px`;
    const placed = dialog.items.filter((item) => item.box);
    const frames = placed.filter((item) => item.kind === "user");
    const others = placed.filter((item) => item.kind !== "user")
      .sort((a, b) => a.box[1] - b.box[1] || a.box[0] - b.box[0]);
    for (const item of [...frames, ...others]) {
      let placedElement;
      if (item.kind === "user") {
        placedElement = document.createElement("div");
        placedElement.className = "dialog-frame";
      } else if (item.kind === "static") {
        placedElement = document.createElement("span");
        placedElement.className = "dialog-label";
        placedElement.textContent = item.text;
      } else {
        placedElement = itemElement(item);
        if (!placedElement) continue;
        // Named as a person reads it: by the label beside it, or by its own text where it has none.
        const name = labelBeside(item, placed) || item.text;
        const named = placedElement.matches("input, select") ? placedElement : placedElement.querySelector("input, select");
        if (name && named) named.setAttribute("aria-label", name);
      }
      placedElement.dataset.item = item.number;
      placedElement.classList.add("placed");
      const [left, top, width, height] = item.box;
      Object.assign(placedElement.style, { left: `${left}px`, top: `${top}px`, width: `${width}px`, height: `${height}px` });
      box.append(placedElement);
    }
    return box;
  }

  function renderRows(items, form) {
    const rows = document.createElement("div");
    rows.className = "dialog-rows";
    const buttons = document.createElement("div");
    buttons.className = "dialog-buttons";
    let row = null;
    for (const item of items) {
      if (item.kind === "static") {
        row = document.createElement("div");
        row.className = "dialog-row";
        const label = document.createElement("span");
        label.className = "dialog-label";
        label.textContent = item.text;
        row.append(label);
        rows.append(row);
        continue;
      }
      const control = itemElement(item);
      if (!control) continue;
      if (item.kind === "button") { buttons.append(control); continue; }
      if (!row) { row = document.createElement("div"); row.className = "dialog-row"; rows.append(row); }
      row.append(control);
    }
    form.append(rows, buttons);
  }

  async function show(answer) {
    if (answer.open) {
      render(answer.dialog);
      if (!element().open) element().showModal();
      return;
    }
    element().close();
    shownShape = "";
    state.dialogOpen = false;
    if (answer.result && answer.result.error) status(answer.result.error);
    if (!state.recording) return begin(); // the page loaded while the dialog held the module
    if (answer.result && answer.result.confirmed) {
      await loadRecording();
    }
    await refresh();
  }

  // Shows the dialog that is open now, if one is, where it stands.
  async function attach() {
    if (state.dialogOpen) return true;
    state.dialogOpen = true;
    try {
      const answer = await ask("api/dialog");
      if (!answer.open) {
        state.dialogOpen = false;
        return false;
      }
      await show(answer);
      return true;
    } catch (error) {
      state.dialogOpen = false;
      throw error;
    }
  }

  async function open(channelNumber) {
    state.dialogOpen = true;
    status("Opening the settings…");
    try {
      await show(await postJson("api/dialog", { channel: channelNumber }));
      if (state.dialogOpen) status("");
    } catch (error) {
      state.dialogOpen = false;
      throw error;
    }
  }

  function listen() {
    // Escape closes the dialog as its Cancel button does (item 2, by the host's convention).
    element().addEventListener("cancel", (event) => { event.preventDefault(); hit(2); });
  }

  return { open, attach, listen };
})();

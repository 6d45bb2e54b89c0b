// Which channels the page shows. A hidden channel has no chart and is not asked of the server; the
// Channels menu lists every channel, computed ones included, to hide or bring back, and a chart's
// own Hide button hides the channels it holds.
"use strict";

const channelChoice = (() => {
  const hidden = new Set();

  function isShown(number) { return !hidden.has(number); }

  function setShown(numbers, shown) {
    for (const number of numbers) shown ? hidden.delete(number) : hidden.add(number);
    showMenu();
    buildPanels();
    return refresh();
  }

  // One checkbox a channel, with buttons for all or none.
  function showMenu() {
    const list = document.getElementById("channel-list");
    const numbers = state.recording.channels.map((c) => c.number);
    for (const number of [...hidden]) if (!numbers.includes(number)) hidden.delete(number);
    const boxes = state.recording.channels.map((c) => {
      const label = document.createElement("label");
      const box = document.createElement("input");
      box.type = "checkbox";
      box.checked = isShown(c.number);
      box.dataset.channel = c.number;
      box.onchange = () => setShown([c.number], box.checked);
      label.append(box, ` ${c.number}: ${c.name}`);
      if (c.computed) label.className = "computed-name";
      return label;
    });
    list.replaceChildren(...boxes);
    const count = document.getElementById("channel-count");
    count.textContent = hidden.size ? `${numbers.length - hidden.size} of ${numbers.length}` : `${numbers.length}`;
  }

  function listen() {
    document.getElementById("show-all-channels").onclick = () => setShown([...hidden], true);
  }

  return { isShown, setShown, showMenu, listen };
})();

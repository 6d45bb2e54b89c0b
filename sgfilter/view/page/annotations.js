// The recording's annotations as a list beside the charts, filtered by their text. Choosing one
// shows the stretch about its onset; n and p step to the next and the previous listed one from the
// stretch shown. The one shown is marked in the list and drawn stronger on the charts.
"use strict";

const annotationList = (() => {
  let chosen = null; // {index, from, to}: the annotation shown, and the stretch it was shown in

  const all = () => state.recording.annotations;

  // The listed annotations' indices in the recording, by onset.
  function listed() {
    const wanted = document.getElementById("annotation-filter").value.trim().toLowerCase();
    return all().map((annotation, index) => index)
      .filter((index) => all()[index].text.toLowerCase().includes(wanted))
      .sort((a, b) => all()[a].onset - all()[b].onset);
  }

  // The annotation shown, while the stretch is still the one it was shown in.
  function current() {
    return chosen && chosen.from === state.from && chosen.to === state.to ? chosen.index : null;
  }

  function duration(seconds) {
    return seconds > 0 ? `${Number(seconds.toFixed(3))} s` : "";
  }

  function showList() {
    const aside = document.getElementById("annotations");
    aside.hidden = all().length === 0;
    if (aside.hidden) return;
    const indices = listed();
    const rows = indices.map((index) => {
      const annotation = all()[index];
      const row = document.createElement("li");
      const button = document.createElement("button");
      button.type = "button";
      button.dataset.index = index;
      const onset = document.createElement("span");
      onset.className = "onset";
      onset.textContent = clockTime.format(state.recording, annotation.onset, 3);
      const length = document.createElement("span");
      length.className = "duration";
      length.textContent = duration(annotation.duration);
      const text = document.createElement("span");
      text.className = "text";
      text.textContent = annotation.text;
      button.append(onset, length, text);
      button.onclick = () => showAnnotation(index);
      row.append(button);
      return row;
    });
    document.getElementById("annotation-list").replaceChildren(...rows);
    document.getElementById("annotation-count").textContent =
      indices.length === all().length ? `${all().length}` : `${indices.length} of ${all().length}`;
    markCurrent();
  }

  // After every move of the stretch: the mark goes once the stretch is no longer the annotation's.
  function markCurrent() {
    const shown = current();
    for (const button of document.querySelectorAll("#annotation-list button")) {
      const marked = Number(button.dataset.index) === shown;
      button.parentElement.classList.toggle("current", marked);
      if (marked) {
        button.setAttribute("aria-current", "true");
        button.scrollIntoView({ block: "nearest" });
      } else {
        button.removeAttribute("aria-current");
      }
    }
  }

  // Centred on its onset, as wide as its duration or the stretch shown, whichever is wider.
  function showAnnotation(index) {
    const annotation = all()[index];
    const width = Math.max(annotation.duration, state.to - state.from);
    const shown = setView(annotation.onset - width / 2, annotation.onset + width / 2);
    chosen = { index, from: state.from, to: state.to };
    markCurrent();
    return shown;
  }

  // The next (step 1) or previous (-1) listed annotation from the one shown, or from the middle of
  // the stretch where none is.
  function step(direction) {
    const indices = listed();
    const shown = current();
    const middle = (state.from + state.to) / 2;
    const onsetOf = (index) => all()[index].onset;
    let target;
    if (shown !== null && indices.includes(shown)) {
      target = indices[indices.indexOf(shown) + direction];
    } else if (direction > 0) {
      target = indices.find((index) => onsetOf(index) > middle + 1e-9);
    } else {
      target = indices.findLast((index) => onsetOf(index) < middle - 1e-9);
    }
    if (target === undefined) {
      status(direction > 0 ? "No annotation listed after this one" : "No annotation listed before this one");
      return Promise.resolve();
    }
    return showAnnotation(target);
  }

  function listen() {
    document.getElementById("annotation-filter").oninput = showList;
  }

  const keys = { n: () => step(1), p: () => step(-1) };

  return { showList, markCurrent, showAnnotation, current, listen, keys };
})();

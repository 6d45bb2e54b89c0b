// The value range of each chart: fitted to the values shown, or fixed by a person, who may also
// scale it. A fixed range stays while the stretch moves, and stays with the chart's first channel
// when the charts are laid out anew. Keys act on the chart under the pointer, or on every chart
// when the pointer is over none.
"use strict";

const amplitude = (() => {
  const fixed = new Map(); // the first channel of a chart to its {min, max}
  let pointed = null; // the panel under the pointer

  const keyOf = (panel) => panel.channels[0];

  // uPlot's y range: the fixed one, or the values' own with uPlot's usual margin.
  function rangeOf(panel) {
    return (plot, min, max) => {
      const range = fixed.get(keyOf(panel));
      if (range) return [range.min, range.max];
      return min === null ? [0, 1] : uPlot.rangeNum(min, max, 0.1, true);
    };
  }

  function show(panel) {
    const range = fixed.get(keyOf(panel));
    panel.element.querySelector(".fix").checked = Boolean(range);
    // Setting x again ranges y anew from the values or the fixed range.
    panel.plot.setScale("x", { min: panel.plot.scales.x.min, max: panel.plot.scales.x.max });
  }

  // Factor 0.5 draws the traces twice as tall; 2 half as tall; about the middle of the range shown.
  function scale(panel, factor) {
    const { min, max } = panel.plot.scales.y;
    const middle = (min + max) / 2;
    const half = ((max - min) / 2) * factor;
    fixed.set(keyOf(panel), { min: middle - half, max: middle + half });
    show(panel);
  }

  function fix(panel, on) {
    if (on) fixed.set(keyOf(panel), { min: panel.plot.scales.y.min, max: panel.plot.scales.y.max });
    else fixed.delete(keyOf(panel));
    show(panel);
  }

  const targets = () => (pointed && state.panels.includes(pointed) ? [pointed] : state.panels);

  // The chart's own controls, beside its heading.
  function controlsOf(panel) {
    const tools = document.createElement("span");
    tools.className = "amplitude";
    const button = (text, title, factor) => {
      const element = document.createElement("button");
      element.textContent = text;
      element.title = title;
      element.className = factor < 1 ? "taller" : "shorter";
      element.onclick = () => scale(panel, factor);
      return element;
    };
    const label = document.createElement("label");
    label.title = "Keep this range while the stretch moves; unticked, the range fits the values shown";
    const box = document.createElement("input");
    box.type = "checkbox";
    box.className = "fix";
    box.checked = fixed.has(keyOf(panel));
    box.onchange = () => fix(panel, box.checked);
    label.append(box, "fix");
    tools.append(button("×2", "Taller traces: half the range (*)", 0.5), button("÷2", "Shorter traces: twice the range (/)", 2), label);
    panel.element.addEventListener("mouseenter", () => { pointed = panel; });
    panel.element.addEventListener("mouseleave", () => { if (pointed === panel) pointed = null; });
    return tools;
  }

  // Keys: * taller, / shorter, a back to fitting the values.
  const keys = {
    "*": () => targets().forEach((panel) => scale(panel, 0.5)),
    "/": () => targets().forEach((panel) => scale(panel, 2)),
    a: () => targets().forEach((panel) => fix(panel, false)),
  };

  return { rangeOf, controlsOf, keys };
})();

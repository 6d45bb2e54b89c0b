// Measuring between two points, as one reads a peak's slope off a chart: a first click marks a time
// in every chart, a second click marks the other end, and each chart's box gives the time between
// them and, per trace, the change of its value and that change per second. A third click, or
// Escape, clears them. A click is a press and release in one place, so dragging still zooms.
"use strict";

const measure = (() => {
  const marks = []; // {time, columns: [readout.columnOf of every chart at that time]}
  const stillness = 3; // pixels a press may move and still be a click

  function clear() {
    marks.length = 0;
    redrawAll();
  }

  function mark(panel) {
    if (marks.length === 2) return clear();
    const index = panel.plot.cursor.idx;
    if (index === null || index === undefined) return;
    // The charts follow one pointer, so each chart's column under it is at the time clicked.
    const columns = state.panels.filter((other) => other.plot.cursor.idx !== null && other.plot.cursor.idx !== undefined)
      .map((other) => readout.columnOf(other, other.plot.cursor.idx));
    marks.push({ time: readout.columnOf(panel, index).time, columns });
    redrawAll();
  }

  function valueAt(mark, number) {
    for (const column of mark.columns) {
      const value = column.values.find((v) => v.number === number);
      if (value) return column.sample && value.min !== null ? value.min : null;
    }
    return null;
  }

  // A second's or a millisecond's worth, with the decimals the samples need.
  function durationText(panel, seconds) {
    const decimals = Math.max(0, Math.ceil(Math.log10(channel(panel.channels[0]).rate) - 1e-9) - 3);
    return Math.abs(seconds) < 1 ? `${(seconds * 1000).toFixed(decimals)} ms` : `${seconds.toFixed(decimals + 3)} s`;
  }

  function significant(value, digits) {
    if (value === 0) return "0";
    return readout.fixed(value, Math.max(0, digits - 1 - Math.floor(Math.log10(Math.abs(value)))));
  }

  // The change between the marks as the shown values give it, so it is their difference to the digit.
  function changeLine(number, seconds) {
    const [first, second] = marks.map((m) => valueAt(m, number));
    const name = `${number}: ${channel(number).name}`;
    if (first === null || second === null) return `${name}: zoom in to one sample a column to measure`;
    const decimals = channel(number).decimals;
    const change = Number(readout.valueText(number, second)) - Number(readout.valueText(number, first));
    const units = channel(number).units;
    const slope = seconds === 0 ? "" : `, ${significant(change / seconds, 4)}${units ? ` ${units}` : ""}/s`;
    return `${name}: Δ ${readout.withUnits(readout.fixed(change, decimals), number)}${slope}`;
  }

  function linesOf(panel) {
    if (marks.length === 0) return [];
    if (marks.length === 1) return [`mark at ${readout.timeText(panel, marks[0].time)}; click the second point`];
    const seconds = marks[1].time - marks[0].time;
    return [`Δt ${durationText(panel, seconds)}`, ...panel.channels.map((number) => changeLine(number, seconds))];
  }

  function show(panel) {
    const lines = linesOf(panel);
    panel.readout.querySelector(".measured")
      .replaceChildren(...lines.map((line) => Object.assign(document.createElement("div"), { textContent: line })));
    if (panel.plot) readout.show(panel);
  }

  function redrawAll() {
    for (const panel of state.panels) {
      show(panel);
      panel.plot.redraw(false);
    }
  }

  function drawMarks(plot) {
    const { ctx, bbox } = plot;
    ctx.save();
    ctx.strokeStyle = "#111";
    ctx.lineWidth = devicePixelRatio;
    for (const { time } of marks) {
      const x = plot.valToPos(time, "x", true);
      if (x < bbox.left || x > bbox.left + bbox.width) continue;
      ctx.beginPath();
      ctx.moveTo(x, bbox.top);
      ctx.lineTo(x, bbox.top + bbox.height);
      ctx.stroke();
    }
    ctx.restore();
  }

  // A uPlot plugin for the chart of `panel`: its clicks mark, and it draws the marks. After the
  // readout's, whose box it writes into.
  function pluginOf(panel) {
    return {
      hooks: {
        init: [(plot) => {
          let pressed = null;
          plot.over.addEventListener("mousedown", (event) => { pressed = event.button === 0 ? [event.clientX, event.clientY] : null; });
          plot.over.addEventListener("mouseup", (event) => {
            if (!pressed || Math.hypot(event.clientX - pressed[0], event.clientY - pressed[1]) > stillness) return;
            pressed = null;
            mark(panel);
          });
          show(panel);
        }],
        draw: [drawMarks],
      },
    };
  }

  return { pluginOf, keys: { Escape: clear }, marks };
})();

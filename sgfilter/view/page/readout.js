// The values under the pointer, in a small box over each chart: the time, and each trace's value
// there as `sgfilter filter` writes it, or the column's least and greatest value where the chart is
// zoomed out so far that a column holds several samples.
"use strict";

const readout = (() => {
  // Fixed notation as filter's columns have it (std::to_chars): a tie goes to the even digit, where
  // JavaScript's toFixed goes away from zero, and a value that rounds to zero has no minus sign.
  function fixed(value, decimals) {
    const tail = 25; // digits past the last shown, enough to tell a double's exact tie from a near one
    const exact = Math.abs(value).toFixed(decimals + tail);
    let text = value.toFixed(decimals);
    if (exact.endsWith("5" + "0".repeat(tail - 1))) {
      const truncated = exact.slice(0, -tail).replace(/\.$/, "");
      if (Number(truncated.at(-1)) % 2 === 0) text = (value < 0 ? "-" : "") + truncated;
    }
    return /^-0(\.0*)?$/.test(text) ? text.slice(1) : text;
  }

  function valueText(number, value) { return fixed(value, channel(number).decimals); }

  function withUnits(text, number) {
    const units = channel(number).units;
    return units ? `${text} ${units}` : text;
  }

  // Where each of the chart's columns holds one sample at most, each value drawn is a sample's.
  function holdsSamples(panel) {
    const columns = Math.max(1, Math.round(panel.plot.bbox.width / devicePixelRatio));
    return (state.to - state.from) * channel(panel.channels[0]).rate <= columns * (1 + 1e-9);
  }

  // The chart's column `index`: its time and, per channel, its least and greatest value (null in a
  // pause), and whether it is one sample's.
  function columnOf(panel, index) {
    const data = panel.plot.data;
    return {
      time: data[0][index],
      sample: holdsSamples(panel),
      values: panel.channels.map((number, at) => ({ number, min: data[1 + 2 * at][index], max: data[2 + 2 * at][index] })),
    };
  }

  // Enough decimals of a second to tell the recording's samples apart, as the clock can show them.
  function timeText(panel, time) {
    const decimals = Math.min(3, Math.max(0, Math.ceil(Math.log10(channel(panel.channels[0]).rate) - 1e-9)));
    return clockTime.format(state.recording, time, decimals);
  }

  function lineOf(column, value) {
    const name = `${value.number}: ${channel(value.number).name}`;
    if (value.min === null || value.min === undefined) return `${name} —`;
    if (column.sample) return `${name} ${withUnits(valueText(value.number, value.min), value.number)}`;
    return `${name} ${withUnits(`${valueText(value.number, value.min)}…${valueText(value.number, value.max)}`, value.number)}`;
  }

  function show(panel) {
    const index = panel.plot.cursor.idx;
    const box = panel.readout;
    const lines = [];
    if (index !== null && index !== undefined && panel.plot.data[0].length > index) {
      const column = columnOf(panel, index);
      lines.push(column.sample ? timeText(panel, column.time) : `${timeText(panel, column.time)}, least…greatest of the column`);
      for (const value of column.values) lines.push(lineOf(column, value));
    }
    box.querySelector(".pointer").replaceChildren(...lines.map((line) => Object.assign(document.createElement("div"), { textContent: line })));
    box.hidden = lines.length === 0 && box.querySelector(".measured").childElementCount === 0;
    // Out of the way of what the pointer is on.
    box.classList.toggle("left", panel.plot.cursor.left > panel.plot.over.clientWidth / 2);
  }

  // A uPlot plugin for the chart of `panel`: the box over its plotting area, kept to the pointer.
  function pluginOf(panel) {
    return {
      hooks: {
        init: [(plot) => {
          const box = document.createElement("div");
          box.className = "readout";
          box.hidden = true;
          box.append(Object.assign(document.createElement("div"), { className: "pointer" }),
                     Object.assign(document.createElement("div"), { className: "measured" }));
          plot.over.append(box);
          panel.readout = box;
        }],
        // Not while the chart is being made: its first data come before the panel holds it.
        setCursor: [() => panel.plot && show(panel)],
        // A new stretch under a pointer that stayed where it was (a drag that zoomed, a key): the
        // box reads the column now under it, not the one it was over before.
        setScale: [(plot, key) => {
          if (!panel.plot || key !== "x") return;
          if (plot.cursor.left >= 0) plot.setCursor({ left: plot.cursor.left, top: plot.cursor.top });
          else show(panel);
        }],
      },
    };
  }

  return { pluginOf, columnOf, timeText, valueText, withUnits, fixed, show };
})();

// The page of sgfilter view. Every address is relative, so each request carries the token that
// the page's own address holds. The server thins each trace to the chart's pixel columns, so a
// request costs the same at any zoom.
"use strict";

const colours = ["#1f4e79", "#c0392b", "#27ae60", "#8e44ad", "#d35400", "#16a085"];
const firstView = 60; // seconds shown at first, or the whole recording when it is shorter

const state = {
  recording: null,
  from: 0,
  to: 1,
  panels: [], // {channels: [numbers], plot: uPlot, element, data}
  busy: 0,
  dialogOpen: false,
  dialogBusy: false,
  refreshes: 0, // bumped by every finished redraw, for whoever waits for one
  generation: 0, // of the latest redraw asked for
};

function status(text) {
  document.getElementById("status").textContent = text || "";
}

// The module is busy with a settings dialog opened elsewhere (another tab, or this page before
// it was reloaded): the page takes the dialog over rather than showing an error.
class DialogOpenError extends Error {}

async function ask(path, options) {
  const response = await fetch(path, options);
  const body = await response.json();
  if (response.status === 409) throw new DialogOpenError(body.error);
  if (!response.ok) throw new Error(body.error || response.statusText);
  return body;
}

function failed(error) {
  if (!(error instanceof DialogOpenError)) return status(error.message);
  // A dialog closed since the 409 may have changed the channels: the page shows them afresh.
  return settingsDialog.attach()
    .then((attached) => attached || (state.recording ? loadRecording().then(refresh) : begin()))
    .catch((problem) => status(problem.message));
}

function channel(number) {
  return state.recording.channels.find((c) => c.number === number);
}

function recordingStart() { return state.recording.runs[0].start; }
function recordingEnd() { return state.recording.runs[state.recording.runs.length - 1].end; }

// The recorded channel a computed channel filters, at the end of its chain of sources.
function rootOf(number) {
  let current = channel(number);
  while (current.computed) current = channel(current.settings.source);
  return current.number;
}

// A recorded channel's panel holds it and the computed channels in its units that filter it (a
// smoothing over its source); a computed channel in other units (a derivative) has a panel of its
// own under its source's.
function panelLayout() {
  const panels = [];
  for (const recorded of state.recording.channels.filter((c) => !c.computed)) {
    const same = [recorded.number];
    const others = [];
    for (const computed of state.recording.channels.filter((c) => c.computed && rootOf(c.number) === recorded.number)) {
      (computed.units === recorded.units ? same : others).push(computed.number);
    }
    panels.push(same);
    for (const other of others) panels.push([other]);
  }
  return panels.map((numbers) => numbers.filter(channelChoice.isShown)).filter((numbers) => numbers.length > 0);
}

function colourOf(number) {
  const computed = state.recording.channels.filter((c) => c.computed).map((c) => c.number);
  const index = computed.indexOf(number);
  return colours[index < 0 ? 0 : 1 + (index % (colours.length - 1))];
}

function withAlpha(colour, alpha) {
  const value = parseInt(colour.slice(1), 16);
  return `rgba(${value >> 16}, ${(value >> 8) & 255}, ${value & 255}, ${alpha})`;
}

// Pauses in grey, annotations as dashed lines with their text.
function drawMarks(plot) {
  const { ctx, bbox } = plot;
  const x = (time) => plot.valToPos(time, "x", true);
  ctx.save();
  ctx.beginPath();
  ctx.rect(bbox.left, bbox.top, bbox.width, bbox.height);
  ctx.clip();
  const runs = state.recording.runs;
  ctx.fillStyle = "rgba(0, 0, 0, 0.08)";
  for (let index = 1; index < runs.length; index++) {
    const left = x(runs[index - 1].end);
    const right = x(runs[index].start);
    ctx.fillRect(left, bbox.top, right - left, bbox.height);
  }
  ctx.strokeStyle = "#7a5c00";
  ctx.fillStyle = "#7a5c00";
  ctx.setLineDash([4 * devicePixelRatio, 3 * devicePixelRatio]);
  ctx.font = `${11 * devicePixelRatio}px system-ui, sans-serif`;
  const shown = annotationList.current();
  state.recording.annotations.forEach((annotation, index) => {
    const position = x(annotation.onset);
    if (annotation.duration > 0) {
      ctx.fillStyle = "rgba(122, 92, 0, 0.08)";
      ctx.fillRect(position, bbox.top, x(annotation.onset + annotation.duration) - position, bbox.height);
      ctx.fillStyle = "#7a5c00";
    }
    if (position < bbox.left || position > bbox.left + bbox.width) return;
    ctx.lineWidth = (index === shown ? 2 : 1) * devicePixelRatio;
    ctx.beginPath();
    ctx.moveTo(position, bbox.top);
    ctx.lineTo(position, bbox.top + bbox.height);
    ctx.stroke();
    ctx.fillText(annotation.text, position + 3 * devicePixelRatio, bbox.top + 12 * devicePixelRatio);
  });
  ctx.restore();
}

// The charts share the height beside the annotations, the time axis under the last of them; 64
// charts fit a screen 1080 pixels high, and past the smallest height the charts scroll.
const timeAxisHeight = 48;
const smallestChart = 14;
const compactChart = 60; // and lower: smaller fonts, and the chart's controls only under the pointer
function chartHeight() {
  const count = Math.max(1, panelLayout().length);
  const room = document.getElementById("charts").clientHeight - timeAxisHeight - 2;
  const border = room / count - 1 > compactChart ? 1 : 0; // compact charts go without the line between them
  return Math.floor(Math.min(320, Math.max(smallestChart, room / count - border)));
}

const labelWidth = 180; // as .panel .label in view.css
function chartWidth() {
  return Math.max(300, document.getElementById("panels").clientWidth - labelWidth);
}

function makePanel(channels, index, all) {
  const last = index === all.length - 1;
  const height = chartHeight();
  const element = document.createElement("section");
  element.className = "panel";
  const label = document.createElement("div");
  label.className = "label";
  const heading = document.createElement("h2");
  for (const number of channels) {
    const described = channel(number);
    const name = document.createElement("span");
    name.className = described.computed ? "computed-name" : "";
    name.style.color = colourOf(number);
    name.textContent = `${number}: ${described.name}`;
    const units = document.createElement("span");
    units.className = "units";
    units.textContent = described.units ? `(${described.units})` : "";
    heading.append(name, units);
    if (described.computed) {
      const settings = document.createElement("button");
      settings.className = "settings";
      settings.dataset.channel = number;
      settings.textContent = "Settings…";
      settings.onclick = () => settingsDialog.open(number).catch(failed);
      heading.append(settings, removal.buttonOf(number));
    }
  }
  const tools = document.createElement("div");
  tools.className = "tools";
  const hide = document.createElement("button");
  hide.className = "hide";
  hide.textContent = "Hide";
  hide.title = "Hide this chart's channels; the Channels menu brings them back";
  hide.onclick = () => channelChoice.setShown(channels, false);
  tools.append(hide);
  label.append(heading, tools);
  element.append(label);
  document.getElementById("panels").append(element);

  const series = [{ label: "time (s)" }];
  const bands = [];
  // A recorded channel under computed ones is drawn paler, so the computed traces stand out over it.
  const underneath = channels.length > 1;
  for (const number of channels) {
    const colour = colourOf(number);
    const label = channel(number).name;
    const pale = underneath && !channel(number).computed;
    const stroke = pale ? withAlpha(colour, 0.45) : colour;
    const width = channel(number).computed ? 1.5 : 1;
    series.push({ label: `${label} min`, stroke, width, spanGaps: false, points: { show: false } });
    series.push({ label: `${label} max`, stroke, width, spanGaps: false, points: { show: false } });
    bands.push({ series: [series.length - 1, series.length - 2], fill: withAlpha(colour, pale ? 0.15 : 0.35) });
  }
  const panel = { channels, element, plot: null };
  tools.append(amplitude.controlsOf(panel));
  const font = height > compactChart ? "12px system-ui, sans-serif" : "9px system-ui, sans-serif";
  const options = {
    width: chartWidth(),
    height: height + (last ? timeAxisHeight : 0),
    series,
    bands,
    legend: { show: false },
    scales: { x: { time: false, auto: false }, y: { range: amplitude.rangeOf(panel) } },
    axes: [{ show: last, size: timeAxisHeight, font: "12px system-ui, sans-serif", ...clockTime.axis(state.recording) },
           { size: 70, font, space: height > compactChart ? 30 : 10, ticks: { size: height > compactChart ? 10 : 3 } }],
    // The same room on the right of every chart, for the time axis's last label, keeps the charts'
    // times one above the other.
    padding: [4, 40, last ? 0 : 4, 0],
    cursor: { sync: { key: "sgfilter" }, drag: { x: true, y: false } },
    plugins: [readout.pluginOf(panel), measure.pluginOf(panel)],
    hooks: {
      draw: [drawMarks],
      setSelect: [(plot) => {
        if (plot.select.width < 3) return;
        const from = plot.posToVal(plot.select.left, "x");
        const to = plot.posToVal(plot.select.left + plot.select.width, "x");
        plot.setSelect({ left: 0, top: 0, width: 0, height: 0 }, false);
        setView(from, to);
      }],
    },
  };
  panel.plot = new uPlot(options, [[], ...channels.flatMap(() => [[], []])], element);
  panel.plot.over.addEventListener("wheel", (event) => {
    event.preventDefault();
    const anchor = panel.plot.posToVal(event.offsetX, "x");
    zoomAbout(anchor, event.deltaY < 0 ? 0.8 : 1.25);
  }, { passive: false });
  return panel;
}

function buildPanels() {
  for (const panel of state.panels) panel.plot.destroy();
  const element = document.getElementById("panels");
  element.replaceChildren();
  element.classList.toggle("compact", chartHeight() <= compactChart);
  state.panels = panelLayout().map(makePanel);
}

// The charts of one rate: the server thins their channels in one answer, at the charts' width.
async function askTraces(panels) {
  const columns = Math.max(1, Math.round(panels[0].plot.bbox.width / devicePixelRatio));
  const channels = panels.flatMap((panel) => panel.channels);
  return ask(`api/trace?channels=${channels.join(",")}&from=${state.from}&to=${state.to}&columns=${columns}`);
}

function drawTraces(panels, trace) {
  let next = 0;
  for (const panel of panels) {
    const data = [trace.times];
    for (const answer of trace.channels.slice(next, next + panel.channels.length)) data.push(answer.min, answer.max);
    next += panel.channels.length;
    panel.data = data;
    panel.plot.setData(data, false);
    panel.plot.setScale("x", { min: state.from, max: state.to });
    panel.element.classList.remove("drawing");
  }
}

// The charts by the rate of their channels, each chart's channels sharing one.
function panelsByRate() {
  const rates = new Map();
  for (const panel of state.panels) {
    const rate = channel(panel.channels[0]).rateIndex;
    rates.set(rate, [...(rates.get(rate) || []), panel]);
  }
  return [...rates.values()];
}

async function refresh() {
  if (state.dialogOpen) return; // the module is busy with its dialog; the drawing stays as it is
  document.getElementById("stretch").textContent = clockTime.stretch(state.recording, state.from, state.to);
  annotationList.markCurrent();
  state.busy++;
  const generation = ++state.generation;
  const latest = () => generation === state.generation;
  // Computing a long stretch the first time takes a while; say so, and pale the charts that still
  // show the stretch before, rather than leave them looking like the answer.
  const slow = setTimeout(() => {
    if (!latest()) return;
    status("Drawing…");
    for (const panel of state.panels) panel.element.classList.add("drawing");
  }, 300);
  try {
    // One request a rate, one after another: the server answers one at a time anyway, and a
    // browser's many connections at once only queue for its threads. A later view stops this
    // one's requests, and its answers are not drawn.
    for (const panels of panelsByRate()) {
      if (!latest()) break;
      const trace = await askTraces(panels);
      if (latest()) drawTraces(panels, trace);
    }
    if (latest()) status("");
  } catch (error) {
    if (latest()) failed(error);
  } finally {
    clearTimeout(slow);
    if (latest()) for (const panel of state.panels) panel.element.classList.remove("drawing");
    state.busy--;
    state.refreshes++;
  }
}

function setView(from, to) {
  if (!state.recording) return Promise.resolve(); // not loaded yet: a dialog held the module
  const start = recordingStart();
  const end = recordingEnd();
  const shortest = 0.01;
  let width = Math.min(Math.max(to - from, shortest), end - start);
  from = Math.min(Math.max(from, start), end - width);
  state.from = from;
  state.to = from + width;
  return refresh();
}

function zoomAbout(anchor, factor) {
  return setView(anchor - (anchor - state.from) * factor, anchor + (state.to - anchor) * factor);
}

function pan(fraction) {
  const shift = (state.to - state.from) * fraction;
  return setView(state.from + shift, state.to + shift);
}

function showAll() { return setView(recordingStart(), recordingEnd()); }
function showEnd() { const width = state.to - state.from; return setView(recordingEnd() - width, recordingEnd()); }

// The stretch from the time typed, as wide as it is now.
function goTo(text) {
  const place = clockTime.parse(state.recording, text, recordingStart(), recordingEnd());
  if (place.error) {
    status(place.error);
    return Promise.resolve(false);
  }
  return setView(place.value, place.value + (state.to - state.from)).then(() => true);
}

// A settings file as `filter --settings` reads it: the computed channel's stage.
function settingsFileOf(computed) {
  const s = computed.settings;
  return { channel: s.source, computed: s.computed, derivative: s.derivative, order: s.order, width: s.width,
           "range-index": s["range-index"] };
}

// The server's command: one builder of it, which Save runs too.
function showBatch() {
  const computed = state.recording.channels.filter((c) => c.computed);
  const batch = document.getElementById("batch");
  batch.hidden = computed.length === 0;
  if (computed.length === 0) return;
  document.getElementById("command").textContent = state.recording.filterCommand;
  const links = computed.map((c) => {
    const link = document.createElement("a");
    link.href = URL.createObjectURL(new Blob([JSON.stringify(settingsFileOf(c), null, 2) + "\n"], { type: "application/json" }));
    link.download = `channel-${c.number}.json`;
    link.textContent = `channel-${c.number}.json`;
    link.title = `the settings of channel ${c.number} for filter --settings`;
    return link;
  });
  document.getElementById("settings-files").replaceChildren("Settings files for --settings: ", ...links);
}

async function loadRecording() {
  showRecording(await ask("api/recording"));
}

function showRecording(recording) {
  state.recording = recording;
  document.getElementById("title").textContent =
    `sgfilter view: ${state.recording.format}${state.recording.start ? `, started ${state.recording.start}` : ""}`;
  const select = document.getElementById("source");
  select.replaceChildren(...state.recording.channels.map((c) => new Option(`${c.number}: ${c.name}`, c.number)));
  channelChoice.showMenu();
  annotationList.showList(); // before the charts, which take the width it leaves
  buildPanels();
  showBatch();
}

// As a host does for a channel it adds, its settings dialog opens at once, before anything is
// drawn with the module's defaults (order 2 over 5 samples), which barely smooth.
async function addAndTune(source) {
  const answer = await postJson("api/computed", { source });
  await loadRecording();
  await settingsDialog.open(answer.channel);
}

async function addComputed(source, settings = {}) {
  const answer = await postJson("api/computed", { source, ...settings });
  state.recording = answer.recording;
  await loadRecording();
  await refresh();
  return answer.channel;
}

function postJson(path, body) {
  return ask(path, { method: "POST", headers: { "Content-Type": "application/json" }, body: JSON.stringify(body) });
}

function listen() {
  settingsDialog.listen();
  document.getElementById("left").onclick = () => pan(-0.25);
  document.getElementById("right").onclick = () => pan(0.25);
  document.getElementById("zoom-in").onclick = () => zoomAbout((state.from + state.to) / 2, 0.5);
  document.getElementById("zoom-out").onclick = () => zoomAbout((state.from + state.to) / 2, 2);
  document.getElementById("all").onclick = showAll;
  document.getElementById("add").onclick = () => addAndTune(Number(document.getElementById("source").value)).catch(failed);
  const place = document.getElementById("go-to");
  place.onkeydown = (event) => {
    if (event.key !== "Enter" || !state.recording) return;
    event.preventDefault();
    goTo(place.value);
  };
  channelChoice.listen();
  annotationList.listen();
  saving.listen();
  document.addEventListener("keydown", (event) => {
    // The keys are the charts' except where they type or choose; a ticked box keeps them.
    if (!state.recording || event.target.closest("input:not([type=checkbox]), select, textarea, dialog")) return;
    const actions = {
      ArrowLeft: () => pan(-0.25), ArrowRight: () => pan(0.25),
      "+": () => zoomAbout((state.from + state.to) / 2, 0.5), "=": () => zoomAbout((state.from + state.to) / 2, 0.5),
      "-": () => zoomAbout((state.from + state.to) / 2, 2), Home: showAll, End: showEnd,
      ...amplitude.keys, ...annotationList.keys, ...measure.keys,
    };
    if (!actions[event.key] || event.ctrlKey || event.metaKey || event.altKey) return;
    event.preventDefault();
    actions[event.key]();
  });
  // The charts' room changes with the window, and with the header as its lines wrap.
  let resizing = 0;
  let room = "";
  new ResizeObserver(() => {
    const charts = document.getElementById("charts");
    const size = `${charts.clientWidth}x${charts.clientHeight}`;
    if (size === room || !state.recording) return;
    room = size;
    clearTimeout(resizing);
    resizing = setTimeout(() => {
      const height = chartHeight();
      document.getElementById("panels").classList.toggle("compact", height <= compactChart);
      state.panels.forEach((panel, index) => panel.plot.setSize({
        width: chartWidth(), height: height + (index === state.panels.length - 1 ? timeAxisHeight : 0) }));
      refresh();
    }, 150);
  }).observe(document.getElementById("charts"));
}

async function begin() {
  status("Opening the recording…");
  await loadRecording();
  const first = recordingStart();
  await setView(first, Math.min(recordingEnd(), first + firstView));
}

async function start() {
  listen();
  try {
    if (!(await settingsDialog.attach())) await begin();
  } catch (error) {
    failed(error);
  }
}

// For whoever drives the page from outside (the browser test): the state and its actions.
window.sgView = { state, setView, pan, showAll, showEnd, addComputed, openDialog: settingsDialog.open, goTo, readout, measure,
                  setShown: channelChoice.setShown, showAnnotation: annotationList.showAnnotation };
start();

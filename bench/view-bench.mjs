// Times what a person waits for in `sgfilter view`, by asking its server what the page asks:
// the first screen after the command, then pans by half a screen and zooms to the whole recording
// and back, with a smoothing of channel 1 drawn over it. Each redraw is one trace request for the
// charts of each rate, as the page sends them. Arguments: the build folder, the recording,
// and "first-screen" to time the first screen alone (as after the page cache was dropped).
import { readFileSync } from "node:fs";

import { askerOf, emulatorOf, startView } from "../tests/view/ViewProcess.mjs";

const [buildDir, recording, only] = process.argv.slice(2);
const columns = 1500;
const firstView = 60; // seconds, as the page shows first
const pans = 20;
const zoomRounds = 5;
const emulator = emulatorOf(buildDir);

const started = performance.now();
const { server, address: pending } = startView(buildDir, recording);
const address = await pending;

const ask = askerOf(address);

// One chart per recorded channel; the smoothing of channel 1 is drawn in channel 1's.
let charts = [];
let rateOf = new Map();
async function redraw(from, to) {
  const before = performance.now();
  const byRate = new Map();
  for (const channel of charts.flat()) byRate.set(rateOf.get(channel), [...(byRate.get(rateOf.get(channel)) ?? []), channel]);
  await Promise.all([...byRate.values()].map((channels) =>
    ask(`api/trace?channels=${channels.join(",")}&from=${from}&to=${to}&columns=${columns}`)));
  return performance.now() - before;
}

function summary(times) {
  const sorted = [...times].sort((a, b) => a - b);
  const middle = sorted.length >> 1;
  const median = sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
  return `median ${median.toFixed(1)} ms, worst ${sorted.at(-1).toFixed(1)} ms over ${sorted.length}`;
}

function peakResidentMemory() {
  const status = readFileSync(`/proc/${server.pid}/status`, "utf8");
  return status.match(/^VmHWM:\s*(.*)$/m)[1];
}

// With the smoothing of channel 1 added: pans, and zooms to the whole recording and back.
async function timeTheDay(described, start, end, width, firstScreen) {
  const smoothing = await ask("api/computed", {
    method: "POST", headers: { "Content-Type": "application/json" },
    body: JSON.stringify({ source: 1, order: 3, width: 25 }),
  });
  charts[0].push(smoothing.channel);
  rateOf.set(smoothing.channel, rateOf.get(1));
  const addedScreen = await redraw(start, start + width);

  const panTimes = [];
  let from = start;
  for (let pan = 0; pan < pans; pan++) {
    from = Math.min(from + width / 2, end - width);
    panTimes.push(await redraw(from, from + width));
  }
  const zoomTimes = [];
  for (let round = 0; round < zoomRounds; round++) {
    zoomTimes.push(await redraw(start, end));
    zoomTimes.push(await redraw(from, from + width));
  }

  const channels = described.channels.length;
  console.log(`${recording}: ${channels} channels, ${(end - start).toFixed(0)} s, ${described.runs.length} runs; ` +
              `${charts.length} charts of ${columns} columns`);
  if (emulator) console.log(`EMULATED under ${emulator}: these times and memory are the emulator's, not figures.`);
  console.log(`first screen, from the command:       ${firstScreen.toFixed(0)} ms`);
  console.log(`redraw with the smoothing added:      ${addedScreen.toFixed(1)} ms`);
  console.log(`pans by half a screen:                ${summary(panTimes)}`);
  console.log(`zooms to the whole recording and back: ${summary(zoomTimes)}`);
  console.log(`server's peak resident memory:        ${peakResidentMemory()}`);
}

try {
  const described = await ask("api/recording");
  const start = described.runs[0].start;
  const end = described.runs.at(-1).end;
  const width = Math.min(firstView, end - start);
  charts = described.channels.map((channel) => [channel.number]);
  rateOf = new Map(described.channels.map((channel) => [channel.number, channel.rateIndex]));
  await redraw(start, start + width);
  const firstScreen = performance.now() - started;
  if (only === "first-screen") {
    console.log(`first screen, from the command, cold cache: ${firstScreen.toFixed(0)} ms`);
  } else {
    await timeTheDay(described, start, end, width, firstScreen);
  }
} finally {
  server.kill("SIGINT");
}

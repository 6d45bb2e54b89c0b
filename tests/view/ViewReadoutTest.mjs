// sgfilter view's page as a person reads values off it, measures between two points, removes a
// computed channel and saves the computed channels, in Debian's Chromium driven by playwright-core,
// each checked against what `sgfilter filter` writes. Starts and stops its own servers on the
// loopback address, over copies of the recordings in a scratch folder, where saving writes.
// Arguments: the build folder and the source folder. With SG_VIEW_SHOTS=DIR, pictures go there.
import { execFileSync } from "node:child_process";
import { copyFileSync, existsSync, mkdirSync, mkdtempSync, readFileSync, readdirSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import path from "node:path";
import { runPageChecks } from "./PageChecks.mjs";
import assert from "node:assert/strict";
import { built as builtProgram, startView } from "./ViewProcess.mjs";

const [buildDir, sourceDir] = process.argv.slice(2);
// A hung browser or server fails the test rather than holding up the run.
setTimeout(() => { console.log("FAILED: did not finish within 120 s"); process.exit(1); }, 120000).unref();
const scratch = mkdtempSync(path.join(tmpdir(), "sgfilter-view-readout-"));
const recording = path.join(scratch, "arterial-pressure.csv");
copyFileSync(path.join(sourceDir, "samples", "arterial-pressure.csv"), recording);
const shots = process.env.SG_VIEW_SHOTS;

const built = (program, args) => builtProgram(buildDir, program, args);
function run(program, args) {
  const [command, commandArgs] = built(program, args);
  execFileSync(command, commandArgs);
}

// `sgfilter filter`'s CSV of the bundled recording: its rows by time as written ("16.200"), each
// the row's fields after the time.
function filteredRows(args) {
  const output = path.join(scratch, `filtered-${Date.now()}.csv`);
  run("sgfilter", ["filter", recording, "-o", output, ...args]);
  const rows = new Map();
  for (const line of readFileSync(output, "utf8").trim().split("\n").slice(1)) {
    const [time, ...values] = line.split(",");
    rows.set(time, values);
  }
  rmSync(output);
  return rows;
}
const smoothing = ["--channel", "pressure", "--order", "3", "--width", "25"];
const derivative = ["--then", "--derivative", "1", "--order", "3", "--width", "25"];

async function settled(page, action) {
  const count = await page.evaluate(() => window.sgView.state.refreshes);
  await action();
  await page.waitForFunction((before) => window.sgView.state.refreshes > before && window.sgView.state.busy === 0, count);
}

// The page's point over `time` in the chart of `channel`, as a mouse reaches it.
async function pointAt(page, channel, time) {
  return page.evaluate(([number, at]) => {
    const panel = window.sgView.state.panels.find((p) => p.channels.includes(number));
    const box = panel.plot.over.getBoundingClientRect();
    return { x: box.left + panel.plot.valToPos(at, "x"), y: box.top + box.height / 2 };
  }, [channel, time]);
}

async function readoutOf(page, channel) {
  return page.evaluate((number) => {
    const panel = window.sgView.state.panels.find((p) => p.channels.includes(number));
    return [...panel.readout.querySelectorAll(".pointer > div, .measured > div")].map((line) => line.textContent);
  }, channel);
}

const checks = [];
function check(name, body) { checks.push({ name, body }); }

check("numbers are written as filter's columns write them: ties to the even digit, no minus zero", async (page) => {
  const written = await page.evaluate(() => [[0.125, 2], [0.375, 2], [2.5, 0], [-0.125, 2], [1.0625, 3], [-0.001, 2], [82.0149, 2]]
    .map(([value, decimals]) => window.sgView.readout.fixed(value, decimals)));
  assert.deepEqual(written, ["0.12", "0.38", "2", "-0.12", "1.062", "0.00", "82.01"]);
});

check("the pointer over a smoothing's sample reads filter's value there, and its source's", async (page) => {
  await settled(page, () => page.evaluate(() => window.sgView.addComputed(1, { order: 3, width: 25 })));
  await settled(page, () => page.evaluate(() => window.sgView.setView(16.0, 16.499)));
  const rows = filteredRows(["--keep-sources", ...smoothing]);
  for (const time of ["16.200", "16.377"]) {
    const point = await pointAt(page, 3, Number(time));
    await page.mouse.move(point.x, point.y);
    const [pressure, smoothed] = rows.get(time);
    assert.deepEqual(await readoutOf(page, 3),
                     [`${time} s`, `1: pressure ${pressure} mmHg`, `3: Savitzky-Golay of pressure ${smoothed} mmHg`]);
  }
  // The charts follow one pointer: the ECG's chart reads the same time.
  assert.equal((await readoutOf(page, 2))[0], "16.377 s");
  if (shots) await page.screenshot({ path: path.join(shots, "readout-pointer.png") });
});

check("zoomed out, the pointer reads a column's least and greatest value, and says so", async (page) => {
  await settled(page, () => page.evaluate(() => window.sgView.showAll()));
  const point = await pointAt(page, 3, 10);
  await page.mouse.move(point.x, point.y);
  const [time, pressure] = await readoutOf(page, 3);
  assert.match(time, /^\d+\.\d{3} s, least…greatest of the column$/);
  const [, least, greatest] = pressure.match(/^1: pressure (\d+\.\d\d)…(\d+\.\d\d) mmHg$/);
  assert.ok(Number(least) < Number(greatest), pressure);
});

check("a drag that zooms reads the time under the pointer where the drag ended", async (page) => {
  const start = await pointAt(page, 3, 5);
  const end = await pointAt(page, 3, 12);
  await page.mouse.move(start.x, start.y);
  await page.mouse.down();
  await page.mouse.move(end.x, end.y, { steps: 5 });
  await settled(page, () => page.mouse.up());
  const [shown, under, column] = await page.evaluate(() => {
    const { plot, readout: box } = window.sgView.state.panels.find((p) => p.channels.includes(3));
    const times = plot.data[0];
    return [box.querySelector(".pointer > div").textContent, plot.posToVal(plot.cursor.left, "x"), (times.at(-1) - times[0]) / times.length];
  });
  const time = Number(shown.match(/^(\d+\.\d{3}) s/)[1]);
  assert.ok(Math.abs(time - under) <= 2 * column, `${shown} under a pointer at ${under}`);
});

check("two clicks on the derivative's chart give Δt, Δ and Δ/Δt as filter's samples do; Escape clears", async (page) => {
  await settled(page, () => page.evaluate(() => window.sgView.addComputed(3, { derivative: 1, order: 3, width: 25 })));
  await settled(page, () => page.evaluate(() => window.sgView.setView(16.0, 16.499)));
  const rows = filteredRows([...smoothing, ...derivative]);
  const first = await pointAt(page, 4, 16.1);
  const second = await pointAt(page, 4, 16.25);
  await page.mouse.click(first.x, first.y);
  assert.match((await readoutOf(page, 4)).at(-1), /^mark at 16\.100 s; click the second point$/);
  await page.mouse.click(second.x, second.y);
  const lines = await readoutOf(page, 4);
  const change = Number(rows.get("16.250")[1]) - Number(rows.get("16.100")[1]);
  const decimals = rows.get("16.250")[1].split(".")[1].length;
  const shown = lines.at(-1).match(/^4: Savitzky-Golay of Savitzky-Golay of pressure: Δ (-?\d+\.\d+) mmHg\/ms, (-?\d+\.?\d*) mmHg\/ms\/s$/);
  assert.ok(shown, lines.join(" | "));
  assert.equal(lines.at(-2), "Δt 150 ms");
  assert.equal(shown[1], change.toFixed(decimals));
  assert.ok(Math.abs(Number(shown[2]) - change / 0.15) <= Math.abs(change / 0.15) * 1e-3, shown[2]);
  // The marks are in every chart, the smoothing's box measuring its own trace.
  assert.equal((await readoutOf(page, 3)).filter((line) => line.startsWith("Δt ")).length, 1);
  if (shots) await page.screenshot({ path: path.join(shots, "readout-measured-derivative.png") });
  await page.keyboard.press("Escape");
  assert.equal(await page.evaluate(() => window.sgView.measure.marks.length), 0);
  assert.ok((await readoutOf(page, 4)).every((line) => !line.startsWith("Δt")));
});

check("a third click clears the marks, and a drag still zooms without marking", async (page) => {
  const points = await Promise.all([16.1, 16.2].map((time) => pointAt(page, 4, time)));
  for (const point of points) await page.mouse.click(point.x, point.y);
  await page.mouse.click(points[0].x, points[0].y);
  assert.equal(await page.evaluate(() => window.sgView.measure.marks.length), 0);
  await settled(page, async () => {
    await page.mouse.move(points[0].x, points[0].y);
    await page.mouse.down();
    await page.mouse.move(points[1].x, points[1].y, { steps: 5 });
    await page.mouse.up();
  });
  const [from, to] = await page.evaluate(() => [window.sgView.state.from, window.sgView.state.to]);
  assert.ok(Math.abs(from - 16.1) < 0.002 && Math.abs(to - 16.2) < 0.002, `zoomed to ${from}..${to}`);
  assert.equal(await page.evaluate(() => window.sgView.measure.marks.length), 0);
});

check("removing a smoothing that a derivative reads names the derivative, and both charts go", async (page) => {
  await page.click('button.remove[data-channel="3"]');
  await page.waitForSelector("#remove-dialog[open]");
  assert.equal(await page.textContent("#remove-dialog h3"), "Remove 3: Savitzky-Golay of pressure?");
  assert.equal(await page.textContent("#remove-dialog .readers"),
               "This channel reads it and goes too: 4: Savitzky-Golay of Savitzky-Golay of pressure.");
  if (shots) await page.screenshot({ path: path.join(shots, "remove-confirmation.png") });
  await page.click("#remove-dialog button[value=cancel]");
  assert.equal((await page.locator(".panel h2").allTextContents()).length, 3, "Cancel keeps them");
  await page.click('button.remove[data-channel="3"]');
  await settled(page, () => page.click("#remove-dialog button[value=remove]"));
  assert.deepEqual(await page.locator(".panel h2").allTextContents(), ["1: pressure(mmHg)", "2: ecg(mV)"]);
  assert.deepEqual(await page.evaluate(() => window.sgView.state.recording.channels.map((c) => c.number)), [1, 2]);
  assert.equal(await page.isHidden("#batch"), true);
});

// The command the page shows, as words, with its output replaced by `output`.
async function shownCommand(page, output) {
  const words = (await page.textContent("#command")).split(/\s+/).filter((word) => word && word !== "\\");
  assert.deepEqual(words.slice(0, 2), ["sgfilter", "filter"]);
  words[words.indexOf("-o") + 1] = output;
  return words.slice(1);
}

check("Save… as EDF+ shows its progress and names the file, whose bytes are the shown command's", async (page) => {
  await settled(page, () => page.evaluate(() => window.sgView.addComputed(1, { order: 3, width: 25 })));
  await settled(page, () => page.evaluate(() => window.sgView.addComputed(5, { derivative: 1, order: 3, width: 25 })));
  await page.click("#save");
  await page.check("#save-dialog input[value=edf]");
  await page.click("#save-start");
  await page.waitForSelector("#save-progress:not([hidden])");
  await page.waitForFunction(() => /^Wrote /.test(document.getElementById("save-result").textContent));
  assert.equal(await page.textContent("#save-result"), "Wrote arterial-pressure-sg.edf.");
  assert.equal(await page.evaluate(() => document.getElementById("save-progress").value), 1);
  if (shots) await page.screenshot({ path: path.join(shots, "save-result.png") });
  const expected = path.join(scratch, "by-command.edf");
  run("sgfilter", await shownCommand(page, expected));
  assert.ok(readFileSync(path.join(scratch, "arterial-pressure-sg.edf")).equals(readFileSync(expected)), "the same bytes");
  await page.click("#save-close");
  // A second save takes the next free name.
  await page.click("#save");
  await page.check("#save-dialog input[value=csv]");
  await page.click("#save-start");
  await page.waitForFunction(() => /^Wrote /.test(document.getElementById("save-result").textContent));
  assert.equal(await page.textContent("#save-result"), "Wrote arterial-pressure-sg.csv.");
  await page.click("#save-close");
});

// Four hours of 8 channels at 1 kHz: seconds of writing here, so a save still runs when Cancel is clicked.
async function cancelledSave(browser) {
  const folder = path.join(scratch, "long");
  mkdirSync(folder);
  run("make-sample", ["--format", "edf", "--channels", "8", "--duration", "14400", "-o", path.join(folder, "long.edf")]);
  const { server, address } = startView(buildDir, path.join(folder, "long.edf"));
  try {
    const page = await browser.newPage({ viewport: { width: 1400, height: 900 } });
    await page.goto(await address);
    await page.waitForFunction(() => window.sgView && window.sgView.state.refreshes > 0 && window.sgView.state.busy === 0);
    for (const number of [1, 2, 3, 4, 5, 6, 7, 8]) await page.evaluate((n) => window.sgView.addComputed(n, { order: 3, width: 25 }), number);
    // Each chart's label, taller than a chart of 8 on this screen, stays within its own panel.
    const overlaps = await page.evaluate(() => window.sgView.state.panels.filter(({ element }) =>
      element.querySelector(".label").getBoundingClientRect().bottom > element.getBoundingClientRect().bottom + 0.5).length);
    assert.equal(overlaps, 0);
    await page.click("#save");
    await page.click("#save-start");
    await page.waitForSelector("#save-progress:not([hidden])");
    if (shots) {
      await page.waitForFunction(() => document.getElementById("save-progress").value > 0);
      await page.screenshot({ path: path.join(shots, "save-progress.png") });
    }
    await page.click("#save-stop");
    await page.waitForFunction(() => /^Cancelled/.test(document.getElementById("save-result").textContent));
    assert.equal(await page.textContent("#save-result"), "Cancelled: long-sg.edf was not written.");
    assert.deepEqual(readdirSync(folder), ["long.edf"]);
    await page.close();
  } finally {
    server.kill("SIGINT");
    await new Promise((resolve) => server.on("exit", resolve));
  }
  assert.equal(existsSync(path.join(folder, "long-sg.edf")), false);
}

await runPageChecks({
  buildDir, recording, checks,
  alone: [{ name: "a cancelled save leaves no file", body: cancelledSave }],
  cleanUp: () => rmSync(scratch, { recursive: true, force: true }),
});

// sgfilter view's page in a real browser: Debian's Chromium, headless, driven by playwright-core
// from the build's npm packages. Starts and stops its own server on the loopback address.
// Arguments: the build folder and the source folder. With SG_VIEW_SHOTS=DIR, pictures go there.
import { execFileSync } from "node:child_process";
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import path from "node:path";
import { runPageChecks } from "./PageChecks.mjs";
import assert from "node:assert/strict";
import { built as builtProgram, emulatorOf, startView } from "./ViewProcess.mjs";

const [buildDir, sourceDir] = process.argv.slice(2);
// A hung browser or server fails the test rather than holding up the run.
setTimeout(() => { console.log("FAILED: did not finish within 120 s"); process.exit(1); }, 120000).unref();
const emulator = emulatorOf(buildDir);
const recording = path.join(sourceDir, "samples", "arterial-pressure.csv");
const scratch = mkdtempSync(path.join(tmpdir(), "sgfilter-view-page-"));
const shots = process.env.SG_VIEW_SHOTS;

const built = (program, args) => builtProgram(buildDir, program, args);
const startServer = (file) => startView(buildDir, file);

// What `sgfilter filter` writes for the pressure at these settings: [time, value] per row.
function filtered(settings) {
  const output = path.join(scratch, "filtered.csv");
  const [command, args] = built("sgfilter", ["filter", recording, "-o", output, "--channel", "pressure", ...settings]);
  execFileSync(command, args);
  return readFileSync(output, "utf8").trim().split("\n").slice(1).map((line) => line.split(","));
}

const checks = [];
function check(name, body) { checks.push({ name, body }); }

// The page's drawn data of the panel holding `channel`: times and that channel's minima.
async function drawn(page, channel) {
  return page.evaluate((number) => {
    const panel = window.sgView.state.panels.find((p) => p.channels.includes(number));
    const index = panel.channels.indexOf(number);
    return { times: panel.data[0], minima: panel.data[1 + 2 * index], maxima: panel.data[2 + 2 * index] };
  }, channel);
}

async function settled(page, after) {
  await page.waitForFunction((count) => window.sgView.state.refreshes > count && window.sgView.state.busy === 0, after);
}

function sameAsFiltered(shown, rows, from, to) {
  const expected = rows.filter(([time]) => Number(time) >= from - 1e-9 && Number(time) <= to + 1e-9);
  const values = shown.times.map((time, index) => [time, shown.minima[index], shown.maxima[index]]).filter(([, v]) => v !== null);
  assert.equal(values.length, expected.length, "one column per sample");
  for (let index = 0; index < values.length; index++) {
    const [time, minimum, maximum] = values[index];
    const [expectedTime, text] = expected[index];
    assert.ok(Math.abs(time - Number(expectedTime)) < 1e-9, `time ${time} against ${expectedTime}`);
    assert.equal(minimum, maximum);
    const decimals = text.includes(".") ? text.length - text.indexOf(".") - 1 : 0;
    assert.ok(Math.abs(minimum - Number(text)) <= 0.5 * 10 ** -decimals + 1e-9, `at ${time}: ${minimum} against ${text}`);
  }
}

check("shows every channel, stacked with its units, and the pause between the runs", async (page) => {
  const headings = await page.locator(".panel h2").allTextContents();
  assert.deepEqual(headings, ["1: pressure(mmHg)", "2: ecg(mV)"]);
  const runs = await page.evaluate(() => window.sgView.state.recording.runs);
  assert.equal(runs.length, 2);
  const { times, minima } = await drawn(page, 1);
  const breaks = times.filter((time, index) => minima[index] === null);
  assert.equal(breaks.length, 1);
  assert.ok(breaks[0] > runs[0].end && breaks[0] < runs[1].start);
});

check("keys pan and zoom, and End shows the end of the recording", async (page) => {
  const view = () => page.evaluate(() => [window.sgView.state.from, window.sgView.state.to]);
  let count = await page.evaluate(() => window.sgView.state.refreshes);
  await page.keyboard.press("+");
  await settled(page, count);
  const [from, to] = await view();
  assert.ok(Math.abs(to - from - 15) < 0.01, `zoomed to ${from}..${to}`);
  count = await page.evaluate(() => window.sgView.state.refreshes);
  await page.keyboard.press("End");
  await settled(page, count);
  const [, end] = await view();
  const last = await page.evaluate(() => window.sgView.state.recording.runs.at(-1).end);
  assert.equal(end, last);
  count = await page.evaluate(() => window.sgView.state.refreshes);
  await page.keyboard.press("ArrowLeft");
  await settled(page, count);
  const [panned] = await view();
  assert.ok(Math.abs(panned - (last - 15 - 15 / 4)) < 0.01, `panned to ${panned}`);
});

check("an added smoothing opens its dialog and, cancelled, is drawn over its source as filter computes it", async (page) => {
  await page.selectOption("#source", "1");
  await page.click("#add");
  await page.waitForSelector("#settings-dialog[open] button[data-item='2']");
  assert.equal(await page.textContent("#settings-dialog h3"), "Savitzky-Golay settings: Savitzky-Golay of pressure");
  const headings = await page.locator(".panel h2").allTextContents();
  assert.match(headings[0], /^1: pressure\(mmHg\)3: Savitzky-Golay of pressure\(mmHg\)Settings…Remove$/);
  let count = await page.evaluate(() => window.sgView.state.refreshes);
  await page.click("#settings-dialog button[data-item='2']");
  await settled(page, count);
  assert.equal(await page.evaluate(() => document.getElementById("settings-dialog").open), false);
  count = await page.evaluate(() => window.sgView.state.refreshes);
  // Fewer samples than columns: each drawn value is one sample's.
  await page.evaluate(() => window.sgView.setView(16.0, 16.499));
  await settled(page, count);
  sameAsFiltered(await drawn(page, 3), filtered(["--order", "2", "--width", "5"]), 16.0, 16.499);
});

check("its settings dialog is the module's: order 5 moves the width to 7, and OK redraws as filter computes", async (page) => {
  await page.click('button.settings[data-channel="3"]');
  await page.waitForSelector("#settings-dialog[open] select[data-item='15']");
  assert.equal(await page.textContent("#settings-dialog h3"), "Savitzky-Golay settings: Savitzky-Golay of pressure");
  // Its text field is named by its label, so a person's tools find it as a person reads it.
  assert.equal(await page.getByRole("textbox", { name: "Window width (points)" }).inputValue(), "5");
  // Each item where the resource places it, and Tab going through them as they are read.
  const placed = await page.evaluate(() => {
    const box = document.querySelector("#settings-dialog .dialog-box").getBoundingClientRect();
    const order = document.querySelector("#settings-dialog [data-item='15']").getBoundingClientRect();
    const focusable = [...document.querySelectorAll("#settings-dialog .dialog-box :is(select, input, button)")];
    return { order: [order.left - box.left, order.top - box.top, order.width, order.height],
             tabs: focusable.map((element) => Number(element.closest("[data-item]").dataset.item)) };
  });
  assert.deepEqual(placed.order, [180, 182, 80, 24]);
  assert.deepEqual([...new Set(placed.tabs)], [6, 9, 10, 13, 15, 17, 18, 2, 1]);
  await page.selectOption("#settings-dialog select[data-item='15']", { value: "4" }); // entry 4: order 5
  await page.waitForFunction(() => !window.sgView.state.dialogBusy &&
    document.querySelector("#settings-dialog select[data-item='15']").value === "4");
  assert.equal(await page.textContent("#settings-dialog [data-item='18'] output"), "7");
  // Each control is named by the label a person reads beside it, colon and all.
  assert.equal(await page.getByLabel("Polynomial order:").inputValue(), "4");
  assert.equal(await page.getByRole("slider", { name: "Window width (points):" }).getAttribute("aria-valuetext"), "7");
  if (shots) await page.screenshot({ path: path.join(shots, "settings-dialog.png") });
  const count = await page.evaluate(() => window.sgView.state.refreshes);
  await page.click("#settings-dialog button[data-item='1']");
  await settled(page, count);
  assert.equal(await page.evaluate(() => document.getElementById("settings-dialog").open), false);
  const settings = await page.evaluate(() => window.sgView.state.recording.channels[2].settings);
  assert.equal(settings.order, 5);
  assert.equal(settings.width, 7);
  sameAsFiltered(await drawn(page, 3), filtered(["--order", "5", "--width", "7"]), 16.0, 16.499);
});

check("the page's sgfilter filter command reproduces what it draws", async (page) => {
  const command = (await page.textContent("#command")).split(/\s+/).filter((word) => word && word !== "\\");
  assert.deepEqual(command.slice(0, 2), ["sgfilter", "filter"]);
  assert.ok(command.join(" ").includes("--channel 1 --derivative 0 --order 5 --width 7 --range-index 0"), command.join(" "));
  const output = path.join(scratch, "from-command.csv");
  const args = command.slice(1);
  args[args.indexOf("-o") + 1] = output;
  const [program, programArgs] = built("sgfilter", args);
  execFileSync(program, programArgs);
  const rows = readFileSync(output, "utf8").trim().split("\n").slice(1).map((line) => line.split(","));
  // Time, the kept source, then the stage.
  sameAsFiltered(await drawn(page, 3), rows.map((row) => [row[0], row[2]]), 16.0, 16.499);
  const file = await page.evaluate(async () => {
    const link = document.querySelector("#settings-files a");
    return { name: link.download, text: await (await fetch(link.href)).text() };
  });
  assert.equal(file.name, "channel-3.json");
  assert.deepEqual(JSON.parse(file.text), { channel: 1, computed: false, derivative: 0, order: 5, width: 7, "range-index": 0 });
});

check("a page reloaded while the dialog is open shows it again and goes on after Cancel", async (page) => {
  await page.click('button.settings[data-channel="3"]');
  await page.waitForSelector("#settings-dialog[open] select[data-item='15']");
  await page.selectOption("#settings-dialog select[data-item='13']", { value: "2" }); // first derivative
  await page.waitForFunction(() => !window.sgView.state.dialogBusy);
  await page.reload();
  await page.waitForSelector("#settings-dialog[open] select[data-item='15']");
  assert.equal(await page.textContent("#settings-dialog h3"), "Savitzky-Golay settings: Savitzky-Golay of pressure");
  assert.equal(await page.inputValue("#settings-dialog select[data-item='13']"), "2", "the dialog as it was left");
  assert.equal(await page.textContent("#status"), "", "a dialog, not an error");
  await page.click("#settings-dialog button[data-item='2']");
  await page.waitForFunction(() => window.sgView.state.refreshes > 0 && window.sgView.state.busy === 0);
  assert.equal(await page.evaluate(() => document.getElementById("settings-dialog").open), false);
  const settings = await page.evaluate(() => window.sgView.state.recording.channels[2].settings);
  assert.deepEqual([settings.derivative, settings.order, settings.width], [0, 5, 7]);
  const headings = await page.locator(".panel h2").allTextContents();
  assert.equal(headings.length, 2);
  await page.evaluate(() => window.sgView.setView(16.0, 16.499));
  sameAsFiltered(await drawn(page, 3), filtered(["--order", "5", "--width", "7"]), 16.0, 16.499);
});

check("a page whose request meets a dialog opened in another tab shows that dialog", async (page) => {
  const other = await page.context().browser().newPage();
  await other.goto(page.url());
  await other.waitForFunction(() => window.sgView && window.sgView.state.refreshes > 0 && window.sgView.state.busy === 0);
  await other.click('button.settings[data-channel="3"]');
  await other.waitForSelector("#settings-dialog[open] select[data-item='15']");
  await other.close();
  await page.keyboard.press("ArrowRight"); // the trace it asks for is refused while the dialog is open
  await page.waitForSelector("#settings-dialog[open] select[data-item='15']");
  assert.equal(await page.textContent("#status"), "");
  const count = await page.evaluate(() => window.sgView.state.refreshes);
  await page.click("#settings-dialog button[data-item='2']");
  await settled(page, count);
  assert.equal(await page.evaluate(() => document.getElementById("settings-dialog").open), false);
  assert.equal(await page.textContent("#status"), "");
});

check("a derivative of the smoothing gets a chart of its own and a --then stage reading it", async (page) => {
  const count = await page.evaluate(() => window.sgView.state.refreshes);
  const added = await page.evaluate(() => window.sgView.addComputed(3, { derivative: 1, order: 3, width: 11 }));
  await settled(page, count);
  assert.equal(added, 4);
  const headings = await page.locator(".panel h2").allTextContents();
  assert.equal(headings.length, 3);
  assert.equal(headings[1], "4: Savitzky-Golay of Savitzky-Golay of pressure(mmHg/ms)Settings…Remove");
  const command = (await page.textContent("#command")).replace(/\\\n\s*/g, "");
  assert.ok(command.includes("--then --channel 3 --computed --derivative 1 --order 3 --width 11"), command);
  const { minima } = await drawn(page, 4);
  assert.ok(minima.some((value) => value !== null && value !== 0));
});

// A press on OK moves the focus out of the width, which hands it over: the release comes at once, or
// after the width's answer has redrawn the dialog, and either way OK is taken after the width.
async function typeWidthAndPressOk(page, width, release) {
  await page.click('button.settings[data-channel="4"]');
  const field = page.getByRole("textbox", { name: "Window width (points)" });
  await field.waitFor();
  await field.fill(String(width));
  const count = await page.evaluate(() => window.sgView.state.refreshes);
  const ok = page.locator("#settings-dialog button[data-item='1']");
  if (release === "at once") {
    await ok.click();
  } else {
    const box = await ok.boundingBox();
    await page.mouse.move(box.x + box.width / 2, box.y + box.height / 2);
    await page.mouse.down();
    await page.waitForFunction((expected) => !window.sgView.state.dialogBusy &&
      document.querySelector("#settings-dialog [data-item='18'] output")?.textContent === expected, String(width));
    await page.mouse.up();
  }
  await settled(page, count);
  await page.waitForFunction(() => !window.sgView.state.dialogBusy);
  assert.equal(await page.evaluate(() => document.getElementById("settings-dialog").open), false);
  assert.equal(await page.textContent("#status"), "");
  const settings = await page.evaluate(() => window.sgView.state.recording.channels[3].settings);
  assert.deepEqual([settings.derivative, settings.order, settings.width], [1, 3, width]);
}

check("a width typed and OK pressed are both taken, the press released after the width's answer or at once", async (page) => {
  await typeWidthAndPressOk(page, 13, "after the answer");
  await typeWidthAndPressOk(page, 15, "at once");
});

check("a recording without a start reads in seconds, and the go-to box takes seconds only", async (page) => {
  const labels = await page.evaluate(() => window.sgView.state.panels.at(-1).plot.axes[0]._values);
  assert.ok(labels.every((label) => !String(label).includes(":")), labels.join(" | "));
  let count = await page.evaluate(() => window.sgView.state.refreshes);
  await page.fill("#go-to", "16");
  await page.press("#go-to", "Enter");
  await settled(page, count);
  assert.match(await page.textContent("#stretch"), /^16\.000 s to \d+\.\d{3} s$/);
  await page.fill("#go-to", "14:30");
  await page.press("#go-to", "Enter");
  assert.equal(await page.textContent("#status"), "this recording has no start time: give seconds from its start, as +3600 s");
});

// A day at one sample a second: as long as a long recording, as cheap to open as a short one.
function dayLongCsv() {
  const file = path.join(scratch, "day.csv");
  const rows = ["time (s),pressure (mmHg)"];
  for (let second = 0; second < 86400; second++) rows.push(`${second},${(100 + 20 * Math.sin(second / 600)).toFixed(2)}`);
  writeFileSync(file, rows.join("\n") + "\n");
  return file;
}

async function panToTheEndOfADay(browser) {
  const day = startServer(dayLongCsv());
  try {
    const page = await browser.newPage({ viewport: { width: 1400, height: 900 } });
    const errors = [];
    page.on("pageerror", (error) => errors.push(error.message));
    await page.goto(await day.address);
    await page.waitForFunction(() => window.sgView && window.sgView.state.refreshes > 0 && window.sgView.state.busy === 0);
    const count = await page.evaluate(() => window.sgView.state.refreshes);
    const started = Date.now();
    await page.keyboard.press("End");
    await settled(page, count);
    console.log(`  End in a 24-hour recording took ${Date.now() - started} ms${emulator ? " (server emulated)" : ""}`);
    const [from, to] = await page.evaluate(() => [window.sgView.state.from, window.sgView.state.to]);
    assert.equal(to, 86399);
    assert.ok(Math.abs(to - from - 60) < 1e-6, `shows ${from}..${to}`);
    const { times, minima, maxima } = await drawn(page, 1);
    const last = times.findLastIndex((time, index) => minima[index] !== null);
    assert.ok(last >= 0 && times[last] > 86398, `the last drawn value is at ${times[last]}`);
    const expected = 100 + 20 * Math.sin(86399 / 600);
    assert.ok(Math.abs(maxima[last] - expected) < 0.006, `${maxima[last]} at the end against ${expected}`);
    assert.ok(await page.textContent("#stretch").then((text) => text.endsWith("86399.000 s")));
    assert.deepEqual(errors, []);
    await page.close();
  } finally {
    day.server.kill("SIGINT");
    await new Promise((resolve) => day.server.on("exit", resolve));
  }
}

await runPageChecks({
  buildDir, recording, checks,
  afterPage: async (page) => {
    if (shots) await page.screenshot({ path: path.join(shots, "page.png") });
  },
  alone: [{ name: "End pans to the end of a 24-hour recording, drawn there", body: panToTheEndOfADay }],
  cleanUp: () => rmSync(scratch, { recursive: true, force: true }),
});

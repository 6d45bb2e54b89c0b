// Finding one's way in sgfilter view's page, in Debian's Chromium driven by playwright-core: clock
// time across midnight, the go-to box, channels hidden and shown, many charts on one screen, the
// value ranges, the annotations, and one trace request a redraw. Starts and stops its own servers
// on the loopback address. Arguments: the build folder. With SG_VIEW_SHOTS=DIR it saves a picture of
// each part into DIR.
import { execFileSync } from "node:child_process";
import { mkdtempSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import path from "node:path";
import { runPageChecks } from "./PageChecks.mjs";
import assert from "node:assert/strict";
import { built, startView } from "./ViewProcess.mjs";

const [buildDir] = process.argv.slice(2);
setTimeout(() => { console.log("FAILED: did not finish within 120 s"); process.exit(1); }, 120000).unref();
const scratch = mkdtempSync(path.join(tmpdir(), "sgfilter-view-navigation-"));
const shots = process.env.SG_VIEW_SHOTS;

function makeSample(name, args) {
  const file = path.join(scratch, name);
  const [command, commandArgs] = built(buildDir, "make-sample", ["--format", "edf", "-o", file, ...args]);
  execFileSync(command, commandArgs);
  return file;
}

// 120 s from 23:59:30, a pause from 66 s to 69 s, annotations at 20, 40, 60, 80 and 100 s.
const midnight = makeSample("midnight.edf", ["--channels", "4", "--duration", "120", "--start", "2024-01-01 23:59:30",
                                              "--annotations", "5"]);
const many = makeSample("many.edf", ["--channels", "64", "--duration", "60"]);

const view = (page) => page.evaluate(() => [window.sgView.state.from, window.sgView.state.to]);
const refreshes = (page) => page.evaluate(() => window.sgView.state.refreshes);
async function settled(page, after) {
  await page.waitForFunction((count) => window.sgView.state.refreshes > count && window.sgView.state.busy === 0, after);
}
// Does `action` and waits for the redraw it starts.
async function redrawn(page, action) {
  const count = await refreshes(page);
  await action();
  await settled(page, count);
}
const near = (actual, expected, what) => assert.ok(Math.abs(actual - expected) < 1e-6, `${what}: ${actual} against ${expected}`);
const timeLabels = (page) => page.evaluate(() => window.sgView.state.panels.at(-1).plot.axes[0]._values);
const yRange = (page, index) => page.evaluate((at) => {
  const { min, max } = window.sgView.state.panels[at].plot.scales.y;
  return [min, max];
}, index);
async function shot(page, name) {
  if (shots) await page.screenshot({ path: path.join(shots, name) });
}

// The channels of every trace request the page makes from now on.
function traceRequests(page) {
  const asked = [];
  page.on("request", (request) => {
    const url = new URL(request.url());
    if (url.pathname.endsWith("/api/trace")) asked.push(url.searchParams.get("channels"));
  });
  return asked;
}

const checks = [];
function check(name, body) { checks.push({ name, body }); }

check("the time axis and the stretch read as clock time, with the date where they cross midnight", async (page) => {
  assert.equal(await page.textContent("#stretch"), "2024-01-01 23:59:30 to 2024-01-02 00:00:30");
  const labels = await timeLabels(page);
  assert.equal(labels[0], "23:59:30\n2024-01-01");
  assert.ok(labels.includes("00:00:00\n2024-01-02"), labels.join(" | "));
  assert.equal(labels.filter((label) => label.includes("\n")).length, 2, "the date under each day's first tick only");
  const axes = await page.evaluate(() => window.sgView.state.panels.map((panel) => panel.plot.axes[0].show));
  assert.deepEqual(axes, [false, false, false, true], "the time axis under the last chart only");
  await shot(page, "clock-midnight.png");
  await redrawn(page, () => page.evaluate(() => window.sgView.setView(30.1, 30.6)));
  assert.equal(await page.textContent("#stretch"), "2024-01-02 00:00:00.10 to 00:00:00.60");
  const fine = await timeLabels(page);
  assert.ok(fine.length >= 3 && fine.every((label) => /^00:00:00\.\d+$/.test(label)), fine.join(" | "));
  assert.ok(fine.includes("00:00:00.2") || fine.includes("00:00:00.20") || fine.includes("00:00:00.200"), fine.join(" | "));
});

check("the go-to box starts the stretch at a clock time, a date and time or seconds, and says what it cannot", async (page) => {
  await redrawn(page, () => page.evaluate(() => window.sgView.setView(0, 10)));
  const goTo = async (text) => {
    await page.fill("#go-to", text);
    await redrawn(page, () => page.press("#go-to", "Enter"));
    return view(page);
  };
  let [from, to] = await goTo("00:00:10");
  near(from, 40, "00:00:10 the next day");
  near(to - from, 10, "the width kept");
  [from] = await goTo("23:59:35.250");
  near(from, 5.25, "23:59:35.250");
  [from] = await goTo("+12.5 s");
  near(from, 12.5, "+12.5 s");
  [from] = await goTo("2024-01-02 00:01:00");
  near(from, 90, "a date and time");
  assert.equal(await page.textContent("#status"), "");
  for (const [text, message] of [["12:00", /outside the recording, 2024-01-01 23:59:30 to 2024-01-02 00:01:30/],
                                 ["+121", /outside the recording/], ["25:00", /not a time of day/],
                                 ["soon", /is not a time: give 14:30/]]) {
    await page.fill("#go-to", text);
    await page.press("#go-to", "Enter");
    assert.match(await page.textContent("#status"), message, text);
    near((await view(page))[0], 90, `${text} leaves the stretch`);
  }
});

check("a hidden channel's chart goes and is not asked of the server, and comes back", async (page) => {
  const asked = traceRequests(page);
  const headings = () => page.locator(".panel h2").allTextContents();
  await page.click("#channel-menu summary");
  await redrawn(page, () => page.uncheck('#channel-list input[data-channel="2"]'));
  assert.deepEqual(await headings(), ["1: pressure1(mmHg)", "3: pressure2(mmHg)", "4: ecg2(mV)"]);
  assert.equal(await page.textContent("#channel-count"), "3 of 4");
  await redrawn(page, () => page.keyboard.press("ArrowRight"));
  await redrawn(page, () => page.locator(".panel").nth(2).locator("button.hide").click());
  assert.deepEqual(await headings(), ["1: pressure1(mmHg)", "3: pressure2(mmHg)"]);
  await shot(page, "channels-hidden.png");
  assert.ok(asked.length >= 3);
  assert.deepEqual(asked.slice(0, 2), ["1,3,4", "1,3,4"]);
  assert.equal(asked.at(-1), "1,3");
  await redrawn(page, () => page.check('#channel-list input[data-channel="2"]'));
  assert.deepEqual(await headings(), ["1: pressure1(mmHg)", "2: ecg1(mV)", "3: pressure2(mmHg)"]);
  await redrawn(page, () => page.click("#show-all-channels"));
  assert.equal((await headings()).length, 4);
  assert.equal(asked.at(-1), "1,2,3,4");
  await page.click("#channel-menu summary");
});

check("a redraw asks the traces of all charts in one request", async (page) => {
  const asked = traceRequests(page);
  await redrawn(page, () => page.keyboard.press("ArrowLeft"));
  assert.deepEqual(asked, ["1,2,3,4"]);
  const drawn = await page.evaluate(() => window.sgView.state.panels.map((panel) => panel.data.length));
  assert.deepEqual(drawn, [3, 3, 3, 3], "each chart its own channel's minima and maxima");
});

check("* and / scale the chart under the pointer, or every chart; ×2, ÷2 and fix scale one; a fixed range stays", async (page) => {
  await redrawn(page, () => page.evaluate(() => window.sgView.setView(0, 20)));
  const [first, second] = [await yRange(page, 0), await yRange(page, 1)];
  await page.hover(".panel:nth-child(1) .u-over");
  await page.keyboard.press("*");
  const taller = await yRange(page, 0);
  near(taller[1] - taller[0], (first[1] - first[0]) / 2, "half the range");
  near(taller[0] + taller[1], first[0] + first[1], "about the middle");
  assert.deepEqual(await yRange(page, 1), second, "the other chart as it was");
  assert.equal(await page.isChecked(".panel:nth-child(1) .fix"), true);
  await page.hover(".panel:nth-child(2) .u-over");
  await page.click(".panel:nth-child(2) button.shorter");
  const shorter = await yRange(page, 1);
  near(shorter[1] - shorter[0], (second[1] - second[0]) * 2, "twice the range");
  await shot(page, "amplitude-scaled.png");
  await redrawn(page, () => page.keyboard.press("ArrowRight"));
  assert.deepEqual([await yRange(page, 0), await yRange(page, 1)], [taller, shorter], "kept while panning");
  const third = await yRange(page, 2);
  await page.uncheck(".panel:nth-child(1) .fix");
  const fitted = await yRange(page, 0);
  assert.ok(fitted[1] - fitted[0] > (taller[1] - taller[0]) * 1.5, `fitted again: ${fitted}`);
  await page.mouse.move(5, 5); // over no chart: the keys act on all of them
  await page.keyboard.press("/");
  const scaled = await page.evaluate(() => window.sgView.state.panels.map((panel) => panel.plot.scales.y.max - panel.plot.scales.y.min));
  near(scaled[0], (fitted[1] - fitted[0]) * 2, "the first chart");
  near(scaled[1], (shorter[1] - shorter[0]) * 2, "the second chart");
  near(scaled[2], (third[1] - third[0]) * 2, "the third chart");
  await page.keyboard.press("a");
  assert.deepEqual(await page.locator(".panel .fix:checked").count(), 0);
  near((await yRange(page, 2))[1], third[1], "fitted to the values again");
});

check("the annotations are listed by clock time and text, filtered, chosen, and stepped through by n and p", async (page) => {
  const rows = () => page.locator("#annotation-list li").allInnerTexts();
  const listed = (await rows()).map((row) => row.split(/\s+/).join(" "));
  assert.deepEqual(listed, ["23:59:50.000 1 s cuff inflation 1", "00:00:10.000 1 s movement 2", "00:00:30.000 1 s flush 3",
                            "00:00:50.000 1 s cuff inflation 4", "00:01:10.000 1 s movement 5"]);
  await page.fill("#annotation-filter", "CUFF");
  assert.equal((await rows()).length, 2);
  assert.equal(await page.textContent("#annotation-count"), "2 of 5");
  await page.fill("#annotation-filter", "");
  await redrawn(page, () => page.evaluate(() => window.sgView.setView(0, 10)));
  await redrawn(page, () => page.click("#annotation-list li:nth-child(3) button"));
  assert.deepEqual(await view(page), [55, 65], "centred on its onset, as wide as before");
  const current = () => page.locator("#annotation-list li.current").innerText().then((text) => text.split(/\s+/).at(-2));
  assert.equal(await current(), "flush");
  await shot(page, "annotations.png");
  await redrawn(page, () => page.keyboard.press("n"));
  assert.deepEqual(await view(page), [75, 85]);
  await redrawn(page, () => page.keyboard.press("p"));
  await redrawn(page, () => page.keyboard.press("p"));
  assert.deepEqual(await view(page), [35, 45]);
  // From a stretch with none shown, the keys go from its middle.
  await redrawn(page, () => page.evaluate(() => window.sgView.setView(0, 10)));
  assert.equal(await page.locator("#annotation-list li.current").count(), 0, "the mark goes with the stretch");
  for (const key of ["n", "n", "n"]) await redrawn(page, () => page.keyboard.press(key));
  assert.deepEqual(await view(page), [55, 65], "the third annotation");
  assert.equal(await current(), "flush");
  await page.fill("#annotation-filter", "movement");
  await page.evaluate(() => document.activeElement.blur());
  await redrawn(page, () => page.keyboard.press("n"));
  assert.deepEqual(await view(page), [95, 105], "the next one listed, movement 5");
  await page.keyboard.press("n");
  assert.match(await page.textContent("#status"), /No annotation listed after this one/);
});

check("a computed channel drawn over its source is hidden and shown apart from it", async (page) => {
  const asked = traceRequests(page);
  await redrawn(page, () => page.evaluate(() => window.sgView.addComputed(1)));
  const headings = () => page.locator(".panel h2").allTextContents();
  assert.equal((await headings())[0], "1: pressure1(mmHg)5: Savitzky-Golay of pressure1(mmHg)Settings…Remove");
  await page.click("#channel-menu summary");
  await redrawn(page, () => page.uncheck('#channel-list input[data-channel="1"]'));
  assert.equal((await headings())[0], "5: Savitzky-Golay of pressure1(mmHg)Settings…Remove");
  assert.equal(asked.at(-1), "5,2,3,4");
  await redrawn(page, () => page.uncheck('#channel-list input[data-channel="5"]'));
  assert.equal((await headings())[0], "2: ecg1(mV)");
  await redrawn(page, () => page.check('#channel-list input[data-channel="1"]'));
  assert.deepEqual(await headings(), ["1: pressure1(mmHg)", "2: ecg1(mV)", "3: pressure2(mmHg)", "4: ecg2(mV)"]);
  assert.equal(asked.at(-1), "1,2,3,4");
  await page.click("#channel-menu summary");
});

async function manyCharts(browser) {
  const { server, address } = startView(buildDir, many);
  try {
    const page = await browser.newPage({ viewport: { width: 1920, height: 1080 } });
    const asked = traceRequests(page);
    await page.goto(await address);
    await page.waitForFunction(() => window.sgView && window.sgView.state.refreshes > 0 && window.sgView.state.busy === 0);
    const fit = await page.evaluate(() => {
      const charts = document.getElementById("charts");
      const panels = [...document.querySelectorAll(".panel")];
      return { count: panels.length, lowest: Math.max(...panels.map((panel) => panel.getBoundingClientRect().bottom)),
               scrolls: charts.scrollHeight > charts.clientHeight || document.documentElement.scrollHeight > innerHeight,
               smallest: Math.min(...window.sgView.state.panels.map((panel) => panel.plot.height)) };
    });
    assert.equal(fit.count, 64);
    assert.equal(fit.scrolls, false);
    assert.ok(fit.lowest <= 1080, `the last chart ends at ${fit.lowest}`);
    assert.ok(fit.smallest >= 14, `charts ${fit.smallest} pixels high`);
    assert.deepEqual(asked, [Array.from({ length: 64 }, (_, index) => index + 1).join(",")]);
    await shot(page, "64-charts.png");
    await page.close();
  } finally {
    server.kill("SIGINT");
    await new Promise((resolve) => server.on("exit", resolve));
  }
}

await runPageChecks({
  buildDir, recording: midnight, checks,
  alone: [{ name: "64 charts fit a screen 1080 pixels high, drawn from one request", body: manyCharts }],
  cleanUp: () => rmSync(scratch, { recursive: true, force: true }),
});

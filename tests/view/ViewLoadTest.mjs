// Four pages of one `sgfilter view` panning and zooming at once, as four people would, for a
// bounded time (SG_VIEW_LOAD_SECONDS, 60 by default): no request fails, no page errs, and the
// server's resident memory is as flat at the end as after the first quarter. Arguments: the build
// folder. Starts and stops its own server and browser.
import { execFileSync } from "node:child_process";
import { mkdtempSync, readFileSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import path from "node:path";
import assert from "node:assert/strict";
import { launchBrowser } from "./PageChecks.mjs";
import { built, startView } from "./ViewProcess.mjs";

const buildDir = path.resolve(process.argv[2]);
const seconds = Number(process.env.SG_VIEW_LOAD_SECONDS || 60);
setTimeout(() => { console.log(`FAILED: did not finish within ${seconds + 90} s`); process.exit(1); }, (seconds + 90) * 1000).unref();

const scratch = mkdtempSync(path.join(tmpdir(), "sgfilter-view-load-"));
const recording = path.join(scratch, "six-hours.edf");
const [command, args] = built(buildDir, "make-sample", ["--format", "edf", "--channels", "4", "--duration", "21600", "-o", recording]);
execFileSync(command, args);

const { server, address: pending } = startView(buildDir, recording);
let browser;
let problems = 0;
const residentKiB = () => Number(readFileSync(`/proc/${server.pid}/status`, "utf8").match(/^VmRSS:\s*(\d+)/m)[1]);

// One person's pans, zooms and jumps through the page's own moves and keys, each waited for.
async function person(page, seed, until) {
  let state = seed;
  const next = (count) => { state = (state * 1103515245 + 12345) % 2147483648; return state % count; };
  let moves = 0;
  while (Date.now() < until) {
    const count = await page.evaluate(() => window.sgView.state.refreshes);
    const move = next(6);
    if (move === 0) await page.keyboard.press("ArrowRight");
    else if (move === 1) await page.keyboard.press("ArrowLeft");
    else if (move === 2) await page.keyboard.press("-");
    else if (move === 3) await page.keyboard.press("+");
    else if (move === 4) await page.evaluate(() => window.sgView.showAll());
    else await page.evaluate((at) => window.sgView.setView(at, at + 30), next(21000));
    await page.waitForFunction((before) => window.sgView.state.refreshes > before && window.sgView.state.busy === 0, count,
                               { timeout: 30000 });
    const status = await page.textContent("#status");
    if (status) { console.log(`page ${seed}: "${status}"`); problems++; }
    moves++;
  }
  return moves;
}

try {
  const address = await pending;
  browser = await launchBrowser(buildDir);
  const pages = [];
  for (let seed = 1; seed <= 4; seed++) {
    const page = await browser.newPage({ viewport: { width: 1400, height: 900 } });
    page.on("pageerror", (error) => { console.log(`page ${seed} error: ${error.message}`); problems++; });
    page.on("response", (response) => {
      if (response.status() >= 400) { console.log(`page ${seed}: ${response.status()} ${response.url()}`); problems++; }
    });
    await page.goto(address);
    await page.waitForFunction(() => window.sgView.state.refreshes > 0 && window.sgView.state.busy === 0);
    pages.push(page);
  }
  // The first quarter warms up what a day of looking holds: the host's cached blocks, the
  // summaries' pairs, the browsers' connections. From there on nothing should grow.
  const start = Date.now();
  const end = start + seconds * 1000;
  let warm = 0;
  const measuring = setTimeout(() => { warm = residentKiB(); }, seconds * 250);
  const moves = await Promise.all(pages.map((page, index) => person(page, index + 1, end)));
  clearTimeout(measuring);
  const last = residentKiB();
  console.log(`${moves.reduce((a, b) => a + b)} moves by 4 pages in ${seconds} s; resident ${warm} KiB after the first quarter, ${last} KiB at the end`);
  assert.equal(problems, 0, "a request failed or a page erred");
  // Within 8 MiB: the allocator's own ups and downs, a few blocks more or less in flight.
  assert.ok(warm > 0 && last - warm < 8192, `resident memory grew from ${warm} to ${last} KiB`);
  console.log("PASSED");
} catch (error) {
  console.log(`FAILED: ${error.message}`);
  process.exitCode = 1;
} finally {
  await browser?.close();
  server.kill("SIGINT");
  rmSync(scratch, { recursive: true, force: true });
}

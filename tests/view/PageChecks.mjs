// What the browser tests of sgfilter view share: Debian's Chromium, headless, through the build's
// playwright-core, and a run of checks on one page of a server, each told as it passes or fails.
import { createRequire } from "node:module";
import path from "node:path";

import { startView } from "./ViewProcess.mjs";

// playwright gives the browser a fresh profile folder of its own at every launch.
export function launchBrowser(buildDir) {
  const require = createRequire(path.join(buildDir, "view-page", "node_modules", "index.js"));
  const { chromium } = require("playwright-core");
  return chromium.launch({
    executablePath: "/usr/bin/chromium",
    args: ["--no-sandbox", "--disable-gpu", "--disable-background-networking", "--disable-component-update",
           "--disable-sync", "--no-first-run"],
  });
}

// Serves `recording`, opens it in one page, and runs `checks` ({name, body(page)}) on that page in
// turn, then `afterPage(page)`, then each of `alone` ({name, body(browser)}), which start servers
// of their own. Ends the process: 0 where every check passed. `cleanUp` runs before that.
export async function runPageChecks({ buildDir, recording, checks, alone = [], afterPage, cleanUp }) {
  const { server, address } = startView(buildDir, recording);
  let failed = 0;
  let browser = null;
  const attempt = async (name, action) => {
    try {
      await action();
      console.log(`ok: ${name}`);
    } catch (error) {
      failed++;
      console.log(`FAILED: ${name}\n  ${error.message}`);
    }
  };
  try {
    browser = await launchBrowser(buildDir);
    const page = await browser.newPage({ viewport: { width: 1400, height: 900 } });
    page.on("pageerror", (error) => { console.log(`page error: ${error.message}`); failed++; });
    await page.goto(await address);
    await page.waitForFunction(() => window.sgView && window.sgView.state.refreshes > 0 && window.sgView.state.busy === 0);
    for (const { name, body } of checks) await attempt(name, () => body(page));
    if (afterPage) await afterPage(page);
    for (const { name, body } of alone) await attempt(name, () => body(browser));
  } catch (error) {
    failed++;
    console.log(`FAILED: ${error.message}`);
  } finally {
    if (browser) await browser.close();
    server.kill("SIGINT");
    await new Promise((resolve) => server.on("exit", resolve));
    if (cleanUp) cleanUp();
  }
  const total = checks.length + alone.length;
  console.log(`${total - Math.min(failed, total)} passed, ${failed} failed`);
  process.exit(failed === 0 ? 0 : 1);
}

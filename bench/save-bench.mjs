// Times the page's "Save…" against the `sgfilter filter` command it runs, side by side in one run:
// one smoothing of channel 1 written as EDF+ over the whole recording, each three times, in turn.
// Arguments: the build folder and the recording.
import { execFileSync } from "node:child_process";
import { mkdtempSync, rmSync, statSync } from "node:fs";
import { tmpdir } from "node:os";
import path from "node:path";

import { askerOf, built, emulatorOf, startView } from "../tests/view/ViewProcess.mjs";

const [buildDir, recording] = process.argv.slice(2);
const rounds = 3;
const folder = mkdtempSync(path.join(tmpdir(), "sgfilter-save-bench-"));
const { server, address: pending } = startView(buildDir, recording, ["--save-to", folder]);
const address = await pending;

const ask = askerOf(address);
const post = (below, body) => ask(below, { method: "POST", headers: { "Content-Type": "application/json" }, body: JSON.stringify(body) });

// The command's words as a shell would split them (the server quotes what needs it).
function words(command) {
  return [...command.replace(/\\\n\s*/g, " ").matchAll(/'((?:[^']|'\\'')*)'|(\S+)/g)].map((m) => (m[1] !== undefined ? m[1].replace(/'\\''/g, "'") : m[2]));
}

try {
  const smoothing = await post("api/computed", { source: 1, order: 3, width: 25 });
  // A trace of the whole recording first, so the server has nothing left to prepare between
  // requests and both are timed on a quiet machine.
  const { runs: spans } = smoothing.recording;
  await ask(`api/trace?channels=1,${smoothing.channel}&from=${spans[0].start}&to=${spans.at(-1).end}&columns=1500`);
  const saves = [];
  const runs = [];
  let size = 0;
  for (let round = 0; round < rounds; round++) {
    let started = performance.now();
    const { file, command } = await post("api/save", { format: "edf" });
    for (let state = await ask("api/save"); state.state === "running"; state = await ask("api/save")) {
      await new Promise((resolve) => setTimeout(resolve, 20));
    }
    saves.push(performance.now() - started);
    size = statSync(path.join(folder, file)).size;
    rmSync(path.join(folder, file));
    // The same command, by hand, into the same folder.
    const line = words(command).slice(1);
    const output = line.indexOf("-o") + 1;
    line[output] = path.join(folder, "by-hand.edf");
    const [program, args] = built(buildDir, "sgfilter", line);
    started = performance.now();
    execFileSync(program, args);
    runs.push(performance.now() - started);
    rmSync(line[output]);
  }
  const best = (times) => Math.min(...times);
  if (emulatorOf(buildDir)) console.log("EMULATED: these times are the emulator's, not figures.");
  console.log(`${recording}: Save… of one smoothing as EDF+ (${(size / 1e9).toFixed(2)} GB), ${rounds} rounds, best of each`);
  console.log(`filter command: ${best(runs).toFixed(0)} ms (${runs.map((t) => t.toFixed(0)).join(", ")})`);
  console.log(`Save…:          ${best(saves).toFixed(0)} ms (${saves.map((t) => t.toFixed(0)).join(", ")})`);
  console.log(`Save… / filter: ${(best(saves) / best(runs)).toFixed(2)}`);
} finally {
  server.kill("SIGINT");
  rmSync(folder, { recursive: true, force: true });
}

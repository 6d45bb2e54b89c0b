// Runs the build's programs as a person runs them, under the emulator where this machine needs one
// for 32-bit programs, and starts `sgfilter view` on a recording. Shared by the browser test and
// the view benchmark.
import { spawn } from "node:child_process";
import { readFileSync } from "node:fs";
import path from "node:path";

// The emulator's command, or "" where the build's programs run natively.
export function emulatorOf(buildDir) {
  return readFileSync(path.join(buildDir, "run32"), "utf8").trim();
}

// [command, arguments] that run one of the build's programs.
export function built(buildDir, program, args) {
  const emulator = emulatorOf(buildDir);
  const file = path.join(buildDir, program);
  return emulator ? [emulator, [file, ...args]] : [file, args];
}

// The server's process and a promise of the address it prints.
export function startView(buildDir, recording, options = []) {
  const [command, args] = built(buildDir, "sgfilter", ["view", recording, "--no-open", ...options]);
  const server = spawn(command, args, { stdio: ["ignore", "pipe", "inherit"] });
  const address = new Promise((resolve, reject) => {
    let text = "";
    server.stdout.on("data", (chunk) => {
      text += chunk;
      const found = text.match(/http:\/\/127\.0\.0\.1:\d+\/[0-9a-f]+\//);
      if (found) resolve(found[0]);
    });
    server.on("exit", (code) => reject(new Error(`sgfilter view ended early (${code})`)));
  });
  return { server, address };
}

// Asks the server at `address` as the page does: the JSON answer, or an error naming what failed.
export function askerOf(address) {
  return async (below, options) => {
    const response = await fetch(address + below, options);
    const body = await response.json();
    if (!response.ok) throw new Error(`${below}: ${body.error}`);
    return body;
  };
}

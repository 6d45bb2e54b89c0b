// Saving the computed channels over the whole recording, as `sgfilter filter` writes them: the
// server writes the file beside the recording while the page shows how far it has got, and names
// the file at the end.
"use strict";

const saving = (() => {
  const element = (id) => document.getElementById(id);
  const pollEvery = 200; // ms
  let running = false;
  let starting = null; // the request that starts the save, until the server has answered it

  function showRunning(on) {
    running = on;
    element("save-stop").hidden = !on;
    element("save-start").hidden = on;
    element("save-close").hidden = on;
    for (const input of element("save-dialog").querySelectorAll("input")) input.disabled = on;
  }

  function result(text) { element("save-result").textContent = text; }

  function open() {
    element("save-progress").value = 0;
    element("save-progress").hidden = true;
    result("");
    showRunning(false);
    element("save-dialog").showModal();
  }

  async function follow(file) {
    for (;;) {
      await new Promise((resolve) => setTimeout(resolve, pollEvery));
      const answer = await ask("api/save");
      if (answer.state === "running") {
        element("save-progress").value = answer.progress;
        continue;
      }
      if (answer.state === "done") {
        element("save-progress").value = 1;
        result(`Wrote ${answer.file}.`);
      } else if (answer.state === "failed") {
        result(`Not saved: ${answer.error}`);
      } else {
        result(`Cancelled: ${file} was not written.`);
      }
      return answer.state;
    }
  }

  async function start() {
    const format = element("save-dialog").querySelector("input[name=format]:checked").value;
    showRunning(true);
    element("save-progress").hidden = false;
    result("");
    try {
      starting = postJson("api/save", { format });
      const answer = await starting;
      result(`Writing ${answer.file}…`);
      return await follow(answer.file);
    } catch (error) {
      // A save another tab started, or the settings dialog open there, refuses this one.
      result(`Not saved: ${error.message}`);
      return "failed";
    } finally {
      showRunning(false);
    }
  }

  // Cancel clicked before the server has started the save waits for it to start, so the click
  // is not lost.
  async function stop() {
    try {
      if (starting) await starting.catch(() => {});
      await postJson("api/save/cancel", {});
    } catch (error) {
      result(error.message); // it ended first
    }
  }

  function listen() {
    element("save").onclick = open;
    element("save-start").onclick = () => start();
    element("save-stop").onclick = () => stop();
    // The file is being written: the dialog stays until it ends, so its end is not missed.
    element("save-dialog").addEventListener("cancel", (event) => { if (running) event.preventDefault(); });
  }

  return { listen };
})();

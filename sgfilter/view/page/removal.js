// Removing a computed channel, and with it every computed channel that reads it: the page's own
// dialog names those first, since they go too.
"use strict";

const removal = (() => {
  const dialog = () => document.getElementById("remove-dialog");

  // The computed channels that read `number`, directly or through others, in channel order.
  function readersOf(number) {
    const gone = new Set([number]);
    let grown = true;
    while (grown) {
      grown = false;
      for (const c of state.recording.channels) {
        if (c.computed && c.settings.computed && gone.has(c.settings.source) && !gone.has(c.number)) {
          gone.add(c.number);
          grown = true;
        }
      }
    }
    return state.recording.channels.filter((c) => c.number !== number && gone.has(c.number));
  }

  // The person's answer: true for Remove, false for Cancel or Escape.
  function confirmed(number) {
    const element = dialog();
    const readers = readersOf(number);
    element.querySelector("h3").textContent = `Remove ${number}: ${channel(number).name}?`;
    element.querySelector(".readers").textContent = readers.length === 0 ? "No other channel reads it."
      : `${readers.length === 1 ? "This channel reads it and goes" : "These channels read it and go"} too: ` +
        readers.map((c) => `${c.number}: ${c.name}`).join(", ") + ".";
    element.returnValue = "";
    element.showModal();
    return new Promise((resolve) => element.addEventListener("close", () => resolve(element.returnValue === "remove"), { once: true }));
  }

  async function remove(number) {
    const answer = await postJson("api/computed/remove", { channel: number });
    showRecording(answer.recording);
    await refresh();
    return answer.removed;
  }

  async function offer(number) {
    if (await confirmed(number)) await remove(number);
  }

  function buttonOf(number) {
    const button = document.createElement("button");
    button.className = "remove";
    button.dataset.channel = number;
    button.textContent = "Remove";
    button.title = "Remove this channel, and the channels that read it";
    button.onclick = () => offer(number).catch(failed);
    return button;
  }

  return { buttonOf };
})();

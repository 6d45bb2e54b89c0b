"""One recording of the cohort: learn its channels, filter those the recipe names with sgfilter,
and leave the provenance log and the receipt that marks the recording done.

The receipt is written last, under a temporary name then renamed: a recording without one is
unfinished whatever else lies beside it, and sgfilter's own output appears whole or not at all.
A recording without a matching channel is done too (skipped); a recording sgfilter refuses fails
this job alone, with sgfilter's message in the log.
"""
import argparse
import glob
import json
import os
import re
import shlex
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bids  # noqa: E402
import recipe as recipes  # noqa: E402
import recordings  # noqa: E402
from sgfilter_program import sha256_of  # noqa: E402

SINGLE_RATE = re.compile(r": (\d+) rows, \d+ channels?, (\d+) runs? of data in .*, sample interval (\S+) s$")
MANY_RATES = re.compile(r": \d+ channels, (\d+) runs? of data, at \d+ rates each in .*?: (.*)$")
ROWS_AT_RATE = re.compile(r"(\d+) rows at sample interval (\S+) s")


def read_summary(verbose_output):
    """(runs, {sample interval: rows}) from the "read ..." line of `sgfilter filter --verbose`."""
    for line in verbose_output.splitlines():
        if not line.startswith("read "):
            continue
        single = SINGLE_RATE.search(line)
        if single:
            return int(single.group(2)), {float(single.group(3)): int(single.group(1))}
        many = MANY_RATES.search(line)
        if many:
            return int(many.group(1)), {float(i): int(n) for n, i in ROWS_AT_RATE.findall(many.group(2))}
    return None, {}


def samples_and_duration(channels, rows_by_interval):
    """The filtered channels' samples together, and the seconds of data the first one holds."""
    total, duration = 0, None
    for channel in channels:
        if channel["samples"] is not None and channel["rate"]:
            samples, seconds = channel["samples"], channel["samples"] / channel["rate"]
        else:  # a CSV: one rate, which only the rows read tell
            interval, samples = next(iter(rows_by_interval.items()))
            seconds = samples * interval
        total += samples
        duration = seconds if duration is None else duration
    return total, duration


def sgfilter_message(stderr, status):
    lines = [line.strip() for line in stderr.splitlines() if line.strip()]
    return " / ".join(lines) if lines else "sgfilter exited with status {}".format(status)


class Job:
    def __init__(self, options):
        self.options = options
        self.command = shlex.split(options.sgfilter)
        self.recipe = json.loads(options.recipe)
        self.source = os.path.join(options.input_folder, options.recording)
        self.started = time.monotonic()
        os.makedirs(os.path.dirname(options.log) or ".", exist_ok=True)
        self.log = open(options.log, "w")

    def note(self, text):
        self.log.write(text.rstrip("\n") + "\n")
        self.log.flush()

    def receipt(self, status, channels=(), samples=None, runs=None, duration=None):
        bids.write_json(self.options.receipt, {
            "recording": self.options.recording,
            "output": self.options.output if status == "ok" else None,
            "channels": [channel["label"] for channel in channels],
            "samples": samples,
            "runs": runs,
            "duration": duration,
            "wall_time": round(time.monotonic() - self.started, 3),
            "status": status,
        })

    def fail(self, message):
        self.note("status: failed: " + message)
        sys.exit(1)

    def provenance(self):
        version = json.loads(self.options.version)
        self.note("sgfilter: {} ({}, module {}, interface {})".format(
            shlex.join(self.command), version["version"], version["module"], version["interface"]))
        self.note("sgfilter program sha256: {}".format(version["program_sha256"]))
        self.note("sgfilter module sha256: {}".format(version["module_sha256"]))
        for path in [self.options.recording] + recordings.companions_of(self.options.input_folder,
                                                                       self.options.recording):
            full = os.path.join(self.options.input_folder, path)
            self.note("input: {}, {} bytes, sha256 {}".format(full, os.path.getsize(full), sha256_of(full)))

    def channels(self):
        result = subprocess.run(self.command + ["info", "--json", self.source], capture_output=True, text=True)
        if result.returncode != 0:
            self.note("command: " + shlex.join(self.command + ["info", "--json", self.source]))
            self.note(result.stderr)
            self.fail(sgfilter_message(result.stderr, result.returncode))
        return json.loads(result.stdout)["channels"]

    def remove_earlier_output(self):
        # A run stopped part way leaves sgfilter's hidden partial file; an earlier recipe may have
        # left an output this one no longer writes.
        folder, name = os.path.split(self.options.output)
        for path in glob.glob(os.path.join(folder or ".", glob.escape("." + name) + ".partial-*")):
            os.remove(path)
        for path in (self.options.output, self.options.sidecar):
            if path and os.path.exists(path):
                os.remove(path)

    def run(self):
        self.remove_earlier_output()
        self.provenance()
        listed = self.channels()
        chosen = recipes.selected_channels(self.recipe, listed)
        if not chosen:
            status = "skipped: no channel matches {}".format(recipes.describe_selection(self.recipe))
            self.note("channels: " + ", ".join(channel["label"] for channel in listed))
            self.note("status: " + status)
            self.receipt(status)
            return
        arguments = recipes.filter_arguments(self.recipe, chosen, len(listed))
        os.makedirs(os.path.dirname(self.options.output) or ".", exist_ok=True)
        command = self.command + ["filter", self.source, "-o", self.options.output, "--verbose"] + arguments
        self.note("command: " + shlex.join(command))
        self.note("channels filtered: " + ", ".join("{} {}".format(c["number"], c["label"]) for c in chosen))
        result = subprocess.run(command, capture_output=True, text=True)
        self.note("--- sgfilter's output ---")
        self.note(result.stdout + result.stderr)
        if result.returncode != 0:
            self.fail(sgfilter_message(result.stderr, result.returncode))
        runs, rows_by_interval = read_summary(result.stdout)
        samples, duration = samples_and_duration(chosen, rows_by_interval)
        if self.options.sidecar:
            settings_files = {stage["settings"]["file"] for stage in self.recipe["stages"] if "settings" in stage}
            shown = [os.path.basename(a) if a in settings_files else a for a in arguments]
            raw = os.path.splitext(self.source)[0] + ".json"
            raw_sidecar = {}
            if os.path.isfile(raw):
                with open(raw) as file:
                    raw_sidecar = json.load(file)
            bids.write_json(self.options.sidecar,
                            bids.sidecar(raw_sidecar, self.options.recording, chosen, self.recipe, shown))
        self.note("status: ok")
        self.receipt("ok", chosen, samples, runs, duration)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--sgfilter", required=True, help="the command that starts sgfilter")
    parser.add_argument("--input-folder", required=True)
    parser.add_argument("--recording", required=True, help="relative to the input folder")
    parser.add_argument("--output", required=True)
    parser.add_argument("--sidecar", help="the BIDS sidecar to write beside the output")
    parser.add_argument("--receipt", required=True)
    parser.add_argument("--log", required=True)
    parser.add_argument("--recipe", required=True, help="JSON")
    parser.add_argument("--version", required=True, help="JSON: sgfilter's version, as the workflow planned it")
    Job(parser.parse_args()).run()


if __name__ == "__main__":
    main()

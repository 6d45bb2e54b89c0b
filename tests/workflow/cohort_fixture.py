"""The recordings the workflow tests run on, made with make-sample, and the programs around them.

The cohort: EDF, CSV and BDF recordings in nested folders, one without the pressure channel the
recipe asks for, one cut short, and files that are not recordings. The expected outputs are
made by plain `sgfilter filter` runs, written out here rather than by the workflow's own code.
"""
import json
import os
import shlex
import shutil
import signal
import subprocess

SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SNAKEFILE = os.path.join(SOURCE, "workflow", "Snakefile")
PROFILE = os.path.join(SOURCE, "workflow", "profiles", "slurm")

SMOOTH = ["--order", "3", "--width", "25"]
DERIVATIVE = ["--derivative", "1", "--order", "3", "--width", "25"]
CHAIN = SMOOTH + ["--then"] + DERIVATIVE

# recording -> the plain sgfilter stage options that filter it as the recipe says, or the status
# the summary must give it.
OK = {
    "ward-a/patient1/night1.edf": ["--channel", "1"] + CHAIN,
    "ward-a/patient2/night1.csv": ["--channel", "1"] + CHAIN,
    "ward-b/patient3/session.bdf": ["--channel", "1"] + CHAIN + ["--then", "--channel", "3"] + CHAIN,
}
SKIPPED = "ward-b/patient4/ecg.csv"
CUT = "ward-b/patient5/cut.edf"
FILTERED_LABELS = {
    "ward-a/patient1/night1.edf": "pressure",
    "ward-a/patient2/night1.csv": "pressure",
    "ward-b/patient3/session.bdf": "pressure1,pressure2",
}
# Steep enough per GB that the tiny recordings' requests differ with their sizes.
JOB_RESOURCES = {"mem_mb": 100, "mem_mb_per_gb": 1000000, "runtime_min": 5, "runtime_min_per_gb": 100000}
NOT_RECORDINGS = ["ward-a/notes.txt", "ward-a/patient1/night1.dat", "ward-a/.unfinished.edf"]


class Programs:
    def __init__(self, build):
        self.build = os.path.abspath(build)
        with open(os.path.join(self.build, "run32")) as file:
            self.prefix = shlex.split(file.read())
        self.sgfilter = self.prefix + [os.path.join(self.build, "sgfilter")]

    def run(self, program, *arguments):
        return subprocess.run(self.prefix + [os.path.join(self.build, program)] + list(arguments),
                              capture_output=True, text=True, timeout=120, check=True)

    def make_sample(self, path, *options):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        self.run("make-sample", "-o", path, "--duration", "4", *options)

    def filter(self, source, output, stage_options):
        self.run("sgfilter", "filter", source, "-o", output, *stage_options)

    def samples_of(self, recording):
        """Per channel, from `sgfilter info --json` (EDF, BDF) or the CSV's rows."""
        info = json.loads(self.run("sgfilter", "info", "--json", recording).stdout)
        if info["format"] != "csv":
            return [channel["samples"] for channel in info["channels"]]
        with open(recording) as file:
            rows = sum(1 for line in file if line.strip()) - 1
        return [rows] * len(info["channels"])


def make_cohort(programs, folder):
    programs.make_sample(os.path.join(folder, "ward-a/patient1/night1.edf"), "--format", "edf")
    programs.make_sample(os.path.join(folder, "ward-a/patient2/night1.csv"), "--seed", "2")
    programs.make_sample(os.path.join(folder, "ward-b/patient3/session.bdf"), "--format", "bdf", "--channels", "3")
    # Only the ECG column of a sample: nothing for a pressure recipe to filter.
    ecg = os.path.join(folder, SKIPPED)
    programs.make_sample(ecg, "--seed", "3")
    with open(ecg) as file:
        rows = [line.rstrip("\n").split(",") for line in file]
    with open(ecg, "w") as file:
        file.writelines(",".join([row[0]] + row[2:]) + "\n" if len(row) > 1 else "\n" for row in rows)
    cut = os.path.join(folder, CUT)
    programs.make_sample(cut, "--format", "edf", "--seed", "4")
    os.truncate(cut, os.path.getsize(cut) - 1000)
    for path in NOT_RECORDINGS:
        with open(os.path.join(folder, path), "w") as file:
            file.write("not a recording\n")


def make_bids_dataset(cohort, folder):
    """The cohort as BIDS: EEG recordings named by subject, session, task and run, a raw sidecar,
    and files that BIDS does not count as raw data."""
    copies = [
        ("ward-a/patient1/night1.edf", "sub-01/ses-1/eeg/sub-01_ses-1_task-rest_eeg.edf"),
        ("ward-b/patient3/session.bdf", "sub-02/eeg/sub-02_task-rest_run-1_eeg.bdf"),
        (SKIPPED, "sub-03/eeg/sub-03_task-rest_eeg.csv"),
        (CUT, "sub-04/eeg/sub-04_task-rest_eeg.edf"),
        # Not raw data: outside the subjects' folders, or not named the BIDS way.
        ("ward-a/patient1/night1.edf", "sourcedata/sub-05_task-rest_eeg.edf"),
        ("ward-a/patient1/night1.edf", "derivatives/older/sub-01/ses-1/eeg/sub-01_ses-1_task-rest_desc-old_eeg.edf"),
        ("ward-a/patient1/night1.edf", "sub-01/ses-1/eeg/scratch.edf"),
    ]
    for source, target in copies:
        os.makedirs(os.path.dirname(os.path.join(folder, target)), exist_ok=True)
        shutil.copyfile(os.path.join(cohort, source), os.path.join(folder, target))
    with open(os.path.join(folder, "dataset_description.json"), "w") as file:
        json.dump({"Name": "Pressure cohort", "BIDSVersion": "1.9.0"}, file)
    with open(os.path.join(folder, "sub-01/ses-1/eeg/sub-01_ses-1_task-rest_eeg.json"), "w") as file:
        json.dump({"TaskName": "rest", "SamplingFrequency": 1000, "PowerLineFrequency": 50}, file)
    return {
        "sub-01/ses-1/eeg/sub-01_ses-1_task-rest_eeg.edf": "ward-a/patient1/night1.edf",
        "sub-02/eeg/sub-02_task-rest_run-1_eeg.bdf": "ward-b/patient3/session.bdf",
    }


def write_config(folder):
    """The recipe: pressure channels by pattern, a smoothing, then a derivative from a settings file."""
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "derivative.json"), "w") as file:
        json.dump({"derivative": 1, "order": 3, "width": 25}, file)
    config = os.path.join(folder, "config.json")
    with open(config, "w") as file:
        json.dump({
            "channels": {"pattern": "pressure[0-9]*"},
            "stages": [{"order": 3, "width": 25}, {"settings": "derivative.json"}],
            "format": "edf",
            "job_resources": JOB_RESOURCES,
        }, file)
    return config


def snakemake_command(programs, config, recordings, results, *options):
    return ["snakemake", "-s", SNAKEFILE, "--configfile", config, "--directory", results,
            "--config", "input=" + recordings, "output=" + results, "sgfilter=" + shlex.join(programs.sgfilter),
            "--keep-going", "--rerun-incomplete", *options]


def run_bounded(command, seconds, **options):
    """Runs command in a session of its own, killed with all its children if it outlasts seconds."""
    process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                               start_new_session=True, **options)
    try:
        out, err = process.communicate(timeout=seconds)
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        out, err = process.communicate()
        raise AssertionError("{} did not finish within {} s:\n{}\n{}".format(command[0], seconds, out, err))
    return subprocess.CompletedProcess(command, process.returncode, out, err)


def read_summary(results):
    with open(os.path.join(results, "summary.tsv")) as file:
        lines = [line.rstrip("\n").split("\t") for line in file]
    return lines[0], {row[0]: dict(zip(lines[0], row)) for row in lines[1:]}


def files_under(folder, leave_out=(".snakemake", "logs", "summary.tsv")):
    """Every file below folder (relative path -> bytes), Snakemake's records and the logs left out."""
    found = {}
    for top, folders, names in os.walk(folder):
        relative = os.path.relpath(top, folder)
        folders[:] = [name for name in folders if not (relative == "." and name in leave_out)]
        for name in names:
            if relative == "." and name in leave_out:
                continue
            path = os.path.normpath(os.path.join(relative, name))
            with open(os.path.join(top, name), "rb") as file:
                found[path] = file.read()
    return found


def snapshot(paths):
    """Each file's modification time and bytes, to tell a file left alone from one written again."""
    taken = {}
    for path in paths:
        with open(path, "rb") as file:
            taken[path] = (os.stat(path).st_mtime_ns, file.read())
    return taken

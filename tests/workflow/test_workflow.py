"""The cohort workflow end to end: Snakemake over a cohort made with make-sample, on local cores,
as a BIDS dataset, stopped and resumed, and on a one-node SLURM cluster started here.

    test_workflow.py BUILD_FOLDER [unittest options]
"""
import hashlib
import json
import os
import re
import shlex
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import cohort_fixture as fixture  # noqa: E402

BUILD = None
SUMMARY_COLUMNS = ["recording", "channels_filtered", "samples", "runs", "duration_s", "wall_time_s", "status"]
BIDS_ENTITY_ORDER = ["sub", "ses", "task", "acq", "run", "desc"]


class Cohort(unittest.TestCase):
    """One cohort, its expected outputs from plain sgfilter runs, and one local run on 2 cores."""

    @classmethod
    def setUpClass(cls):
        cls.programs = fixture.Programs(BUILD)
        cls.folder = tempfile.mkdtemp(prefix="sgfilter-cohort-")
        cls.recordings = os.path.join(cls.folder, "recordings")
        fixture.make_cohort(cls.programs, cls.recordings)
        cls.config = fixture.write_config(os.path.join(cls.folder, "config"))
        cls.expected = {}
        for recording, options in fixture.OK.items():
            output = os.path.join(cls.folder, "expected", os.path.splitext(recording)[0] + ".edf")
            os.makedirs(os.path.dirname(output), exist_ok=True)
            cls.programs.filter(os.path.join(cls.recordings, recording), output, options)
            with open(output, "rb") as file:
                cls.expected[os.path.splitext(recording)[0] + ".edf"] = file.read()
        cls.results = os.path.join(cls.folder, "local")
        cls.local = cls.run_workflow(cls.recordings, cls.results, "--cores", "2")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.folder)

    @classmethod
    def run_workflow(cls, recordings, results, *options, seconds=180):
        return fixture.run_bounded(fixture.snakemake_command(cls.programs, cls.config, recordings, results, *options),
                                   seconds)

    def assert_outputs_expected(self, results):
        self.assertEqual(fixture.files_under(results), self.expected)

    def test_summary_says_ok_skipped_and_failed_and_the_run_fails_naming_the_cut_file(self):
        self.assertNotEqual(self.local.returncode, 0)
        self.assertRegex(self.local.stderr, r"1 of 5 recordings did not finish.*\n  {}: failed: sgfilter: .*{}.*cut "
                                            r"short".format(re.escape(fixture.CUT), re.escape(fixture.CUT)))
        header, rows = fixture.read_summary(self.results)
        self.assertEqual(header, SUMMARY_COLUMNS)
        self.assertEqual(sorted(rows), sorted(list(fixture.OK) + [fixture.SKIPPED, fixture.CUT]))
        for recording in fixture.OK:
            row = rows[recording]
            self.assertEqual(row["status"], "ok")
            self.assertEqual(row["channels_filtered"], fixture.FILTERED_LABELS[recording])
            samples = self.programs.samples_of(os.path.join(self.recordings, recording))
            filtered = [1, 3] if recording.endswith(".bdf") else [1]
            self.assertEqual(int(row["samples"]), sum(samples[number - 1] for number in filtered))
            self.assertEqual(row["runs"], "2")  # make-sample's recordings have one gap
            self.assertAlmostEqual(float(row["duration_s"]), samples[0] / 1000, places=3)
            self.assertGreater(float(row["wall_time_s"]), 0)
        self.assertEqual(rows[fixture.SKIPPED]["status"], "skipped: no channel matches pattern pressure[0-9]*")
        self.assertRegex(rows[fixture.CUT]["status"], r"^failed: sgfilter: .*cut\.edf.*cut short")

    def test_every_ok_output_is_the_plain_sgfilter_run_byte_for_byte(self):
        self.assert_outputs_expected(self.results)

    def test_each_log_holds_the_command_version_and_the_inputs_size_and_checksum(self):
        version = re.search(r"0x[0-9A-F]{8}", self.programs.run("sgfilter", "info").stdout).group(0)
        for recording in list(fixture.OK) + [fixture.CUT]:
            source = os.path.join(self.recordings, recording)
            with open(os.path.join(self.results, "logs", recording + ".log")) as file:
                log = file.read()
            with open(source, "rb") as file:
                digest = hashlib.sha256(file.read()).hexdigest()
            self.assertIn("input: {}, {} bytes, sha256 {}".format(source, os.path.getsize(source), digest), log)
            self.assertRegex(log, r"sgfilter: .*\({} build [0-9a-f]{{12}}".format(version))
            if recording in fixture.OK:
                self.assertRegex(log, r"command: .*sgfilter filter {} -o {} --verbose ".format(
                    re.escape(source), re.escape(os.path.join(self.results, os.path.splitext(recording)[0] + ".edf"))))

    def test_one_core_gives_the_same_outputs_and_a_rerun_retries_only_the_failed_recording(self):
        results = os.path.join(self.folder, "one-core")
        first = self.run_workflow(self.recordings, results, "--cores", "1")
        self.assertNotEqual(first.returncode, 0)
        self.assert_outputs_expected(results)
        receipts = os.path.join(results, "logs", fixture.SKIPPED + ".json")
        before = os.stat(receipts).st_mtime_ns
        # The failed recording is tried again (and fails again); the done ones are left alone.
        again = self.run_workflow(self.recordings, results, "--cores", "1")
        self.assertIn("1 of 5 recordings did not finish", again.stderr)
        self.assertIn("Missing output files: {}".format(os.path.join(results, "logs", fixture.CUT + ".json")),
                      again.stdout + again.stderr)
        self.assertEqual(os.stat(receipts).st_mtime_ns, before)

    def test_a_bids_dataset_gives_a_valid_derivatives_dataset(self):
        dataset = os.path.join(self.folder, "bids")
        sources = fixture.make_bids_dataset(self.recordings, dataset)
        run = self.run_workflow(dataset, dataset, "--cores", "2")
        self.assertNotEqual(run.returncode, 0)
        self.assertIn("sub-04/eeg/sub-04_task-rest_eeg.edf: failed: sgfilter:", run.stderr)
        derivatives = os.path.join(dataset, "derivatives", "sgfilter")
        _, rows = fixture.read_summary(derivatives)
        self.assertEqual({row: rows[row]["status"].split(":")[0] for row in rows}, {
            "sub-01/ses-1/eeg/sub-01_ses-1_task-rest_eeg.edf": "ok",
            "sub-02/eeg/sub-02_task-rest_run-1_eeg.bdf": "ok",
            "sub-03/eeg/sub-03_task-rest_eeg.csv": "skipped",
            "sub-04/eeg/sub-04_task-rest_eeg.edf": "failed"})

        with open(os.path.join(derivatives, "dataset_description.json")) as file:
            description = json.load(file)
        self.assertEqual(description["DatasetType"], "derivative")
        self.assertRegex(description["BIDSVersion"], r"^1\.\d+\.\d+$")
        self.assertTrue(description["Name"])
        generated = description["GeneratedBy"][0]
        self.assertEqual(generated["Name"], "sgfilter")
        self.assertRegex(generated["Version"], r"^0x[0-9A-F]{8} build [0-9a-f]{12}$")
        self.assertIn('"pattern": "pressure[0-9]*"', generated["Description"])
        self.assertIn('"derivative": 1', generated["Description"])
        raw = os.path.normpath(os.path.join(derivatives, description["DatasetLinks"]["raw"]))
        self.assertEqual(raw, dataset)

        with open(os.path.join(derivatives, ".bidsignore")) as file:
            ignored = file.read().split()
        files = [path for path in fixture.files_under(derivatives, leave_out=[".snakemake"] + [
            entry.rstrip("/") for entry in ignored]) if path not in ("dataset_description.json", ".bidsignore")]
        data = sorted(path for path in files if not path.endswith(".json"))
        self.assertEqual(data, ["sub-01/ses-1/eeg/sub-01_ses-1_task-rest_desc-sgfilter_eeg.edf",
                                "sub-02/eeg/sub-02_task-rest_run-1_desc-sgfilter_eeg.edf"])
        self.assertEqual(sorted(files), sorted(data + [os.path.splitext(path)[0] + ".json" for path in data]))
        for path in data:
            self.assert_bids_name(path)
            with open(os.path.join(derivatives, os.path.splitext(path)[0] + ".json")) as file:
                sidecar = json.load(file)
            (source,) = sidecar["Sources"]
            self.assertTrue(source.startswith("bids:raw:"))
            raw_file = source[len("bids:raw:"):]
            self.assertTrue(os.path.isfile(os.path.join(raw, raw_file)))
            self.assertEqual(sidecar["FilteredChannels"][0]["Label"], fixture.FILTERED_LABELS[sources[raw_file]].split(",")[0])
            self.assertEqual(sidecar["FilterStages"][1]["settings"]["contents"]["derivative"], 1)
            with open(os.path.join(derivatives, path), "rb") as file:
                self.assertEqual(file.read(), self.expected[os.path.splitext(sources[raw_file])[0] + ".edf"])
        with open(os.path.join(derivatives, "sub-01/ses-1/eeg/sub-01_ses-1_task-rest_desc-sgfilter_eeg.json")) as file:
            self.assertEqual(json.load(file)["SamplingFrequency"], 1000)  # the raw sidecar's, carried over

    def assert_bids_name(self, path):
        parts = path.split("/")
        name = parts[-1]
        match = re.fullmatch(r"((?:[a-z]+-[a-zA-Z0-9]+_)+)([a-z]+)\.(edf|bdf|csv)", name)
        self.assertIsNotNone(match, path)
        entities = [pair.split("-") for pair in match.group(1).rstrip("_").split("_")]
        keys = [key for key, _ in entities]
        self.assertEqual(keys, sorted(keys, key=BIDS_ENTITY_ORDER.index), path)
        self.assertEqual(len(keys), len(set(keys)), path)
        values = dict(entities)
        self.assertEqual(parts[0], "sub-" + values["sub"], path)
        if "ses" in values:
            self.assertEqual(parts[1], "ses-" + values["ses"], path)
        self.assertEqual(parts[-2], match.group(2), path)  # the datatype folder: eeg for _eeg
        self.assertEqual(values["desc"], "sgfilter")

    def test_stopped_with_ctrl_c_it_redoes_only_what_had_not_finished(self):
        recordings = os.path.join(self.folder, "resumable")
        night = os.path.join(self.recordings, "ward-a/patient1/night1.edf")
        finished = ["a/one.edf", "a/two.edf", "b/three.edf", "b/four.edf"]
        for path in finished:
            os.makedirs(os.path.dirname(os.path.join(recordings, path)), exist_ok=True)
            shutil.copyfile(night, os.path.join(recordings, path))
        # A recording nobody writes to: reading it waits, so its job is running when the run stops.
        blocked = os.path.join(recordings, "c/blocked.edf")
        os.makedirs(os.path.dirname(blocked))
        os.mkfifo(blocked)
        results = os.path.join(self.folder, "resumed")
        command = fixture.snakemake_command(self.programs, self.config, recordings, results, "--cores", "2")
        run = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        receipts = [os.path.join(results, "logs", path + ".json") for path in finished]
        try:
            deadline = time.monotonic() + 120
            while not all(os.path.exists(path) for path in receipts):
                self.assertIsNone(run.poll(), "the run ended before it was stopped")
                self.assertLess(time.monotonic(), deadline, "the other recordings did not finish in 120 s")
                time.sleep(0.1)
            time.sleep(1)  # Snakemake records each finished job as it ends
            os.killpg(run.pid, signal.SIGINT)  # what Ctrl-C sends the terminal's foreground group
            self.assertNotEqual(run.wait(timeout=60), 0)
        finally:
            if run.poll() is None:
                os.killpg(run.pid, signal.SIGKILL)
                run.wait()
        self.assertFalse(os.path.exists(os.path.join(results, "logs/c/blocked.edf.json")))
        self.assertFalse(os.path.exists(os.path.join(results, "c/blocked.edf")))
        outputs = [os.path.join(results, path) for path in finished] + receipts
        before = fixture.snapshot(outputs)

        os.remove(blocked)
        shutil.copyfile(night, blocked)
        resumed = self.run_workflow(recordings, results, "--cores", "2")
        self.assertEqual(resumed.returncode, 0, resumed.stderr)
        self.assertEqual(fixture.snapshot(outputs), before)
        expected = self.expected["ward-a/patient1/night1.edf"]
        self.assertEqual(fixture.files_under(results), {path: expected for path in finished + ["c/blocked.edf"]})
        _, rows = fixture.read_summary(results)
        self.assertEqual({row["status"] for row in rows.values()}, {"ok"})
        self.assertEqual(len(rows), 5)

    def test_through_the_slurm_profile_on_a_real_cluster_the_outputs_are_the_local_runs(self):
        if os.geteuid() != 0:
            self.skipTest("starting slurmd needs root, and this test runs as user {}".format(os.geteuid()))
        cluster = os.path.join(self.folder, "cluster")
        results = os.path.join(self.folder, "slurm")
        os.makedirs(results)
        jobs = os.path.join(self.folder, "slurm-jobs.txt")
        workflow = shlex.join(fixture.snakemake_command(self.programs, self.config, self.recordings, results,
                                                        "--profile", fixture.PROFILE))
        # The cluster keeps finished jobs for a while: what each asked for is read before it stops.
        command = ["unshare", "--net", "--pid", "--fork", "--kill-child", "--mount-proc", sys.executable,
                   os.path.join(os.path.dirname(os.path.abspath(__file__)), "slurm_run.py"), cluster, "--",
                   "sh", "-c", '{}; status=$?; scontrol show job > {}; exit $status'.format(workflow, shlex.quote(jobs))]
        run = fixture.run_bounded(command, 300)
        if run.returncode == 75 or "unshare: " in run.stderr:
            self.skipTest("no SLURM cluster on this machine: " + run.stderr.strip()[-500:])
        self.assertNotEqual(run.returncode, 0)
        self.assertRegex(run.stdout + run.stderr, r"Job \d+ has been submitted with SLURM jobid \d+")
        self.assertIn("  {}: failed: sgfilter:".format(fixture.CUT), run.stderr)
        self.assertEqual(fixture.files_under(results), fixture.files_under(self.results))
        _, slurm_rows = fixture.read_summary(results)
        _, local_rows = fixture.read_summary(self.results)
        self.assertEqual({k: dict(v, wall_time_s=None) for k, v in slurm_rows.items()},
                         {k: dict(v, wall_time_s=None) for k, v in local_rows.items()})
        # One job per recording, each asking for the memory and time its size calls for.
        with open(jobs) as file:
            shown = file.read()
        asked = sorted(zip((int(m) for m in re.findall(r"MinMemoryNode=(\d+)M", shown)),
                           re.findall(r"TimeLimit=(\S+)", shown)))
        expected = []
        for recording in list(fixture.OK) + [fixture.SKIPPED, fixture.CUT]:
            megabytes = os.path.getsize(os.path.join(self.recordings, recording)) / 1024 / 1024
            resources = fixture.JOB_RESOURCES
            minutes = int(resources["runtime_min"] + resources["runtime_min_per_gb"] * megabytes / 1024)
            expected.append((int(resources["mem_mb"] + resources["mem_mb_per_gb"] * megabytes / 1024),
                             "00:{:02}:00".format(minutes)))
        self.assertEqual(asked, sorted(expected))


if __name__ == "__main__":
    BUILD = sys.argv.pop(1)
    unittest.main()

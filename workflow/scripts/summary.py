"""The cohort's summary table, from each recording's receipt or, where a job failed, its log.

Written when the run ends, whether it succeeded or not, so a failed recording appears with
sgfilter's own message beside the others."""
import json
import os

COLUMNS = ("recording", "channels_filtered", "samples", "runs", "duration_s", "wall_time_s", "status")
NOT_FINISHED = "not finished"


def status_in_log(log):
    """The status line a job wrote last in its log, if it got that far."""
    try:
        with open(log) as file:
            lines = [line.rstrip("\n") for line in file if line.startswith("status: ")]
    except FileNotFoundError:
        return None
    return lines[-1][len("status: "):] if lines else None


def _cell(value):
    if value is None or value == "" or value == []:
        return "n/a"
    if isinstance(value, list):
        value = ",".join(value)
    elif isinstance(value, float):
        value = "{:.3f}".format(value)
    return str(value).replace("\t", " ").replace("\n", " ")


def rows_of(entries):
    """entries: (recording, receipt path, log path) for every recording of the cohort."""
    rows = []
    for recording, receipt, log in entries:
        try:
            with open(receipt) as file:
                done = json.load(file)
            rows.append([recording, done["channels"], done["samples"], done["runs"], done["duration"],
                         done["wall_time"], done["status"]])
        except FileNotFoundError:
            status = status_in_log(log)
            if status is None or not status.startswith("failed: "):
                status = NOT_FINISHED
            rows.append([recording, None, None, None, None, None, status])
    return rows


def write_summary(path, entries):
    """Writes the table; returns its rows that did not end ok or skipped."""
    rows = rows_of(entries)
    os.makedirs(os.path.dirname(path) or ".", exist_ok=True)
    temporary = path + ".partial"
    with open(temporary, "w") as file:
        file.write("\t".join(COLUMNS) + "\n")
        for row in rows:
            file.write("\t".join(_cell(value) for value in row) + "\n")
    os.replace(temporary, path)
    return [row for row in rows if not (row[-1] == "ok" or row[-1].startswith("skipped"))]

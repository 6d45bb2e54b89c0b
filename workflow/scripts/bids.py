"""The BIDS derivatives dataset's own files: its dataset_description.json and each output's sidecar.

Both hold only what the inputs and the recipe decide (no dates, no host names, no output folder),
so the same cohort gives the same bytes wherever it runs.
"""
import json
import os

BIDS_VERSION = "1.9.0"
# The bookkeeping of the run, which is not part of the derivatives themselves.
IGNORED = ("logs/", "summary.tsv")


def raw_link(input_folder, results_folder):
    """Where the raw dataset lies as seen from the derivatives: a relative path when the results
    are inside it (its own derivatives/ folder), else its absolute location."""
    input_folder = os.path.abspath(input_folder)
    results_folder = os.path.abspath(results_folder)
    if os.path.commonpath([input_folder, results_folder]) == input_folder:
        return os.path.relpath(input_folder, results_folder) + "/"
    return "file://" + input_folder + "/"


def recipe_text(recipe):
    return json.dumps(recipe_for_readers(recipe), sort_keys=True)


def recipe_for_readers(recipe):
    """The recipe without the settings files' locations on this machine: their names and contents."""
    stages = []
    for stage in recipe["stages"]:
        shown = {key: value for key, value in stage.items() if key != "settings"}
        if "settings" in stage:
            shown["settings"] = {"file": os.path.basename(stage["settings"]["file"]),
                                 "contents": stage["settings"]["contents"]}
        stages.append(shown)
    return dict(recipe, stages=stages)


def dataset_description(raw_description, recipe, version, link):
    return {
        "Name": "{} (Savitzky-Golay filtered)".format(raw_description.get("Name", "BIDS dataset")),
        "BIDSVersion": BIDS_VERSION,
        "DatasetType": "derivative",
        "GeneratedBy": [{
            "Name": version["name"],
            "Version": version["version"],
            "Description": "Savitzky-Golay filtering of each recording by the cohort workflow; recipe: "
                           + recipe_text(recipe),
        }],
        "DatasetLinks": {"raw": link},
        "SourceDatasets": [{"URL": link}],
    }


def sidecar(raw_sidecar, recording, channels, recipe, arguments):
    """An output's sidecar: the raw recording's own metadata where it has a sidecar, and what was
    filtered and how."""
    contents = dict(raw_sidecar)
    contents.update({
        "Description": "Savitzky-Golay filtered by sgfilter: channels {}".format(
            ", ".join(channel["label"] for channel in channels)),
        "Sources": ["bids:raw:" + recording],
        "FilteredChannels": [
            {"Number": channel["number"], "Label": channel["label"], "Units": channel["units"]}
            for channel in channels
        ],
        "FilterStages": recipe_for_readers(recipe)["stages"],
        "KeepSources": recipe["keep_sources"],
        "SgfilterArguments": arguments,
    })
    return contents


def write_json(path, contents):
    """Written under a temporary name and renamed, so a half-written file never stands there."""
    os.makedirs(os.path.dirname(path) or ".", exist_ok=True)
    temporary = path + ".partial"
    with open(temporary, "w") as file:
        json.dump(contents, file, indent=2, sort_keys=True)
        file.write("\n")
    os.replace(temporary, path)

"""The recipe of a cohort run: which channels of each recording, and the stages sgfilter filters
them through. Checked once when the workflow is planned, so a mistyped key stops the run before
any job rather than failing every recording alike."""
import json
import os
import re

# A stage's keys and the sgfilter options they become; "settings" names a settings file.
STAGE_OPTIONS = {"derivative": "--derivative", "order": "--order", "width": "--width", "range-index": "--range-index"}


class RecipeError(ValueError):
    pass


def _integers(values, what):
    if not isinstance(values, list) or not all(isinstance(v, int) and not isinstance(v, bool) for v in values):
        raise RecipeError("{} must be a list of whole numbers".format(what))
    return values


def _strings(values, what):
    if not isinstance(values, list) or not all(isinstance(v, str) for v in values):
        raise RecipeError("{} must be a list of labels".format(what))
    return values


def _stage(stage, index, settings_folder):
    if not isinstance(stage, dict):
        raise RecipeError("stage {} must be a mapping of settings".format(index + 1))
    unknown = sorted(set(stage) - set(STAGE_OPTIONS) - {"settings", "computed"})
    if unknown:
        raise RecipeError("stage {}: unknown setting {} (known: {})".format(
            index + 1, ", ".join(unknown), ", ".join(sorted(STAGE_OPTIONS) + ["computed", "settings"])))
    checked = {}
    for key in STAGE_OPTIONS:
        if key in stage:
            if not isinstance(stage[key], int) or isinstance(stage[key], bool):
                raise RecipeError("stage {}: {} must be a whole number".format(index + 1, key))
            checked[key] = stage[key]
    if "computed" in stage:
        if not isinstance(stage["computed"], bool):
            raise RecipeError("stage {}: computed must be true or false".format(index + 1))
        if stage["computed"] and index == 0:
            raise RecipeError("stage 1 reads the recorded channel: there is no earlier stage to compute from")
        checked["computed"] = stage["computed"]
    if "settings" in stage:
        path = os.path.join(settings_folder, stage["settings"])
        try:
            with open(path) as file:
                contents = json.load(file)
        except (OSError, ValueError) as error:
            raise RecipeError("stage {}: settings file {}: {}".format(index + 1, path, error))
        # The workflow names each stage's channel, but has no option that turns a file's
        # "computed" off again.
        if contents.get("computed") is True and (index == 0 or stage.get("computed") is False):
            raise RecipeError("stage {}: settings file {} reads computed values, but the stage reads the "
                              "recorded channel".format(index + 1, path))
        checked["settings"] = {"file": os.path.abspath(path), "contents": contents}
    return checked


def recipe_of(config, settings_folder):
    """The recipe from the workflow's configuration, in the plain form the jobs take (JSON)."""
    channels = config.get("channels") or {}
    unknown = sorted(set(channels) - {"labels", "pattern", "numbers"})
    if unknown:
        raise RecipeError("channels: unknown key {} (known: labels, pattern, numbers)".format(", ".join(unknown)))
    pattern = channels.get("pattern")
    if pattern is not None:
        try:
            re.compile(pattern)
        except re.error as error:
            raise RecipeError("channels: pattern {!r}: {}".format(pattern, error))
    labels = _strings(channels.get("labels", []), "channels: labels")
    numbers = _integers(channels.get("numbers", []), "channels: numbers")
    if not labels and not numbers and pattern is None:
        raise RecipeError("channels: give labels, a pattern or numbers")
    stages = config.get("stages")
    if not isinstance(stages, list) or not stages:
        raise RecipeError("stages: give at least one stage")
    output_format = config.get("format", "edf")
    if output_format not in ("edf", "bdf", "csv"):
        raise RecipeError("format must be edf, bdf or csv, not {!r}".format(output_format))
    keep_sources = config.get("keep_sources", False)
    if not isinstance(keep_sources, bool):
        raise RecipeError("keep_sources must be true or false")
    return {
        "channels": {"labels": labels, "pattern": pattern, "numbers": numbers},
        "stages": [_stage(stage, index, settings_folder) for index, stage in enumerate(stages)],
        "format": output_format,
        "keep_sources": keep_sources,
    }


def selected_channels(recipe, channels):
    """The channels of a recording (as `sgfilter info --json` lists them) that the recipe names, in
    the recording's order: by number, by label, or by a pattern the whole label matches."""
    wanted = recipe["channels"]
    pattern = re.compile(wanted["pattern"]) if wanted["pattern"] is not None else None
    return [
        channel for channel in channels
        if channel["number"] in wanted["numbers"]
        or channel["label"] in wanted["labels"]
        or (pattern is not None and pattern.fullmatch(channel["label"]))
    ]


def describe_selection(recipe):
    wanted = recipe["channels"]
    parts = []
    if wanted["labels"]:
        parts.append("labels " + ", ".join(wanted["labels"]))
    if wanted["pattern"] is not None:
        parts.append("pattern " + wanted["pattern"])
    if wanted["numbers"]:
        parts.append("numbers " + ", ".join(str(n) for n in wanted["numbers"]))
    return "; ".join(parts)


def filter_arguments(recipe, channels, channel_count):
    """sgfilter filter's stage options: the recipe's stages over each channel in turn. Stage k of
    the whole command writes channel channel_count + k, which is how a later stage names the
    earlier output it reads; every stage names its source, so a settings file's own channel never
    decides it."""
    arguments = []
    stage_number = 0
    for channel in channels:
        for index, stage in enumerate(recipe["stages"]):
            if arguments:
                arguments.append("--then")
            if "settings" in stage:
                arguments += ["--settings", stage["settings"]["file"]]
            if index == 0 or stage.get("computed") is False:
                arguments += ["--channel", str(channel["number"])]
            else:
                arguments += ["--channel", str(channel_count + stage_number), "--computed"]
            for key, option in STAGE_OPTIONS.items():
                if key in stage:
                    arguments += [option, str(stage[key])]
            stage_number += 1
    if recipe["keep_sources"]:
        arguments.append("--keep-sources")
    return arguments

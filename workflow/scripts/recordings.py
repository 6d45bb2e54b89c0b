"""Which files of a folder are recordings, and where each one's output goes.

The extensions sgfilter reads are listed here and nowhere else, so a format sgfilter learns is
one line. A WFDB record or a BrainVision recording is named by its header; the files beside it
(samples, annotations, markers) belong to it and are never recordings of their own.
"""
import functools
import os
import re

RECORDING_EXTENSIONS = (".csv", ".edf", ".bdf", ".hea", ".vhdr")
COMPANION_EXTENSIONS = {".hea": (".dat", ".atr"), ".vhdr": (".eeg", ".vmrk")}
OUTPUT_FORMATS = ("edf", "bdf", "csv")

# Folders of a BIDS dataset that hold no raw data of its own.
BIDS_NON_RAW = {"derivatives", "sourcedata", "code", "stimuli"}
BIDS_DATA_FILE = re.compile(
    r"^sub-(?P<sub>[a-zA-Z0-9]+)/(?:ses-(?P<ses>[a-zA-Z0-9]+)/)?(?P<datatype>[a-z]+)/"
    r"sub-(?P=sub)(?(ses)_ses-(?P=ses))(?P<entities>(?:_[a-zA-Z0-9]+-[a-zA-Z0-9]+)*)"
    r"_(?P<suffix>[a-zA-Z0-9]+)(?P<extension>\.[a-zA-Z0-9]+)$"
)


def extension_of(name):
    return os.path.splitext(name)[1].lower()


def is_bids_dataset(folder):
    return os.path.isfile(os.path.join(folder, "dataset_description.json"))


def _walk(folder, skip_top=(), results=None):
    """Relative paths of every recording under folder, sorted, hidden files and folders left out,
    and the results folder where it lies inside (its outputs are no recordings of the cohort)."""
    found = []
    for top, folders, files in os.walk(folder):
        relative_top = os.path.relpath(top, folder)
        folders[:] = sorted(
            name for name in folders
            if not name.startswith(".") and not (relative_top == "." and name in skip_top)
            and os.path.join(os.path.abspath(top), name) != results
        )
        for name in files:
            if not name.startswith(".") and extension_of(name) in RECORDING_EXTENSIONS:
                found.append(os.path.normpath(os.path.join(relative_top, name)))
    return sorted(found)


def find_recordings(folder, results=None):
    """The recordings under folder: (is_bids, relative paths). In a BIDS dataset only the data
    files named as BIDS names them count; anything else there (notes, stray exports) is not raw data."""
    results = os.path.abspath(results) if results else None
    if not is_bids_dataset(folder):
        return False, _walk(folder, results=results)
    named = [path for path in _walk(folder, skip_top=BIDS_NON_RAW, results=results) if BIDS_DATA_FILE.match(path)]
    return True, named


def companions_of(folder, recording):
    """The files that belong to a recording (a WFDB record's samples, say), those that exist."""
    stem, extension = os.path.splitext(recording)
    return [
        stem + companion
        for companion in COMPANION_EXTENSIONS.get(extension.lower(), ())
        if os.path.exists(os.path.join(folder, stem + companion))
    ]


@functools.lru_cache(maxsize=4096)
def _recording_stems(folder):
    """How many recordings of each stem lie in folder (read once per folder)."""
    counts = {}
    try:
        names = os.listdir(folder)
    except FileNotFoundError:
        return counts
    for name in names:
        stem, extension = os.path.splitext(name)
        if extension.lower() in RECORDING_EXTENSIONS:
            counts[stem] = counts.get(stem, 0) + 1
    return counts


def output_name(input_folder, recording, is_bids, output_format, desc):
    """The output's path relative to the results folder: the input's tree mirrored, the name in the
    output format's extension. Two recordings of one stem side by side (rec.csv beside rec.edf)
    keep their own extension in the name, so neither overwrites the other. In BIDS the name takes
    the desc entity, the last before the suffix."""
    folder, name = os.path.split(recording)
    stem, extension = os.path.splitext(name)
    if is_bids:
        match = BIDS_DATA_FILE.match(recording)
        entities = re.sub(r"_desc-[a-zA-Z0-9]+", "", match.group("entities"))
        stem = "sub-{}{}{}_desc-{}_{}".format(
            match.group("sub"),
            "_ses-" + match.group("ses") if match.group("ses") else "",
            entities,
            desc,
            match.group("suffix"),
        )
    elif _recording_stems(os.path.join(input_folder, folder)).get(stem, 0) > 1:
        stem = "{}-{}".format(stem, extension.lstrip(".").lower())
    return os.path.join(folder, stem + "." + output_format)

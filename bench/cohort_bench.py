"""The cohort workflow's cost over plain sgfilter runs, and Snakemake's planning time as a cohort grows.

    cohort_bench.py BUILD [RECORDINGS] [PLANNED]

1. RECORDINGS (200) one-hour 2-channel EDF+ recordings (10 made by make-sample, each copied to 20
   files), both channels smoothed and differentiated: every recording filtered by a plain
   `sgfilter filter` run, one after another; then the workflow on 2 cores and on 1 core, in the
   same session. The ideal on N cores is the sum of the plain runs' wall times divided by N; the
   engine's overhead per recording is what the workflow takes beyond that ideal, per recording.
2. Snakemake's dry run (planning only) over empty stand-ins for 1,000 to PLANNED (10,000)
   recordings, 100 to a folder, and the growth exponent between the two largest, to say what
   100,000 would take.
"""
import math
import os
import shlex
import shutil
import subprocess
import sys
import time

SOURCE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SNAKEFILE = os.path.join(SOURCE, "workflow", "Snakefile")
CHAIN = ["--order", "3", "--width", "25", "--then", "--derivative", "1", "--order", "3", "--width", "25"]
STAGES = ["--channel", "1"] + CHAIN + ["--then", "--channel", "2"] + CHAIN
DISTINCT = 10


def processor():
    with open("/proc/cpuinfo") as file:
        for line in file:
            if line.startswith("model name"):
                return line.split(":", 1)[1].strip()
    return "unknown"


def write_config(folder):
    config = os.path.join(folder, "config.json")
    with open(config, "w") as file:
        file.write('{"channels": {"numbers": [1, 2]}, "stages": [{"order": 3, "width": 25}, '
                   '{"derivative": 1, "order": 3, "width": 25}], "format": "edf"}\n')
    return config


def workflow(sgfilter, config, recordings, results, *options):
    command = ["snakemake", "-s", SNAKEFILE, "--configfile", config, "--directory", results,
               "--config", "input=" + recordings, "output=" + results, "sgfilter=" + shlex.join(sgfilter),
               "--keep-going", "--rerun-incomplete", *options]
    started = time.monotonic()
    result = subprocess.run(command, capture_output=True, text=True)
    seconds = time.monotonic() - started
    if result.returncode != 0:
        sys.exit("the workflow failed:\n" + result.stderr[-3000:])
    return seconds


def make_recordings(build, run32, folder, count):
    distinct = os.path.join(folder, "distinct")
    recordings = os.path.join(folder, "recordings-{}".format(count))
    if os.path.isdir(recordings) and len(os.listdir(recordings)) == count:
        return recordings
    os.makedirs(distinct, exist_ok=True)
    for seed in range(1, DISTINCT + 1):
        path = os.path.join(distinct, "seed{}.edf".format(seed))
        if not os.path.exists(path):
            subprocess.run(run32 + [os.path.join(build, "make-sample"), "--format", "edf", "--channels", "2",
                                    "--duration", "3600", "--seed", str(seed), "-o", path], check=True)
    shutil.rmtree(recordings, ignore_errors=True)
    os.makedirs(recordings)
    for index in range(count):
        shutil.copyfile(os.path.join(distinct, "seed{}.edf".format(index % DISTINCT + 1)),
                        os.path.join(recordings, "hour{:03}.edf".format(index)))
    return recordings


def throughput(build, run32, folder, count):
    sgfilter = run32 + [os.path.join(build, "sgfilter")]
    recordings = make_recordings(build, run32, folder, count)
    config = write_config(folder)
    single = os.path.join(folder, "single")
    shutil.rmtree(single, ignore_errors=True)
    os.makedirs(single)
    total = 0.0
    for name in sorted(os.listdir(recordings)):
        started = time.monotonic()
        subprocess.run(sgfilter + ["filter", os.path.join(recordings, name), "-o", os.path.join(single, name)]
                       + STAGES, check=True)
        total += time.monotonic() - started
    timings = {}
    for cores in (2, 1):
        results = os.path.join(folder, "results-{}-cores".format(cores))
        shutil.rmtree(results, ignore_errors=True)
        os.makedirs(results)
        timings[cores] = workflow(sgfilter, config, recordings, results, "--cores", str(cores))
        for name in os.listdir(recordings):
            with open(os.path.join(results, name), "rb") as out, open(os.path.join(single, name), "rb") as plain:
                if out.read() != plain.read():
                    sys.exit("{}: the workflow's output differs from the plain run's".format(name))
    print("{} one-hour 2-channel EDF+ recordings ({:.1f} MB each), both channels smoothed then differentiated"
          .format(count, os.path.getsize(os.path.join(recordings, "hour000.edf")) / 1e6))
    print("  plain sgfilter runs, one after another: {:.1f} s in all, {:.3f} s per recording".format(total, total / count))
    for cores in (2, 1):
        ideal = total / cores
        print("  workflow on {} core{}: {:.1f} s, ideal {:.1f} s: {:.2f} x the ideal; overhead {:.3f} s per recording "
              "({:.3f} core-s)".format(cores, "s" if cores > 1 else "", timings[cores], ideal, timings[cores] / ideal,
                                       (timings[cores] - ideal) / count, (timings[cores] - ideal) * cores / count))


def planning(build, run32, folder, largest):
    sgfilter = run32 + [os.path.join(build, "sgfilter")]
    config = write_config(folder)
    sizes = [size for size in (1000, 2000, 5000, 10000, 20000, 50000, 100000) if size < largest] + [largest]
    measured = []
    for size in sizes:
        stand_ins = os.path.join(folder, "planned-{}".format(size))
        if not os.path.isdir(stand_ins):
            for index in range(size):
                path = os.path.join(stand_ins, "folder{:04}".format(index // 100), "rec{:06}.edf".format(index))
                os.makedirs(os.path.dirname(path), exist_ok=True)
                open(path, "w").close()
        results = os.path.join(folder, "planned-results")
        shutil.rmtree(results, ignore_errors=True)
        os.makedirs(results)
        seconds = workflow(sgfilter, config, stand_ins, results, "--cores", "1", "--dry-run", "--quiet")
        measured.append((size, seconds))
        print("  dry run of {:6} recordings: {:6.1f} s ({:.2f} ms per recording)".format(size, seconds,
                                                                                   1000 * seconds / size))
    if len(measured) < 2:
        return
    (small, small_seconds), (large, large_seconds) = measured[-2], measured[-1]
    exponent = math.log(large_seconds / small_seconds) / math.log(large / small)
    print("  growth between {} and {}: time ~ n^{:.2f}; 100,000 recordings: about {:.0f} s".format(
        small, large, exponent, large_seconds * (100000 / large) ** exponent))


def main():
    build = os.path.abspath(sys.argv[1])
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 200
    largest = int(sys.argv[3]) if len(sys.argv) > 3 else 10000
    with open(os.path.join(build, "run32")) as file:
        run32 = shlex.split(file.read())
    folder = os.path.join(build, "bench-cohort")
    os.makedirs(folder, exist_ok=True)
    print("processor: {}, {} cores; load average before: {}".format(processor(), os.cpu_count(),
                                                                     " ".join(open("/proc/loadavg").read().split()[:3])))
    if run32:
        print("32-bit programs run under {}: the times are the emulator's".format(" ".join(run32)))
    throughput(build, run32, folder, count)
    print("Snakemake's planning (snakemake --dry-run --quiet):")
    planning(build, run32, folder, largest)
    print("load average after: {}".format(" ".join(open("/proc/loadavg").read().split()[:3])))


if __name__ == "__main__":
    main()

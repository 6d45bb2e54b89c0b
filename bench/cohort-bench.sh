#!/usr/bin/env bash
# The cohort workflow against plain sgfilter runs, and Snakemake's planning time; see cohort_bench.py.
#   bench/cohort-bench.sh BUILD [RECORDINGS] [PLANNED]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
exec python3 "$here/cohort_bench.py" "$@"

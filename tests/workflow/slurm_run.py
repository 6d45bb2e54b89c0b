"""Runs one command against a one-node SLURM cluster that lives only as long as this process.

    slurm_run.py FOLDER -- COMMAND...

Start it under `unshare --net --pid --fork --kill-child --mount-proc`: in its own network
namespace loopback is the only network, so nothing the daemons open is reachable from elsewhere,
and as the first process of its own PID namespace, its end takes every daemon and job with it
however it ends. Exits with the command's status; 75 (EX_TEMPFAIL) when the cluster cannot start.
"""
import subprocess
import sys

from local_slurm import ClusterError, LocalSlurm

CLUSTER_UNAVAILABLE = 75


def bring_up_loopback():
    """A new network namespace starts with its loopback down. Slurm resolves names asking only
    for the address families the machine has, and glibc counts an IPv4 address there only if it
    is not 127.0.0.1: a second loopback address makes localhost resolve, still on loopback."""
    subprocess.run(["ip", "link", "set", "lo", "up"], check=True, timeout=10)
    subprocess.run(["ip", "addr", "add", "127.0.0.2/8", "dev", "lo"], check=True, timeout=10)


def main():
    folder, separator, command = sys.argv[1], sys.argv[2], sys.argv[3:]
    if separator != "--" or not command:
        sys.exit(__doc__)
    try:
        bring_up_loopback()
        cluster = LocalSlurm(folder)
        cluster.start()
    except (ClusterError, OSError, subprocess.SubprocessError) as error:
        print("slurm_run: the cluster could not start: {}".format(error), file=sys.stderr)
        sys.exit(CLUSTER_UNAVAILABLE)
    try:
        status = subprocess.run(command, env=cluster.environment).returncode
    finally:
        cluster.stop()
    sys.exit(status)


if __name__ == "__main__":
    main()

"""A one-node SLURM cluster in a temporary folder: munged, slurmctld and slurmd, each in the
foreground under this process, on loopback, with a munge key made for it alone.

Meant to run inside a private network namespace (see slurm_run.py), where loopback is the only
network there is and the daemons' fixed ports collide with nothing. Every wait is bounded; stop()
ends every daemon it started.
"""
import os
import secrets
import signal
import subprocess
import time

SLURMCTLD_PORT = 6817
SLURMD_PORT = 6818

SLURM_CONF = """\
ClusterName=sgcohort
SlurmctldHost=localhost(127.0.0.1)
SlurmctldPort={ctld_port}
SlurmdPort={slurmd_port}
SrunPortRange=60001-60100
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket={folder}/munge.socket
SlurmUser={user}
SlurmdUser=root
StateSaveLocation={folder}/state
SlurmdSpoolDir={folder}/spool
SlurmctldPidFile={folder}/slurmctld.pid
SlurmdPidFile={folder}/slurmd.pid
SlurmctldLogFile={folder}/slurmctld.log
SlurmdLogFile={folder}/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
SelectType=select/cons_tres
SelectTypeParameters=CR_Core_Memory
SchedulerType=sched/backfill
MpiDefault=none
ReturnToService=2
SlurmdTimeout=60
MinJobAge=600
KillWait=5
NodeName=localhost NodeAddr=127.0.0.1 CPUs={cpus} RealMemory={memory_mb} State=UNKNOWN
PartitionName=cohort Nodes=localhost Default=YES MaxTime=INFINITE State=UP
"""


class ClusterError(RuntimeError):
    pass


def _wait_for(what, ready, seconds, log=None):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if ready():
            return
        time.sleep(0.2)
    tail = ""
    if log and os.path.exists(log):
        with open(log, errors="replace") as file:
            tail = "\n" + "".join(file.readlines()[-15:])
    raise ClusterError("{} not ready within {} s{}".format(what, seconds, tail))


class LocalSlurm:
    def __init__(self, folder, cpus=2, memory_mb=1024):
        self.folder = os.path.abspath(folder)
        self.cpus = cpus
        self.memory_mb = memory_mb
        self.daemons = []
        self.conf = os.path.join(self.folder, "slurm.conf")
        self.environment = dict(os.environ, SLURM_CONF=self.conf)
        self.environment.setdefault("USER", "root")

    def _start(self, name, command, log):
        with open(log, "ab") as output:
            process = subprocess.Popen(command, stdout=output, stderr=subprocess.STDOUT, env=self.environment)
        self.daemons.append((name, process))
        return process

    def _alive(self, process, name, log):
        if process.poll() is not None:
            with open(log, errors="replace") as file:
                raise ClusterError("{} exited with status {}:\n{}".format(name, process.returncode, file.read()[-2000:]))

    def _answers(self, command):
        return subprocess.run(command, env=self.environment, capture_output=True, text=True, timeout=10)

    def start(self):
        os.makedirs(os.path.join(self.folder, "state"), exist_ok=True)
        os.makedirs(os.path.join(self.folder, "spool"), exist_ok=True)
        os.chmod(self.folder, 0o700)
        key = os.path.join(self.folder, "munge.key")
        with open(os.open(key, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o600), "wb") as file:
            file.write(secrets.token_bytes(1024))
        socket = os.path.join(self.folder, "munge.socket")
        munge_log = os.path.join(self.folder, "munged.log")
        munged = self._start("munged", [
            "munged", "--foreground", "--force", "--key-file", key, "--socket", socket,
            "--pid-file", os.path.join(self.folder, "munged.pid"), "--log-file", munge_log,
            "--seed-file", os.path.join(self.folder, "munged.seed")], munge_log + ".out")
        _wait_for("munged", lambda: self._alive(munged, "munged", munge_log + ".out") or os.path.exists(socket), 20,
                  munge_log)
        user = subprocess.run(["id", "-un"], capture_output=True, text=True, check=True).stdout.strip()
        with open(self.conf, "w") as file:
            file.write(SLURM_CONF.format(folder=self.folder, user=user, cpus=self.cpus, memory_mb=self.memory_mb,
                                         ctld_port=SLURMCTLD_PORT, slurmd_port=SLURMD_PORT))
        ctld_log = os.path.join(self.folder, "slurmctld.log")
        slurmctld = self._start("slurmctld", ["slurmctld", "-D", "-i", "-f", self.conf], ctld_log + ".out")
        _wait_for("slurmctld", lambda: self._alive(slurmctld, "slurmctld", ctld_log + ".out")
                  or self._answers(["scontrol", "ping"]).stdout.find("UP") >= 0, 30, ctld_log)
        slurmd_log = os.path.join(self.folder, "slurmd.log")
        slurmd = self._start("slurmd", ["slurmd", "-D", "-N", "localhost", "-f", self.conf], slurmd_log + ".out")
        _wait_for("slurmd", lambda: self._alive(slurmd, "slurmd", slurmd_log + ".out")
                  or self._answers(["sinfo", "-h", "-o", "%T"]).stdout.strip() == "idle", 30, slurmd_log)

    def stop(self):
        """SIGTERM to each daemon, newest first; SIGKILL to any still there after 10 s."""
        for name, process in reversed(self.daemons):
            if process.poll() is None:
                process.send_signal(signal.SIGTERM)
                try:
                    process.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait(timeout=10)
        self.daemons = []

    def __enter__(self):
        try:
            self.start()
        except BaseException:
            self.stop()
            raise
        return self

    def __exit__(self, *exception):
        self.stop()

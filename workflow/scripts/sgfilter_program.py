"""The sgfilter the workflow runs: its command line, and the version it reports.

sgfilter has no release number of its own; what identifies a build is the module's interface
version (which `sgfilter info` reports) and the bytes of the program and the module it loads.
"""
import hashlib
import os
import re
import shlex
import subprocess


def sgfilter_command(configured, workflow_folder):
    """The command that starts sgfilter, as a list: the configured one, or else the build's beside
    the workflow, behind the emulator that build/run32 names where 32-bit programs need one."""
    if configured:
        return shlex.split(configured)
    build = os.path.join(os.path.dirname(os.path.abspath(workflow_folder)), "build")
    try:
        with open(os.path.join(build, "run32")) as file:
            emulator = shlex.split(file.read())
    except FileNotFoundError:
        emulator = []
    return emulator + [os.path.join(build, "sgfilter")]


def sha256_of(path):
    digest = hashlib.sha256()
    with open(path, "rb") as file:
        for chunk in iter(lambda: file.read(1 << 20), b""):
            digest.update(chunk)
    return digest.hexdigest()


def sgfilter_version(command):
    """{"name", "version", "module", "interface", "program_sha256", "module_sha256"} of the sgfilter
    that command starts; raises RuntimeError with sgfilter's own message if it cannot answer."""
    result = subprocess.run(command + ["info"], capture_output=True, text=True)
    if result.returncode != 0:
        raise RuntimeError(result.stderr.strip() or "sgfilter info exited with status {}".format(result.returncode))
    module_file = re.search(r"module file:\s+(.+)", result.stdout)
    interface = re.search(r"interface version:\s+(0x[0-9A-Fa-f]+)", result.stdout)
    if not module_file or not interface:
        raise RuntimeError("sgfilter info did not name its module and interface version:\n" + result.stdout)
    program = command[-1] if os.path.isfile(command[-1]) else None
    program_sha256 = sha256_of(program) if program else None
    module_sha256 = sha256_of(module_file.group(1).strip())
    build = hashlib.sha256(((program_sha256 or "") + module_sha256).encode()).hexdigest()[:12]
    return {
        "name": "sgfilter",
        "version": "{} build {}".format(interface.group(1), build),
        "module": result.stdout.splitlines()[0].strip(),
        "interface": interface.group(1),
        "program_sha256": program_sha256,
        "module_sha256": module_sha256,
    }

"""Runs Windows programs under Wine the way a user at a console would, for system tests.

The prefix comes from WINEPREFIX, or is made once in the build tree; a lock keeps
concurrent test processes from booting it twice. One Wine server serves the prefix for the
whole test session and stays when no program runs: started anew, Wine boots its desktop and
services again, which costs a program run two to three seconds instead of a tenth.
"""

import fcntl
import os
import pathlib
import re
import shlex
import shutil
import subprocess
import sys
import tempfile
import time

BUILD_DIR = pathlib.Path(os.environ.get("KESTROW_BUILD_DIR", pathlib.Path.cwd()))


def _enter_lane():
    """tools/run-tests runs two modules at once, each in a lane of its own: a prefix under
    KESTROW_WINE_ROOT and one of the displays in KESTROW_LANE_DISPLAYS, so that neither sees
    the other's windows, pointer or keyboard focus. A module learns its lane (1 or 2) from
    KESTROW_LANE; run any other way, it keeps WINEPREFIX and DISPLAY as they are."""
    lane = int(os.environ.get("KESTROW_LANE", "1"))
    if os.environ.get("KESTROW_WINE_ROOT"):
        os.environ["WINEPREFIX"] = os.path.join(os.environ["KESTROW_WINE_ROOT"], f"lane-{lane}")
    displays = os.environ.get("KESTROW_LANE_DISPLAYS", "").split()
    if len(displays) >= lane:
        os.environ["DISPLAY"] = displays[lane - 1]


_enter_lane()


def wine_environment(locale=None):
    """The environment of a Wine program; locale (such as "de_DE.UTF-8") sets the user's
    language that the program sees."""
    env = dict(os.environ)
    env.setdefault("WINEPREFIX", str(BUILD_DIR / "wineprefix"))
    env["WINEDEBUG"] = "-all"
    env["WINEDLLOVERRIDES"] = "mscoree,mshtml="  # no Mono or Gecko prompts in a new prefix
    # Wine reads command lines and file names through the locale.
    env["LANG"] = env["LC_ALL"] = locale or "C.UTF-8"
    return env


def ensure_prefix():
    """The prefix, booted, with its lasting server running."""
    env = wine_environment()
    prefix = pathlib.Path(env["WINEPREFIX"])
    prefix.mkdir(parents=True, exist_ok=True)  # the server starts only in a folder that exists
    with open(str(prefix) + ".lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        # The server writes the registry files out only now and then, so a booted prefix is
        # known by a mark of our own.
        booted = prefix / "kestrow-booted"
        start_server(first_boot=not booted.exists())
        booted.touch()
    return prefix


# The desktop keeper that this process started last, if any.
_desktop_keeper = None


def start_server(first_boot=False):
    """Starts the prefix's server to stay (-p) unless one runs. A new server starts the
    desktop and the services with the first program, and they keep that program's standard
    handles, a test's pipes among them, for as long as they run; so wineboot, with none, is
    that first program, and desktop-keeper.exe keeps that desktop open for the session."""
    new = subprocess.run(["wineserver", "-p"], env=wine_environment(), check=False,
                         stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                         stderr=subprocess.DEVNULL).returncode == 0
    if new or first_boot:
        quiet = {"env": wine_environment(), "stdin": subprocess.DEVNULL,
                 "stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL}
        subprocess.run(["wineboot", "-i"] if first_boot else ["wineboot"], check=True, **quiet)
        global _desktop_keeper
        _desktop_keeper = subprocess.Popen(["wine", os.environ.get("KESTROW_DESKTOP_KEEPER", str(
            BUILD_DIR / "windows" / "desktop-keeper.exe"))], start_new_session=True, **quiet)


def stop_server():
    """Ends the server and every program of the prefix, and waits until they are gone. The
    desktop keeper goes first: started just before, it may not have reached the server yet,
    and would start a new one once the old had gone, which nothing would then end."""
    if _desktop_keeper is not None:
        _desktop_keeper.kill()
        _desktop_keeper.wait()
    subprocess.run(["wineserver", "-k"], env=wine_environment(), check=False,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run(["wineserver", "-w"], env=wine_environment(), check=False)


def settled(condition, timeout=30):
    """Polls condition() until it holds or timeout seconds pass; returns whether it held.
    For what the server does on its own time, such as closing a killed program's files."""
    deadline = time.monotonic() + timeout
    while not condition():
        if time.monotonic() > deadline:
            return False
        time.sleep(0.05)
    return True


def windows_path(path):
    """The Wine drive Z: view of a Linux path."""
    return "Z:" + str(pathlib.Path(path).absolute()).replace("/", "\\")


def drive_c():
    return pathlib.Path(wine_environment()["WINEPREFIX"]) / "drive_c"


def run_from_console(program, *arguments, timeout=600):
    """Runs program from cmd.exe with standard output on a pipe; returns (exit code, bytes).

    Wine joins the arguments into one Windows command line, quoting those with blanks and
    empty ones, which is what a user would type."""
    completed = subprocess.run(["wine", "cmd", "/c", windows_path(program), *arguments],
                               env=wine_environment(), stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE, timeout=timeout)
    if completed.stderr:  # Wine's own complaints, shown with a failing test's output
        sys.stderr.write(f"wine (exit {completed.returncode}): "
                         f"{completed.stderr.decode('utf-8', 'replace')}\n")
    return completed.returncode, completed.stdout


def run_in_terminal(program, *arguments, timeout=600):
    """Runs program from cmd.exe in a terminal, where it finds a console to report to;
    returns (exit code, the text shown). Wine's console draws the text with control
    sequences, blanks as cursor moves, so the text comes without those."""
    line = shlex.join(["wine", "cmd", "/c", windows_path(program), *arguments])
    completed = subprocess.run(["script", "-qec", line, "/dev/null"], env=wine_environment(),
                               stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                               stderr=subprocess.DEVNULL, timeout=timeout)
    shown = re.sub(rb"\x1b\[[0-9;?]*[A-Za-z]", b"", completed.stdout)
    return completed.returncode, shown.decode("utf-8", "replace")


def copy_program(source, folder):
    """A copy in a folder without blanks, so that cmd /c takes the line as typed."""
    target = pathlib.Path(folder) / pathlib.Path(source).name
    shutil.copyfile(source, target)
    return target


def run_to_files(command, env=None, timeout=600):
    """Runs a Wine command to its end; returns (exit code, stdout bytes, stderr bytes).

    A program that starts Wine's server also starts Wine's desktop and services, and they
    inherit its standard handles: through pipes the output would not end with the program,
    so it goes to files, read once the program has ended."""
    with tempfile.TemporaryFile() as output, tempfile.TemporaryFile() as errors:
        completed = subprocess.run(command, env=env or wine_environment(), stdout=output,
                                   stderr=errors, check=False, timeout=timeout)
        output.seek(0)
        errors.seek(0)
        return completed.returncode, output.read(), errors.read()


def msiexec_reporting(*arguments, wine_debug="-all"):
    """Runs msiexec; returns its whole exit code and what Wine reported on the given debug
    channels. Unix keeps only the low 8 bits of a Windows program's exit code, so
    exit-status.exe reports the code."""
    exit_status = os.environ["KESTROW_EXIT_STATUS"]
    code, output, errors = run_to_files(["wine", exit_status, "msiexec", *arguments],
                                        env=dict(wine_environment(), WINEDEBUG=wine_debug))
    reported = output.decode("ascii", "replace").split()
    if code != 0 or reported[:2] != ["exit", "code"]:
        raise AssertionError("msiexec %s could not be run" % " ".join(arguments))
    return int(reported[2]), errors.decode("utf-8", "replace")


def msiexec(*arguments):
    """Runs msiexec and returns its whole exit code."""
    return msiexec_reporting(*arguments)[0]

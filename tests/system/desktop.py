"""The Wine desktop as a user sees it, for GUI tests: windows, controls, keys, clicks, pictures.

Needs an X display (the test run is wrapped in xvfb-run). Windows are read by window-list.exe
(tests/windows/window-list), which runs inside the same Wine prefix and stays for the whole
test process, answering one query after another; input goes through the X server with
xdotool, and screenshots are taken with ImageMagick's import.

Xvfb runs no window manager. By default Wine leaves window frames to the window manager, so a
window would have no caption and no close box at all; with the X11 driver's "Decorated" set
to "N" Wine draws the frames itself, as Windows does, and screen coordinates of Wine and of
X are the same.

Debian's Wine does not find the fonts of its fonts-wine package by itself, and without them
"MS Shell Dlg" falls back to another face and the caption buttons lose their glyphs; they are
copied into the prefix's font folder, where a Windows installation keeps its own.
"""

import json
import os
import pathlib
import re
import select
import shutil
import subprocess
import tempfile
import time

import wine_session

WINDOW_LIST = pathlib.Path(os.environ.get(
    "KESTROW_WINDOW_LIST", wine_session.BUILD_DIR / "windows" / "window-list.exe"))
ARTIFACTS = pathlib.Path(os.environ.get(
    "KESTROW_ARTIFACTS", wine_session.BUILD_DIR / "test-artifacts"))

X11_DRIVER_KEY = r"HKCU\Software\Wine\X11 Driver"
# Where Wine keeps the screen's dots per inch (LogPixels), as Windows does.
DESKTOP_KEY = r"HKCU\Control Panel\Desktop"
WINE_FONTS = pathlib.Path("/usr/share/wine/fonts")


def prepare():
    """The prefix, booted, with frames drawn by Wine; call before starting any window."""
    if not os.environ.get("DISPLAY"):
        raise RuntimeError("GUI tests need an X display: run them under xvfb-run")
    prefix = wine_session.ensure_prefix()
    fonts = prefix / "drive_c" / "windows" / "Fonts"
    for font in WINE_FONTS.glob("*.ttf"):
        if not (fonts / font.name).exists():
            shutil.copyfile(font, fonts / font.name)
    subprocess.run(["wine", "reg", "add", X11_DRIVER_KEY, "/v", "Decorated", "/t", "REG_SZ",
                    "/d", "N", "/f"], env=wine_session.wine_environment(), check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def set_screen_dpi(dpi):
    """Sets the screen's dots per inch (96 is 100 %) for the programs started afterwards: each
    reads it when it starts. window-list.exe measures texts in a font made at the dots per
    inch it started with, so it starts anew with the next query."""
    subprocess.run(["wine", "reg", "add", DESKTOP_KEY, "/v", "LogPixels", "/t", "REG_DWORD",
                    "/d", str(dpi), "/f"], env=wine_session.wine_environment(), check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for lister in _listers.values():
        lister.stop()


def start(program, *arguments, cwd=None, locale=None, wine_debug=None):
    """Starts a Windows program without waiting for it, in the given current directory and
    locale; returns the Popen. Its output goes to a file, for the reason
    wine_session.run_to_files gives. With wine_debug (a WINEDEBUG value), Wine's messages on
    those channels go to a file too, read by wine_messages()."""
    output = tempfile.TemporaryFile()
    messages = tempfile.TemporaryFile() if wine_debug else subprocess.DEVNULL
    env = wine_session.wine_environment(locale)
    if wine_debug:
        env["WINEDEBUG"] = wine_debug
    process = subprocess.Popen(["wine", wine_session.windows_path(program), *arguments],
                               env=env, stdout=output, stderr=messages, cwd=cwd)
    process.output_file = output
    process.messages_file = messages
    return process


def wine_messages(process):
    """What Wine has said so far on the channels that start() was given, as text; Wine writes
    a character past ASCII as a \\NNNN escape, which comes back as the character."""
    process.messages_file.seek(0)
    text = process.messages_file.read().decode("utf-8", "replace")
    return re.sub(r"\\([0-9a-f]{4})", lambda match: chr(int(match[1], 16)), text)


def finish(process, timeout=30):
    """Waits for a program started by start() to end; returns (exit code, stdout bytes)."""
    process.wait(timeout=timeout)
    with process.output_file as output:
        output.seek(0)
        return process.returncode, output.read()


class _WindowLister:
    """window-list.exe --serve, started on the first query and again if it has ended (a test
    that stops Wine's server ends it too). It runs in the locale of the windows it measures,
    so that it makes their font as they do."""

    def __init__(self, locale):
        self.locale = locale
        self.process = None
        self.pending = b""

    def query(self, title, process, repaint=False, timeout=60):
        if self.process is None or self.process.poll() is not None:
            self.process = subprocess.Popen(
                ["wine", wine_session.windows_path(WINDOW_LIST), "--serve"],
                env=wine_session.wine_environment(self.locale), stdin=subprocess.PIPE,
                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
            self.pending = b""
        request = f"{title or ''}\t{process or ''}" + ("\trepaint" if repaint else "")
        self.process.stdin.write(f"{request}\n".encode("utf-8"))
        self.process.stdin.flush()
        return json.loads(self._answer(timeout).decode("utf-8"))

    def stop(self):
        if self.process is not None and self.process.poll() is None:
            self.process.kill()
            self.process.wait()

    def _answer(self, timeout):
        deadline = time.monotonic() + timeout
        while b"\nend\r\n" not in self.pending:
            ready, _, _ = select.select([self.process.stdout], [], [],
                                        max(0, deadline - time.monotonic()))
            piece = os.read(self.process.stdout.fileno(), 65536) if ready else b""
            if not piece:
                self.process.kill()
                raise AssertionError("window-list.exe gave no answer")
            self.pending += piece
        answer, self.pending = self.pending.split(b"\nend\r\n", 1)
        return answer


_listers = {}


def list_windows(title=None, process=None, repaint=False, locale=None):
    """The visible top-level windows (dicts, see window-list.exe), optionally only those whose
    title contains title or whose program file is named process. With repaint, each is asked
    to paint itself anew first, and "repainted" tells whether its thread did."""
    lister = _listers.setdefault(locale, _WindowLister(locale))
    return lister.query(title, process, repaint)["windows"]


def wait_for_window(title, process=None, timeout=30, locale=None, owner=None):
    """The first visible window whose title equals title (None: any title) and that the
    window with the handle owner owns, if given, once it is there."""
    deadline = time.monotonic() + timeout
    while True:
        found = [window for window in list_windows(title, process, locale=locale)
                 if title in (None, window["title"]) and owner in (None, window["owner"])]
        if found:
            return found[0]
        if time.monotonic() > deadline:
            # What is on the desktop instead, for the one who reads a failure.
            shown = [(window["title"], window["process"], window["owner"])
                     for window in list_windows(locale=locale)]
            raise AssertionError(f"no window titled {title!r} owned by {owner} within "
                                 f"{timeout} s; the desktop shows {shown}")
        time.sleep(0.1)


def wait_until_gone(window, timeout=30):
    """Waits until the window (a dict from list_windows) is no longer on the desktop."""
    deadline = time.monotonic() + timeout
    while any(other["handle"] == window["handle"] for other in list_windows()):
        if time.monotonic() > deadline:
            raise AssertionError(f"window {window['title']!r} still open after {timeout} s")
        time.sleep(0.1)


def refresh(window):
    """The same window read again, or None when it has closed."""
    found = [other for other in list_windows() if other["handle"] == window["handle"]]
    return found[0] if found else None


def control(window, control_id):
    """The child control of the window with the given id."""
    found = [child for child in window["controls"] if child["id"] == control_id]
    if not found:
        raise AssertionError(f"window {window['title']!r} has no control {control_id}")
    return found[0]


def focused_control_id(window):
    """The id of the control that holds the keyboard focus in the window's thread (0: none)."""
    return window["focus_id"]


def _x_window(window, timeout=10):
    """The X window that Wine made for a top-level window, found by its title. Wine shows a
    window to its own programs a moment before the X server maps it, so it is waited for."""
    # The X name may hold non-ASCII text in another encoding: such characters match any.
    escaped = re.sub(r"([][.^$*+?(){}|\\])", r"\\\1", window["title"])
    pattern = "^" + re.sub(r"[^\x00-\x7f]", ".", escaped) + "$"
    found = []

    def mapped():
        found[:] = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", pattern],
                                  stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True,
                                  check=False).stdout.split()
        return bool(found)

    if not wine_session.settled(mapped, timeout):
        raise AssertionError(f"no X window for {window['title']!r}")
    return found[-1]


def _wait_until_shown(window):
    """A click must not land before X shows the window; only a titled one can be found."""
    if window["title"]:
        _x_window(window)


def _give_keyboard(window):
    """With no window manager the X server does not move the keyboard focus by itself."""
    subprocess.run(["xdotool", "windowfocus", "--sync", _x_window(window)], check=True,
                   timeout=30)


def press_keys(window, *keys):
    """Gives the window the keyboard and presses keys (xdotool names: Return, Escape, alt+F4)."""
    _give_keyboard(window)
    subprocess.run(["xdotool", "key", "--delay", "50", *keys], check=True, timeout=30)


def type_text(window, text):
    """Gives the window the keyboard and types the text into its focused control."""
    _give_keyboard(window)
    subprocess.run(["xdotool", "type", "--delay", "12", text], check=True, timeout=60)


def click_at(x, y):
    # "mousemove --sync" waits for the pointer to move, which it never does when it is
    # already there: xdotool then gives up only after 15 seconds.
    where = subprocess.run(["xdotool", "getmouselocation"], stdout=subprocess.PIPE, text=True,
                           check=True, timeout=30).stdout.split()
    move = [] if where[:2] == [f"x:{x}", f"y:{y}"] else ["mousemove", "--sync", str(x), str(y)]
    subprocess.run(["xdotool", *move, "click", "1"], check=True, timeout=30)


def click_in(window, rect):
    """A left click at the middle of a screen rectangle of the window, once X shows it."""
    _wait_until_shown(window)
    left, top, right, bottom = rect
    click_at((left + right) // 2, (top + bottom) // 2)


def click_control(window, control_id):
    """A left click at the middle of a control of the window."""
    click_in(window, control(window, control_id)["rect"])


def click_close_box(window):
    """A left click on the close box in the window's caption."""
    if window["close_box"] is None:
        raise AssertionError(f"window {window['title']!r} has no close box")
    _wait_until_shown(window)
    click_at(*window["close_box"])


def screenshot(name, window=None):
    """Saves the screen, or only the window's rectangle, as ARTIFACTS/name.png; returns the
    path. Tests keep them for a person to look at, so a window is taken once X shows it and
    it is drawn (more than one colour)."""
    ARTIFACTS.mkdir(parents=True, exist_ok=True)
    path = ARTIFACTS / f"{name}.png"
    command = ["import", "-window", "root"]
    if window is not None:
        _wait_until_shown(window)
        left, top, right, bottom = window["rect"]
        command += ["-crop", f"{right - left}x{bottom - top}+{left}+{top}", "+repage"]

    def drawn():
        subprocess.run([*command, str(path)], check=True, timeout=60)
        colours = subprocess.run(["identify", "-format", "%k", str(path)], check=True,
                                 capture_output=True, text=True, timeout=60).stdout
        return window is None or int(colours) > 1

    wine_session.settled(drawn, timeout=5)
    return path


def pixel_colour(picture, x, y):
    """The (red, green, blue) of one pixel of a picture file, such as a screenshot."""
    pixel = subprocess.run(["convert", str(picture), "-crop", f"1x1+{x}+{y}", "+repage",
                            "-depth", "8", "rgb:-"], check=True, stdout=subprocess.PIPE,
                           timeout=60).stdout
    return tuple(pixel[:3])

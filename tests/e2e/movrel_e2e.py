"""Drives the real Movrel.exe under Wine and Xvfb, as a person would.

The probe (a small Windows program of the test tree) finds the program's
windows and controls and reads them; xdotool moves the real mouse and types on
the real keyboard. Every step waits for a state with a timeout.
"""
import glob
import json
import os
import shutil
import subprocess
import tempfile
import time
import unittest

TITLE = "Movrel v1.0.2.1"
EXE = os.environ.get("MOVREL_EXE", "")
PROBE = os.environ.get("MOVREL_PROBE", "")
ARTIFACTS = os.environ.get("MOVREL_ARTIFACTS", os.path.join(tempfile.gettempdir(), "movrel-artifacts"))
WINE = shutil.which("wine") or "wine"
TIMEOUT = float(os.environ.get("MOVREL_E2E_TIMEOUT", "60"))


def wait_until(predicate, timeout=TIMEOUT, interval=0.2, what="condition"):
    deadline = time.monotonic() + timeout
    last = None
    while time.monotonic() < deadline:
        last = predicate()
        if last:
            return last
        time.sleep(interval)
    raise AssertionError(f"timed out after {timeout:.0f}s waiting for {what} (last: {last!r})")


def probe(*args, check=True, timeout=TIMEOUT):
    result = subprocess.run([WINE, PROBE, *args], capture_output=True, timeout=timeout)
    if check and result.returncode != 0:
        raise AssertionError(f"probe {args} failed ({result.returncode}): {result.stderr.decode(errors='replace')}")
    return result


def probe_lines(*args):
    out = probe(*args).stdout.decode("utf-8")
    return [json.loads(line) for line in out.splitlines() if line.strip()]


def temp_folders():
    """The recordings' temporary folders in the session's Wine prefix."""
    prefix = os.environ.get("WINEPREFIX", os.path.expanduser("~/.wine"))
    found = set()
    for temp in ("Temp", os.path.join("AppData", "Local", "Temp")):
        for root in glob.glob(os.path.join(prefix, "drive_c", "users", "*", temp)):
            found.update(glob.glob(os.path.join(root, "KVGifRecord_*")))
    return found


def xdotool(*args):
    subprocess.run(["xdotool", *map(str, args)], check=True, timeout=30)


_first_start = True


class Movrel:
    """One running copy of the program in a fresh folder of its own."""

    def __init__(self, settings=None, folder="Movrel 運閉"):
        # A folder name with GBK trail bytes equal to "\\" and "]".
        self.root = tempfile.mkdtemp(prefix="movrel-e2e-")
        self.folder = os.path.join(self.root, folder)
        os.makedirs(self.folder)
        self.exe = os.path.join(self.folder, "Movrel.exe")
        shutil.copy(EXE, self.exe)
        self.ini = os.path.join(self.folder, "Movrel.ini")
        if settings is not None:
            with open(self.ini, "wb") as f:
                f.write(settings)
        self.process = None

    # -- life cycle
    def start(self, until_shown=True):
        """Starts the program and, unless told otherwise, waits for its main
        window (a message at start-up comes before it)."""
        # Tests must not meet a copy left by an earlier one.
        self.wait_gone(TITLE)
        self.process = subprocess.Popen([WINE, self.exe], cwd=self.folder,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if until_shown:
            self.wait_main_window()
        return self

    def wait_main_window(self):
        global _first_start
        # The first program of a session may wait for Wine's font and desktop
        # set-up on a loaded machine.
        self.wait_window(TITLE, timeout=TIMEOUT * 4 if _first_start else TIMEOUT)
        _first_start = False
        wait_until(lambda: self.get("链接开始录制").get("visible"), what="main window controls")
        return self

    def wait_window(self, title, timeout=TIMEOUT):
        if probe("wait-window", title, str(timeout), check=False, timeout=timeout + 30).returncode != 0:
            raise AssertionError(f"window {title!r} did not appear; windows: {self.windows()}")

    def wait_gone(self, title, timeout=TIMEOUT):
        if probe("wait-gone", title, str(timeout), check=False, timeout=timeout + 30).returncode != 0:
            raise AssertionError(f"window {title!r} did not close")

    def tray_click(self, button="right"):
        """What the notification icon tells the main window on a click."""
        mouse = {"left": 0x201, "right": 0x204}[button]
        probe("send", TITLE, "123456", "0", str(mouse))

    def exit_through_tray(self):
        """The user right-clicks the tray icon and confirms."""
        self.tray_click("right")
        self.answer_message("确定要退出 Movrel 吗？", "确定")
        return self.wait_exit()

    def wait_exit(self, timeout=TIMEOUT):
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError("Movrel did not exit")

    def kill(self):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait(timeout=30)

    def cleanup(self):
        self.kill()
        shutil.rmtree(self.root, ignore_errors=True)

    # -- reading
    def dump(self):
        return {c["name"]: c for c in probe_lines("dump")}

    def get(self, name):
        return probe_lines("get", name)[0]

    def windows(self):
        return probe_lines("windows")

    def children(self, title):
        return probe_lines("children", title)

    def message_texts(self, title="Kelv："):
        return [c["text"] for c in self.children(title) if c["class"].lower() == "static"]

    def answer_message(self, text, button, title="Kelv："):
        self.wait_window(title)
        wait_until(lambda: any(text in t for t in self.message_texts(title)), what=f"message {text!r}")
        probe("press", title, button)
        self.wait_gone(title)

    # -- acting as a person would
    def focus(self):
        ids = subprocess.run(["xdotool", "search", "--name", TITLE], capture_output=True, text=True).stdout.split()
        for wid in ids:
            subprocess.run(["xdotool", "windowfocus", "--sync", wid], capture_output=True, timeout=30)

    def mouse_click(self, name, button=1):
        left, top, right, bottom = self.get(name)["rect"]
        # Check boxes and radios take the click on their box at the left.
        kind_x = left + min(8, (right - left) // 2) if self.get(name).get("checked") is not None else (left + right) // 2
        xdotool("mousemove", "--sync", kind_x, (top + bottom) // 2)
        xdotool("click", button)

    def click(self, name):
        probe("click", name)

    def type_text(self, text):
        xdotool("type", "--delay", "20", text)

    def key(self, *keys):
        xdotool("key", *keys)

    def screenshot(self, name):
        os.makedirs(ARTIFACTS, exist_ok=True)
        path = os.path.join(ARTIFACTS, name)
        subprocess.run(["import", "-window", "root", path], check=True, timeout=60)
        return path


class MovrelTestCase(unittest.TestCase):
    settings = None

    def launch(self, settings=None, **where):
        app = Movrel(settings if settings is not None else self.settings, **where)
        self.addCleanup(app.cleanup)
        return app.start()

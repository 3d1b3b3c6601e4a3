#!/usr/bin/python3
"""Full-HD recordings of the whole screen with the real Movrel.exe under Wine.

usage: nice -n 19 bench/long_recording_bench.py [--exe [LABEL=]PATH]... [--seconds S]
           [--intervals 20,33] [--scenarios a,b,c] [--frames N] [--probe PATH] [--prefix DIR]

  e.g. nice -n 19 bench/long_recording_bench.py --exe old=/work/old-movrel/Movrel.exe \\
           --exe new=build/win/Movrel.exe --seconds 20

It starts a 1920x1080x24 Xvfb display and a Wine session of its own
(build/wineprefix-bench by default), so that tests running beside it are not
disturbed, and drives each build through the end-to-end harness
(tests/e2e/movrel_e2e.py) while xdotool plays a scenario:
  a  a still desktop, the mouse going round in circles;
  b  typing into Notepad, four characters a second;
  c  Notepad (800x600) dragged across the screen by its title bar.
For each build, scenario and frame interval it reports the frames per second
achieved (the frames and recorded time of the main window's caption), the
frame store's bytes per recorded minute (its temporary folder before the save
rewrites it), the wait from the save link to the save dialog (then
cancelled), and the working set (the RSS of the Wine process) after frame 100
and at the end. A Markdown table, then one JSON line.

--frames N is the long run: scenario a at 33 ms until the stop at N frames,
with the RSS sampled every 5 s (all samples are in the JSON line).

The probe comes from the Windows build (scripts/build.sh win). The bench is
no test: nothing here judges the numbers.
"""
import argparse
import json
import math
import os
import re
import shutil
import subprocess
import sys
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEVNULL = subprocess.DEVNULL
SCREEN = (1920, 1080)
# Right of the main window, which Wine puts at the top left.
NOTEPAD = (1000, 240, 800, 600)  # left, top, width, height
TEXT = "The quick brown fox jumps over the lazy dog; Movrel keeps only what changed. "
e2e = None  # tests/e2e/movrel_e2e.py, imported once the probe's path is in the environment


# -- the session: a display and a Wine prefix of the bench's own

def start_session(prefix, probe):
    n = next(n for n in range(200, 300)
             if not os.path.exists(f"/tmp/.X11-unix/X{n}") and not os.path.exists(f"/tmp/.X{n}-lock"))
    xvfb = subprocess.Popen(["Xvfb", f":{n}", "-screen", "0", "{}x{}x24".format(*SCREEN), "-nolisten", "tcp"],
                            stdout=DEVNULL, stderr=DEVNULL)
    os.environ.update(DISPLAY=f":{n}", WINEPREFIX=prefix, LANG="zh_CN.UTF-8", LC_ALL="zh_CN.UTF-8",
                      WINEDEBUG="-all", WINEARCH="win32", WINEDLLOVERRIDES="mscoree,mshtml=", MOVREL_PROBE=probe)
    try:
        start_wine(prefix, probe, xvfb, n)
    except BaseException:
        stop_session(xvfb)
        raise
    return xvfb


def start_wine(prefix, probe, xvfb, n):
    global e2e
    sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
    import movrel_e2e as e2e
    e2e.wait_until(lambda: xvfb.poll() is None and subprocess.run(["xdpyinfo"], capture_output=True).returncode == 0,
                   timeout=30, what=f"Xvfb on :{n}")
    if not os.path.exists(os.path.join(prefix, "system.reg")):
        os.makedirs(prefix, exist_ok=True)
        subprocess.run(["wineboot", "-i"], stdin=DEVNULL, stdout=DEVNULL, stderr=DEVNULL)
        subprocess.run(["wineserver", "-w"], stdin=DEVNULL, stdout=DEVNULL, stderr=DEVNULL)
    # One server for the whole run, as scripts/env.sh keeps it, and the font
    # set-up of a new session done before anything is timed.
    subprocess.run(["wineserver", "-p"], stdin=DEVNULL, stdout=DEVNULL, stderr=DEVNULL)
    # Without a window manager no one draws the title bars: Wine draws them
    # itself, and moves a window dragged by one, when told to.
    subprocess.run([e2e.WINE, "reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Decorated", "/d", "N", "/f"],
                   stdin=DEVNULL, stdout=DEVNULL, stderr=DEVNULL, timeout=300, check=True)
    subprocess.run([e2e.WINE, probe, "windows"], stdin=DEVNULL, stdout=DEVNULL, stderr=DEVNULL, timeout=600)
    subprocess.run([e2e.WINE, "cmd", "/c", "exit"], stdin=DEVNULL, stdout=DEVNULL, stderr=DEVNULL, timeout=300)


def stop_session(xvfb):
    subprocess.run(["wineserver", "-k"], stdin=DEVNULL, stdout=DEVNULL, stderr=DEVNULL)
    xvfb.terminate()
    xvfb.wait(timeout=30)


# -- the scenarios: set up the screen, then play until told to stop

def xdotool_chain(*commands):
    """One xdotool run of many commands ("mousemove X Y", "sleep S", ...)."""
    subprocess.run(["xdotool"] + [str(word) for command in commands for word in command], check=True, timeout=60)


class Circles:
    """A still desktop; the mouse goes round a circle about every second."""

    def play(self, stop):
        cx, cy, r = SCREEN[0] // 2, SCREEN[1] // 2, 300
        while not stop.is_set():
            xdotool_chain(*[c for k in range(40) for c in (
                ("mousemove", round(cx + r * math.cos(k * math.pi / 20)), round(cy + r * math.sin(k * math.pi / 20))),
                ("sleep", "0.025"))])

    def close(self):
        pass


class Notepad:
    """Wine's Notepad at NOTEPAD."""

    def __init__(self):
        self.process = subprocess.Popen([e2e.WINE, "notepad"], stdin=DEVNULL, stdout=DEVNULL, stderr=DEVNULL)
        e2e.wait_until(lambda: self.rect(), what="Notepad")
        e2e.probe("move", "Notepad", *map(str, NOTEPAD))
        e2e.wait_until(lambda: self.rect() == [NOTEPAD[0], NOTEPAD[1], NOTEPAD[0] + NOTEPAD[2], NOTEPAD[1] + NOTEPAD[3]],
                       what="Notepad in its place")

    def rect(self):
        return next((w["rect"] for w in e2e.probe_lines("windows") if w["class"] == "Notepad"), None)

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait(timeout=30)


class Typing(Notepad):
    def play(self, stop):
        # The focus goes to Notepad's text only now: Movrel's window took it
        # when it opened.
        e2e.xdotool("mousemove", "--sync", NOTEPAD[0] + 200, NOTEPAD[1] + 200)
        e2e.xdotool("click", "1")
        e2e.xdotool("windowfocus", "--sync", e2e.pointer_window())
        while not stop.is_set():
            for word in TEXT.split(" "):
                if stop.is_set():
                    return
                e2e.xdotool("type", "--delay", "250", word + " ")
            e2e.xdotool("key", "Return")


class Dragging(Notepad):
    """Notepad dragged by its title bar, 900 px to the left and back, about 2 s a way."""

    def play(self, stop):
        x, y = NOTEPAD[0] + 300, NOTEPAD[1] + 10  # on the caption, away from its buttons
        e2e.xdotool("mousemove", "--sync", x, y)
        e2e.xdotool("mousedown", "1")
        try:
            while not stop.is_set():
                for way in (1, -1):
                    xdotool_chain(*[c for k in range(1, 61) for c in (
                        ("mousemove", x - 15 * (k if way > 0 else 60 - k), y + round(150 * math.sin(k * math.pi / 60))),
                        ("sleep", "0.03"))])
        finally:
            e2e.xdotool("mouseup", "1")


SCENARIOS = {"a": Circles, "b": Typing, "c": Dragging}


# -- measuring one recording

def rss_mb(app):
    """The resident set of the Wine process running this copy of Movrel.exe."""
    tag = os.path.basename(app.root).encode()
    best = None
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                if tag not in f.read():
                    continue
            with open(f"/proc/{pid}/status") as f:
                kb = int(re.search(r"VmRSS:\s+(\d+) kB", f.read()).group(1))
        except (OSError, AttributeError):
            continue
        best = max(best or 0, kb / 1024)
    return best


def folder_bytes(folder):
    return sum(os.path.getsize(os.path.join(folder, name)) for name in os.listdir(folder))


def save_dialog_wait_s(app):
    """Seconds from the click on the save link to the save dialog on screen;
    the dialog is cancelled. xdotool watches (a Wine program would take its
    own start-up time to look)."""
    app.click("链接保存动画")
    clicked = time.monotonic()
    e2e.wait_until(lambda: subprocess.run(["xdotool", "search", "--onlyvisible", "--name", e2e.SAVE_TITLE],
                                          capture_output=True).returncode == 0,
                   timeout=1800, interval=0.05, what="the save dialog")
    waited = time.monotonic() - clicked
    app.wait_window(e2e.SAVE_TITLE)
    e2e.probe("press", e2e.SAVE_TITLE, "取消")
    app.wait_gone(e2e.SAVE_TITLE)
    return waited


def record(label, exe, scenario, interval_ms, seconds=None, stop_frames=None):
    values = {"选择框录制区域": "假", "帧间隔": interval_ms, "间隔单位": 0, "选择框显示鼠标": "真",
              "选择框录制倒计时": "假", "选择框缩到托盘": "假", "选择框保存帧": "假"}
    if stop_frames:
        values.update({"选择框停止帧数": "真", "帧数": stop_frames})
    e2e.EXE = exe
    scene, app, folder = SCENARIOS[scenario](), e2e.Movrel(e2e.settings_file(values)), None
    stop = threading.Event()
    player = threading.Thread(target=scene.play, args=(stop,), daemon=True)
    try:
        app.start()
        before = e2e.temp_folders()
        player.start()
        app.click("链接开始录制")
        e2e.wait_until(lambda: app.get("链接开始录制")["text"] == "暂停录制(F9)", what="the recording")
        started, rss_100, samples = time.monotonic(), None, []
        # The caption is read every 2 s only: each look is a Wine program
        # that takes the machine's time from the recorder.
        while True:
            elapsed = time.monotonic() - started
            if not samples or elapsed - samples[-1][0] >= 5:
                samples.append((round(elapsed, 1), rss_mb(app)))
            if rss_100 is None and e2e.frame_count(app) >= 100:
                rss_100 = rss_mb(app)
            if stop_frames and app.get("链接开始录制")["text"] == "开始录制(F9)":
                break
            if not stop_frames and elapsed >= seconds:
                app.click("链接停止录制")
                break
            time.sleep(2)
        e2e.wait_until(lambda: app.get("链接开始录制")["text"] == "开始录制(F9)" and app.get("链接保存动画")["enabled"],
                       what="the recording's end")
        stop.set()
        player.join(timeout=60)
        rss_end = rss_mb(app)
        frames, recorded_ms = e2e.frame_count(app), e2e.recorded_ms(app)
        folders = e2e.temp_folders() - before
        if len(folders) != 1:
            raise AssertionError(f"expected one new temporary folder, found {sorted(folders)}")
        folder = folders.pop()
        store = folder_bytes(folder)
        wait_s = save_dialog_wait_s(app)
        app.exit_through_tray()
    finally:
        stop.set()
        if player.is_alive():
            player.join(timeout=60)
        scene.close()
        app.cleanup()
        if folder:
            shutil.rmtree(folder, ignore_errors=True)
    return {"build": label, "scenario": scenario, "interval_ms": interval_ms, "frames": frames,
            "recorded_ms": recorded_ms, "fps": round(frames * 1000 / recorded_ms, 2) if recorded_ms > 0 else None,
            "store_bytes": store, "bytes_per_minute": round(store * 60000 / recorded_ms) if recorded_ms > 0 else None,
            "save_dialog_wait_s": round(wait_s, 2), "rss_mb_at_100": rss_100 and round(rss_100, 1),
            "rss_mb_at_end": rss_end and round(rss_end, 1),
            "rss_samples": [(t, mb and round(mb, 1)) for t, mb in samples] if stop_frames else None}


# -- the report

def cell(value, fmt="{}"):
    return "-" if value is None else fmt.format(value)


def table(results):
    lines = ["| build | scenario | interval ms | frames | recorded s | fps | store MB/min | save dialog s "
             "| RSS MB @100 | RSS MB end |", "|" + "---|" * 10]
    for r in results:
        lines.append("| " + " | ".join([
            r["build"], r["scenario"], str(r["interval_ms"]), str(r["frames"]), cell(r["recorded_ms"] / 1000, "{:.1f}"),
            cell(r["fps"], "{:.1f}"), cell(r["bytes_per_minute"] and r["bytes_per_minute"] / 1e6, "{:.1f}"),
            cell(r["save_dialog_wait_s"], "{:.2f}"), cell(r["rss_mb_at_100"], "{:.1f}"),
            cell(r["rss_mb_at_end"], "{:.1f}")]) + " |")
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--exe", action="append", metavar="[LABEL=]PATH",
                        help="a Movrel.exe to measure; twice puts two builds side by side")
    parser.add_argument("--seconds", type=float, default=20)
    parser.add_argument("--intervals", default="20,33")
    parser.add_argument("--scenarios", default="a,b,c")
    parser.add_argument("--frames", type=int, help="the long run: scenario a at 33 ms until N frames")
    parser.add_argument("--probe", default=os.path.join(ROOT, "build", "win", "tests", "e2e", "probe.exe"))
    parser.add_argument("--prefix", default=os.path.join(ROOT, "build", "wineprefix-bench"))
    args = parser.parse_args()
    builds = []
    for given in args.exe or [os.path.join(ROOT, "build", "win", "Movrel.exe")]:
        label, _, path = given.rpartition("=")
        builds.append((label or os.path.basename(os.path.dirname(os.path.abspath(path))), os.path.abspath(path)))
    for path in [p for _, p in builds] + [args.probe]:
        if not os.path.exists(path):
            sys.exit(f"{path} is missing: build the Windows tree first (scripts/build.sh win)")
    if args.frames:
        runs = [("a", 33)]
    else:
        runs = [(s, int(i)) for s in args.scenarios.split(",") for i in args.intervals.split(",")]
    xvfb = start_session(os.path.abspath(args.prefix), os.path.abspath(args.probe))
    results = []
    try:
        # The builds take turns within each scenario and interval, so that a
        # change in the machine's load falls on both alike.
        for scenario, interval_ms in runs:
            for label, exe in builds:
                print(f"recording {label} {scenario} at {interval_ms} ms ...", file=sys.stderr, flush=True)
                results.append(record(label, exe, scenario, interval_ms, args.seconds, args.frames))
    finally:
        stop_session(xvfb)
    print(table(results))
    if args.frames:
        for r in results:
            print(f"\n{r['build']}: RSS every ~5 s (s, MB): {r['rss_samples']}")
    print(json.dumps({"results": results}, ensure_ascii=False))


if __name__ == "__main__":
    main()

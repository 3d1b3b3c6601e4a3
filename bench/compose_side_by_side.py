#!/usr/bin/python3
"""Movrel's save path against other GIF encoders on the same recordings.

usage: bench/compose_side_by_side.py [--win-build DIR] [--frames N] [--full-frames N]
                                     [--memory-frames N,M] [--keep DIR]

Needs a display and a Wine prefix, as the Windows tests do:
    source scripts/env.sh; movrel_start_display; movrel_wine_prefix <prefix>

Two recordings, each encoded by every encoder from the same BMP frames:
  (a) windows and text: N frames of 800x600 at 100 ms, drawn here with
      Pillow: a desktop with a file window and a text editor being typed
      into (a character or two a tick, pauses, a blinking caret, a status bar
      that follows the caret), text drawn without smoothing as the small
      system fonts are;
  (b) full screen: a desktop-like picture (text panels, a gradient, a noisy
      photo) covers the screen with the recording tests' target window (a
      moving block) on it, and Movrel's own capture takes M frames at 100 ms.
The encoders:
  - Movrel, classic and compact layout: frame store with the still test, the
    changed-region pass and WriteAnimation into a file (compose_bench.exe
    under Wine; the encoder is timed inside the process),
  - ImageMagick: convert ... -layers Optimize,
  - ffmpeg: palettegen=stats_mode=diff and paletteuse=dither=none:
    diff_mode=rectangle at the same frame rate (installed with apt-get when
    it is missing),
  - gifsicle -O3 run over Movrel's compact file.
Every row gives seconds, bytes and the PSNR of the frames a viewer shows
against the source frames. Then the saving process's peak working set for a
full-screen store of 300 and of 3000 frames (the 3000 play the 300 captured
pictures forwards and backwards), and the goals as PASS/FAIL lines. Until
the changed-region pass has cut them, the 3000 frames take one screen-sized
BMP file each in the temporary folder (about 12 GB at 1280x1024).
"""

import argparse
import json
import math
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

from PIL import Image, ImageChops, ImageDraw, ImageFont, ImageSequence, ImageStat

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from side_by_side import make_background  # noqa: E402

INTERVAL_MS = 100
MB = 1024 * 1024


def wine_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def frame_path(folder, n):
    return os.path.join(folder, "frame%04d.bmp" % n)


def wait_until(predicate, timeout, what):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if predicate():
            return
        time.sleep(0.1)
    sys.exit(f"timed out waiting for {what}")


def screen_size():
    out = subprocess.run(["xdpyinfo"], capture_output=True, text=True).stdout
    for line in out.splitlines():
        if "dimensions:" in line:
            w, h = line.split()[1].split("x")
            return int(w), int(h)
    sys.exit("cannot read the screen size")


def timed(command, **kw):
    start = time.perf_counter()
    result = subprocess.run(command, capture_output=True, **kw)
    seconds = time.perf_counter() - start
    if result.returncode != 0:
        sys.exit(f"{command[0]} failed: {result.stderr.decode(errors='replace')[-400:]}")
    return seconds, result.stdout.decode(errors="replace")


def ensure_ffmpeg():
    """True when ffmpeg is there, installing it with apt-get as scripts/deps.sh installs the rest."""
    if shutil.which("ffmpeg"):
        return True
    print("ffmpeg is missing: installing it with apt-get", flush=True)
    sudo = [] if os.geteuid() == 0 else ["sudo"]
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    for step in (["apt-get", "update", "-q"], ["apt-get", "install", "-y", "-q", "--no-install-recommends", "ffmpeg"]):
        if subprocess.run(sudo + step, env=env).returncode != 0:
            break
    if shutil.which("ffmpeg"):
        return True
    print("ffmpeg could not be installed: its rows and the goals that compare with it are left out")
    return False


# Recording (a): a text editor being typed into ------------------------------

DESKTOP = (58, 110, 165)
FACE = (212, 208, 200)
SHADOW = (128, 128, 128)
TITLE = (10, 36, 106)
TITLE_IDLE = (128, 128, 128)
PAPER = (255, 255, 255)
INK = (0, 0, 0)

NOTES = (
    "会议记录 2024-03-18\n"
    "参加: 王工, 李工, 张经理\n"
    "1. Release 2.3 moves to Friday; the installer still needs signing.\n"
    "2. 录制时帧率下降的问题: capture takes 40 ms at full screen, check BitBlt.\n"
    "3. Save dialog: keep the last folder, remember 透明色 per recording.\n"
    "4. Next meeting on Monday 10:00, room 302.\n"
    "TODO: write the test plan for the new GIF layout, measure sizes against\n"
    "other encoders on a screen of text and on a full-screen recording.\n"
)


def load_font(path, size, index=0):
    try:
        return ImageFont.truetype(path, size, index=index)
    except OSError:
        return ImageFont.load_default()


def bevel(draw, box, raised=True):
    x0, y0, x1, y1 = box
    light, dark = ((255, 255, 255), SHADOW) if raised else (SHADOW, (255, 255, 255))
    draw.line([(x0, y1), (x0, y0), (x1, y0)], fill=light)
    draw.line([(x0, y1), (x1, y1), (x1, y0)], fill=dark)


def window(draw, box, title, font, active):
    x0, y0, x1, y1 = box
    draw.rectangle(box, fill=FACE)
    bevel(draw, box)
    draw.rectangle([x0 + 3, y0 + 3, x1 - 3, y0 + 20], fill=TITLE if active else TITLE_IDLE)
    draw.text((x0 + 8, y0 + 5), title, font=font, fill=(255, 255, 255) if active else FACE)
    for i in range(3):  # caption buttons
        bx = x1 - 21 - 18 * i
        draw.rectangle([bx, y0 + 5, bx + 15, y0 + 18], fill=FACE)
        bevel(draw, (bx, y0 + 5, bx + 15, y0 + 18))


def make_editor_frames(folder, count, width=800, height=600):
    """Writes frame0001.bmp.. of the editor recording; returns their paths."""
    os.makedirs(folder, exist_ok=True)
    ui = load_font("/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc", 12, index=1)
    text_font = load_font("/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc", 14, index=1)
    desktop = Image.new("RGB", (width, height), DESKTOP)
    draw = ImageDraw.Draw(desktop)
    draw.fontmode = "1"
    # The taskbar and a file window behind the editor.
    draw.rectangle([0, height - 28, width - 1, height - 1], fill=FACE)
    draw.line([(0, height - 27), (width - 1, height - 27)], fill=(255, 255, 255))
    draw.rectangle([3, height - 24, 58, height - 4], fill=FACE)
    bevel(draw, (3, height - 24, 58, height - 4))
    draw.text((12, height - 21), "开始", font=ui, fill=INK)
    draw.text((width - 48, height - 21), "10:24", font=ui, fill=INK)
    window(draw, (20, 20, 380, 330), "D:\\项目\\记录", ui, active=False)
    draw.rectangle([24, 44, 376, 326], fill=PAPER)
    for row, name in enumerate(["会议记录.txt", "需求说明.doc", "build.log", "截图0312.gif", "预算表.xls",
                                "readme.md", "版本计划.txt", "setup.exe"]):
        top = 50 + 20 * row
        # File icons with a little shading, as icons have.
        r, g, b = [(230, 190, 60), (60, 120, 200), (90, 160, 90), (200, 80, 60)][row % 4]
        for y in range(12):
            shade = 1.0 - y / 20
            draw.line([(30, top + 2 + y), (41, top + 2 + y)], fill=(int(r * shade), int(g * shade), int(b * shade)))
        draw.text((48, top), name, font=ui, fill=INK)
    box = (150, 70, 770, 540)
    window(draw, box, "会议记录.txt - 记事本", ui, active=True)
    for i, item in enumerate(["文件(F)", "编辑(E)", "格式(O)", "查看(V)", "帮助(H)"]):
        draw.text((box[0] + 8 + 56 * i, box[1] + 25), item, font=ui, fill=INK)
    page = (box[0] + 4, box[1] + 43, box[2] - 4, box[3] - 24)
    status = (box[0] + 4, box[3] - 21, box[2] - 4, box[3] - 4)

    rnd = random.Random(7)
    typed = 0
    last_typed_frame = 0
    paths = []
    line_height = 17
    for n in range(1, count + 1):
        # A few characters a tick, sometimes a pause to think.
        if rnd.random() > 0.3:
            typed = min(len(NOTES), typed + rnd.randint(1, 2))
            last_typed_frame = n
        im = desktop.copy()
        d = ImageDraw.Draw(im)
        d.fontmode = "1"
        d.rectangle(page, fill=PAPER)
        bevel(d, page, raised=False)
        lines = NOTES[:typed].split("\n")
        for row, line in enumerate(lines):
            d.text((page[0] + 6, page[1] + 4 + line_height * row), line, font=text_font, fill=INK)
        # The caret stays on while typing and blinks in a pause.
        caret_x = page[0] + 6 + int(d.textlength(lines[-1], font=text_font))
        caret_y = page[1] + 4 + line_height * (len(lines) - 1)
        if n - last_typed_frame < 5 or (n // 5) % 2 == 0:
            d.line([(caret_x, caret_y), (caret_x, caret_y + 15)], fill=INK)
        d.rectangle(status, fill=FACE)
        bevel(d, status, raised=False)
        d.text((status[2] - 150, status[1] + 3), f"第 {len(lines)} 行，第 {len(lines[-1]) + 1} 列", font=ui,
               fill=INK)
        path = frame_path(folder, n)
        im.save(path)
        paths.append(path)
    return paths


# Recording (b): the full screen with a moving target ------------------------

def record(args, folder, rect, target, count, interval_ms):
    """Captures `count` frames of `rect` while the target window moves its block."""
    os.makedirs(folder, exist_ok=True)
    target_exe = os.path.join(args.win_build, "tests", "e2e", "record_target.exe")
    x, y, w, h = target
    proc = subprocess.Popen(["wine", target_exe, str(x), str(y), str(w), str(h), str(interval_ms)],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        wait_until(lambda: subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "MovrelRecordTarget"],
                                          capture_output=True).returncode == 0, 60, "the target window")
        timed(["wine", args.bench, "capture", *map(str, rect), str(count), str(interval_ms), wine_path(folder),
               wine_path(args.backdrop)], timeout=1200)
    finally:
        proc.kill()
        proc.wait()
    return [frame_path(folder, n) for n in range(1, count + 1)]


# Measuring -----------------------------------------------------------------

def movrel(args, folder, count, layout, out, pictures=None):
    """Runs Movrel's save path; the JSON line of compose_bench and the wall seconds."""
    command = ["wine", args.bench, "compose", wine_path(folder), str(count), str(INTERVAL_MS), layout, wine_path(out)]
    if pictures:
        command.append(str(pictures))
    try:
        wall, stdout = timed(command, timeout=3600)
    finally:
        shutil.rmtree(os.path.join(folder, "store"), ignore_errors=True)
    result = json.loads(stdout.strip().splitlines()[-1])
    result["wall_s"] = wall
    return result


def shown_frames(gif):
    """(start ms, RGB picture) of every frame as a viewer shows it."""
    with Image.open(gif) as im:
        start = 0
        for frame in ImageSequence.Iterator(im):
            yield start, frame.convert("RGB")
            start += frame.info.get("duration", 0)


def psnr_text(gif, sources):
    """Mean PSNR over the source frames of what the GIF shows at each one's time."""
    frames = shown_frames(gif)
    shown, upcoming = None, next(frames, None)
    values, exact = [], 0
    for k, source in enumerate(sources):
        at = k * INTERVAL_MS + INTERVAL_MS // 2
        while upcoming is not None and upcoming[0] <= at:
            shown = upcoming[1]
            upcoming = next(frames, None)
        with Image.open(source) as original:
            original = original.convert("RGB")
            if shown is None or shown.size != original.size:
                return "size differs"
            squares = sum(ImageStat.Stat(ImageChops.difference(original, shown)).sum2)
        if squares == 0:
            exact += 1
        else:
            mse = squares / (3 * original.size[0] * original.size[1])
            values.append(10 * math.log10(255 * 255 / mse))
    if not values:
        return "exact"
    text = "%.2f dB" % (sum(values) / len(values))
    return text + (" (%d exact)" % exact if exact else "")


def encode_all(args, name, folder, sources):
    """Encodes one recording with every encoder; prints its table and returns the figures the goals need."""
    count = len(sources)
    out = lambda file: os.path.join(folder, file)
    rows = []
    found = {}
    for layout in ("classic", "compact"):
        inner = movrel(args, folder, count, layout, out(f"movrel_{layout}.gif"))
        found[layout] = inner
        rows.append((f"Movrel {layout} (WriteAnimation, in the process)", inner["encode_ms"] / 1000,
                     out(f"movrel_{layout}.gif")))
    delay = str(INTERVAL_MS // 10)
    wall, _ = timed(["convert", "-delay", delay, "-loop", "0", *sources, "-layers", "Optimize", out("magick.gif")],
                    timeout=3600)
    rows.append(("ImageMagick convert -layers Optimize", wall, out("magick.gif")))
    found["magick"] = os.path.getsize(out("magick.gif"))
    if args.ffmpeg:
        wall, _ = timed(["ffmpeg", "-v", "error", "-y", "-framerate", str(1000 // INTERVAL_MS), "-i",
                         os.path.join(folder, "frame%04d.bmp"), "-vf",
                         "split[a][b];[a]palettegen=stats_mode=diff[p];"
                         "[b][p]paletteuse=dither=none:diff_mode=rectangle", "-loop", "0", out("ffmpeg.gif")],
                        timeout=3600)
        rows.append(("ffmpeg palettegen=stats_mode=diff, paletteuse=dither=none:diff_mode=rectangle", wall,
                     out("ffmpeg.gif")))
        found["ffmpeg"] = (wall, os.path.getsize(out("ffmpeg.gif")))
    wall, _ = timed(["gifsicle", "-O3", out("movrel_compact.gif"), "-o", out("compact_O3.gif")], timeout=3600)
    rows.append(("gifsicle -O3 of Movrel compact", wall, out("compact_O3.gif")))
    found["gifsicle"] = os.path.getsize(out("compact_O3.gif"))

    compact = found["compact"]
    w, h = compact["width"], compact["height"]
    print(f"\n{name}: {count} frames of {w}x{h} every {INTERVAL_MS} ms "
          f"({compact['kept']} kept, {compact['groups']} GIF frames after the changed-region pass)")
    print("%-80s %8s %10s  %s" % ("encoder", "seconds", "bytes", "PSNR"))
    for label, seconds, gif in rows:
        psnr = psnr_text(gif, sources)
        if gif.endswith("movrel_compact.gif"):
            found["compact_psnr"] = psnr
        print("%-80s %8.2f %10d  %s" % (label, seconds, os.path.getsize(gif), psnr))
    for layout in ("classic", "compact"):
        inner = found[layout]
        print(f"  Movrel {layout}: store {inner['store_ms'] / 1000:.2f} s, changed-region pass "
              f"{(inner['optimize_ms'] - inner['window_ms']) / 1000:.2f} s (window close wait "
              f"{inner['window_ms'] / 1000:.2f} s apart), whole process under Wine {inner['wall_s']:.2f} s")
    return found


def memory(args, folder, counts, pictures):
    """Peak working set of the save path, compact layout, for stores of each count."""
    results = []
    for count in counts:
        gif = os.path.join(folder, f"memory_{count}.gif")
        results.append(movrel(args, folder, count, "compact", gif, pictures if count > pictures else None))
        os.remove(gif)
    first = results[0]
    print(f"\nsaving process's peak working set, compact layout, full screen {first['width']}x{first['height']} "
          f"(stores of more than {pictures} frames replay the captured pictures forwards and backwards)")
    print("%8s %8s %11s %9s %9s %9s %12s %10s" % ("frames", "kept", "GIF frames", "store s", "pass s", "encode s",
                                                  "bytes", "peak MB"))
    for r in results:
        print("%8d %8d %11d %9.2f %9.2f %9.2f %12d %10.1f" % (
            r["frames"], r["kept"], r["groups"], r["store_ms"] / 1000, (r["optimize_ms"] - r["window_ms"]) / 1000,
            r["encode_ms"] / 1000, r["bytes"], r["peak_working_set"] / MB))
    return results


def goal(ok, text):
    print(("PASS  " if ok else "FAIL  ") + text)


def print_goals(args, recordings, peaks):
    print("\ngoals")
    for name, found in recordings:
        compact_bytes = found["compact"]["bytes"]
        if args.ffmpeg:
            others = min(found["magick"], found["ffmpeg"][1])
            goal(compact_bytes <= others, f"{name}: compact {compact_bytes} bytes <= the smaller of ImageMagick and "
                                          f"ffmpeg, {others} bytes ({100 * (compact_bytes / others - 1):+.1f} %)")
        else:
            print(f"SKIP  {name}: compact bytes against ImageMagick and ffmpeg (no ffmpeg)")
        o3 = found["gifsicle"]
        goal(compact_bytes <= 1.15 * o3, f"{name}: compact {compact_bytes} bytes within 15 % of gifsicle -O3's "
                                         f"{o3} bytes ({100 * (compact_bytes / o3 - 1):+.1f} %)")
        if args.ffmpeg:
            encode_s, ffmpeg_s = found["compact"]["encode_ms"] / 1000, found["ffmpeg"][0]
            goal(encode_s <= ffmpeg_s / 2, f"{name}: compact encode {encode_s:.2f} s <= half of ffmpeg's "
                                           f"{ffmpeg_s:.2f} s ({encode_s / ffmpeg_s:.2f} of it)")
        else:
            print(f"SKIP  {name}: compact encode time against ffmpeg (no ffmpeg)")
        if name == "windows and text":
            goal(found["compact_psnr"] == "exact", f"{name}: compact colours exact (PSNR {found['compact_psnr']})")
    low, high = peaks[0], peaks[-1]
    grown = (high["peak_working_set"] - low["peak_working_set"]) / MB
    goal(grown <= 10, f"peak working set for {high['frames']} frames {high['peak_working_set'] / MB:.1f} MB within "
                      f"10 MB of {low['frames']} frames' {low['peak_working_set'] / MB:.1f} MB ({grown:+.1f} MB)")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--win-build", default=os.path.join(HERE, "..", "build", "win"))
    parser.add_argument("--frames", type=int, default=100, help="frames of the windows-and-text recording")
    parser.add_argument("--full-frames", type=int, default=30, help="frames of the full-screen recording")
    parser.add_argument("--memory-frames", default="300,3000",
                        help="store sizes of the memory runs; the first is captured, larger ones replay it")
    parser.add_argument("--keep", help="keep frames and GIFs in this folder")
    args = parser.parse_args()
    args.bench = os.path.join(args.win_build, "tests", "output", "compose_bench.exe")
    for need in (args.bench, os.path.join(args.win_build, "tests", "e2e", "record_target.exe")):
        if not os.path.exists(need):
            sys.exit(f"{need} not found (build the Windows tree or pass --win-build)")
    if not os.environ.get("DISPLAY") or not os.environ.get("WINEPREFIX"):
        sys.exit("set DISPLAY and WINEPREFIX first (source scripts/env.sh; movrel_start_display; movrel_wine_prefix ...)")
    memory_counts = [int(n) for n in args.memory_frames.split(",")]
    args.ffmpeg = ensure_ffmpeg()

    work = args.keep or tempfile.mkdtemp(prefix="movrel_compose_bench_")
    os.makedirs(work, exist_ok=True)
    try:
        recordings = []
        folder = os.path.join(work, "editor")
        sources = make_editor_frames(folder, args.frames)
        recordings.append(("windows and text", encode_all(args, "(a) windows and text", folder, sources)))

        width, height = screen_size()
        args.backdrop = os.path.join(work, "backdrop.bmp")
        make_background(width, height).save(args.backdrop)
        captured = os.path.join(work, "capture")
        pictures = max(args.full_frames, memory_counts[0])
        captures = record(args, captured, (0, 0, width, height), (300, 300, 400, 300), pictures, INTERVAL_MS)
        folder = os.path.join(work, "fullscreen")
        os.makedirs(folder, exist_ok=True)
        for n in range(1, args.full_frames + 1):
            os.link(captures[n - 1], frame_path(folder, n))
        sources = [frame_path(folder, n) for n in range(1, args.full_frames + 1)]
        recordings.append(("full screen", encode_all(args, "(b) full screen", folder, sources)))

        peaks = memory(args, captured, memory_counts, pictures)
        print_goals(args, recordings, peaks)
    finally:
        if not args.keep:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""Movrel's save path against other GIF encoders on the same recordings.

usage: bench/compose_side_by_side.py [--quick] [--win-build DIR] [--frames N] [--photo-frames N]
                                     [--photo-size WxH] [--full-frames N] [--memory-frames N,M]
                                     [--keep DIR]

Needs a display and a Wine prefix, as the Windows tests do:
    source scripts/env.sh; movrel_start_display; movrel_wine_prefix <prefix>

Three recordings, each encoded by every encoder from the same BMP frames:
  (a) windows and text: N frames of 800x600 at 100 ms, drawn here with
      Pillow: a desktop with a file window and a text editor being typed
      into (a character or two a tick, pauses, a blinking caret, a status bar
      that follows the caret), text drawn without smoothing as the small
      system fonts are;
  (b) many colours: N frames of 1280x720 at 100 ms, drawn here with Pillow:
      a photographic wallpaper (from the Debian package mate-backgrounds,
      installed with apt-get when missing; without it the noisy photo of
      bench/side_by_side.py, with a note) behind a picture viewer that pans
      over the photograph at full resolution while it moves across the
      screen, a monitor window whose coloured bars and figures change, and a
      taskbar clock;
  (c) full screen: a desktop-like picture (text panels, a gradient, a noisy
      photo) covers the screen with the recording tests' target window (a
      moving block) on it, and Movrel's own capture takes M frames at 100 ms.
The encoders:
  - Movrel: the frame store with the still test, the changed-region pass,
    then from that one store (compose_bench.exe under Wine, each encode timed
    inside the process) the classic layout and the compact layout lossless,
    dithered, at lossy levels 20, 40 and 80, and saved within a size limit of
    half the lossless compact file (WriteAnimationWithin, all its tries);
  - ffmpeg: palettegen=stats_mode=diff and paletteuse=dither=none:
    diff_mode=rectangle at the same frame rate (installed with apt-get when
    it is missing);
  - ImageMagick: convert ... -layers Optimize;
  - gifski at the frames' width and height and frame rate, default quality
    (the npm package's Linux binary, installed into build/bench-tools when
    missing; it reads PNG files, made from the BMP frames before the clock
    starts);
  - gifsicle -O3 of Movrel's compact file, and -O3 --lossy=20, 40 and 80 of
    Movrel's lossless compact file (its lossy curve).
Every row gives seconds, bytes, bytes against the lossless compact file and
the PSNR of the frames a viewer shows against the source frames (from the
mean squared error over all frames' pixels; "exact" when nothing differs; a
file that the size limit scaled down is scaled up to the source's size).
Movrel's seconds are the encode inside the process; the others' the whole
native process. Then the saving process's peak working set for a full-screen
store of 300 and of 3000 frames (the 3000 play the 300 captured pictures
forwards and backwards), and the goals as PASS/FAIL lines. Until the
changed-region pass has cut them, the 3000 frames take one screen-sized BMP
file each in the temporary folder (about 12 GB at 1280x1024).

Movrel's lossy rows are compared with gifsicle's lossy curve at equal PSNR:
the curve runs through gifsicle's (PSNR, bytes) points, linear in PSNR and
in the logarithm of the bytes, and is extended along its end segments
beyond its first and last point.

--quick makes fewer and smaller frames (a smoke run of a few minutes).
"""

import argparse
import glob
import json
import math
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

from PIL import Image, ImageChops, ImageDraw, ImageFont, ImageOps, ImageSequence, ImageStat

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, HERE)
from side_by_side import make_background  # noqa: E402

INTERVAL_MS = 100
MB = 1024 * 1024
LOSSY_LEVELS = (20, 40, 80)
LIMIT_PERCENT = 50
WALLPAPER_PACKAGE = "mate-backgrounds"
WALLPAPER = "/usr/share/backgrounds/mate/nature/LadyBird.jpg"
TOOLS = os.path.join(ROOT, "build", "bench-tools")


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


# The other encoders and the wallpaper, installed when missing ---------------

def apt_install(package):
    """Installs a Debian package as scripts/deps.sh installs the rest; true when it went in."""
    sudo = [] if os.geteuid() == 0 else ["sudo"]
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    for step in (["apt-get", "update", "-q"], ["apt-get", "install", "-y", "-q", "--no-install-recommends", package]):
        if subprocess.run(sudo + step, env=env).returncode != 0:
            return False
    return True


def ensure_ffmpeg():
    """True when ffmpeg is there, installing it when missing."""
    if shutil.which("ffmpeg"):
        return True
    print("ffmpeg is missing: installing it with apt-get", flush=True)
    apt_install("ffmpeg")
    if shutil.which("ffmpeg"):
        return True
    print("ffmpeg could not be installed: its rows and the goals that compare with it are left out")
    return False


def gifski_binary():
    """The npm package's Linux gifski, or None when it has none."""
    for path in sorted(glob.glob(os.path.join(TOOLS, "node_modules", "gifski", "bin", "*", "gifski"))):
        if subprocess.run([path, "--version"], capture_output=True).returncode == 0:
            return path
    return None


def ensure_gifski():
    """The gifski binary, installing the npm package into build/bench-tools when missing."""
    found = gifski_binary()
    if found:
        return found
    if shutil.which("npm"):
        print(f"gifski is missing: installing the npm package into {TOOLS}", flush=True)
        subprocess.run(["npm", "install", "--prefix", TOOLS, "--no-audit", "--no-fund", "gifski"])
        found = gifski_binary()
    if not found:
        print("gifski could not be installed (npm missing or no Linux binary): its rows are left out")
    return found


def ensure_wallpaper():
    """The photographic wallpaper's path, installing its package when missing; None without it."""
    if not os.path.exists(WALLPAPER):
        print(f"the wallpaper is missing: installing {WALLPAPER_PACKAGE} with apt-get", flush=True)
        apt_install(WALLPAPER_PACKAGE)
    if os.path.exists(WALLPAPER):
        return WALLPAPER
    print(f"{WALLPAPER_PACKAGE} could not be installed: recording (b) shows the generated noisy photo instead")
    return None


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


# Recording (b): windows over a photograph -----------------------------------

def make_photo_frames(folder, count, width, height, wallpaper):
    """Writes frame0001.bmp.. of the many-colour recording; returns their paths."""
    os.makedirs(folder, exist_ok=True)
    if wallpaper:
        with Image.open(wallpaper) as im:
            photo = im.convert("RGB")
    else:
        photo = make_background(2 * width, 2 * height)
    scale = width / 1280
    px = lambda v: max(1, int(round(v * scale)))
    ui = load_font("/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc", max(9, px(12)), index=1)
    desktop = ImageOps.fit(photo, (width, height), Image.LANCZOS)
    draw = ImageDraw.Draw(desktop)
    draw.fontmode = "1"
    draw.rectangle([0, height - px(28), width - 1, height - 1], fill=FACE)
    draw.line([(0, height - px(27)), (width - 1, height - px(27))], fill=(255, 255, 255))
    draw.text((px(12), height - px(21)), "开始", font=ui, fill=INK)

    # The picture viewer pans over the photograph at its own resolution while
    # it is dragged from the left to the right; the monitor's bars change.
    viewer_w, viewer_h = px(480), px(330)
    view_w, view_h = viewer_w - px(8), viewer_h - px(28)
    pan_x = max(0, photo.width - view_w)
    pan_y = max(0, photo.height - view_h)
    monitor = (width - px(330), px(40), width - px(30), px(300))
    colours = [(220, 60, 50), (240, 160, 40), (70, 170, 80), (60, 120, 210), (150, 80, 190)]
    rnd = random.Random(11)
    levels = [0.5] * len(colours)
    paths = []
    for n in range(1, count + 1):
        t = (n - 1) / max(1, count - 1)
        im = desktop.copy()
        d = ImageDraw.Draw(im)
        d.fontmode = "1"
        d.text((width - px(60), height - px(21)), "10:%02d:%02d" % (24 + n // 600, (n // 10) % 60), font=ui,
               fill=INK)
        # The monitor: a bar per colour, each a vertical gradient, and its figure.
        window(d, monitor, "系统监视", ui, active=False)
        inner = (monitor[0] + px(6), monitor[1] + px(26), monitor[2] - px(6), monitor[3] - px(6))
        d.rectangle(inner, fill=(24, 24, 32))
        levels = [min(1.0, max(0.05, v + rnd.uniform(-0.12, 0.12))) for v in levels]
        bar_w = (inner[2] - inner[0]) // len(colours)
        for i, (level, (r, g, b)) in enumerate(zip(levels, colours)):
            top = inner[3] - int(level * (inner[3] - inner[1] - px(20)))
            for y in range(top, inner[3]):
                k = 0.45 + 0.55 * (inner[3] - y) / max(1, inner[3] - top)
                d.line([(inner[0] + i * bar_w + px(6), y), (inner[0] + (i + 1) * bar_w - px(6), y)],
                       fill=(int(r * k), int(g * k), int(b * k)))
            d.text((inner[0] + i * bar_w + px(8), inner[1] + px(2)), "%d%%" % int(level * 100), font=ui,
                   fill=(230, 230, 230))
        # The viewer, dragged on a slight curve.
        x = int(px(20) + t * (width - viewer_w - monitor[2] + monitor[0] - px(40)))
        y = int(px(60) + px(200) * math.sin(math.pi * t))
        window(d, (x, y, x + viewer_w, y + viewer_h), "LadyBird.jpg - 图片查看器", ui, active=True)
        crop = (int(t * pan_x), int(t * pan_y))
        im.paste(photo.crop((crop[0], crop[1], crop[0] + view_w, crop[1] + view_h)), (x + px(4), y + px(24)))
        path = frame_path(folder, n)
        im.save(path)
        paths.append(path)
    return paths


# Recording (c): the full screen with a moving target ------------------------

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

class Row:
    """One encoder's file of one recording."""

    def __init__(self, label, seconds, gif, note=""):
        self.label, self.seconds, self.gif, self.note = label, seconds, gif, note
        self.bytes = os.path.getsize(gif)
        self.psnr = None  # dB, math.inf when every frame is exact
        self.exact = 0    # frames shown exactly


def movrel_encodes(args, folder, count, encodes, pictures=None):
    """Runs Movrel's save path once over the store for every (options, file) in `encodes`;
    the JSON line of compose_bench for each and the whole process's wall seconds."""
    command = ["wine", args.bench, "compose", wine_path(folder), str(count), str(INTERVAL_MS)]
    if pictures:
        command += ["--pictures", str(pictures)]
    for options, out in encodes:
        command += [*options, wine_path(out)]
    try:
        wall, stdout = timed(command, timeout=3600)
    finally:
        shutil.rmtree(os.path.join(folder, "store"), ignore_errors=True)
    results = [json.loads(line) for line in stdout.splitlines() if line.startswith("{")]
    if len(results) != len(encodes):
        sys.exit(f"compose_bench reported {len(results)} of {len(encodes)} encodes")
    for result in results:
        result["wall_s"] = wall
    return results


def shown_frames(gif):
    """(start ms, RGB picture) of every frame as a viewer shows it."""
    with Image.open(gif) as im:
        start = 0
        for frame in ImageSequence.Iterator(im):
            yield start, frame.convert("RGB")
            start += frame.info.get("duration", 0)


def measure_psnr(row, sources):
    """The PSNR of what the GIF shows at each source frame's time, over all frames' pixels.
    A scaled-down file is measured as a viewer shows it at the source's size (bilinear)."""
    frames = shown_frames(row.gif)
    shown, upcoming = None, next(frames, None)
    squares, samples = 0.0, 0
    for k, source in enumerate(sources):
        at = k * INTERVAL_MS + INTERVAL_MS // 2
        while upcoming is not None and upcoming[0] <= at:
            shown = upcoming[1]
            upcoming = next(frames, None)
        with Image.open(source) as original:
            original = original.convert("RGB")
            if shown.size != original.size:
                if k == 0:
                    row.note = "; ".join(filter(None, [row.note, "PSNR of %dx%d scaled up" % shown.size]))
                shown = shown.resize(original.size, Image.BILINEAR)
            frame_squares = sum(ImageStat.Stat(ImageChops.difference(original, shown)).sum2)
        row.exact += frame_squares == 0
        squares += frame_squares
        samples += 3 * original.size[0] * original.size[1]
    row.psnr = math.inf if squares == 0 else 10 * math.log10(255 * 255 * samples / squares)


def psnr_text(row):
    if row.psnr == math.inf:
        return "exact"
    return "%.2f dB" % row.psnr + (" (%d exact)" % row.exact if row.exact else "")


def to_png(sources, folder):
    """PNG copies of the frames for gifski, which reads no BMP."""
    os.makedirs(folder, exist_ok=True)
    paths = []
    for source in sources:
        path = os.path.join(folder, os.path.splitext(os.path.basename(source))[0] + ".png")
        with Image.open(source) as im:
            im.save(path, compress_level=1)
        paths.append(path)
    return paths


def movrel_rows(args, folder, sources, out):
    """Movrel's encodes of one store: the rows by key and the JSON line of the lossless compact file."""
    encodes = [("compact", ["compact"], "Movrel compact lossless"),
               ("classic", ["classic"], "Movrel classic"),
               ("dither", ["compact", "--dither"], "Movrel compact dithered")]
    encodes += [(f"lossy{level}", ["compact", "--lossy", str(level)], f"Movrel compact lossy {level}")
                for level in LOSSY_LEVELS]
    # The limit is a share of the run's first file, the lossless one.
    encodes.append(("limit", ["compact", "--max-size", f"{LIMIT_PERCENT}%"],
                    f"Movrel compact within {LIMIT_PERCENT} % of lossless"))
    results = movrel_encodes(args, folder, len(sources), [(options, out(f"movrel_{key}.gif"))
                                                           for key, options, _ in encodes])
    rows = {}
    for (key, _, label), result in zip(encodes, results):
        if result["outcome"] != "written":
            print(f"  {label}: {result['outcome']} (smallest try {result['fit']['bytes']} bytes), no file")
            continue
        note = ""
        if key == "limit":
            fit = result["fit"]
            note = (f"limit {result['limit']} bytes: lossy {fit['lossy']}, {fit['colors']} colours, "
                    f"scale {fit['scale']} %")
        rows[key] = Row(label, result["encode_ms"] / 1000, out(f"movrel_{key}.gif"), note)
        rows[key].result = result
    return rows, results[0]


def encode_all(args, name, folder, sources):
    """Encodes one recording with every encoder; prints its table and returns the rows by key."""
    out = lambda file: os.path.join(folder, file)
    width, height = Image.open(sources[0]).size
    rows, compact = movrel_rows(args, folder, sources, out)
    delay = str(INTERVAL_MS // 10)
    fps = str(1000 // INTERVAL_MS)
    if args.ffmpeg:
        wall, _ = timed(["ffmpeg", "-v", "error", "-y", "-framerate", fps, "-i", os.path.join(folder, "frame%04d.bmp"),
                         "-vf", "split[a][b];[a]palettegen=stats_mode=diff[p];"
                         "[b][p]paletteuse=dither=none:diff_mode=rectangle", "-loop", "0", out("ffmpeg.gif")],
                        timeout=3600)
        rows["ffmpeg"] = Row("ffmpeg palettegen diff, paletteuse rectangle, no dither", wall, out("ffmpeg.gif"))
    wall, _ = timed(["convert", "-delay", delay, "-loop", "0", *sources, "-layers", "Optimize", out("magick.gif")],
                    timeout=3600)
    rows["magick"] = Row("ImageMagick convert -layers Optimize", wall, out("magick.gif"))
    if args.gifski:
        pngs = to_png(sources, out("png"))
        wall, _ = timed([args.gifski, "--quiet", "--fps", fps, "--width", str(width), "--height", str(height),
                         "-o", out("gifski.gif"), *pngs], timeout=3600)
        rows["gifski"] = Row("gifski (default quality)", wall, out("gifski.gif"))
    wall, _ = timed(["gifsicle", "-O3", out("movrel_compact.gif"), "-o", out("compact_O3.gif")], timeout=3600)
    rows["O3"] = Row("gifsicle -O3 of Movrel compact", wall, out("compact_O3.gif"))
    for level in LOSSY_LEVELS:
        gif = out(f"compact_O3_lossy{level}.gif")
        wall, _ = timed(["gifsicle", "-O3", f"--lossy={level}", out("movrel_compact.gif"), "-o", gif], timeout=3600)
        rows[f"gifsicle{level}"] = Row(f"gifsicle -O3 --lossy={level} of Movrel compact", wall, gif)

    for row in rows.values():
        measure_psnr(row, sources)
    lossless = rows["compact"].bytes
    print(f"\n{name}: {len(sources)} frames of {width}x{height} every {INTERVAL_MS} ms "
          f"({compact['kept']} kept, {compact['groups']} GIF frames after the changed-region pass)")
    print("%-58s %8s %10s %7s  %-18s %s" % ("encoder", "seconds", "bytes", "x lossl", "PSNR", ""))
    for row in rows.values():
        print("%-58s %8.2f %10d %7.3f  %-18s %s" % (row.label, row.seconds, row.bytes, row.bytes / lossless,
                                                    psnr_text(row), row.note))
    print(f"  Movrel: store {compact['store_ms'] / 1000:.2f} s, changed-region pass "
          f"{(compact['optimize_ms'] - compact['window_ms']) / 1000:.2f} s (window close wait "
          f"{compact['window_ms'] / 1000:.2f} s apart), the whole process with all its encodes under Wine "
          f"{compact['wall_s']:.2f} s")
    return rows


def memory(args, folder, counts, pictures):
    """Peak working set of the save path, compact layout, for stores of each count."""
    results = []
    for count in counts:
        gif = os.path.join(folder, f"memory_{count}.gif")
        results += movrel_encodes(args, folder, count, [(["compact"], gif)], pictures if count > pictures else None)
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


# Goals ---------------------------------------------------------------------

def goal(ok, text):
    print(("PASS  " if ok else "FAIL  ") + text)


def skip(text):
    print("SKIP  " + text)


def curve_bytes(points, psnr):
    """Bytes on the curve through (PSNR, bytes) points at `psnr`: linear in PSNR and log bytes,
    extended along the end segments; with it whether it lies beyond the points."""
    exact = [b for p, b in points if p == math.inf]
    if psnr == math.inf:
        return (min(exact), False) if exact else (None, False)
    finite = sorted({p: b for p, b in points if p != math.inf}.items())
    if len(finite) < 2:
        return None, False
    segment = 0
    while segment < len(finite) - 2 and psnr > finite[segment + 1][0]:
        segment += 1
    (p0, b0), (p1, b1) = finite[segment], finite[segment + 1]
    at = math.exp(math.log(b0) + (psnr - p0) * (math.log(b1) - math.log(b0)) / (p1 - p0))
    return at, not finite[0][0] <= psnr <= finite[-1][0]


def recording_goals(name, rows, text_recording):
    compact = rows["compact"]
    peers = [rows[key] for key in ("ffmpeg", "magick", "gifski") if key in rows]
    if peers:
        smallest = min(peers, key=lambda row: row.bytes)
        worse = [row.label.split()[0] for row in peers if row.psnr > compact.psnr]
        goal(compact.bytes <= smallest.bytes and not worse,
             f"{name}: lossless compact {compact.bytes} bytes <= the smallest of "
             f"{', '.join(row.label.split()[0] for row in peers)} ({smallest.label.split()[0]}, {smallest.bytes} "
             f"bytes, {100 * (compact.bytes / smallest.bytes - 1):+.1f} %) at a PSNR ({psnr_text(compact)}) "
             f"no lower than theirs" + (f" (higher: {', '.join(worse)})" if worse else ""))
    o3 = rows["O3"]
    saved = 1 - o3.bytes / compact.bytes
    goal(saved <= 0.01, f"{name}: gifsicle -O3 saves {100 * saved:.2f} % of the lossless compact file (<= 1 %)")
    if text_recording:
        goal(compact.psnr == math.inf, f"{name}: lossless compact colours exact (PSNR {psnr_text(compact)})")

    curve = [(rows[key].psnr, rows[key].bytes) for key in ("O3", *(f"gifsicle{v}" for v in LOSSY_LEVELS))]
    for level in LOSSY_LEVELS:
        row = rows[f"lossy{level}"]
        at, beyond = curve_bytes(curve, row.psnr)
        if at is None:
            skip(f"{name}: {row.label} against gifsicle's lossy curve (too few points of it)")
            continue
        goal(row.bytes <= at, f"{name}: {row.label} {row.bytes} bytes <= gifsicle's lossy curve at "
                              f"{psnr_text(row)}, {at:.0f} bytes{' (extended)' if beyond else ''} "
                              f"({100 * (row.bytes / at - 1):+.1f} %)")
    lossy = [(level, rows[f"lossy{level}"]) for level in LOSSY_LEVELS]
    goal(any(row.psnr >= 40 and row.bytes <= 0.6 * compact.bytes for _, row in lossy),
         f"{name}: a lossy level gives >= 40 dB at <= 0.6 of the lossless compact file ("
         + ", ".join(f"{level}: {psnr_text(row)} at {row.bytes / compact.bytes:.2f}" for level, row in lossy) + ")"
         + (f"; the lossless file itself has {psnr_text(compact)}" if compact.psnr < 40 else ""))
    if text_recording:
        for level, row in lossy:
            if level <= 40:
                goal(row.psnr >= 45, f"{name}: {row.label} PSNR {psnr_text(row)} >= 45 dB")
    if "limit" in rows:
        limit = rows["limit"]
        allowed = limit.result["limit"]
        goal(limit.bytes <= allowed, f"{name}: size-limit file {limit.bytes} bytes <= the limit {allowed} bytes "
                                     f"({limit.note})")
        goal(limit.seconds <= 4 * compact.seconds,
             f"{name}: size-limit save {limit.seconds:.2f} s <= 4 lossless encodes ({4 * compact.seconds:.2f} s; "
             f"{limit.seconds / compact.seconds:.1f} of one)")
    else:
        goal(False, f"{name}: nothing fit the size limit of {LIMIT_PERCENT} % of the lossless compact file")
    if "ffmpeg" in rows:
        encode_s, ffmpeg_s = compact.seconds, rows["ffmpeg"].seconds
        goal(encode_s <= ffmpeg_s / 2, f"{name}: lossless compact encode {encode_s:.2f} s <= half of ffmpeg's "
                                       f"{ffmpeg_s:.2f} s ({encode_s / ffmpeg_s:.2f} of it)")
    else:
        skip(f"{name}: compact encode time against ffmpeg (no ffmpeg)")


def print_goals(recordings, peaks):
    print("\ngoals")
    for name, rows in recordings:
        recording_goals(name, rows, name == "windows and text")
    low, high = peaks[0], peaks[-1]
    grown = (high["peak_working_set"] - low["peak_working_set"]) / MB
    goal(grown <= 10, f"peak working set for {high['frames']} frames {high['peak_working_set'] / MB:.1f} MB within "
                      f"10 MB of {low['frames']} frames' {low['peak_working_set'] / MB:.1f} MB ({grown:+.1f} MB)")


def start_wine(bench):
    """Runs compose_bench once for its usage and stops when it predates the lossy and size-limit options.

    The first Wine program of a session starts the prefix's services, which
    keep the standard handles they inherit: a pipe there would never reach
    its end, so this first run writes into a file."""
    with tempfile.TemporaryFile() as usage:
        subprocess.run(["wine", bench], stdout=subprocess.DEVNULL, stderr=usage, timeout=600)
        usage.seek(0)
        if b"--max-size" not in usage.read():
            sys.exit(f"{bench} has no --lossy or --max-size: build it again")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--win-build", default=os.path.join(ROOT, "build", "win"))
    parser.add_argument("--quick", action="store_true", help="fewer and smaller frames: a smoke run")
    parser.add_argument("--frames", type=int, help="frames of the windows-and-text recording (100, quick 20)")
    parser.add_argument("--photo-frames", type=int, help="frames of the many-colour recording (60, quick 12)")
    parser.add_argument("--photo-size", help="width x height of the many-colour recording (1280x720, quick 640x360)")
    parser.add_argument("--full-frames", type=int, help="frames of the full-screen recording (30, quick 8)")
    parser.add_argument("--memory-frames",
                        help="store sizes of the memory runs; the first is captured, larger ones replay it "
                             "(300,3000, quick 30,300)")
    parser.add_argument("--keep", help="keep frames and GIFs in this folder")
    args = parser.parse_args()
    defaults = dict(frames=(100, 20), photo_frames=(60, 12), photo_size=("1280x720", "640x360"),
                    full_frames=(30, 8), memory_frames=("300,3000", "30,300"))
    for key, (full, quick) in defaults.items():
        if getattr(args, key) is None:
            setattr(args, key, quick if args.quick else full)
    args.bench = os.path.join(args.win_build, "tests", "output", "compose_bench.exe")
    for need in (args.bench, os.path.join(args.win_build, "tests", "e2e", "record_target.exe")):
        if not os.path.exists(need):
            sys.exit(f"{need} not found (build the Windows tree or pass --win-build)")
    if not os.environ.get("DISPLAY") or not os.environ.get("WINEPREFIX"):
        sys.exit("set DISPLAY and WINEPREFIX first (source scripts/env.sh; movrel_start_display; movrel_wine_prefix ...)")
    memory_counts = [int(n) for n in args.memory_frames.split(",")]
    photo_width, photo_height = (int(v) for v in args.photo_size.lower().split("x"))
    args.ffmpeg = ensure_ffmpeg()
    args.gifski = ensure_gifski()
    wallpaper = ensure_wallpaper()
    start_wine(args.bench)

    work = args.keep or tempfile.mkdtemp(prefix="movrel_compose_bench_")
    os.makedirs(work, exist_ok=True)
    try:
        recordings = []
        folder = os.path.join(work, "editor")
        sources = make_editor_frames(folder, args.frames)
        recordings.append(("windows and text", encode_all(args, "(a) windows and text", folder, sources)))

        folder = os.path.join(work, "photo")
        sources = make_photo_frames(folder, args.photo_frames, photo_width, photo_height, wallpaper)
        recordings.append(("many colours", encode_all(args, "(b) many colours", folder, sources)))

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
        recordings.append(("full screen", encode_all(args, "(c) full screen", folder, sources)))

        peaks = memory(args, captured, memory_counts, pictures)
        print_goals(recordings, peaks)
    finally:
        if not args.keep:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()

"""Reading composed GIFs with independent decoders (Pillow, ImageMagick,
gifsicle) and comparing them with the frames a recording captured.

A recording is described by its pattern ("K" a kept frame, "S" a still
frame, one letter per stored frame) and the captured pictures of its kept
frames (Pillow RGB images by frame number); its delays by the frames'
capture times where they are known, and otherwise only by its recorded time.
The expected delays and changed rectangles are worked out here from those
alone. Every check returns a list of problems; an empty list means the GIF
is what the recording describes.
"""
import os
import subprocess

from PIL import Image, ImageChops

COMMENT = "Movrel(https://movrel.example.org/)"


SHORTEST_CS = 2  # browsers show 0 and 1 as 10


def group_firsts(pattern):
    """The first stored frame of each GIF frame: a kept frame with the still frames after it."""
    return [i for i, kind in enumerate(pattern, start=1) if i == 1 or kind == "K"]


def expected_delays(pattern, capture_ms, interval_ms, speed_ms, wait):
    """The delay in 1/100 s of each group: a frame lasts until the next
    capture (the last one interval_ms), less the speed change; the delays
    are rounded on their running total so that nothing drifts. Frames closer
    than 20 ms merge with their neighbours, which is not worked out here."""
    times = [b - a for a, b in zip(capture_ms, capture_ms[1:])] + [interval_ms]
    assert min(times) >= 20, "frames closer than 20 ms are not modelled"
    groups = []
    for i, kind in enumerate(pattern):
        if i == 0 or kind == "K":
            groups.append([times[i], 1])
        elif wait:
            groups[-1][0] += times[i]
            groups[-1][1] += 1
    delays, total, written = [], 0, 0
    for ms, frames in groups:
        total += max(20, ms - speed_ms * frames)
        delays.append((total + 5) // 10 - written)
        written += delays[-1]
    return delays


def loop_block(plays):
    """The looping block's count for a GIF that plays `plays` times (0
    endless): the repeats after the first play, None for no block at all."""
    return None if plays == 1 else max(0, plays - 1)


def changed_boxes(frames, pattern):
    """The changed rectangle (left, top, right, bottom exclusive) of each kept frame."""
    boxes, last = {}, None
    for i, kind in enumerate(pattern, start=1):
        if kind != "K":
            continue
        frame = frames[i]
        boxes[i] = (0, 0) + frame.size if last is None else ImageChops.difference(last, frame).getbbox()
        last = frame
    return boxes


def palette_mapped(picture):
    """The picture as the maker's popularity palette shows it: each channel's
    low four bits cleared, which is exact while it has at most 256 such colours."""
    mapped = picture.point(lambda v: v & 0xF0)
    colours = mapped.getcolors(256)
    return mapped if colours is not None else None


def shown_as(picture, compact):
    """The picture as the GIF should show it: exactly in the compact layout,
    through the popularity palette in the classic one (None when that
    cannot be exact)."""
    return picture if compact else palette_mapped(picture)


def placement_problem(k, box, changed, compact):
    """The classic layout stores exactly the changed rectangle; the compact
    one stores what must be drawn, which lies inside it."""
    if not compact:
        return [] if box == changed else [f"frame {k}: placed at {box}, expected {changed}"]
    inside = box is not None and changed[0] <= box[0] and changed[1] <= box[1] and box[2] <= changed[2] and \
        box[3] <= changed[3]
    return [] if inside else [f"frame {k}: placed at {box}, outside the changed rectangle {changed}"]


def differs(a, b):
    return ImageChops.difference(a.convert("RGB"), b.convert("RGB")).getbbox()


def delay_problem(k, delay, want):
    """`want` is the expected delay, or None when only the shortest is known."""
    if want is None:
        return [] if delay >= SHORTEST_CS else [f"frame {k}: delay {delay}, below {SHORTEST_CS}"]
    return [] if delay == want else [f"frame {k}: delay {delay}, expected {want}"]


def gif_delays(path):
    """Each frame's delay in 1/100 s as Pillow reads it."""
    with Image.open(path) as im:
        delays = []
        for k in range(im.n_frames):
            im.seek(k)
            delays.append(im.info.get("duration", 0) // 10)
        return delays


def pillow_problems(path, expected, boxes, frames, loop, compact=False):
    with Image.open(path) as im:
        return _pillow_problems(im, expected, boxes, frames, loop, compact)


def _pillow_problems(im, expected, boxes, frames, loop, compact):
    problems = []
    if im.n_frames != len(expected):
        problems.append(f"Pillow sees {im.n_frames} frames, expected {len(expected)}")
    if im.size != frames[expected[0][0]].size:
        problems.append(f"logical screen {im.size}")
    if im.info.get("loop") != loop:
        problems.append(f"loop {im.info.get('loop')!r}, expected {loop}")
    for k, (first, delay) in enumerate(expected[: im.n_frames]):
        im.seek(k)
        box = im.tile[0][1] if im.tile else None
        if im.info.get("duration", 0) % 10:
            problems.append(f"frame {k}: duration {im.info.get('duration')} ms is no whole 1/100 s")
        problems += delay_problem(k, im.info.get("duration", 0) // 10, delay)
        problems += placement_problem(k, box, boxes[first], compact)
        want = shown_as(frames[first], compact)
        if want is None:
            problems.append(f"frame {k}: captured frame {first} has more than 256 palette colours")
        elif differs(im.convert("RGB"), want):
            problems.append(f"frame {k}: composite differs from captured frame {first} in {differs(im, want)}")
    return problems


def imagemagick_problems(path, expected, boxes, frames, work, compact=False):
    problems = []
    out = subprocess.run(["identify", "-format", "%T %X %Y %w %h\n", path], capture_output=True, text=True).stdout
    rows = [line.split() for line in out.splitlines() if line.strip()]
    if len(rows) != len(expected):
        problems.append(f"ImageMagick sees {len(rows)} frames, expected {len(expected)}")
    for k, ((first, delay), row) in enumerate(zip(expected, rows)):
        got = tuple(int(v) for v in row[:5])
        box = (got[1], got[2], got[1] + got[3], got[2] + got[4])
        problems += [f"ImageMagick {p}" for p in placement_problem(k, box, boxes[first], compact)]
        problems += [f"ImageMagick {p}" for p in delay_problem(k, got[0], delay)]
    stem = os.path.join(work, os.path.splitext(os.path.basename(path))[0] + "_coalesced_%03d.png")
    subprocess.run(["convert", path, "-coalesce", stem], check=True)
    for k, (first, _) in enumerate(expected):
        want = shown_as(frames[first], compact)
        with Image.open(stem % k) as coalesced:
            if want is not None and differs(coalesced, want):
                problems.append(f"frame {k}: ImageMagick composite differs from captured frame {first}")
    return problems


def gifsicle_problems(path, loop, comment=COMMENT):
    info = subprocess.run(["gifsicle", "--info", path], capture_output=True, text=True).stdout
    problems = []
    if loop is None:
        if "loop" in info:
            problems.append(f"gifsicle reports a looping block where there should be none:\n{info}")
    else:
        want = "loop forever" if loop == 0 else f"loop count {loop}"
        if want not in info:
            problems.append(f"gifsicle does not report {want!r}:\n{info}")
    if comment not in info:
        problems.append(f"gifsicle does not report the comment {comment!r}:\n{info}")
    return problems


def recorded_time_problems(path, pattern, recorded_ms, speed_ms, wait):
    """The delays against the recorded time (the latest capture plus one
    interval, to 10 ms as the caption shows it) when the capture times are
    not known: waiting, the delays add up to it less the speed change of
    every frame; skipping, the still frames' time (20 ms at least each) is
    gone as well."""
    total_ms = sum(gif_delays(path)) * 10
    groups, stills = len(group_firsts(pattern)), len(pattern) - len(group_firsts(pattern))
    if wait:
        want = recorded_ms - speed_ms * len(pattern)
        if abs(total_ms - want) > 10:
            return [f"the delays add up to {total_ms} ms, expected {want} within 10"]
    elif total_ms > recorded_ms - speed_ms * groups - 20 * stills + 10:
        return [f"the delays add up to {total_ms} ms: the skipped still frames' time is in it"]
    return []


def all_problems(path, pattern, frames, plays, work, delays=None, compact=False):
    """`delays`: the expected delay of each group, or None to check only
    that none is below the shortest a browser keeps. `compact`: the GIF is
    in the compact layout (exact colours, only what must be drawn)."""
    delays = delays or [None] * len(group_firsts(pattern))
    expected = list(zip(group_firsts(pattern), delays))
    loop = loop_block(plays)
    boxes = changed_boxes(frames, pattern)
    return (pillow_problems(path, expected, boxes, frames, loop, compact) +
            imagemagick_problems(path, expected, boxes, frames, work, compact) + gifsicle_problems(path, loop))


def composites(path):
    """Every frame of the GIF as Pillow composes it, in RGB."""
    with Image.open(path) as im:
        frames = []
        for k in range(im.n_frames):
            im.seek(k)
            frames.append(im.convert("RGB"))
        return frames

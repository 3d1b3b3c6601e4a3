"""Reading composed GIFs with independent decoders (Pillow, ImageMagick,
gifsicle) and comparing them with the frames a recording captured.

A recording is described by its pattern ("K" a kept frame, "S" a still
frame, one letter per stored frame) and the captured pictures of its kept
frames (Pillow RGB images by frame number). The expected delays and changed
rectangles are worked out here from those alone. Every check returns a list
of problems; an empty list means the GIF is what the recording describes.
"""
import os
import subprocess

from PIL import Image, ImageChops

COMMENT = "Movrel(https://movrel.example.org/)"


def expected_groups(pattern, frame_ms, wait):
    """(first frame number, delay in 1/100 s) of each kept frame with the still frames after it."""
    groups = []
    for i, kind in enumerate(pattern, start=1):
        if i == 1 or kind == "K":
            groups.append([i, frame_ms])
        elif wait:
            groups[-1][1] += frame_ms
    return [(first, max(0, ms) // 10) for first, ms in groups]


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


def differs(a, b):
    return ImageChops.difference(a.convert("RGB"), b.convert("RGB")).getbbox()


def pillow_problems(path, expected, boxes, frames, loop):
    with Image.open(path) as im:
        return _pillow_problems(im, expected, boxes, frames, loop)


def _pillow_problems(im, expected, boxes, frames, loop):
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
        if im.info.get("duration") != delay * 10:
            problems.append(f"frame {k}: duration {im.info.get('duration')} ms, expected {delay * 10}")
        if box != boxes[first]:
            problems.append(f"frame {k}: placed at {box}, expected {boxes[first]}")
        want = palette_mapped(frames[first])
        if want is None:
            problems.append(f"frame {k}: captured frame {first} has more than 256 palette colours")
        elif differs(im.convert("RGB"), want):
            problems.append(f"frame {k}: composite differs from captured frame {first} in {differs(im, want)}")
    return problems


def imagemagick_problems(path, expected, boxes, frames, work):
    problems = []
    out = subprocess.run(["identify", "-format", "%T %X %Y %w %h\n", path], capture_output=True, text=True).stdout
    rows = [line.split() for line in out.splitlines() if line.strip()]
    if len(rows) != len(expected):
        problems.append(f"ImageMagick sees {len(rows)} frames, expected {len(expected)}")
    for k, ((first, delay), row) in enumerate(zip(expected, rows)):
        left, top, right, bottom = boxes[first]
        got = tuple(int(v) for v in row[:5])
        want = (delay, left, top, right - left, bottom - top)
        if got != want:
            problems.append(f"frame {k}: ImageMagick delay/offset/size {got}, expected {want}")
    stem = os.path.join(work, os.path.splitext(os.path.basename(path))[0] + "_coalesced_%03d.png")
    subprocess.run(["convert", path, "-coalesce", stem], check=True)
    for k, (first, _) in enumerate(expected):
        want = palette_mapped(frames[first])
        with Image.open(stem % k) as coalesced:
            if want is not None and differs(coalesced, want):
                problems.append(f"frame {k}: ImageMagick composite differs from captured frame {first}")
    return problems


def gifsicle_problems(path, loop, comment=COMMENT):
    info = subprocess.run(["gifsicle", "--info", path], capture_output=True, text=True).stdout
    problems = []
    want = "loop forever" if loop == 0 else f"loop count {loop}"
    if want not in info:
        problems.append(f"gifsicle does not report {want!r}:\n{info}")
    if comment not in info:
        problems.append(f"gifsicle does not report the comment {comment!r}:\n{info}")
    return problems


def all_problems(path, pattern, frames, frame_ms, wait, loop, work):
    expected = expected_groups(pattern, frame_ms, wait)
    boxes = changed_boxes(frames, pattern)
    return (pillow_problems(path, expected, boxes, frames, loop) +
            imagemagick_problems(path, expected, boxes, frames, work) + gifsicle_problems(path, loop))


def composites(path):
    """Every frame of the GIF as Pillow composes it, in RGB."""
    with Image.open(path) as im:
        frames = []
        for k in range(im.n_frames):
            im.seek(k)
            frames.append(im.convert("RGB"))
        return frames

"""Decodes a picture file with Pillow and compares it with expected pixels.

usage: check_picture.py PICTURE EXPECTED

EXPECTED is a text file: a first line "size W H [FORMAT [TOLERANCE]]" and
then lines "X Y R G B", (X, Y) counted from the top-left pixel. FORMAT is
Pillow's format name (BMP, PNG, JPEG, GIF, TIFF) or "-" for any; TOLERANCE is
the largest difference allowed in any colour channel (0 when absent). Exits
with status 0 when everything matches and prints every mismatch otherwise.
"""
import sys

from PIL import Image


def main(picture_path, expected_path):
    with open(expected_path) as f:
        lines = [line.split() for line in f if line.strip()]
    head = lines[0]
    assert head[0] == "size", head
    width, height = int(head[1]), int(head[2])
    wanted_format = head[3] if len(head) > 3 else "-"
    tolerance = int(head[4]) if len(head) > 4 else 0

    image = Image.open(picture_path)
    problems = []
    if wanted_format != "-" and image.format != wanted_format:
        problems.append("format %s, expected %s" % (image.format, wanted_format))
    if image.size != (width, height):
        problems.append("size %s, expected %s" % (image.size, (width, height)))
    rgb = image.convert("RGB")
    if not problems:
        for fields in lines[1:]:
            x, y, r, g, b = (int(v) for v in fields)
            got = rgb.getpixel((x, y))
            if max(abs(got[0] - r), abs(got[1] - g), abs(got[2] - b)) > tolerance:
                problems.append("pixel (%d, %d) is %s, expected %s" % (x, y, got, (r, g, b)))
    for problem in problems[:20]:
        print("%s: %s" % (picture_path, problem))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))

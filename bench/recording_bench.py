#!/usr/bin/python3
"""Memory and tick time of a long recording under Wine.

usage: bench/recording_bench.py [--win-build DIR] [--frames N] [--interval MS]
                                [--width PX] [--height PX]

Runs tests/record/recording_bench.exe of the Windows build: the real
recorder and composer record a window (1920 x 1080 by default) whose block
moves at every tick, with the pointer drawn. Prints the process's working set
after frame 100 and at the end (frames live on disk, so the two should be
within a few MB), the mean, 95th percentile and worst tick time against the
interval, and the parts of a tick timed one by one: compose (capture and
cursor), compare, block, keep, encode and write (the last two run on the
store's writer thread while recording), and "whole": what a store of whole
frames did on the tick instead (a whole BMP made and written). The screen must be at least as large
as the window.
"""
import argparse
import json
import os
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--win-build", default=os.path.join(ROOT, "build", "win"))
    parser.add_argument("--frames", type=int, default=3000)
    parser.add_argument("--interval", type=int, default=20)
    parser.add_argument("--width", type=int, default=1920)
    parser.add_argument("--height", type=int, default=1080)
    args = parser.parse_args()
    exe = os.path.join(args.win_build, "tests", "record", "recording_bench.exe")
    if not os.path.exists(exe):
        sys.exit(f"{exe} is missing: build the Windows tree first")
    out = subprocess.run(["wine", exe, str(args.frames), str(args.interval), str(args.width), str(args.height)],
                         check=True, capture_output=True, text=True, timeout=3600).stdout
    result = json.loads(out.strip().splitlines()[-1])
    growth = result["working_set_mb_at_end"] - result["working_set_mb_at_100"]
    print(f"{result['frames']} frames of {result['width']}x{result['height']} ({result['kept']} kept) "
          f"at {result['interval_ms']} ms in {result['elapsed_ms'] / 1000:.1f} s")
    print(f"working set: {result['working_set_mb_at_100']:.1f} MB after frame 100, "
          f"{result['working_set_mb_at_end']:.1f} MB at the end ({growth:+.1f} MB), "
          f"peak {result['peak_working_set_mb']:.1f} MB")
    print(f"tick: mean {result['mean_tick_ms']:.2f} ms, p95 {result['p95_tick_ms']:.2f} ms, "
          f"worst {result['worst_tick_ms']:.2f} ms against an interval of {result['interval_ms']} ms, "
          f"{1000 * result['frames'] / max(1, result['elapsed_ms']):.1f} frames a second; "
          f"compose mean {result['mean_compose_ms']:.2f} ms, p95 {result['p95_compose_ms']:.2f} ms")
    print("parts of a tick, one by one:")
    for part in result["parts"]:
        print(f"  {part['part']:8} mean {part['mean_ms']:7.2f} ms  p95 {part['p95_ms']:7.2f} ms")
    print(json.dumps(result))


if __name__ == "__main__":
    main()

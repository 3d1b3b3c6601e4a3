#!/usr/bin/python3
"""Memory and tick time of a long recording under Wine.

usage: bench/recording_bench.py [--win-build DIR] [--frames N] [--interval MS] [--size PX]

Runs tests/record/recording_bench.exe of the Windows build: the real
recorder records a 500 x 500 window whose picture changes at every tick.
Prints the process's working set after frame 100 and at the end (frames live
on disk, so the two should be within a few MB), and the mean, 95th
percentile and worst tick time against the interval.
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
    parser.add_argument("--size", type=int, default=500)
    args = parser.parse_args()
    exe = os.path.join(args.win_build, "tests", "record", "recording_bench.exe")
    if not os.path.exists(exe):
        sys.exit(f"{exe} is missing: build the Windows tree first")
    out = subprocess.run(["wine", exe, str(args.frames), str(args.interval), str(args.size)],
                         check=True, capture_output=True, text=True, timeout=3600).stdout
    result = json.loads(out.strip().splitlines()[-1])
    growth = result["working_set_mb_at_end"] - result["working_set_mb_at_100"]
    print(f"{result['frames']} frames of {result['size']}x{result['size']} ({result['kept']} kept) "
          f"at {result['interval_ms']} ms in {result['elapsed_ms'] / 1000:.1f} s")
    print(f"working set: {result['working_set_mb_at_100']:.1f} MB after frame 100, "
          f"{result['working_set_mb_at_end']:.1f} MB at the end ({growth:+.1f} MB), "
          f"peak {result['peak_working_set_mb']:.1f} MB")
    print(f"tick: mean {result['mean_tick_ms']:.2f} ms, p95 {result['p95_tick_ms']:.2f} ms, "
          f"worst {result['worst_tick_ms']:.2f} ms against an interval of {result['interval_ms']} ms")
    print(json.dumps(result))


if __name__ == "__main__":
    main()

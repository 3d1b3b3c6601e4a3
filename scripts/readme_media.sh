#!/usr/bin/env bash
# Makes the README's pictures again from a real run of the program under
# Wine (tests/e2e/test_readme.py): docs/movrel-demo.gif, a GIF Movrel
# records of Notepad with its clicks and keys and trims in its preview, and
# docs/main-window.png. Run it after a change the pictures would show.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh win
source scripts/env.sh
trap 'wineserver -k 2>/dev/null || true; movrel_stop_display' EXIT
movrel_start_display
movrel_wine_prefix "$PWD/build/wineprefix"
timeout 600 wine build/win/tests/e2e/probe.exe windows >/dev/null 2>&1 || true
cd tests/e2e
MOVREL_EXE="$OLDPWD/build/win/Movrel.exe" MOVREL_PROBE="$OLDPWD/build/win/tests/e2e/probe.exe" \
  MOVREL_README_MEDIA="$OLDPWD/docs" MOVREL_ARTIFACTS="$OLDPWD/build/win/e2e-artifacts" PYTHONDONTWRITEBYTECODE=1 \
  /usr/bin/python3 -m unittest -v test_readme
echo "docs/movrel-demo.gif and docs/main-window.png are made again."

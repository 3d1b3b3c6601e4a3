#!/usr/bin/env bash
# Installs what is missing, builds Movrel.exe and starts it under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh win
source scripts/env.sh
movrel_start_display
trap 'wineserver -k 2>/dev/null || true; movrel_stop_display' EXIT
movrel_wine_prefix "${WINEPREFIX:-$HOME/.wine-movrel}"
wine build/win/Movrel.exe

#!/usr/bin/env bash
# Remakes the small GIF files kept in this folder: files written by other
# programs (ImageMagick, gifsicle, ffmpeg, Pillow) and by the codec's own maker
# (gifcompose). They are the reader's peer-test files and the fuzzer's seed
# corpus. Kept in the repository so the tests need no ffmpeg.
#
#   tests/gif/data/make_seed_files.sh PATH/TO/gifcompose
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
compose="$(realpath "${1:?usage: $0 PATH/TO/gifcompose}")"
convert=/usr/bin/convert
python=/usr/bin/python3
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

# Source pictures: a plasma, a gradient with text-like stripes, a checker.
"$convert" -size 40x30 -seed 4 plasma:fractal p1.png
"$convert" -size 40x30 gradient:navy-orange -fill white -draw 'rectangle 5,5 20,8' p2.png
"$convert" -size 40x30 pattern:checkerboard -fill red -draw 'circle 20,15 26,15' p3.png
for p in p1 p2 p3; do "$convert" "$p.png" -type TrueColor "BMP3:$p.bmp"; done

# ImageMagick: an animation with a comment, an interlaced one, a 2-colour one.
"$convert" -delay 7 -loop 0 p1.png p2.png p3.png -set comment "made by convert" "$here/im_anim.gif"
"$convert" -delay 12 -loop 2 -seed 8 -size 37x23 plasma:fractal plasma:fractal -interlace GIF "$here/im_interlaced.gif"
"$convert" p3.png -colors 2 "$here/im_two_colours.gif"

# gifsicle: transparency and offsets by optimisation, interlacing with local
# colour tables.
gifsicle -O3 --loopcount=3 --comment "gifsicle comment" "$here/im_anim.gif" -o "$here/gifsicle_optimized.gif"
gifsicle -i --no-loopcount --change-color 0 '#123456' "$here/im_interlaced.gif" --colors 16 -o "$here/gifsicle_interlaced.gif"

# ffmpeg: one palette for the whole clip, and a palette per frame.
timeout 60 ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=48x32:rate=10:duration=0.4 \
  -vf "split[a][b];[a]palettegen=max_colors=64[p];[b][p]paletteuse" "$here/ffmpeg_palette.gif"
timeout 60 ffmpeg -nostdin -v error -y -f lavfi -t 0.375 -i mandelbrot=size=40x28:rate=8 \
  -vf "split[a][b];[a]palettegen=stats_mode=single[p];[b][p]paletteuse=new=1" "$here/ffmpeg_new_palette.gif"

# Pillow: durations and looping; a single frame without extensions is 87a.
"$python" - "$here" <<'EOF'
import sys
from PIL import Image
here = sys.argv[1]
frames = [Image.open(f"p{i}.png").convert("P", palette=Image.ADAPTIVE, colors=32) for i in (1, 2, 3)]
frames[0].save(f"{here}/pillow_anim.gif", save_all=True, append_images=frames[1:], duration=[40, 80, 120], loop=1)
Image.open("p1.png").convert("P", palette=Image.ADAPTIVE, colors=8).save(f"{here}/pillow_87a.gif", interlace=True)
EOF

# The maker: an animation with frame comments and offsets, one frame, and an
# interlaced animation.
"$compose" --loop 5 --comment "maker comment" "$here/maker_anim.gif" \
  --delay 10 p1.bmp --delay 20 --left 3 --top 2 --disposal 2 --transparent --frame-comment second p2.bmp \
  --delay 30 p3.bmp
"$compose" "$here/maker_single.gif" p1.bmp
"$compose" --interlace --no-loop "$here/maker_interlaced.gif" --delay 15 p3.bmp --delay 15 --dither p1.bmp
ls -l "$here"/*.gif

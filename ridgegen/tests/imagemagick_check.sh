#!/usr/bin/env bash
# ImageMagick, a reader nobody here wrote, reads ridgegen's 16-bit PNG as 16-bit gray holding
# exactly the samples of its R16; given the other build's ridgegen, that build's PNG of the same
# terrain must read the same.
#   imagemagick_check.sh [--compare OTHER_RIDGEGEN] RIDGEGEN_COMMAND...
# The command runs ridgegen, under Wine for the Windows build; an OTHER_RIDGEGEN that is not
# built (yet) is said so and left out.
set -euo pipefail
other=""
if [ "$1" = --compare ]; then
  other=$2
  shift 2
fi
work=$(mktemp -d /tmp/rw-ridgegen-im.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work" # relative names: the Windows program under Wine sees this folder as its own
terrain=(fourier --size 301x203 --random --seed 7)

"$@" "${terrain[@]}" --format png16 -o t.png >t.txt
"$@" "${terrain[@]}" --format r16 -o t.r16 >/dev/null
"$@" "${terrain[@]}" --format png8 -o t8.png >/dev/null
kind=$(identify -format '%w %h %z %[colorspace] %[type]' t.png)
[ "$kind" = "301 203 16 Gray Grayscale" ] || { echo "t.png reads as: $kind" >&2; exit 1; }
kind=$(identify -format '%z %[colorspace] %[type]' t8.png)
[ "$kind" = "8 Gray Grayscale" ] || { echo "t8.png reads as: $kind" >&2; exit 1; }
convert t.png -depth 16 -endian LSB gray:t.raw
cmp t.raw t.r16 || { echo "ImageMagick reads other samples from the PNG than the R16 holds" >&2; exit 1; }

if [ -n "$other" ] && [ -x "$other" ]; then
  "$other" "${terrain[@]}" --format png16 -o o.png >o.txt
  cmp t.txt o.txt || { echo "the builds drew other slider values from seed 7" >&2; exit 1; }
  convert o.png -depth 16 -endian LSB gray:o.raw
  cmp t.raw o.raw || { echo "the builds' 16-bit PNGs read differently" >&2; exit 1; }
  echo "both builds' 16-bit PNGs read the same in ImageMagick"
elif [ -n "$other" ]; then
  echo "no other build at $other to compare with"
fi

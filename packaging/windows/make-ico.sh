#!/usr/bin/env bash
# Writes an icon file made of PNG images, as Windows (Vista and later) and NSIS read them:
# the icon directory the program's resource script builds from the same images.
# Usage: make-ico.sh OUT.ico IMAGE.png...  (square images up to 256 x 256)
set -euo pipefail
out=$1
shift
le16() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $(($1 >> 8 & 255)))"; }
le32() { le16 $(($1 & 65535)); le16 $(($1 >> 16 & 65535)); }
# The width from the PNG header (bytes 16-19, big-endian); 0 stands for 256.
width() { od -An -tu1 -j16 -N4 "$1" | awk '{ print ($1 * 16777216 + $2 * 65536 + $3 * 256 + $4) % 256 }'; }
{
  le16 0
  le16 1
  le16 $#
  offset=$((6 + 16 * $#))
  for image in "$@"; do
    size=$(stat -c %s "$image")
    w=$(width "$image")
    printf "\\x$(printf %02x "$w")\\x$(printf %02x "$w")\\x00\\x00"  # width, height, colours
    le16 1   # planes
    le16 32  # bits a pixel
    le32 "$size"
    le32 "$offset"
    offset=$((offset + size))
  done
  cat "$@"
} >"$out"

#!/usr/bin/env bash
# Renders the committed files made from sources: the PNG icons from data/icons/varlo.svg
# (rsvg-convert, package librsvg2-bin) and the man pages from docs/*.1.md (package pandoc).
# Building needs neither tool; run this after changing a source.
set -euo pipefail
cd "$(dirname "$0")/.."
for size in 16 32 48 128 256; do
  mkdir -p "data/icons/${size}x${size}"
  rsvg-convert -w "$size" -h "$size" data/icons/varlo.svg -o "data/icons/${size}x${size}/varlo.png"
done
for page in varlo varlo-cli; do
  pandoc --standalone --to man "docs/$page.1.md" --output "data/$page.1"
done

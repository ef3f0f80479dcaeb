#!/usr/bin/env bash
# The files that make Orrelux a desktop program pass Debian's own checkers: the menu
# entry, the software centre's description, every manual page (rendered without a
# warning), and one icon-theme picture of its stated size for each size.
set -euo pipefail
src=$1
metainfo=$2
fail() { echo "FAIL: $*" >&2; exit 1; }

desktop-file-validate "$src/desktop/orrelux.desktop" || fail "desktop entry"
out=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "metainfo: $out"

pages=("$src"/man/*.1)
[ ${#pages[@]} -ge 2 ] || fail "manual pages missing"
for page in "${pages[@]}"; do
  # groff's warnings (unknown macros, bad escapes, lines that cannot be set) go to stderr.
  warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$page: $warnings"
  name=$(basename "$page" .1)
  MANWIDTH=80 man -l "$page" 2>/dev/null | grep -q "^NAME" || fail "$page renders no NAME section"
  MANWIDTH=80 man -l "$page" 2>/dev/null | grep -q "^       $name " || fail "$page does not name $name"
done

for size in 16 22 24 32 48 64 128 256; do
  icon=$src/desktop/icons/hicolor/${size}x${size}/apps/orrelux.png
  file -b "$icon" | grep -q "PNG image data, $size x $size, 8-bit/color RGBA" || fail "$icon: $(file -b "$icon")"
done
echo "desktop files passed"

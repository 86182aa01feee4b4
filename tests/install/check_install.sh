#!/bin/sh
# Checks what users install: a source install and programs built against it
# with CMake and pkg-config; make install against cmake --install; the four
# Debian packages, their contents, dependencies and lintian's verdict, and a
# program and the GStreamer element from them; the manual; and (when built)
# the Windows .zip, with a C program built against it and run under Wine.
# usage: tests/install/check_install.sh [WINDOWS_BUILD_DIR]
set -eu
top=$(cd "$(dirname "$0")/../.." && pwd)
windows=${1:-$top/build/windows}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$top"
version=$(sed -n 's/^project(chromafold VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
fail() { echo "FAILED: $*"; exit 1; }

# Builds and runs tests/install/consumer.c against the package whose
# pkg-config file lies in $1, with its shared library found in $2; and,
# linked by the C compiler with pkg-config --static, against its static one.
pkg_config_consumer() {
    PKG_CONFIG_PATH=$1 cc -std=c99 -pedantic-errors -Werror tests/install/consumer.c \
        $(PKG_CONFIG_PATH=$1 pkg-config --cflags --libs chromafold) -o "$work/pc_consumer"
    LD_LIBRARY_PATH=$2 "$work/pc_consumer"
    PKG_CONFIG_PATH=$1 cc -static -std=c99 -pedantic-errors -Werror tests/install/consumer.c \
        $(PKG_CONFIG_PATH=$1 pkg-config --static --cflags --libs chromafold) -o "$work/pc_consumer_static"
    "$work/pc_consumer_static"
}

echo "-- cmake --install into a prefix; C consumers through CMake and pkg-config, shared and static"
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" >/dev/null
cmake --install build/release --prefix "$work/prefix" >/dev/null
cmake -S tests/install -B "$work/consumer" -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/consumer" >/dev/null
"$work/consumer/consumer_chromafold"
"$work/consumer/consumer_chromafold_static"
libdir=$(dirname "$(find "$work/prefix" -name chromafold.pc)")/..
pkg_config_consumer "$libdir/pkgconfig" "$libdir"

echo "-- make install DESTDIR=... PREFIX=/usr gives the tree of cmake --install from a build for /usr"
make install DESTDIR="$work/make_install" PREFIX=/usr >/dev/null
cmake -S . -B "$work/usr_build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DCHROMAFOLD_TESTS=OFF -DCHROMAFOLD_BENCH=OFF -DCHROMAFOLD_EXAMPLES=OFF >/dev/null
cmake --build "$work/usr_build" -j "$(nproc)" >/dev/null
DESTDIR="$work/cmake_install" cmake --install "$work/usr_build" >/dev/null
diff -r --no-dereference "$work/make_install" "$work/cmake_install" || fail "the two trees differ"

echo "-- make install PREFIX=\$HOME/.local: the element loads with GST_PLUGIN_PATH alone, into a fresh registry"
make install PREFIX="$work/home/.local" >/dev/null
env -u LD_LIBRARY_PATH GST_PLUGIN_PATH="$work/home/.local/lib/gstreamer-1.0" GST_REGISTRY="$work/home.bin" \
    gst-inspect-1.0 chromafold | grep -q "Version *$version" || fail "the element of a home prefix does not load"
# Back to the default prefix, as the other stages expect.
cmake --preset default -DCMAKE_INSTALL_PREFIX=/usr/local >/dev/null

echo "-- the Debian packages"
make package >/dev/null
cd build/package
lib=./usr/lib/$multiarch
# Each package, what it depends on, and exactly its files (the directories
# leading to them, its copyright file and its changelog aside).
while read -r deb depends files; do
    package=${deb}_${version}_amd64.deb
    [ "$(dpkg-deb --field "$package" Version)" = "$version" ] || fail "$deb is not $version"
    dpkg-deb --field "$package" Depends | grep -q "$depends" || fail "$deb does not depend on $depends"
    dpkg-deb --fsys-tarfile "$package" | tar -xOf - "./usr/share/doc/$deb/copyright" | cmp - "$top/LICENSE" ||
        fail "the copyright file of $deb is not the licence"
    printf '%s\n' $files "./usr/share/doc/$deb/changelog.gz" "./usr/share/doc/$deb/copyright" | sort > "$work/want"
    dpkg-deb --contents "$package" | awk '$1 !~ /^d/ {print $6}' | sort | diff -u "$work/want" - ||
        fail "$deb holds other files than listed"
    dpkg-deb --extract "$package" "$work/root"
done <<EOF
chromafold libc6.(>= ./usr/bin/chromafold ./usr/bin/chromafold-pipe ./usr/share/man/man1/chromafold.1.gz ./usr/share/man/man1/chromafold-pipe.1.gz
libchromafold1 ^libc6.(>=.[0-9.]*)$ $lib/libchromafold.so.1 $lib/libchromafold.so.$version
libchromafold-dev ^libchromafold1.(=.$version)$ ./usr/include/chromafold/chromafold.h ./usr/include/chromafold/version.h $lib/libchromafold.a $lib/libchromafold.so $lib/pkgconfig/chromafold.pc $lib/cmake/chromafold/chromafoldConfig.cmake $lib/cmake/chromafold/chromafoldConfigVersion.cmake $lib/cmake/chromafold/chromafoldTargets.cmake $lib/cmake/chromafold/chromafoldTargets-release.cmake
gstreamer1.0-chromafold libchromafold1.(>=.[0-9.]*).*libgstreamer1.0-0 $lib/gstreamer-1.0/libgstchromafold.so
EOF
[ "$(dpkg-parsechangelog -l "$top/packaging/changelog" -S Version)" = "$version" ] ||
    fail "the changelog's latest entry is not version $version"
lintian --fail-on error,warning --info --display-info ./*_"$version"_amd64.deb > "$work/lintian" 2>&1 ||
    { cat "$work/lintian"; fail "lintian found errors or warnings"; }
grep -v '^running with root privileges' "$work/lintian" || true
dpkg-deb --ctrl-tarfile "libchromafold1_${version}_amd64.deb" | tar -t | sort | tr '\n' ' ' > "$work/control"
[ "$(cat "$work/control")" = "./ ./control ./md5sums ./shlibs ./symbols ./triggers " ] ||
    fail "libchromafold1's control files: $(cat "$work/control")"

echo "-- the packages unpacked into one root: the program runs, a consumer builds, the element loads"
cd "$top"
build/release/make_sample_clip "$work/take.yuv" 64 64 2
(cd "$work" && "$work/root/usr/bin/chromafold" -w 64 -h 64 take.yuv >/dev/null)
[ "$(wc -c < "$work/take.420")" = $((2 * 64 * 64 * 3 / 2)) ] || fail "the packaged program converted nothing"
pkg_config_consumer "$work/root/usr/lib/$multiarch/pkgconfig" "$work/root/usr/lib/$multiarch"
readelf -d "$work/root/usr/lib/$multiarch/gstreamer-1.0/libgstchromafold.so" | grep -q 'R.*PATH' &&
    fail "the packaged element carries a run path"
GST_PLUGIN_PATH="$work/root/usr/lib/$multiarch/gstreamer-1.0" LD_LIBRARY_PATH="$work/root/usr/lib/$multiarch" \
    GST_REGISTRY="$work/registry.bin" gst-inspect-1.0 chromafold | grep -q "Version *$version" ||
    fail "the packaged element does not load"

echo "-- the manuals render without warnings"
for page in chromafold chromafold-pipe; do
    gzip -dc "$work/root/usr/share/man/man1/$page.1.gz" > "$work/$page.1"
    MANWIDTH=80 man --warnings -l "$work/$page.1" > "$work/manual" 2> "$work/warnings"
    if [ -s "$work/warnings" ]; then cat "$work/warnings"; exit 1; fi
    grep -q "DIAGNOSTICS" "$work/manual" && grep -q "chromafold $version" "$work/manual" ||
        fail "the manual of $page has no DIAGNOSTICS or is not of version $version"
done
"$work/root/usr/bin/chromafold-pipe" --version | grep -qx "chromafold-pipe $version" ||
    fail "the packaged chromafold-pipe is not of version $version"

if [ -d "$windows" ]; then
    echo "-- the Windows .zip, and a C program built against it and run under Wine"
    (cd "$windows" && cpack -G ZIP >/dev/null)
    python3 -m zipfile -e "$windows/chromafold-$version-windows-x64.zip" "$work/zip"
    (cd "$work/zip" && find . -type f | LC_ALL=C sort) > "$work/got"
    { printf './%s\n' LICENSE README.md chromafold-pipe.exe chromafold.dll chromafold.exe \
          include/chromafold/chromafold.h include/chromafold/version.h lib/chromafold.lib
      (cd "$top" && find docs -name '*.md' -o -name '*.png' | sed 's|^|./|'); } | LC_ALL=C sort |
        diff -u - "$work/got" || fail "the .zip holds other files"
    x86_64-w64-mingw32-gcc -std=c99 -pedantic-errors -Werror tests/install/consumer.c \
        -I"$work/zip/include" "$work/zip/lib/chromafold.lib" -o "$work/zip/consumer.exe"
    WINEDEBUG=-all wine "$work/zip/consumer.exe"
fi

#!/usr/bin/env bash
# Builds the libraries Wardcheck needs for 64-bit Windows from Debian's own
# source packages, with Debian's MinGW-w64, into a cache outside the
# repository: SQLite, libsodium, zint, and Qt (Core, Gui, Widgets, Sql with
# the SQLite and ODBC drivers, PrintSupport, Test). Debian's installed Qt
# serves as the host tools (moc, rcc, uic), so its version must match.
#
# Prints the toolchain's folder. It is keyed by the versions of the sources
# and of the compiler, and by the options they are built with: with none of
# them changed, it is built once.
#   --cached                  ask only (installs and changes nothing): print the
#                             folder, or exit 1 when it is not built
#   WARDCHECK_WINDOWS_CACHE   where the toolchains live
#                             (default ~/.cache/wardcheck-windows)
set -euo pipefail
cached_only=0
[ "${1:-}" = --cached ] && cached_only=1

cache="${WARDCHECK_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/wardcheck-windows}"
jobs="$(nproc)"
# Qt Svg is not among them: Debian's archive has no source of qt6-svg 6.4.2
# to fetch, so the Windows build draws its pictures from PNGs instead.
sources=(sqlite3 libsodium zint qt6-base)
host=x86_64-w64-mingw32

# The options each library is built with: with the versions, they make the key.
# SQLite as one DLL: Qt's SQL driver and Wardcheck share it (and its locks).
sqlite_cflags=(-O2 -shared -DSQLITE_ENABLE_COLUMN_METADATA -DSQLITE_THREADSAFE=1 -DSQLITE_DQS=0)
sodium_configure=(--host=$host --disable-static --enable-shared)
zint_cmake=(-DCMAKE_BUILD_TYPE=Release -DZINT_USE_PNG=OFF -DZINT_USE_QT=OFF -DZINT_FRONTEND=OFF -DZINT_SHARED=ON
  -DZINT_STATIC=OFF -DZINT_TEST=OFF)
# Debian's tarball leaves out the tablet headers the Windows platform plugin
# includes; the tablet feature is off so they are not needed. Direct2D stays
# on although Wardcheck draws nothing with it: Qt 6.4 builds its DirectWrite
# font engine only with Direct2D, and its Windows print engine and platform
# plugin do not link without that engine.
qt_configure=(-release -shared -xplatform win32-g++ -device-option CROSS_COMPILE=$host- -qt-host-path /usr
  -nomake examples -nomake tests -no-opengl -no-dbus -no-icu -no-pkg-config
  -no-feature-network -no-feature-androiddeployqt -no-feature-tabletevent -no-feature-vulkan
  -qt-zlib -qt-pcre -qt-libpng -qt-libjpeg -qt-freetype -qt-harfbuzz
  -sql-sqlite -system-sqlite -sql-odbc -no-sql-mysql -no-sql-psql -no-sql-ibase -no-sql-db2 -no-sql-oci)

log() { echo "windows-toolchain: $*" >&2; }

# Prints the versions on one line and the key on the next; fails where apt
# knows no source or the compiler is missing, without installing anything.
cache_key() {
  local versions="" v s
  for s in "${sources[@]}"; do
    v="$(apt-cache showsrc "$s" 2>/dev/null | sed -n 's/^Version: //p' | sort -V | tail -1)"
    [ -n "$v" ] || return 1
    versions+="$s=$v "
  done
  command -v $host-g++-posix >/dev/null || return 1
  versions+="gcc=$($host-g++-posix -dumpfullversion) "
  versions+="hostqt=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools 2>/dev/null) "
  echo "$versions"
  { echo "$versions"; printf '%s\n' "${sqlite_cflags[@]}" "${sodium_configure[@]}" "${zint_cmake[@]}" \
      "${qt_configure[@]}"; } | sha256sum | cut -c1-16
}

if [ "$cached_only" -eq 1 ]; then
  answer="$(cache_key)" || { log "not cached: apt knows no sources of ${sources[*]}, or MinGW is missing"; exit 1; }
  prefix="$cache/toolchain-$(tail -1 <<<"$answer")"
  [ -f "$prefix/.complete" ] || { log "not cached: no $prefix"; exit 1; }
  echo "$prefix"
  exit 0
fi

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
# Debian's archive for source packages, beside the binary one.
if ! grep -rqs '^Types:.*deb-src\|^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  log "adding Debian's source archive to apt"
  "${sudo[@]}" tee /etc/apt/sources.list.d/wardcheck-deb-src.sources >/dev/null <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  "${sudo[@]}" apt-get update -qq
fi
bash "$(dirname "$0")/install-packages.sh" g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64 \
  dpkg-dev autoconf automake libtool tcl make cmake ninja-build qt6-base-dev qt6-base-dev-tools qt6-base-private-dev

answer="$(cache_key)" || { log "apt knows no source package of ${sources[*]}"; exit 1; }
versions="$(head -1 <<<"$answer")"
key="$(tail -1 <<<"$answer")"
prefix="$cache/toolchain-$key"
if [ -f "$prefix/.complete" ]; then
  log "cached: $prefix"
  echo "$prefix"
  exit 0
fi

log "building into $prefix ($versions)"
started=$SECONDS
rm -rf "$prefix"
mkdir -p "$prefix"/{bin,lib/pkgconfig,include}
work="$cache/work-$key"
rm -rf "$work"
mkdir -p "$work"
cd "$work"

cat > "$prefix/toolchain.cmake" <<EOF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER $host-gcc-posix)
set(CMAKE_CXX_COMPILER $host-g++-posix)
set(CMAKE_RC_COMPILER $host-windres)
set(CMAKE_FIND_ROOT_PATH /usr/$host $prefix)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF

for s in "${sources[@]}"; do
  log "fetching the source of $s"
  apt-get source -qq "$s" >/dev/null 2>&1 || apt-get source "$s" >&2
done
srcdir() { find "$work" -maxdepth 1 -mindepth 1 -type d -name "$1-*" | head -1; }

log "SQLite"
s="$(srcdir sqlite3)"
(cd "$s" && ./configure -q >/dev/null && make -s sqlite3.c >/dev/null)
$host-gcc-posix "${sqlite_cflags[@]}" -o "$prefix/bin/libsqlite3-0.dll" "$s/sqlite3.c" \
  -Wl,--out-implib,"$prefix/lib/libsqlite3.dll.a"
cp "$s/sqlite3.h" "$s/sqlite3ext.h" "$prefix/include/"
sqlite_version="$(sed -n 's/^#define SQLITE_VERSION  *"\(.*\)"/\1/p' "$s/sqlite3.h")"
cat > "$prefix/lib/pkgconfig/sqlite3.pc" <<EOF
prefix=$prefix
Name: SQLite
Description: SQL database engine
Version: $sqlite_version
Libs: -L\${prefix}/lib -lsqlite3
Cflags: -I\${prefix}/include
EOF

# Windows' own ODBC driver manager, as pkg-config would describe unixODBC's.
cat > "$prefix/lib/pkgconfig/odbc.pc" <<EOF
Name: odbc
Description: the Windows ODBC driver manager (odbc32.dll)
Version: 3.80
Libs: -lodbc32
Cflags:
EOF

log "libsodium"
s="$(srcdir libsodium)"
(cd "$s" && autoreconf -fi >/dev/null 2>&1 &&
  ./configure -q CC=$host-gcc-posix --prefix="$prefix" "${sodium_configure[@]}" >/dev/null &&
  make -s -j"$jobs" >/dev/null 2>&1 && make -s install >/dev/null)

log "zint"
s="$(srcdir zint)"
cmake -S "$s" -B "$work/zint-build" -G Ninja "${zint_cmake[@]}" \
  -DCMAKE_TOOLCHAIN_FILE="$prefix/toolchain.cmake" -DCMAKE_INSTALL_PREFIX="$prefix" >/dev/null
cmake --build "$work/zint-build" -j"$jobs" >/dev/null
cmake --install "$work/zint-build" >/dev/null

log "Qt base (the long part: about 25 minutes on 2 cores)"
s="$(srcdir qtbase-opensource-src)"
[ -n "$s" ] || s="$(srcdir qt6-base)"
mkdir -p "$work/qtbase-build"
(cd "$work/qtbase-build" && "$s/configure" -prefix "$prefix" "${qt_configure[@]}" \
  -- -G Ninja -DCMAKE_TOOLCHAIN_FILE="$prefix/toolchain.cmake" \
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DSQLite3_INCLUDE_DIR="$prefix/include" -DSQLite3_LIBRARY="$prefix/lib/libsqlite3.dll.a" \
  > "$work/qtbase-configure.log" 2>&1) || { tail -40 "$work/qtbase-configure.log" >&2; exit 1; }
cmake --build "$work/qtbase-build" -j"$jobs" > "$work/qtbase-build.log" 2>&1 ||
  { grep -B5 -A20 'FAILED\|error:' "$work/qtbase-build.log" | head -80 >&2; exit 1; }
cmake --install "$work/qtbase-build" >/dev/null

echo "$versions" > "$prefix/versions.txt"
touch "$prefix/.complete"
# Toolchains of other keys are of older versions or options.
find "$cache" -mindepth 1 -maxdepth 1 -name 'toolchain-*' ! -name "toolchain-$key" -exec rm -rf {} +
find "$cache" -mindepth 1 -maxdepth 1 -name 'work-*' -exec rm -rf {} +
log "built in $(( (SECONDS - started) / 60 )) min $(( (SECONDS - started) % 60 )) s: $prefix"
echo "$prefix"

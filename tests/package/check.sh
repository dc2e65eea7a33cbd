#!/usr/bin/env bash
# Checks of what exifkit installs, run by CTest:
#   check.sh MODE BUILD_DIR SOURCE_DIR CXX "CXXFLAGS"
# MODE: headers | symbols | find_package | pkg-config | subproject | deb | manpage
set -euo pipefail
mode=$1 build=$2 source=$3 cxx=$4 flags=$5
sample=$source/tests/data/Canon_40D.jpg
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

install_to() {
  cmake --install "$build" --prefix "$1" >/dev/null
}

run_consumer() {
  local out
  out=$("$@" "$sample") || fail "$* exited with $?"
  grep -qx 'model: Canon EOS 40D' <<<"$out" || fail "unexpected output of $*: $out"
}

case $mode in
headers)
  # Each installed header compiles on its own, and nothing internal is installed.
  install_to "$scratch/p"
  headers=$(cd "$scratch/p/include/exifkit" && ls)
  expected=$(cd "$source/include/exifkit" && ls)
  [ "$headers" = "$expected" ] || fail "installed headers differ: $headers"
  for h in $headers; do
    echo "#include <exifkit/$h>" >"$scratch/one.cc"
    $cxx -std=c++20 -Wall -Wextra -Wpedantic -Werror -fsyntax-only -I"$scratch/p/include" "$scratch/one.cc" ||
      fail "exifkit/$h does not compile alone"
  done
  ;;
symbols)
  # The shared library exports the public API of namespace exifkit and nothing else.
  lib=$(ls "$build"/libexifkit.so.*.*.* | head -n 1)
  syms=$(nm -D --defined-only "$lib" | awk '{ $1 = ""; $2 = ""; sub(/^  /, ""); print }' | c++filt)
  unexpected=$(grep -vE '^((typeinfo( name)?|vtable) for )?exifkit::' <<<"$syms" | grep -vE '^(_init|_fini)$' || true)
  internal=$(grep -E 'exifkit::(detail|cli)::|\(anonymous namespace\)' <<<"$syms" || true)
  [ -z "$unexpected$internal" ] || fail "unexpected exported symbols:"$'\n'"$unexpected$internal"
  for name in 'exifkit::readEXIF(char const\*)' 'exifkit::readMetadata(char const\*, _IO_FILE\*)' \
              'exifkit::exifparse(unsigned char const\*, unsigned int)' 'exifkit::Reader::read(char const\*)' \
              'exifkit::canon_ifd(unsigned int, exifkit::tiff_view\*)' 'exifkit::makers' 'exifkit::tags' \
              'exifkit::debug' 'exifkit::getopt(int, char\* const\*, char const\*)' 'exifkit::vary_append' \
              'vtable for exifkit::ExifException'; do
    grep -q "^$name" <<<"$syms" || fail "missing exported symbol: $name"
  done
  grep -q 'SONAME.*libexifkit\.so\.[0-9]' <<<"$(readelf -d "$lib")" || fail "no versioned SONAME"
  ;;
find_package | subproject)
  # Installed and found by find_package, or built from the source folder.
  where=-DEXIFKIT_SOURCE="$source"
  [ "$mode" = subproject ] || { install_to "$scratch/p"; where=-DCMAKE_PREFIX_PATH="$scratch/p"; }
  cmake -S "$source/tests/package/consumer" -B "$scratch/b" "$where" \
        -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_CXX_FLAGS="$flags" >/dev/null
  cmake --build "$scratch/b" -j 2 >/dev/null
  run_consumer "$scratch/b/consumer"
  run_consumer "$scratch/b/consumer_static"
  ;;
pkg-config)
  install_to "$scratch/p"
  pc=$(find "$scratch/p" -name exifkit.pc)
  export PKG_CONFIG_PATH=$(dirname "$pc")
  [ "$(pkg-config --modversion exifkit)" = "$("$build/exifkit" -V | awk '{ print $2 }')" ] || fail "version"
  # The prefix follows the folder the file was installed to.
  [ "$(pkg-config --variable=includedir exifkit | xargs realpath)" = "$(realpath "$scratch/p/include")" ] ||
    fail "includedir does not point into the install prefix"
  $cxx -std=c++20 $flags "$source/tests/package/consumer/main.cc" -o "$scratch/consumer" \
       $(pkg-config --cflags --libs exifkit) -Wl,-rpath,"$(pkg-config --variable=libdir exifkit)"
  run_consumer "$scratch/consumer"
  $cxx -std=c++20 $flags "$source/tests/package/consumer/main.cc" -o "$scratch/consumer_static" \
       $(pkg-config --cflags exifkit) "$(pkg-config --variable=libdir exifkit)/libexifkit.a" \
       $(pkg-config --static --libs-only-l exifkit | sed 's/-lexifkit//')
  run_consumer "$scratch/consumer_static"
  ;;
deb)
  (cd "$build" && cpack -G DEB -B "$scratch/pkg" >/dev/null)
  deb=$(ls "$scratch"/pkg/*.deb)
  info=$(dpkg-deb --info "$deb")
  grep -q 'Package: exifkit' <<<"$info" || fail "no package name"
  grep -q 'Depends: .*libc6' <<<"$info" || fail "no dependencies"
  dpkg -x "$deb" "$scratch/root"
  for f in usr/bin/exifkit usr/include/exifkit/exifkit.h usr/include/exifkit/reader.h \
           usr/share/man/man1/exifkit.1; do
    [ -f "$scratch/root/$f" ] || fail "$f is not in the package"
  done
  for pattern in 'libexifkit.so' 'libexifkit.so.[0-9]*' 'libexifkit.a' 'exifkitConfig.cmake' \
                 'exifkitConfigVersion.cmake' 'exifkitTargets.cmake' 'exifkit.pc'; do
    [ -n "$(find "$scratch/root/usr/lib" -name "$pattern")" ] || fail "$pattern is not in the package"
  done
  [ -z "$(find "$scratch/root" -path '*/src/*')" ] || fail "internal files in the package"
  grep -q 'Camera Model: Canon EOS 40D' <<<"$("$scratch/root/usr/bin/exifkit" "$sample")" || fail "packaged command"
  ;;
manpage)
  # Every option of -h is in the manual page and the other way round; the
  # versions agree.
  page=$source/doc/exifkit.1
  command=$build/exifkit
  from_help=$("$command" -h | sed -n 's/^  \(-[A-Za-z]\).*/\1/p' | sort)
  from_page=$(sed -n '/^\.SH OPTIONS/,/^\.SH OUTPUT/p' "$page" |
              awk 'tp && /^\.BI? \\-[A-Za-z]/ { print "-" substr($2, 3, 1) } { tp = /^\.TP/ }' | sort)
  from_usage=$("$command" -h | head -n 1 | grep -o '\[-[A-Za-z]' | tr -d '[' | sort)
  [ "$from_help" = "$from_page" ] || fail "options differ: help [$from_help] page [$from_page]"
  [ "$from_help" = "$from_usage" ] || fail "usage line and option list differ"
  version=$("$command" -V | awk '{ print $2 }')
  grep -q "^\.TH EXIFKIT 1 .*\"exifkit $version\"" "$page" || fail "the page is not of version $version"
  MANWIDTH=80 man -l "$page" >/dev/null 2>"$scratch/err" || fail "man cannot render the page"
  [ ! -s "$scratch/err" ] || fail "man warns: $(cat "$scratch/err")"
  ;;
*)
  fail "unknown mode $mode"
  ;;
esac
echo "ok: $mode"

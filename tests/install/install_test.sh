#!/usr/bin/env bash
# install_test.sh BUILD PREFIX SOURCE [SANITIZER FLAGS]
# Installs BUILD into PREFIX (emptied first) and uses the installed tree as
# a user would. Each check prints one line; the first failure stops the test.
set -euo pipefail
build=$1 prefix=$2 source=$3 sanitize=${4:-}
work=$prefix.work
rm -rf "$prefix" "$work"
mkdir -p "$work"

fail() { echo "FAIL: $*" >&2; exit 1; }
ok() { echo "ok: $*"; }

cmake --install "$build" --prefix "$prefix" >"$work/install.log"
ok "cmake --install into $prefix"

# The tree: the library with its soname links, the headers in one folder,
# the package files, the error files, and the components' folders.
for path in lib/libtovik.so.1.0.0 lib/libtovik.so.1 lib/libtovik.so \
            include/tovik/tovik.h include/tovik/tovik_internal.h include/tovik/tovik_status.h \
            include/tovik/tovik_attributes.h include/tovik/tovik_vitypes.h \
            include/tovik/tovik_version.h lib/pkgconfig/tovik.pc \
            lib/cmake/tovik/tovikConfig.cmake lib/cmake/tovik/tovikConfigVersion.cmake \
            lib/cmake/tovik/tovikTargets.cmake \
            velmora/share/errors/English/tovik.err velmora/share/mierrors/tovik/Japanese/tovik.err \
            lib/tovik/simulator/libtovikpal.so lib/tovik/simulator/libvoGCtovikplugin.so \
            lib/tovik/standins/libivi.so.2 lib/tovik/standins/libvosysapi.so.1 \
            lib/tovik/standins/libSnooprLog.so bin/tovik-error bin/tovik-plot; do
  [[ -e $prefix/$path ]] || fail "$path is not installed"
done
[[ $(readlink "$prefix/lib/libtovik.so.1") == libtovik.so.1.0.0 ]] || fail "libtovik.so.1 link"
[[ $(readlink "$prefix/lib/libtovik.so") == libtovik.so.1 ]] || fail "libtovik.so link"
ok "installed tree"

# No installed binary carries a run path into the build tree; every export
# of the library carries the version node.
while IFS= read -r file; do
  if readelf -h "$file" >/dev/null 2>&1; then
    paths=$(readelf -d "$file" | sed -n 's/.*(R\(UN\)\{0,1\}PATH).*\[\(.*\)\]/\2/p')
    [[ $paths != *"$build"* ]] || fail "$file has the run path $paths"
  fi
done < <(find "$prefix" -type f)
readelf -d "$prefix/lib/libtovik.so.1" | grep -q 'Library soname: \[libtovik.so.1\]' || fail "soname"
unversioned=$(nm -D --defined-only "$prefix/lib/libtovik.so.1" | awk '$2 == "T" && $3 !~ /@@TOVIK_1\.0$/')
[[ -z $unversioned ]] || fail "exports outside TOVIK_1.0: $unversioned"
ok "no build-tree run paths; soname libtovik.so.1; exports in TOVIK_1.0"

# Every public header compiles alone as strict C99 from the prefix only,
# and tovik.h as C++ too.
for header in "$prefix"/include/tovik/*.h; do
  name=$(basename "$header")
  printf '#include <tovik/%s>\nint tovikHeaderCheck;\n' "$name" >"$work/$name.c"
  cc -std=c99 -Wall -Wextra -pedantic -Werror -I"$prefix/include" -c "$work/$name.c" \
     -o "$work/$name.o" || fail "$name does not compile as C99 from the prefix"
done
printf '#include <tovik/tovik_internal.h>\nint main() { return tovik_close(0) == TOVIK_ERROR_INVALID_SESSION_HANDLE ? 0 : 1; }\n' \
  >"$work/header.cc"
c++ -std=c++17 -Wall -Wextra -pedantic -Werror -I"$prefix/include" -c "$work/header.cc" -o "$work/header.o" \
  || fail "the headers do not compile as C++"
ok "every header compiles alone (C99 -Wall -Wextra -pedantic -Werror, and C++17)"

# The example against the prefix. At run time the library comes from the
# program's run path, never from LD_LIBRARY_PATH, which names only the
# simulated device and the stand-in platform: the library must find its own
# file to pin itself.
export LD_LIBRARY_PATH=$prefix/lib/tovik/simulator:$prefix/lib/tovik/standins
run_example() {
  local program=$1 how=$2
  "$program" >"$work/$how.out" 2>&1 || { cat "$work/$how.out"; fail "the example built with $how fails"; }
  grep -q "every step behaved as expected" "$work/$how.out" || fail "the example built with $how"
  ok "the example built with $how runs against the prefix"
}
example=$source/examples/simulated_session.c
# shellcheck disable=SC2046 # pkg-config's flags are words
PKG_CONFIG_PATH=$prefix/lib/pkgconfig cc -std=c99 -Wall -Wextra -pedantic -Werror $sanitize \
  "$example" $(PKG_CONFIG_PATH=$prefix/lib/pkgconfig pkg-config --cflags --libs tovik) -lm \
  -Wl,-rpath,"$(PKG_CONFIG_PATH=$prefix/lib/pkgconfig pkg-config --variable=libdir tovik)" \
  -o "$work/pkg-config-example" || fail "the example does not build with pkg-config"
[[ $(PKG_CONFIG_PATH=$prefix/lib/pkgconfig pkg-config --modversion tovik) == 1.0.0 ]] || fail "tovik.pc version"
run_example "$work/pkg-config-example" pkg-config

cmake -S "$source/tests/install/consumer" -B "$work/consumer" -DCMAKE_PREFIX_PATH="$prefix" \
  -DEXAMPLE_SOURCE="$example" -DCMAKE_C_FLAGS="$sanitize" >"$work/consumer.log" 2>&1 \
  || { cat "$work/consumer.log"; fail "find_package(tovik 1)"; }
cmake --build "$work/consumer" >>"$work/consumer.log" 2>&1 \
  || { cat "$work/consumer.log"; fail "the example does not build with find_package"; }
run_example "$work/consumer/simulated_session" "find_package(tovik 1)"
for wanted in 2 0.9; do
  if cmake -S "$source/tests/install/consumer" -B "$work/consumer-$wanted" -DCMAKE_PREFIX_PATH="$prefix" \
       -DEXAMPLE_SOURCE="$example" -DTOVIK_WANTED="$wanted" >/dev/null 2>&1; then
    fail "find_package(tovik $wanted) accepted version 1.0.0"
  fi
done
ok "find_package(tovik 2) and (tovik 0.9) refused"

# The tools run from the prefix with no environment at all.
unset LD_LIBRARY_PATH
"$prefix/bin/tovik-error" --language de -1074130544 >"$work/tovik-error.out" || fail "tovik-error"
grep -q "TOVIK_ERROR_INVALID_SESSION_HANDLE" "$work/tovik-error.out" || fail "tovik-error's name"
grep -q "Das Sitzungshandle ist ungültig" "$work/tovik-error.out" || { cat "$work/tovik-error.out"; fail "tovik-error's text"; }
"$prefix/bin/tovik-error" --version | grep -q "^libtovik 1.0.0 ($prefix/lib/libtovik.so.1.0.0)" \
  || fail "tovik-error --version names the installed library"
ok "tovik-error runs from the prefix"
rm -rf "$work"

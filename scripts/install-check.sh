#!/usr/bin/env bash
# Checks what a finished build installs and packages, as its users get it:
#
#   bash scripts/install-check.sh [BUILD]        (default: build)
#
# 1. `cmake --install BUILD --prefix P` into a temporary P: the tool, the four
#    static libraries, every public header of their folders (none of the
#    private *Local.h), the man page, the bash completion, the CMake
#    package and the pkg-config files of the libraries (valid, of the CMake
#    package's version); the libraries neither name LLVM nor leave LLVM
#    symbols to the linker, nor define any that LLVM Support defines;
# 2. the installed man page passes `groff -man -ww -z` without a word;
# 3. the installed tool runs the man page's examples on the demo's sample
#    program (tests/fixtures/extract_fixtures.py demo, as scripts/demo.sh);
# 4. the consumer project tests/consumer is configured against P (and the
#    build's LLVM, for its program with an LLVM of its own), built with
#    warnings as errors, and its tests run;
# 5. P is moved elsewhere, and the C consumer tests/consumer-c/tally.c is
#    built against it with gcc -std=c11 -Wall -Wextra -Werror and the flags of
#    `pkg-config --cflags --libs --static lumcc-cmdopt`; the C project
#    tests/consumer-c (LANGUAGES C only) builds it again through find_package,
#    compiles every public header of std and cmdopt as C11 and runs its tests
#    on both programs;
# 6. `cpack -G DEB` makes the tool's package; unpacked with `dpkg-deb -x`,
#    its tool runs the same examples.
# Nothing is built here but the consumers: BUILD must be built already.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$(cd "${1:-build}" && pwd)
jobs=$(nproc)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "install-check: $*" >&2; exit 1; }
step() { echo "== install-check: $*"; }

step "cmake --install"
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" > "$work/install.log" || { cat "$work/install.log"; exit 1; }
config=$(find "$prefix" -name lumccConfig.cmake)
[ -n "$config" ] || fail "no lumccConfig.cmake under the prefix"
package_dir=$(dirname "$config")
libdir=$(dirname "$(dirname "$package_dir")")
for file in bin/lumcc-extract share/man/man1/lumcc-extract.1.gz \
            share/bash-completion/completions/lumcc-extract; do
  [ -f "$prefix/$file" ] || fail "$file is not installed"
done
for file in lumccConfigVersion.cmake lumccTargets.cmake; do
  [ -f "$package_dir/$file" ] || fail "$file is not installed beside lumccConfig.cmake"
done
for library in lumstd lumcmdopt lumelf lumtargets; do
  [ -f "$libdir/lib$library.a" ] || fail "lib$library.a is not installed"
done

# The public headers of each library: every header of its folders but *Local.h.
public_headers() {
  for folder in "$@"; do ls "$root/$folder"; done | grep '\.h$' | grep -v 'Local\.h$' | sort
}
check_headers() {
  local name=$1
  shift
  diff <(public_headers "$@") <(ls "$prefix/include/lumcc/$name" | sort) \
    || fail "include/lumcc/$name differs from the public headers of $*"
}
check_headers std stdlib/utilities/std stdlib/utilities/threads/arch
check_headers cmdopt utilities/cmdopt
check_headers elf stdlib/internal/elf
check_headers targets targets
if grep -rlE '#[[:space:]]*include[[:space:]]*[<"]llvm/' "$prefix/include"; then
  fail "installed headers include LLVM headers"
fi
if grep -hv '^[[:space:]]*#' "$package_dir"/*.cmake | grep -qi llvm; then
  fail "the CMake package names LLVM outside its comments"
fi
if nm -u -C "$libdir/liblumtargets.a" | grep -q 'llvm::'; then
  fail "liblumtargets.a leaves LLVM symbols undefined"
fi
# The LLVM inside liblumtargets.a is private: a program that links an LLVM
# of its own must meet none of its symbols.
defined_symbols() {
  nm --defined-only --extern-only --format=posix "$@" 2> /dev/null \
    | awk 'NF >= 2 && $1 !~ /:$/ { print $1 }' | sort -u
}
llvm_dir=$(sed -n 's/^LLVM_DIR:PATH=//p' "$build/CMakeCache.txt")
llvm_lib=$(cd "$llvm_dir/../.." && pwd)
shared=$(comm -12 <(defined_symbols "$libdir/liblumtargets.a") \
                  <(defined_symbols "$llvm_lib/libLLVMSupport.a" "$llvm_lib/libLLVMDemangle.a") | head -n 3)
[ -z "$shared" ] || fail "liblumtargets.a defines symbols of LLVM Support, such as: $shared"
version=$(sed -n 's/^set(PACKAGE_VERSION "\(.*\)")$/\1/p' "$package_dir/lumccConfigVersion.cmake")
[ -n "$version" ] || fail "no version in lumccConfigVersion.cmake"
for library in std cmdopt elf targets; do
  [ -f "$libdir/pkgconfig/lumcc-$library.pc" ] || fail "lumcc-$library.pc is not installed"
  PKG_CONFIG_PATH=$libdir/pkgconfig pkg-config --validate "lumcc-$library" \
    || fail "lumcc-$library.pc is not valid"
  [ "$(PKG_CONFIG_PATH=$libdir/pkgconfig pkg-config --modversion "lumcc-$library")" = "$version" ] \
    || fail "lumcc-$library.pc is not of version $version"
done

step "groff -man -ww -z"
zcat "$prefix/share/man/man1/lumcc-extract.1.gz" > "$work/lumcc-extract.1"
groff -man -ww -z "$work/lumcc-extract.1" > "$work/groff.log" 2>&1 || true
[ ! -s "$work/groff.log" ] || { cat "$work/groff.log"; fail "groff warns about the man page"; }

step "the demo's sample program"
sample=$work/demo
python3 tests/fixtures/extract_fixtures.py demo "$sample" > /dev/null
printf -- '--app-name vecadd\n--mcpu tk-lum-gw3\n' > "$sample/vecadd.opts"

# Runs the man page's examples with the tool at $1 on the sample program.
run_examples() {
  local tool=$1 out=$work/out
  rm -rf "$out" && mkdir "$out"
  (
    cd "$sample"
    diff <("$tool" --info sample.a) - <<'EOF' || fail "$tool --info: wrong listing"
sample.a is a LUM program containing the following apps:
App: vecadd, Supported targets: tk-lum-tv7 tk-lum-gw3
App: reduce, Supported targets: tk-lum-tv7
EOF
    "$tool" --app-name vecadd --mcpu tk-lum-gw3 -o "$out/vecadd.elf" sample.a
    cmp "$out/vecadd.elf" dev_vecadd_gw3.elf
    "$tool" --app-name vecadd --mcpu tk-lum-gw3 --lum-proc-attr -o "$out/vecadd.attrs" sample.a
    cmp "$out/vecadd.attrs" blob_gw3.bin
    "$tool" --app-name reduce -o "$out/reduce.elf" sample.a
    cmp "$out/reduce.elf" dev_reduce_tv7.elf
    "$tool" -optf vecadd.opts -o "$out/vecadd-opts.elf" sample.a
    cmp "$out/vecadd-opts.elf" dev_vecadd_gw3.elf
    [ "$("$tool" --version | tail -n 1)" = "lumcc-extract version $version" ] \
      || fail "$tool --version does not end in version $version"
  ) || fail "$tool failed the examples"
}
run_examples "$prefix/bin/lumcc-extract"
completion=$prefix/share/bash-completion/completions/lumcc-extract
bash --norc --noprofile -c 'source "$1" && complete -p lumcc-extract' bash "$completion" > /dev/null \
  || fail "the installed completion does not register for lumcc-extract"

step "the consumer project against the prefix"
consumer=$work/consumer
cmake -S tests/consumer -B "$consumer" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_PREFIX_PATH="$prefix" -DLLVM_DIR="$llvm_dir" -DCMAKE_CXX_FLAGS="-Wall -Wextra -Werror" \
      > "$work/consumer.log" 2>&1 || { cat "$work/consumer.log"; exit 1; }
cmake --build "$consumer" -j "$jobs" >> "$work/consumer.log" 2>&1 \
  || { cat "$work/consumer.log"; exit 1; }
ctest --test-dir "$consumer" --output-on-failure

step "the C consumer against the prefix, moved"
moved=$work/moved/lumcc
mkdir -p "$work/moved"
mv "$prefix" "$moved"
export PKG_CONFIG_PATH=$moved${libdir#"$prefix"}/pkgconfig
if pkg-config --cflags --libs --static lumcc-targets | grep -qF "$prefix"; then
  fail "the pkg-config files name the prefix they were installed to"
fi
# What a Makefile does: the compiler line and pkg-config alone.
# shellcheck disable=SC2046 # pkg-config gives flags, one per word
gcc -std=c11 -Wall -Wextra -Werror $(pkg-config --cflags lumcc-cmdopt) tests/consumer-c/tally.c \
    $(pkg-config --libs --static lumcc-cmdopt) -o "$work/tally" \
    || fail "tally.c does not build with the flags of pkg-config"
consumer_c=$work/consumer-c
cmake -S tests/consumer-c -B "$consumer_c" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_PREFIX_PATH="$moved" -DCMAKE_C_FLAGS="-Wall -Wextra -Werror" \
      -DTALLY_ELSEWHERE="$work/tally" > "$work/consumer-c.log" 2>&1 \
  || { cat "$work/consumer-c.log"; exit 1; }
cmake --build "$consumer_c" -j "$jobs" >> "$work/consumer-c.log" 2>&1 \
  || { cat "$work/consumer-c.log"; exit 1; }
ctest --test-dir "$consumer_c" --output-on-failure

step "cpack -G DEB"
(cd "$build" && cpack -G DEB -B "$work/package") > "$work/cpack.log" 2>&1 \
  || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work/package"/lumcc-extract_*.deb)
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "$deb: not version $version"
[ -n "$(dpkg-deb -f "$deb" Depends)" ] || fail "$deb: no Depends"
unpacked=$work/unpacked
dpkg-deb -x "$deb" "$unpacked"
for file in usr/bin/lumcc-extract usr/share/man/man1/lumcc-extract.1.gz \
            usr/share/bash-completion/completions/lumcc-extract; do
  [ -f "$unpacked/$file" ] || fail "$deb: no /$file"
done
run_examples "$unpacked/usr/bin/lumcc-extract"
echo "install-check: $(basename "$deb") and the install tree are good"

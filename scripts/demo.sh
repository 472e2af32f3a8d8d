#!/usr/bin/env bash
# Builds lumcc-extract, makes a sample LUM program with the fixture builder
# (a gcc host object carrying two apps, one with device executables for two
# targets built by clang for RISC-V and process attributes, inside an ar
# archive), lists it, extracts one device executable and shows with readelf
# that the extracted file is the device ELF.
#
#   bash scripts/demo.sh            (installs missing packages through scripts/deps.sh)
#
# The build goes to build-demo/, the sample and the extracted file to
# build-demo/demo/.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs="${JOBS:-$(nproc)}"

step() { printf '\n== %s\n' "$*"; }
show() { printf '$ %s\n' "$*"; "$@"; }

bash scripts/deps.sh

step "Building lumcc-extract"
# DEMO_CMAKE_ARGS: extra configure arguments, if any are needed locally.
cmake -S . -B build-demo -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DLUM_BUILD_TESTS=OFF -DLUM_BUILD_BENCH=OFF ${DEMO_CMAKE_ARGS:-} > build-demo.log 2>&1 \
  || { cat build-demo.log; exit 1; }
cmake --build build-demo --target lumcc-extract -j "$jobs" >> build-demo.log 2>&1 \
  || { tail -50 build-demo.log; exit 1; }
rm -f build-demo.log
tool="$PWD/build-demo/tools/lumcc-extract/lumcc-extract"

step "Making the sample LUM program (gcc, clang for RISC-V, objcopy, ar)"
demo="$PWD/build-demo/demo"
rm -rf "$demo"
python3 tests/fixtures/extract_fixtures.py demo "$demo" > /dev/null
cd "$demo"
show ar t sample.a
echo '$ readelf -S -W sample.o | grep .lum_'
readelf -S -W sample.o | grep '\.lum_'

step "Listing the apps and their targets"
show "$tool" --info sample.a

step "Extracting app vecadd for target tk-lum-gw3"
show "$tool" --app-name vecadd --mcpu tk-lum-gw3 -o vecadd.elf sample.a
show ls -l vecadd.elf
show cmp vecadd.elf dev_vecadd_gw3.elf
echo "identical to the device executable that went in"

step "The extracted file is the RISC-V device ELF"
show readelf -h vecadd.elf

step "Its process attributes for the same target"
show "$tool" --app-name vecadd --mcpu tk-lum-gw3 --lum-proc-attr -o vecadd.attrs sample.a
show od -A d -c vecadd.attrs

#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors, runs every test and
# checks the install tree, the consumer projects and the Debian package of that
# build; then builds and runs the tests again under AddressSanitizer +
# UndefinedBehaviorSanitizer, and the thread and process tests once more under
# ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUM_WERROR=ON
cmake --build build -j "$jobs"
(cd build && ctest --output-on-failure -j "$jobs")
bash scripts/install-check.sh build

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLUM_WERROR=ON -DLUM_SANITIZE=ON -DLUM_BUILD_BENCH=OFF
cmake --build build-asan -j "$jobs"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j "$jobs")

cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLUM_WERROR=ON -DLUM_TSAN=ON -DLUM_BUILD_BENCH=OFF
cmake --build build-tsan -j "$jobs" --target lum_thread_tests
(cd build-tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" ctest --output-on-failure -j "$jobs" -L threads)

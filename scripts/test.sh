#!/usr/bin/env bash
# The whole test suite on a fresh machine: installs dependencies, builds every
# deliverable with AddressSanitizer and UBSan, and runs every CTest suite.
# Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

build=${VK_TEST_BUILD_DIR:-build/test}
# clang builds the suite so that the libFuzzer targets build with it.
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVK_SANITIZE=ON -DVK_BUILD_TESTS=ON
cmake --build "$build" -j2

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$build" --output-on-failure -j2 --timeout 900 "$@"

#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the
# suite as built normally, the same suite built with AddressSanitizer and
# UndefinedBehaviorSanitizer, and the chart reader's fuzzer for a bounded time;
# then builds it all with clang as well. Every build takes warnings as errors.
# Building and installing the Debian package (the label "package") is left
# out: it is slow and changes the system's packages.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

scripts/install-packages.sh test

echo "== The test suite"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCHARTVIEWER_TESTS=ON -DCHARTVIEWER_WERROR=ON
cmake --build build -j "$jobs"
(cd build && ctest --output-on-failure -j "$jobs" --timeout 600 -LE package)

echo "== The test suite under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DCHARTVIEWER_SANITIZE=ON -DCHARTVIEWER_TESTS=ON -DCHARTVIEWER_WERROR=ON
cmake --build build-sanitize -j "$jobs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# Some tests run the program as another user, who must be able to read this.
suppressions=$(mktemp /tmp/chartviewer-lsan-XXXXXX.supp)
trap 'rm -f "$suppressions"' EXIT
cp tests/sanitizers/lsan.supp "$suppressions" && chmod 644 "$suppressions"
export LSAN_OPTIONS=suppressions=$suppressions
(cd build-sanitize && ctest --output-on-failure -j "$jobs" --timeout 900 -LE package)

echo "== The chart reader under libFuzzer"
cmake -S . -B build-fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCHARTVIEWER_FUZZ=ON -DCHARTVIEWER_WERROR=ON
cmake --build build-fuzz -j "$jobs"
(cd build-fuzz && ctest --output-on-failure --timeout 900)

echo "== Everything built with clang too, for its warnings"
cmake -S . -B build-clang -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCHARTVIEWER_TESTS=ON -DCHARTVIEWER_WERROR=ON
cmake --build build-clang -j "$jobs"

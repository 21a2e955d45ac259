#!/usr/bin/env bash
# Builds the JUCE-free engine and its tests with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer, where any report fails the run, and runs them. Takes
# about a minute. Run tools/install-deps.sh first (tools/test.sh does).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TOVKA_SANITIZER_BUILD_DIR:-$root/build-sanitizers}"

sanitizers="-fsanitize=address,undefined -fno-sanitize-recover=all"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTOVKA_ENGINE_ONLY=ON -DTOVKA_BUILD_BENCHMARKS=OFF \
    "-DCMAKE_C_FLAGS=$sanitizers -fno-omit-frame-pointer" \
    "-DCMAKE_CXX_FLAGS=$sanitizers -fno-omit-frame-pointer" \
    "-DCMAKE_EXE_LINKER_FLAGS=$sanitizers" \
    "$@"
cmake --build "$build" --parallel "$(nproc)"
UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir "$build" --output-on-failure --parallel "$(nproc)"

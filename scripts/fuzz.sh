#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets (fuzz/*.cpp) with clang-14 in BUILD_DIR and runs each for
# SECONDS on its seed corpus fuzz/corpus/<target>. New inputs go to BUILD_DIR/fuzz-corpus,
# findings to BUILD_DIR/fuzz-artifacts; the script fails when a target finds one.
set -euo pipefail

if [ $# -ne 2 ]; then
    echo "usage: $0 BUILD_DIR SECONDS" >&2
    exit 2
fi
build=$1
seconds=$2
root=$(cd "$(dirname "$0")/.." && pwd)

CXX=clang++-14 cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTESSARY_FUZZ=ON -DTESSARY_GUI=OFF -DTESSARY_BENCH=OFF

targets=()
for src in "$root"/fuzz/*.cpp; do
    targets+=("$(basename "$src" .cpp)")
done
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"

mkdir -p "$build/fuzz-artifacts"
status=0
for target in "${targets[@]}"; do
    corpus="$build/fuzz-corpus/$target"
    mkdir -p "$corpus" "$root/fuzz/corpus/$target"
    echo "== $target for $seconds s"
    if ! "$build/bin/$target" -max_total_time="$seconds" -max_len=16384 -timeout=10 \
        -rss_limit_mb=2048 -artifact_prefix="$build/fuzz-artifacts/$target-" \
        "$corpus" "$root/fuzz/corpus/$target"; then
        echo "== $target found a failure; see $build/fuzz-artifacts" >&2
        status=1
    fi
done
exit $status

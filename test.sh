#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UndefinedBehaviorSanitizer, runs every
# test headless, then gives each fuzz target a few seconds on its seed corpus.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/deps.sh
tavrin_install_packages "${TAVRIN_BUILD_PACKAGES[@]}" "${TAVRIN_TEST_PACKAGES[@]}"

jobs="$(nproc)"
export QT_QPA_PLATFORM=offscreen

echo "== Includes"
python3 scripts/check_includes.py

echo "== Build (ASan + UBSan)"
cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVRIN_SANITIZE=ON -DTAVRIN_TESTS=ON >/dev/null
cmake --build build/asan -j"$jobs"

echo "== Tests"
ctest --test-dir build/asan -j"$jobs" --output-on-failure --timeout 600

echo "== Pixel paths in a Release build"
# The sanitizer build leaves out the AVX2 copies of the inner loops (picked when the program loads),
# so the tests that pin those paths byte for byte run once more in a plain optimised build.
pixel_tests=(test_compositing test_export test_filter_engine test_flood_fill test_resample_transforms
  test_effect_kernels test_effect_ops test_quantizer_reference test_document_model)
cmake -S . -B build/release-tests -DCMAKE_BUILD_TYPE=Release -DTAVRIN_TESTS=ON >/dev/null
cmake --build build/release-tests -j"$jobs" --target "${pixel_tests[@]}"
for t in "${pixel_tests[@]}"; do
  build/release-tests/tests/"$t" --gtest_brief=1 || { echo "$t failed in the Release build"; exit 1; }
done

echo "== Fuzz smoke run"
CC=clang CXX=clang++ cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVRIN_FUZZ=ON >/dev/null
cmake --build build/fuzz -j"$jobs"
seconds="${TAVRIN_FUZZ_SECONDS:-5}"
for target in build/fuzz/fuzz_*; do
  [ -f "$target" ] && [ -x "$target" ] || continue
  name="$(basename "$target")"
  work="$(mktemp -d)"
  if [ -d "fuzz/corpus/$name" ]; then cp -r "fuzz/corpus/$name/." "$work/"; fi
  echo "-- $name (${seconds}s)"
  ASAN_OPTIONS=detect_leaks=1 "$target" -max_total_time="$seconds" -print_final_stats=0 \
    -artifact_prefix="build/fuzz/$name-" "$work" >"build/fuzz/$name.log" 2>&1 || {
      tail -50 "build/fuzz/$name.log"; echo "fuzz target $name failed"; exit 1; }
  rm -rf "$work"
done
echo "== All tests passed"

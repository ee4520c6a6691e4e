#!/usr/bin/env bash
# Installs what is missing, builds the editor (Release) and starts it on the given files.
set -euo pipefail

files=()
for f in "$@"; do files+=("$(realpath -m -- "$f")"); done

cd "$(dirname "$0")"
. scripts/deps.sh
tavrin_install_packages "${TAVRIN_BUILD_PACKAGES[@]}"

cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DTAVRIN_TESTS=OFF >/dev/null
cmake --build build/release --target tavrin -j"$(nproc)"
exec build/release/tavrin "${files[@]}"

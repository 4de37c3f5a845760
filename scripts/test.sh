#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test: the Qt-free libraries under
# AddressSanitizer and UBSan, the window's tests in the normal build.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${EXEICON_SKIP_INSTALL:-0}" != 1 ]; then
  scripts/install-deps.sh
fi
jobs=$(nproc)

cmake --preset asan
cmake --build --preset asan -j "$jobs"
ctest --preset asan -j "$jobs"

cmake --preset dev
cmake --build --preset dev -j "$jobs"
ctest --preset dev -j "$jobs" -LE core

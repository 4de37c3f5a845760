#!/usr/bin/env bash
# Installs what is needed, builds, and starts the window program.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${EXEICON_SKIP_INSTALL:-0}" != 1 ]; then
  scripts/install-deps.sh
fi
cmake --preset dev
cmake --build --preset dev -j "$(nproc)"
if [ -x build/dev/app/exeicon ]; then
  exec build/dev/app/exeicon
fi

#!/usr/bin/env bash
# Installs every Debian 12 package that building, running and testing exeicon needs.
set -euo pipefail
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update
$sudo apt-get install -y --no-install-recommends \
  build-essential cmake ninja-build pkg-config git \
  clang-14 libclang-rt-14-dev \
  libspng-dev libgtest-dev libgmock-dev libbenchmark-dev \
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-qpa-plugins \
  fonts-wqy-zenhei \
  xvfb xauth xdotool imagemagick x11-utils \
  python3

#!/usr/bin/env bash
# Installs every package that building, testing and benchmarking Orvane needs (Debian 12, as root).
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends \
  build-essential g++ cmake cmark ninja-build pkg-config git \
  clang libclang-rt-14-dev \
  libgtest-dev libgmock-dev googletest libbenchmark-dev \
  libsndfile1-dev libcli11-dev libpng-dev zlib1g-dev \
  jackd2 jalv lv2-dev liblilv-dev lilv-utils \
  fonts-dejavu-core libcairo2-dev libfreetype-dev libx11-dev libxtst-dev xvfb xauth x11-utils xdg-utils \
  >/dev/null

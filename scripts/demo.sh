#!/usr/bin/env bash
# Installs what is needed, builds, and renders the demo to demo.wav (or the path given).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh release
out="${1:-demo.wav}"
build/bin/orvane-render --demo "$out"
echo "rendered $out"

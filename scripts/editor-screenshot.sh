#!/usr/bin/env bash
# Writes the README's picture of the editor (docs/editor.png, or the path given): the built-in
# skin of the build folder (default build/) showing a factory program with some sections on and
# audio running through the meters. The editor gets a private data folder, so the skin shown is
# the one just built, never one the user keeps.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD_DIR:-build}"
out="$(realpath -m "${1:-docs/editor.png}")"
home="$(mktemp -d)"
trap 'rm -rf "$home"' EXIT
XDG_DATA_HOME="$home" ORVANE_FACTORY_DIR="$PWD/$build/data" "$build/bin/orvane-editor" \
  --bank "$build/data/00 Factory.fxb" --program 5 \
  --set PanOn=1 --set PanShape=0.01 --set MmFilterOn=1 --set MmFilterType=0.03 \
  --set MmFilterCutoff=0.62 --set MmFilterRes=0.35 --set DelayOn=1 --set DelayMix=0.3 \
  --set ReverbOn=1 --set ReverbMix=0.22 --set MorphXParam=0.01 --set MorphYParam=0.02 \
  --set Seq1Tie3Vol=1 --set Seq1Tie7Vol=1 --set Seq1Tie11Vol=1 --set Seq1Tie15Vol=1 - >/dev/null <<SCRIPT
process 9600 0.6
wait 100
idle 12
process 4800 0.6
wait 100
idle 2
snapshot $out
SCRIPT
echo "wrote $out"

#!/usr/bin/env bash
# Installs what is missing, builds the Windows and the Linux program, and runs every test:
# unit and end-to-end natively, and the Windows build's tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh all
cmake --preset windows >/dev/null
cmake --build --preset windows
cmake --preset linux >/dev/null
cmake --build --preset linux
ctest --preset all

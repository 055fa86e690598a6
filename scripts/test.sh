#!/usr/bin/env bash
# Installs what is missing, builds the Windows and the Linux program, and runs every test:
# unit and end-to-end natively, and the Windows build's tests under Wine; then the native tests
# under the sanitizers, and the fuzz targets.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh all
cmake --preset windows >/dev/null
cmake --build --preset windows
cmake --preset linux >/dev/null
cmake --build --preset linux
ctest --preset all
# The unit, platform and native end-to-end tests again under AddressSanitizer and
# UndefinedBehaviorSanitizer; then each fuzz target for its bounded time.
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
ctest --preset fuzz

#!/usr/bin/env bash
# Installs what is missing, then builds both trees:
#   build/win32   the setup program, the robot and the Win32 tests (mingw-w64)
#   build/native  mkpackage, the native tests and the end-to-end scenarios
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/install-deps.sh

jobs=${JOBS:-$(nproc)}
cmake --preset win32 >/dev/null
cmake --build build/win32 -j "$jobs"
cmake --preset native -DSETUP_WIN32_BUILD="$root/build/win32" >/dev/null
cmake --build build/native -j "$jobs"

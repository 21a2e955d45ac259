#!/usr/bin/env bash
# Installs dependencies, builds Tovka and installs it for the current user.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TOVKA_BUILD_DIR:-$root/build}"

"$root/tools/install-deps.sh"
"$root/tools/configure.sh"
cmake --build "$build" --parallel "$(nproc)"

#!/usr/bin/env bash
# Installs the Debian 12 packages Tovka needs to build and test.
# Costs nothing when they are already present.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    clang libclang-rt-14-dev
    juce-modules-source fst-dev
    libgtest-dev libbenchmark-dev
    xvfb xauth
    # The editor's OpenGL context (GLX with mesa's software renderer under Xvfb)
    # and the on-screen tests' pointer input (XTest).
    libgl-dev libgl1-mesa-dri libx11-dev libxtst-dev
    python3
    # lv2_validate and the LV2 vocabularies it checks against; it runs sordi's
    # sord_validate, which lv2-dev does not pull in.
    lv2-dev sordi
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends "${missing[@]}"

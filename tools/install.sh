#!/usr/bin/env bash
# Installs dependencies, builds Tovka in every format and installs it for the
# current user:
#   ~/.vst/Tovka.so        VST 2.4-compatible plug-in (built with fst)
#   ~/.vst3/Tovka.vst3     VST3 bundle
#   ~/.lv2/Tovka.lv2       LV2 bundle
#   ~/.local/bin/Tovka     the Standalone application
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TOVKA_BUILD_DIR:-$root/build}"

"$root/tools/install-deps.sh"
"$root/tools/configure.sh"
cmake --build "$build" --parallel "$(nproc)" \
    --target Tovka_VST Tovka_VST3 Tovka_LV2 Tovka_Standalone

artefacts="$build/Tovka_artefacts/Release"

# Replaces a bundle folder or file as a whole, so nothing of an older build stays behind.
install_copy() {
    local from="$1" to="$2"
    mkdir -p "$(dirname "$to")"
    rm -rf "$to"
    cp -R "$from" "$to"
    echo "installed $to"
}

install_copy "$artefacts/VST/libTovka.so" "$HOME/.vst/Tovka.so"
install_copy "$artefacts/VST3/Tovka.vst3" "$HOME/.vst3/Tovka.vst3"
install_copy "$artefacts/LV2/Tovka.lv2" "$HOME/.lv2/Tovka.lv2"
install_copy "$artefacts/Standalone/Tovka" "$HOME/.local/bin/Tovka"

case ":$PATH:" in
*":$HOME/.local/bin:"*) ;;
*) echo "note: $HOME/.local/bin is not on your PATH; add it to start Tovka by name" ;;
esac

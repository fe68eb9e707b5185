#!/usr/bin/env bash
# Installs what is missing, builds, then starts the program ("run") or runs
# the whole test suite ("test"). Works as root or as a user with sudo.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$here/build"
packages=(g++ cmake make pkg-config qtbase5-dev qtbase5-dev-tools libqt5network5 libpng-dev zlib1g-dev libdeflate-dev
          libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_missing() {
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if [ "${#missing[@]}" -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        as_root apt-get update
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
    fi
}

build() {
    cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    cmake --build "$build" --parallel "$(nproc)"
}

case "${1:-}" in
    run)
        install_missing
        build
        exec "$build/kv-quillex"
        ;;
    test)
        install_missing
        # Warnings fail the test build, so none slips into main.
        build -DQUILLEX_WERROR=ON
        cd "$build"
        QT_QPA_PLATFORM=offscreen ctest --output-on-failure
        ;;
    *)
        echo "usage: $0 run|test" >&2
        exit 2
        ;;
esac

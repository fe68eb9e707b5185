#!/usr/bin/env bash
# Installs what is missing, builds, then starts the program ("run") or runs
# the whole test suite ("test"). Works as root or as a user with sudo.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$here/build"
packages=(g++ cmake make pkg-config qtbase5-dev qtbase5-dev-tools libqt5network5 libpng-dev zlib1g-dev libdeflate-dev
          libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev)
# The test command builds on Qt 6 too.
qt6_packages=(qt6-base-dev qt6-base-dev-tools)

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

# build DIR [TARGET] [cmake options...]: everything unless a target is named.
build() {
    local dir="$1" target="$2"
    shift 2
    cmake -S "$here" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    cmake --build "$dir" --parallel "$(nproc)" ${target:+--target "$target"}
}

run_tests() {
    (cd "$1" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure)
}

case "${1:-}" in
    run)
        install_missing
        build "$build" ""
        exec "$build/kv-quillex"
        ;;
    test)
        packages+=("${qt6_packages[@]}")
        install_missing
        # Warnings fail the test build, so none slips into main.
        build "$build" "" -DQUILLEX_WERROR=ON
        run_tests "$build"
        # Qt 6 shares nothing with the Qt 5 build: only the suite and the
        # window program are built on it.
        build "$build-qt6" quillex_tests -DQUILLEX_WERROR=ON -DQUILLEX_QT_MAJOR=6
        cmake --build "$build-qt6" --parallel "$(nproc)" --target kv-quillex
        run_tests "$build-qt6"
        ;;
    *)
        echo "usage: $0 run|test" >&2
        exit 2
        ;;
esac

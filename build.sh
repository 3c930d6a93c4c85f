#!/usr/bin/env bash
# Sets up a Debian/Ubuntu machine for Tarvok, builds it and runs it or its tests.
#   ./build.sh run    install what is missing, build, start the simulator on its built-in ROM
#   ./build.sh test   install what is missing, build, run every test (also under sanitizers)
set -euo pipefail
cd "$(dirname "$0")"

packages=(cmake ninja-build g++ clang clang-format clang-tidy libgtest-dev libgmock-dev
          libbenchmark-dev qt6-base-dev qt6-serialport-dev qt6-qpa-plugins libgl-dev)

install_missing() {
    local missing=()
    for package in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

build() {
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1"
}

case "${1:-}" in
    run)
        install_missing
        build release
        cd build/release/bin
        exec ./tarvok-cli --cycles 300000 --display "${@:2}"
        ;;
    test)
        install_missing
        build release
        .ci/check-style build/release
        ctest --preset release -j 2
        build sanitize
        ctest --preset sanitize -j 2 -L unit
        ;;
    *)
        echo "usage: $0 run|test" >&2
        exit 2
        ;;
esac

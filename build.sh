#!/usr/bin/env bash
# Sets up a Debian/Ubuntu machine for Tarvok, builds it and runs it or its tests.
#   ./build.sh run    install what is missing, build the programs, start the simulator's main
#                     window (the tests are not built); further arguments go to tarvok
#   ./build.sh test   install what is missing, build everything, run every test (also under
#                     sanitizers)
set -euo pipefail
invoked_from=$PWD
cd "$(dirname "$0")"
repo=$PWD

packages=(cmake ninja-build g++ clang clang-format clang-tidy libgtest-dev libgmock-dev
          libbenchmark-dev qt6-base-dev qt6-serialport-dev qt6-qpa-plugins libgl-dev
          libqt6svg6 qt6-translations-l10n)

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

# What `run` builds: the program it starts, the command-line simulator and the assembler a user
# works with beside it (the ROM image 6809.rom comes with the simulator). A program that `run`
# starts joins this list.
run_targets=(tarvok tarvok-cli tarvok-asm)

# build PRESET [TARGET...]: configure, then build the targets given, or everything.
build() {
    cmake --preset "$1" >/dev/null
    if [ $# -gt 1 ]; then
        cmake --build --preset "$1" --target "${@:2}"
    else
        cmake --build --preset "$1"
    fi
}

case "${1:-}" in
    run)
        install_missing
        build release "${run_targets[@]}"
        # From the caller's folder, so that a program file named on the command line is found.
        cd "$invoked_from"
        exec "$repo/build/release/bin/tarvok" "${@:2}"
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

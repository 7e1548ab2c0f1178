#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian machine, and nothing
# that is already there. Everything that runs in the program's process is
# 32-bit x86, so the i386 architecture and the multilib compilers come first.
set -euo pipefail

packages=(
  cmake
  g++
  g++-multilib            # 32-bit C++ compiler and run-time, sanitizer libraries included
  googletest              # GoogleTest sources, built for 32-bit by the project
  binutils-mingw-w64-i686 # windres: compiles the .rc resource scripts
  tmux                    # drives the terminal desktop in the tests
  clang-14                # the fuzz targets (scripts/fuzz.sh): clang with libFuzzer
  libclang-rt-14-dev      # libFuzzer and the sanitizer run-times of clang, the i386 ones included
  libasound2:i386         # ALSA for the 32-bit process: plays the card's sounds, and the wave output's tests
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=""
[[ $(id -u) -eq 0 ]] || sudo="sudo"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
echo "setup: installing ${missing[*]}" >&2
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}"

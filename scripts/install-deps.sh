#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing.
# Idempotent and quiet when everything is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build
  libgtest-dev googletest libjpeg62-turbo-dev libudev-dev pkg-config
  libcli11-dev nlohmann-json3-dev
  qt6-base-dev fonts-liberation
  xvfb xauth imagemagick
  openbox wmctrl x11-utils libxcb1-dev
  weston qt6-wayland xdotool
  g++-mingw-w64-x86-64-posix wine64 nsis
  clang-14 libclang-rt-14-dev
  scdoc librsvg2-bin desktop-file-utils appstream dpkg-dev man-db file lintian
  python3
  # The serial server in front of the simulator, for the remote port tests.
  ser2net
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null

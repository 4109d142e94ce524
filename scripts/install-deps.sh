#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build, the tests and the
# program need and this machine lacks. Runs as root, or through sudo.
set -euo pipefail

PACKAGES=(
  cmake make g++ pkg-config
  qt6-base-dev qt6-base-dev-tools
  libgtest-dev libgmock-dev
  fonts-dejavu-core xvfb xauth
  desktop-file-utils appstream
  # Test oracles: ncdu for scan files, gio with GVfs and a session bus for the trash.
  ncdu libglib2.0-bin gvfs gvfs-daemons dbus-daemon
  # A card of its own for the trash tests: an ext4 image, loop-mounted.
  e2fsprogs mount
  # Scan files are read and written by streaming with RapidJSON.
  rapidjson-dev
  # Kept scans are compressed with zstd; its tool reads them back in the tests.
  libzstd-dev zstd
  # Fuzz targets: clang with libFuzzer and the sanitizers' runtime.
  clang libclang-rt-14-dev
)

missing=()
for package in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"

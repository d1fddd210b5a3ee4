#!/usr/bin/env bash
# Installs every Debian package that building, testing and benchmarking KVD Viewer needs,
# and generates the fr_FR.UTF-8 locale that the tests use for the "," decimal separator.
# Safe to run again: packages already present are left alone.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-charts-dev libqt6opengl6-dev libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev libicu-dev
  clang libclang-rt-14-dev
  locales fonts-wine fonts-dejavu-core
  xvfb xauth x11-utils
  datamash time
  python3 python3-jsonschema
  groff-base
)

# Runs a command as root: directly when root, else through sudo; without sudo, says
# what to run instead.
as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  elif command -v sudo >/dev/null 2>&1; then
    sudo "$@"
  else
    echo "setup.sh needs root to run: $*" >&2
    echo "sudo is not installed. Run this script as root instead:  su -c 'bash $0'" >&2
    echo "(or install sudo as root: su -c 'apt-get install sudo', and add yourself to the sudo group)" >&2
    exit 1
  fi
}

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  as_root apt-get update -q
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

if ! locale -a 2>/dev/null | grep -qi '^fr_FR\.utf-\?8$'; then
  if ! grep -q '^fr_FR.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    echo 'fr_FR.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
  fi
  as_root locale-gen >/dev/null
fi

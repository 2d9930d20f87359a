#!/usr/bin/env bash
# Installs the Debian packages the build needs, when any is missing (run as root on Debian 12).
set -euo pipefail

# The build, the tests and the Python package's tests and wheel.
packages=(cmake g++ make pkg-config qtbase5-dev libqt5svg5-dev fonts-dejavu-core libarmadillo-dev libfast-float-dev tzdata help2man
          python3 python3-numpy python3-pandas python3-pytest python3-venv python3-pip)
packages+=("$@")

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi

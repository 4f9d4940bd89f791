#!/usr/bin/env bash
# Installs the Debian 12 packages Wardcheck needs to build, run and test.
# Installs only what is missing; uses sudo when not run as root.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-qpa-plugins
  libqt6sql6-sqlite libqt6sql6-odbc libgl-dev libxkbcommon-dev qt6-base-private-dev
  libzint-dev libsodium-dev libsqlite3-dev sqlite3
  unixodbc unixodbc-dev odbcinst tdsodbc
  fonts-dejavu-core fonts-crosextra-carlito fonts-liberation
  xvfb xauth xdotool imagemagick zbar-tools poppler-utils
  # cupsd, lpadmin and the cups-pdf backend for tst_wristband_cups, which runs a cupsd of its own
  libcups2-dev cups-daemon cups-client printer-driver-cups-pdf
  clang-14 libclang-rt-14-dev
  dpkg-dev file lintian
  # check_policy_templates.py, the check of the Windows Group Policy template (stdlib only)
  python3
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  sudo=()
elif command -v sudo >/dev/null; then
  sudo=(sudo)
else
  echo "These packages are missing and neither root nor sudo is available: ${missing[*]}" >&2
  exit 1
fi

echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"

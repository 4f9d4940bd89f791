#!/usr/bin/env bash
# Installs the Debian 12 packages Wardcheck needs to build, run and test on
# Linux (only what is missing; scripts/install-packages.sh).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-qpa-plugins
  libqt6sql6-sqlite libqt6sql6-odbc libgl-dev libxkbcommon-dev qt6-base-private-dev
  libzint-dev libsodium-dev libsqlite3-dev sqlite3
  # the audit record in the systemd journal; its test runs a journald of its own
  libsystemd-dev systemd
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

exec bash "$(dirname "$0")/install-packages.sh" "${packages[@]}"

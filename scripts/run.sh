#!/usr/bin/env bash
# Installs what is missing, builds Wardcheck with its embedded demo hospital
# database, and starts it on that database (--demo). Log in as "nurse" with
# the password "wardcheck".
# Arguments are passed to the program (for example --wristbands, which opens
# the wristband screen after logging in; Ctrl+W on the main menu does too).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DWARDCHECK_BUILD_TESTS=OFF -DWARDCHECK_BUILD_BENCH=OFF >/dev/null
cmake --build build/release -j"$(nproc)"

echo "Demo database (made-up patients, not for patient care): $PWD/build/release/bin/hospital.db"
echo "Demo barcodes to print and scan: $PWD/build/release/demo-barcodes.pdf"
echo "Log in as: nurse / wardcheck"
echo "Print Wristbands: Ctrl+W on the main menu, or start with: scripts/run.sh --wristbands"
exec build/release/bin/wardcheck --demo "$@"

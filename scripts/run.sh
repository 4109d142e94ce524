#!/usr/bin/env bash
# Installs what is missing, builds Volumetra and starts it on this machine's
# storage. Without a display it runs under a virtual one (xvfb-run).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)" --target volumetra

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec ./build/volumetra
fi
echo "No display found: starting Volumetra on a virtual display (xvfb-run)."
exec xvfb-run -a ./build/volumetra

#!/usr/bin/env bash
# Installs what is missing, builds, and shows Orbek at work without a meter:
# a simulated meter on a virtual port, and the window connected to it. The
# simulator stops when the window closes. With a real meter plugged in, run
# build/release/app/orbek instead (or orbek, once installed).
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run.sh: no display: neither DISPLAY nor WAYLAND_DISPLAY is set, and Orbek is a window." \
    "On a machine without a desktop, try: xvfb-run bash tools/run.sh" >&2
  exit 1
fi

bash tools/install-deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j"$(nproc)"

link="${XDG_RUNTIME_DIR:-/tmp}/orbek-meter-$$"
build/release/tools/orbek-meter-sim --link "$link" --count 300 --quiet >/dev/null 2>&1 &
meter=$!
trap 'kill "$meter" 2>/dev/null; wait "$meter" 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  [ -e "$link" ] && break
  sleep 0.1
done
if [ ! -e "$link" ]; then
  echo "run.sh: the simulated meter did not start" >&2
  exit 1
fi
echo "run.sh: started a simulated meter on $link and Orbek with it as a port: press Connect, then Receive; closing the window stops the meter."
build/release/app/orbek --port "$link"

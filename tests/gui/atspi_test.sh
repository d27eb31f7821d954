#!/usr/bin/env bash
# The window under Xvfb on a session bus of its own, with the AT-SPI bus and
# registry a desktop runs, and a simulated meter to connect to; then
# atspi_walk.py reads it as a screen reader would.
#   atspi_test.sh WINDOW_DRIVER METER_SIM WALK_SCRIPT
# Everything it starts runs in a process group of its own, ended at the end,
# and writes to a log shown then: nothing is left holding the caller's output.
set -uo pipefail
driver=$1 sim=$2 walk=$3
work=$(mktemp -d)
export XDG_STATE_HOME=$work/state XDG_RUNTIME_DIR=$work/run
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
setsid bash -c '
  driver=$0 sim=$1 walk=$2 work=$3
  "$sim" --link "$work/ttyMETER" &
  for _ in $(seq 50); do [ -e "$work/ttyMETER" ] && break; sleep 0.1; done
  dbus-run-session -- bash -c "
    /usr/libexec/at-spi-bus-launcher --launch-immediately &
    export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb
    xvfb-run -a -s \"-screen 0 1280x1024x24\" bash -c \"
      \\\"$driver\\\" \\\"$work/ttyMETER\\\" --idle &
      timeout 90 /usr/bin/python3 -u \\\"$walk\\\" orbek_window_driver >\\\"$work/walk\\\"
    \"
  "
  cat "$work/walk"
  grep -q "accessible objects walked" "$work/walk" && ! grep -qv "accessible objects walked" "$work/walk"
' "$driver" "$sim" "$walk" "$work" >"$work/log" 2>&1 &
group=$!
wait "$group"
status=$?
kill -- -"$group" 2>/dev/null
grep -v "fd limit" "$work/log"
rm -rf "$work"
exit "$status"

#!/usr/bin/env bash
# An idle program waiting in GetMessageA with no timer uses no processor
# time: measured over ten seconds from the kernel's accounting.
#   idle.sh CVPANEL TEST_MODULES_DIR
set -u
cvpanel=$1
modules=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
"$cvpanel" --machine "$work/m" --help >/dev/null
: >"$work/empty.scn" # an empty script: the run ends at the program's first wait
"$cvpanel" --machine "$work/m" --script "$work/empty.scn" </dev/null >/dev/null 2>&1
ln -sfn "$modules/IDLE.EXE" "$work/m/drive_c/Program Files/Orbiq/CVPANEL.EXE"
"$cvpanel" --machine "$work/m" </dev/null >/dev/null 2>&1 &
pid=$!
sleep 1
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; } # user + system, in clock ticks
before=$(ticks)
sleep 10
after=$(ticks)
hz=$(getconf CLK_TCK)
used=$((after - before))
echo "idle: ${used} ticks of processor time in 10 s (${hz} ticks a second)"
kill -0 "$pid" || { echo "FAIL: the program is not running"; exit 1; }
# One tick (10 ms) of slack for the kernel's accounting granularity.
if [[ $used -gt 1 ]]; then echo "FAIL: an idle program used processor time"; exit 1; fi
echo "idle: 1 passed, 0 failed"

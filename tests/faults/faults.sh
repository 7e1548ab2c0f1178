#!/usr/bin/env bash
# Fault injection over a whole session (session.scn).
#
# For each family of calls (DirectSound, the mixer) the session is run again
# and again with the 1st, 2nd, 3rd ... call of the family failing, until a
# run makes fewer calls than the one that should fail. Every run must end on
# its own (no crash, no sanitizer report, no hang), and what the registry
# held before it must still be there. A failure may rightly change what the
# script sees (a page missing, a message box in the way), so the script's
# own verdict (0, 1 or 2) is not judged, only that the program survived.
#
# Then damaged device state files (DIR/devices), and the registry file made
# read-only: the program goes on, and the registry file stays byte for byte
# as it was, mode included.
#   faults.sh CVPANEL
# FAULT_FAMILIES="dsound" (or "") limits the call families that are tried.
set -u
cvpanel=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
jobs=$(nproc)
failures=0 runs=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Runs the session on a fresh machine in folder $1, after the setup lines
# given (a machine profile key, say); leaves the exit status in $1/status.
run() {
  local dir=$1
  shift
  rm -rf "$dir" && mkdir -p "$dir"
  { printf '%s\n' "$@"; cat "$here/session.scn"; } >"$dir/session.scn"
  timeout 120 "$cvpanel" --machine "$dir/m" --script "$dir/session.scn" --trace "$dir/trace" \
    </dev/null >"$dir/out" 2>"$dir/err"
  echo $? >"$dir/status"
}

# The run in folder $1 ended by itself and kept what was stored.
check_run() {
  local dir=$1 label=$2 status
  status=$(cat "$dir/status")
  runs=$((runs + 1))
  if [[ $status -ge 3 ]]; then
    fail "$label: exit status $status"; sed -n 1,20p "$dir/err"
  elif grep -qE 'Sanitizer|runtime error' "$dir/err"; then
    fail "$label: sanitizer report"; sed -n 1,20p "$dir/err"
  fi
  grep -q '"Kept"="stored before the run"' "$dir/m/registry.reg" ||
    fail "$label: the registry lost a value stored before the run"
  grep -q '^\[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\MEDIA\\0001\\Config\]' \
    "$dir/m/registry.reg" || fail "$label: the registry lost the card's driver key"
}

# Without a fault the session runs to its end.
run "$work/base"
check_run "$work/base" "no fault"
[[ $(cat "$work/base/status") -eq 0 ]] || { fail "the session fails without a fault"; cat "$work/base/err"; }

for family in ${FAULT_FAMILIES-dsound mixer}; do
  n=1 calls=""
  while [[ -z $calls ]]; do
    # A batch of runs at once, one a processor.
    for ((i = 0; i < jobs; i++)); do
      run "$work/run$i" "machine faults ${family}_call $((n + i))" &
    done
    wait
    for ((i = 0; i < jobs; i++)); do
      check_run "$work/run$i" "$family call $((n + i))"
      # A run in which no call failed made fewer calls than that.
      if [[ -z $calls ]] && ! grep -q '"ev": "fault"' "$work/run$i/trace"; then calls=$((n + i - 1)); fi
    done
    n=$((n + jobs))
    [[ $n -le 1000 ]] || { fail "$family: more than 1000 calls"; break; }
  done
  echo "faults: $family: each of ${calls:-?} calls failed in turn"
done

# The device drivers' state files damaged: bytes that are no text, lines
# without "=", values of the wrong form or size, client entries that name
# nobody. The session runs as on a new machine.
for damage in binary values; do
  dir=$work/devices-$damage
  run "$dir"
  for state in "$dir"/m/devices/*.state; do
    if [[ $damage == binary ]]; then
      # Every byte value, a NUL in a line, a line of 5000 characters.
      { for ((b = 0; b < 256; b++)); do printf "\\$(printf %03o $b)"; done
        printf 'a = b\0c\n'; head -c 5000 /dev/zero | tr '\0' x; echo; } >"$state"
    else
      printf '%s\n' "speaker_config = many" "0.00000000.volume = 1 2 3 4 5" \
        "0.00000000.mute = -7" "0.dest.FFFF0001.mux = 9" "option.0 = zz" "driver.12 = 01" \
        "1234.5 = 0 0 99999999999 x" "= 3" "novalue =" >"$state"
    fi
  done
  rm -f "$dir/trace"
  timeout 120 "$cvpanel" --machine "$dir/m" --script "$here/session.scn" --trace "$dir/trace" \
    </dev/null >"$dir/out" 2>"$dir/err"
  echo $? >"$dir/status"
  check_run "$dir" "device state files: $damage"
  [[ $(cat "$dir/status") -eq 0 ]] || { fail "device state files: $damage: exit $(cat "$dir/status")"; cat "$dir/err"; }
done

# A read-only registry file.
dir=$work/readonly
run "$dir"
cp "$dir/m/registry.reg" "$work/before.reg"
chmod a-w "$dir/m/registry.reg"
# The session without its setup line, which would write to the registry.
grep -v '^reg set' "$here/session.scn" >"$dir/readonly.scn"
timeout 120 "$cvpanel" --machine "$dir/m" --script "$dir/readonly.scn" </dev/null \
  >"$dir/out" 2>"$dir/err"
status=$?
runs=$((runs + 1))
[[ $status -eq 0 ]] || { fail "read-only registry: exit status $status"; cat "$dir/err"; }
cmp -s "$work/before.reg" "$dir/m/registry.reg" || fail "read-only registry: the file changed"
mode=$(stat -c %a "$dir/m/registry.reg")
[[ $mode == 444 ]] || fail "read-only registry: its mode changed to $mode"

echo "faults: $runs runs, $failures failed"
[[ $failures -eq 0 ]]

#!/usr/bin/env bash
# Runs one scenario script on a fresh machine and checks how it ended.
#   run.sh CVPANEL TESTAPP SCRIPT
#
# The machine is a temporary folder; the run's current folder holds
# TESTAPP.EXE (a link to the built test program), so that the script can put
# it in place of the program:
#   file put "C:\Program Files\Orbiq\CVPANEL.EXE" TESTAPP.EXE
#
# Lines of the script that start with "#!" tell the runner what to expect
# (they are comments to cvpanel):
#   #! args WORDS    the program's command line
#   #! status N      the exit status (default 0)
#   #! stderr TEXT   TEXT appears in what cvpanel wrote to stderr (repeatable)
# When SCRIPT.out exists beside the script (name.scn -> name.out), the
# standard output (what `screen` printed) must equal it; with
# CVPANEL_UPDATE_SCREENS=1 in the environment the file is written instead.
set -u
cvpanel=$(realpath "$1")
testapp=$(realpath "$2")
script=$(realpath "$3")
expected_out=${script%.scn}.out
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

args=()
status=0
stderr_wanted=()
while IFS= read -r line; do
  case $line in
    '#! args '*) read -r -a args <<<"${line#'#! args '}" ;;
    '#! status '*) status=${line#'#! status '} ;;
    '#! stderr '*) stderr_wanted+=("${line#'#! stderr '}") ;;
  esac
done <"$script"

ln -s "$testapp" "$work/TESTAPP.EXE"
(cd "$work" && timeout 60 "$cvpanel" --machine "$work/machine" --script "$script" -- "${args[@]}" \
  >"$work/stdout" 2>"$work/stderr" </dev/null)
got=$?

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
[[ $got -eq $status ]] || fail "exit status $got, expected $status"
for text in "${stderr_wanted[@]}"; do
  grep -qF -- "$text" "$work/stderr" || fail "stderr lacks: $text"
done
if [[ -f $expected_out && ${CVPANEL_UPDATE_SCREENS:-} == 1 ]]; then
  cp "$work/stdout" "$expected_out"
elif [[ -f $expected_out ]]; then
  diff -u "$expected_out" "$work/stdout" || fail "the screen differs from $(basename "$expected_out")"
fi
if [[ $failures -gt 0 ]]; then
  echo "--- stderr of the run:"
  cat "$work/stderr"
  exit 1
fi
echo "$(basename "$script"): passed"

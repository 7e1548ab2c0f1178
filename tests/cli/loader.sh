#!/usr/bin/env bash
# The user's command: options, creating a machine, starting the program
# module with its command line, and the trace of the run.
#   loader.sh CVPANEL TEST_MODULES_DIR
set -u
cvpanel=$1
modules=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# --help lists the options and creates nothing, even with --machine.
out=$("$cvpanel" --machine "$work/m" --help) || fail "--help exit status"
for option in --machine --script --trace --help --version; do
  grep -q -- "$option" <<<"$out" || fail "--help does not list $option"
done
[[ ! -e "$work/m" ]] || fail "--help created the machine"

"$cvpanel" --version | grep -q '^cvpanel 1\.2\.0\.3$' || fail "--version"

"$cvpanel" --bogus >/dev/null 2>&1; [[ $? -eq 2 ]] || fail "an unknown option must exit 2"

# A missing machine folder is created with the default installation. An
# empty script ends the run as soon as the program waits for input.
: >"$work/empty.scn"
CVPANEL_MACHINE="$work/m" "$cvpanel" --script "$work/empty.scn" >/dev/null 2>&1
m=$work/m
head -c 8 "$m/registry.reg" | grep -q '^REGEDIT4' || fail "registry.reg does not start with REGEDIT4"
grep -q 'Services\\Class\\MEDIA\\0001\\Config\]' "$m/registry.reg" || fail "no driver key in the registry"
grep -q '"Driver"="MEDIA\\\\0001"' "$m/registry.reg" || fail "no Enum\\PCI instance leading to the driver"
[[ -f "$m/drive_c/WINDOWS/SOUNDCFG.INI" ]] || fail "no SOUNDCFG.INI"
[[ -f "$m/machine.ini" ]] || fail "no machine.ini"
for link in "drive_c/Program Files/Orbiq/CVPANEL.EXE" "drive_c/WINDOWS/SYSTEM/CVTHK32.DLL"; do
  [[ -L "$m/$link" ]] || fail "$link is not linked to the build"
done

# With a program module in place, the command line reaches it and its
# result is the exit status; the trace records the run.
ln -sfn "$modules/PROGRAM.EXE" "$m/drive_c/Program Files/Orbiq/CVPANEL.EXE"
"$cvpanel" --machine "$m" --trace "$work/trace" OPEN; status=$?
[[ $status -eq 7 ]] || fail "command line OPEN: exit $status, expected 7"
grep -q '"ev": "start", "cmdline": "OPEN"' "$work/trace" || fail "no start event"
grep -q '"ev": "debug", "text": "C:\\\\Program Files\\\\Orbiq\\\\CVPANEL.EXE"' "$work/trace" \
  || fail "the program does not see its Windows path"
grep -q '"ev": "exit", "code": 7' "$work/trace" || fail "no exit event"
"$cvpanel" --machine "$m" -- " OPEN"; [[ $? -eq 3 ]] || fail "\" OPEN\" must reach the program as it is"
"$cvpanel" --machine "$m" -- --help >/dev/null; [[ $? -eq 3 ]] || fail "words after -- belong to the program"

# A malformed machine.ini is refused with its line number.
printf '[user]\nlanguage = 1033\nfrobnicate = 1\n' >"$m/machine.ini"
err=$("$cvpanel" --machine "$m" 2>&1); status=$?
[[ $status -eq 1 ]] || fail "a bad machine.ini must exit 1"
grep -q 'machine.ini:3:' <<<"$err" || fail "the error must name machine.ini line 3: $err"

if [[ $failures -eq 0 ]]; then echo "loader: all checks held"; fi
exit $((failures > 0))

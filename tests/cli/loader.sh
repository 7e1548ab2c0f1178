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

# Bad command lines and surroundings: each ends with a message on stderr
# and the status given, and touches nothing it was not asked to.
printf '[user]\nlanguage = 1033\n' >"$m/machine.ini"
: >"$work/plain-file"
mkdir -p "$work/readonly" && chmod a-w "$work/readonly"
# Columns: expected status, a word of the message, then the command's words.
bad_cases=(
  "2|needs a value|--machine"
  "2|needs a value|--machine $m --trace"
  "2|needs a value|--script"
  "1|$work/plain-file|--machine $work/plain-file --script $work/empty.scn"
  "2|$work/no-such.scn|--machine $m --script $work/no-such.scn"
  "2|$work|--machine $m --script $work"
  "1|--trace|--machine $m --script $work/empty.scn --trace $work/no-such-folder/trace"
  "1|--trace|--machine $m --script $work/empty.scn --trace $work"
)
[[ $(id -u) -eq 0 ]] ||
  bad_cases+=("1|$work/readonly/m|--machine $work/readonly/m --script $work/empty.scn")
for case in "${bad_cases[@]}"; do
  IFS='|' read -r want word args <<<"$case"
  # shellcheck disable=SC2086 # the words of the case, split on purpose
  err=$("$cvpanel" $args 2>&1 </dev/null); status=$?
  [[ $status -eq $want ]] || fail "cvpanel $args: exit $status, expected $want ($err)"
  grep -qF -- "$word" <<<"$err" || fail "cvpanel $args: the message lacks \"$word\": $err"
done
[[ ! -e "$work/no-such-folder" ]] || fail "a bad --trace created a folder"
chmod u+w "$work/readonly"

# Without --machine, CVPANEL_MACHINE or HOME there is no machine to use.
err=$(env -u CVPANEL_MACHINE -u HOME "$cvpanel" --script "$work/empty.scn" 2>&1); status=$?
[[ $status -eq 2 ]] || fail "no machine folder: exit $status, expected 2"
grep -q 'no machine folder' <<<"$err" || fail "no machine folder: $err"

# The program missing from the machine, or a module without WinMain.
rm "$m/drive_c/Program Files/Orbiq/CVPANEL.EXE"
err=$("$cvpanel" --machine "$m" 2>&1 </dev/null); status=$?
[[ $status -eq 1 ]] || fail "no program: exit $status, expected 1"
grep -q 'is not installed on the machine' <<<"$err" || fail "no program: $err"
ln -s "$modules/NOENTRY.DLL" "$m/drive_c/Program Files/Orbiq/CVPANEL.EXE"
err=$("$cvpanel" --machine "$m" 2>&1 </dev/null); status=$?
[[ $status -eq 1 ]] || fail "no WinMain: exit $status, expected 1"
grep -q 'is not installed on the machine' <<<"$err" || fail "no WinMain: $err"

if [[ $failures -eq 0 ]]; then echo "loader: all checks held"; fi
exit $((failures > 0))

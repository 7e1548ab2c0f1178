#!/usr/bin/env bash
# Runs one scenario script on a fresh machine and checks how it ended.
#   run.sh CVPANEL TESTAPP SCRIPT
#
# The machine is a temporary folder made with the default installation, so
# the program that runs is the built CVPANEL.EXE. The run's current folder
# holds links to the built test modules (TESTAPP.EXE, VERSIONONLY.DLL, ...)
# and to the files in fixtures/ (damaged libraries), so that a script can put
# one in place of the program or a library:
#   file put "C:\Program Files\Orbiq\CVPANEL.EXE" TESTAPP.EXE
#
# Lines of the script that start with "#!" tell the runner what to expect
# (they are comments to cvpanel). Their words are split as the shell splits
# them: quotes group blanks into a word, "" is an empty word.
#   #! args WORDS    the program's command line: the words joined by blanks
#   #! status N      the exit status (default 0)
#   #! stderr TEXT   TEXT appears in what cvpanel wrote to stderr (repeatable)
#   #! trace N FIELD=VALUE ...
#                    exactly N lines of the run's trace have every field with
#                    that value (VALUE as the JSON line writes it, without the
#                    quotes of a text: ev=dll.call args=[110] t=1000)
#   #! trace then FIELD=VALUE ...
#                    a trace line with these fields comes after the one that
#                    the previous "then" line found (the first: anywhere)
#   #! variant WORDS the script runs once for each variant line, each time on
#                    a fresh machine, with {1}, {2}, ... in its lines (markers
#                    included) replaced by the variant's first, second, ...
#                    word: one script for a table of cases
# When SCRIPT.out exists beside the script (name.scn -> name.out), the
# standard output (what `screen` printed) must equal it; with
# CVPANEL_UPDATE_SCREENS=1 in the environment the file is written instead.
# A script with variants has no .out file.
set -u
cvpanel=$(realpath "$1")
testapp=$(realpath "$2")
script=$(realpath "$3")
name=$(basename "$script")
expected_out=${script%.scn}.out
fixtures=$(dirname "$script")/fixtures
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The words of a marker line, one a line.
words() { xargs printf '%s\n' <<<"$1"; }

# The extended regular expression for FIELD=VALUE in a trace line: the value
# as a JSON text or as a bare number, array, true, false or null.
field_pattern() {
  local key=${1%%=*} value=${1#*=} escaped
  escaped=$(printf '%s' "$value" | sed 's/[][\\.*^$(){}?+|/]/\\&/g')
  printf '"%s": ("%s"|%s)[],}]' "$key" "$escaped" "$escaped"
}

# The numbers of the lines of trace file $1 that have every field given.
matching_lines() {
  local trace=$1 lines field
  shift
  lines=$(awk '{ print NR "\t" $0 }' "$trace" 2>/dev/null)
  for field in "$@"; do
    lines=$(grep -E -- "$(field_pattern "$field")" <<<"$lines")
  done
  [[ -n $lines ]] && cut -f1 <<<"$lines"
}

# Runs script $1 in folder $2 and checks its markers; $3 names the run in
# messages.
run_scenario() {
  local script=$1 dir=$2 label=$3
  local args=() status=0 stderr_wanted=() trace_checks=() line
  while IFS= read -r line; do
    case $line in
      '#! args '*) mapfile -t args < <(words "${line#'#! args '}") ;;
      '#! status '*) status=${line#'#! status '} ;;
      '#! stderr '*) stderr_wanted+=("${line#'#! stderr '}") ;;
      '#! trace '*) trace_checks+=("${line#'#! trace '}") ;;
    esac
  done <"$script"

  local module
  for module in "$(dirname "$testapp")"/* "$fixtures"/*; do
    [[ -f $module ]] && ln -s "$module" "$dir/$(basename "$module")"
  done
  (cd "$dir" && timeout 60 "$cvpanel" --machine "$dir/machine" --script "$script" \
    --trace "$dir/trace" -- "${args[@]}" >"$dir/stdout" 2>"$dir/stderr" </dev/null)
  local got=$? before=$failures

  local after=0 check fields what field next count
  for check in "${trace_checks[@]}"; do
    mapfile -t fields < <(words "$check")
    what=${fields[0]:-}
    fields=("${fields[@]:1}")
    for field in "${fields[@]}"; do
      [[ $field == *=* ]] || { fail "$label: trace check '$check': '$field' is not FIELD=VALUE"; continue 2; }
    done
    if [[ $what == then ]]; then
      next=$(matching_lines "$dir/trace" "${fields[@]}" | awk -v after="$after" '$1 > after { print; exit }')
      if [[ -z $next ]]; then
        fail "$label: trace lacks, after line $after: ${fields[*]}"
      else
        after=$next
      fi
    elif [[ $what =~ ^[0-9]+$ ]]; then
      count=$(matching_lines "$dir/trace" "${fields[@]}" | grep -c .)
      [[ $count -eq $what ]] || fail "$label: trace has $count lines with ${fields[*]}, expected $what"
    else
      fail "$label: trace check '$check': say a count or 'then'"
    fi
  done

  [[ $got -eq $status ]] || fail "$label: exit status $got, expected $status"
  for text in "${stderr_wanted[@]}"; do
    grep -qF -- "$text" "$dir/stderr" || fail "$label: stderr lacks: $text"
  done
  if [[ $failures -gt $before ]]; then
    echo "--- stderr of the run:"
    cat "$dir/stderr"
    if [[ ${#trace_checks[@]} -gt 0 ]]; then
      echo "--- trace of the run:"
      cat "$dir/trace"
    fi
  fi
}

variants=()
while IFS= read -r line; do
  case $line in
    '#! variant '*) variants+=("${line#'#! variant '}") ;;
  esac
done <"$script"

if [[ ${#variants[@]} -eq 0 ]]; then
  run_scenario "$script" "$work" "$name"
  if [[ -f $expected_out && ${CVPANEL_UPDATE_SCREENS:-} == 1 ]]; then
    cp "$work/stdout" "$expected_out"
  elif [[ -f $expected_out ]]; then
    diff -u "$expected_out" "$work/stdout" || fail "the screen differs from $(basename "$expected_out")"
  fi
else
  [[ -f $expected_out ]] && fail "$name has variants and a screen file $(basename "$expected_out")"
  for i in "${!variants[@]}"; do
    mapfile -t values < <(words "${variants[$i]}")
    dir=$work/variant$((i + 1))
    mkdir "$dir"
    # The copy keeps the script's name and line numbers for cvpanel's messages.
    while IFS= read -r line || [[ -n $line ]]; do
      for k in "${!values[@]}"; do
        line=${line//"{$((k + 1))}"/"${values[$k]}"}
      done
      printf '%s\n' "$line"
    done <"$script" >"$dir/$name"
    run_scenario "$dir/$name" "$dir" "$name [variant ${variants[$i]}]"
  done
fi

[[ $failures -eq 0 ]] || exit 1
echo "$name: passed"

#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang, in build-fuzz/, and
# runs them one after another.
#   scripts/fuzz.sh [SECONDS] [TARGET...]  fuzzes each target (all by default)
#                                          for SECONDS (default 60), starting
#                                          from a copy of its corpus
#   scripts/fuzz.sh --regress [TARGET...]  runs each target once over its
#                                          committed corpus, and nothing more
# A target is the name of its folder (registry, profile, ...). The exit
# status is 1 when a target finds a fault; the input that shows it is kept
# in build-fuzz/findings/TARGET/ and the run's output in build-fuzz/logs/.
# Inputs found while fuzzing stay in a scratch folder that is removed at the
# end: the committed corpora change only by hand.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-fuzz

mode=fuzz
seconds=60
if [[ "${1:-}" == "--regress" ]]; then
  mode=regress
  shift
elif [[ "${1:-}" =~ ^[0-9]+$ ]]; then
  seconds=$1
  shift
fi

all=()
for source in "$root"/tests/fuzz/*/*_fuzz.cpp; do
  all+=("$(basename "$(dirname "$source")")")
done
targets=("$@")
[[ ${#targets[@]} -gt 0 ]] || targets=("${all[@]}")
for target in "${targets[@]}"; do
  if [[ ! -f "$root/tests/fuzz/$target/${target}_fuzz.cpp" ]]; then
    echo "fuzz: no target \"$target\" (targets: ${all[*]})" >&2
    exit 2
  fi
done

bash "$root/scripts/setup.sh"
CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build" -DCVPANEL_FUZZ=ON \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)" --target "${targets[@]/%/_fuzz}"

# Scratch space in memory where there is some: the targets write their
# files there ($TMPDIR) for every input.
scratch=$(mktemp -d -p /dev/shm cvfuzz.XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export TMPDIR=$scratch
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

mkdir -p "$build/logs"
failed=()
for target in "${targets[@]}"; do
  dir=$root/tests/fuzz/$target
  findings=$build/findings/$target
  log=$build/logs/$target.log
  mkdir -p "$findings"
  options=(-artifact_prefix="$findings/" -timeout=10 -rss_limit_mb=2048)
  if [[ $mode == regress ]]; then
    inputs=("$dir"/corpus/*)
    status=0
    "$build/bin/${target}_fuzz" "${options[@]}" "${inputs[@]}" >"$log" 2>&1 || status=$?
    summary="${#inputs[@]} inputs"
  else
    corpus=$scratch/corpus-$target
    mkdir -p "$corpus"
    cp "$dir"/corpus/* "$corpus"/
    [[ -f "$dir/$target.dict" ]] && options+=(-dict="$dir/$target.dict")
    status=0
    "$build/bin/${target}_fuzz" "${options[@]}" -max_total_time="$seconds" \
      -print_final_stats=1 "$corpus" >"$log" 2>&1 || status=$?
    # The figures of the last status line and the final statistics.
    last=$(grep -E '^#[0-9]+' "$log" | tail -1 || true)
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    time=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
    ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
    corp=$(sed -n 's/.* corp: \([0-9]*\/[0-9]*[a-zA-Z]*\).*/\1/p' <<<"$last")
    summary="${runs:-?} runs in $seconds s (${time:-?}/s), cov ${cov:-?}, ft ${ft:-?}, corpus ${corp:-?}"
  fi
  if [[ $status -eq 0 ]]; then
    echo "fuzz: $target: ok, $summary"
  else
    echo "fuzz: $target: FAILED (status $status), $summary; see $log and $findings/" >&2
    grep -E 'ERROR|SUMMARY|fuzz check failed|runtime error|Test unit written' "$log" | head -20 >&2 || true
    failed+=("$target")
  fi
done

if [[ ${#failed[@]} -gt 0 ]]; then
  echo "fuzz: findings in ${failed[*]}" >&2
  exit 1
fi

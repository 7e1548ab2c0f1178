#!/usr/bin/env bash
# The terminal desktop in a real terminal: tmux runs cvpanel in a pane of its
# own server, the test types keys and mouse reports into the pane and reads
# the screen back with capture-pane at each step.
#   terminal.sh CVPANEL TESTAPP [GROUP...]
# GROUP: keys, mouse, exit, signals, idle, mono (default: all).
#
# The program under test is the real one once it puts its icon in the
# notification area (checked first with a scenario); until then the test
# program TESTAPP stands in for it. Exit status 77 (skipped) when tmux is
# not installed.
set -u
export LC_ALL=C.UTF-8 LANG=C.UTF-8 # character positions on the screen are counted by bash
cvpanel=$(realpath "$1")
testapp=$(realpath "$2")
shift 2
groups=("$@")
[[ ${#groups[@]} -gt 0 ]] || groups=(keys mouse exit signals idle mono)

if ! command -v tmux >/dev/null 2>&1; then
  echo "SKIP: tmux is not installed (scripts/setup.sh installs it); the terminal tests need it"
  exit 77
fi
unset TMUX

work=$(mktemp -d)
socket=$work/tmux0 # each run has a tmux server of its own
tm() { tmux -S "$socket" "$@"; }
trap 'tm kill-server >/dev/null 2>&1; rm -rf "$work"' EXIT

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
  echo "--- the screen:"
  screen
  echo "---"
}

# ---- The program and what it shows ----

make_machine() { # make_machine DIR [SETUP LINE]: a fresh machine, silent
  printf '%s\n' "machine sound output off" "${@:2}" "wait 30000" "expect tray" >"$work/setup.scn"
  (cd "$work" && "$cvpanel" --machine "$1" --script "$work/setup.scn" </dev/null >/dev/null 2>&1)
}
ln -s "$testapp" "$work/TESTAPP.EXE"
if make_machine "$work/template"; then
  program=real
  title="Control Panel" # the dialog's caption
  first_tab=General second_tab=Effects
  exit_key=e # "&Exit" in the icon's menu
else
  echo "note: the program shows no notification icon yet; the test program stands in for it"
  rm -rf "$work/template"
  make_machine "$work/template" 'file put "C:\Program Files\Orbiq\CVPANEL.EXE" TESTAPP.EXE' ||
    { echo "FAIL: the test program does not show its icon under the scenario driver"; exit 1; }
  program=testapp
  title="Test Panel"
  first_tab=General second_tab=Levels
  exit_key=x # "E&xit"
fi
echo "program: $program"

columns=100 rows=40
run=0
# start [ENV=VALUE...] [-- ARGS]: cvpanel in a fresh pane, on a copy of the
# machine. The pane's shell records the terminal's settings before and
# after, and the exit status.
start() {
  run=$((run + 1))
  dir=$work/run$run
  mkdir "$dir"
  cp -a "$work/template" "$dir/machine"
  local env=() args=()
  while [[ $# -gt 0 && $1 != -- ]]; do env+=("$1"); shift; done
  [[ $# -gt 0 ]] && shift && args=("$@")
  cat >"$dir/pane.sh" <<EOF
ulimit -c 0
trap : INT # Ctrl+C reaches this shell too: it stays, to report
stty -g >"$dir/stty.before"
env ${env[*]} "$cvpanel" --machine "$dir/machine" ${args[*]} 2>"$dir/stderr"
echo \$? >"$dir/status.tmp"
stty -g >"$dir/stty.after"
mv "$dir/status.tmp" "$dir/status"
exec sleep 600
EOF
  tm kill-server >/dev/null 2>&1
  socket=$work/tmux$run
  tm -f /dev/null new-session -d -x $columns -y $rows -s desk "sh $dir/pane.sh" ||
    { echo "FAIL: tmux cannot start a session"; exit 1; }
  tm set-option -g window-size manual >/dev/null
}

screen() { tm capture-pane -p -t desk 2>/dev/null; }
last_row() { screen | sed -n "${rows}p"; }
# The screen is saved at each step; a failure shows it.
step=0
snapshot() {
  step=$((step + 1))
  screen >"$dir/step$step-$1.txt"
}

# wait_for TEXT [SECONDS]: until the screen shows TEXT.
wait_for() {
  local tries=$((${2:-10} * 10))
  for ((i = 0; i < tries; i++)); do
    screen | grep -qF -- "$1" && return 0
    sleep 0.1
  done
  return 1
}
wait_gone() {
  for ((i = 0; i < 100; i++)); do
    screen | grep -qF -- "$1" || return 0
    sleep 0.1
  done
  return 1
}
# The taskbar with the icon beside the clock: "│ ?? HH:MM" at its right end.
icon_pattern='│ [^ ][^ ] [0-2][0-9]:[0-5][0-9]$'
wait_for_icon() {
  for ((i = 0; i < 300; i++)); do
    last_row | grep -qE -- "$icon_pattern" && return 0
    sleep 0.1
  done
  return 1
}
wait_status() {
  for ((i = 0; i < 100; i++)); do
    [[ -f $dir/status ]] && { cat "$dir/status"; return 0; }
    sleep 0.1
  done
  echo none
}
program_pid() { pgrep -P "$(tm display -p -t desk '#{pane_pid}')" -x cvpanel; }

# column_of TEXT LINE: the cell (from 0) where TEXT starts in LINE.
column_of() {
  local before=${2%%"$1"*}
  [[ $before == "$2" ]] && { echo -1; return; }
  echo ${#before}
}
row_of() { # the row (from 0) of the first line that holds TEXT
  screen | grep -nF -- "$1" | head -1 | cut -d: -f1 | awk '{print $1 - 1}'
}
# A click of the left button on a cell (from 0), as xterm's SGR mode reports
# it: press "ESC [ < 0 ; X ; Y M", release "... m", cells counted from 1.
click() { tm send-keys -t desk -l $'\e'"[<0;$(($1 + 1));$(($2 + 1))M"$'\e'"[<0;$(($1 + 1));$(($2 + 1))m"; }
double_click() { click "$1" "$2"; click "$1" "$2"; }
hover() { tm send-keys -t desk -l $'\e'"[<35;$(($1 + 1));$(($2 + 1))M"; }

# The terminal as the shell had it: same settings, the normal screen, a
# visible cursor, no mouse reporting, lines wrapping again.
check_restored() {
  local how=$1
  cmp -s "$dir/stty.before" "$dir/stty.after" ||
    fail "$how: the terminal's settings differ: $(cat "$dir/stty.before") / $(cat "$dir/stty.after")"
  local flags
  flags=$(tm display -p -t desk \
    'alternate=#{alternate_on} cursor=#{cursor_flag} mouse=#{mouse_any_flag}#{mouse_button_flag}#{mouse_standard_flag}#{mouse_sgr_flag} wrap=#{wrap_flag}')
  [[ $flags == "alternate=0 cursor=1 mouse=0000 wrap=1" ]] || fail "$how: the terminal is left with $flags"
  screen | grep -qF '[Start]' && fail "$how: the desktop is still on the screen"
}

# ---- Keys: everything from the notification area, without a mouse ----
test_keys() {
  start
  wait_for_icon || fail "keys: no notification icon on the taskbar"
  snapshot icon
  wait_for "Ctrl+T: notification area" || fail "keys: the empty desktop does not name the key"
  tm send-keys -t desk C-t
  # The focused icon in brackets, its tip framed above the taskbar.
  for ((i = 0; i < 30; i++)); do last_row | grep -qE '│\[[^ ][^ ]\]' && break; sleep 0.1; done
  last_row | grep -qE '│\[[^ ][^ ]\]' || fail "keys: Ctrl+T does not mark the icon"
  screen | sed -n "$((rows - 3))p" | grep -qF '┌' || fail "keys: the focused icon shows no tip"
  snapshot tray-focus
  tm send-keys -t desk Enter
  wait_for "$title" || fail "keys: Enter on the icon does not open the control panel"
  wait_for "[$first_tab]" || fail "keys: the first tab is not the selected one"
  snapshot open
  # The focus is on the tabs: Right shows the next page, at once.
  tm send-keys -t desk Right
  wait_for "[$second_tab]" 2 || fail "keys: Right does not switch to the tab $second_tab within 2 s"
  screen | grep -qF "[$first_tab]" && fail "keys: two tabs are selected"
  snapshot second-tab
  # Too small for the dialog: said so; large again: the dialog is back.
  tm resize-window -t desk -x 50 -y 16
  wait_for "The terminal is too small" || fail "keys: a small terminal is not reported"
  snapshot too-small
  tm resize-window -t desk -x $columns -y $rows
  wait_for "[$second_tab]" || fail "keys: the dialog does not come back in a large terminal"
  wait_gone "too small" || fail "keys: the notice stays"
  snapshot large-again
  tm send-keys -t desk Escape
  wait_gone "$title" || fail "keys: Escape does not close the dialog"
  wait_for_icon || fail "keys: the icon is gone after the dialog closed"
  snapshot closed
  [[ ! -f $dir/status ]] || fail "keys: the program ended"
}

# ---- Mouse: a double click on the icon, a click on a tab, the close button ----
test_mouse() {
  start
  wait_for_icon || fail "mouse: no notification icon on the taskbar"
  local bar icon
  bar=$(last_row)
  icon=$(($(column_of "│ " "$bar") + 2))
  hover "$icon" $((rows - 1))
  wait_for "┌" 5 || fail "mouse: hovering over the icon shows no tip"
  snapshot hover
  double_click "$icon" $((rows - 1))
  wait_for "$title" || fail "mouse: a double click on the icon does not open the control panel"
  snapshot open
  local tabs_row tabs_line
  tabs_row=$(row_of "[$first_tab]")
  tabs_line=$(screen | sed -n "$((tabs_row + 1))p")
  click $(($(column_of "$second_tab" "$tabs_line") + 1)) "$tabs_row"
  wait_for "[$second_tab]" || fail "mouse: a click on the tab $second_tab does not select it"
  snapshot second-tab
  local title_row title_line
  title_row=$(row_of "$title")
  title_line=$(screen | sed -n "$((title_row + 1))p")
  click $(($(column_of "[x]" "$title_line") + 1)) "$title_row"
  wait_gone "$title" || fail "mouse: the close button does not close the dialog"
  snapshot closed
}

# ---- The terminal back as it was: after the program's own end ----
test_exit() {
  start
  wait_for_icon || fail "exit: no notification icon on the taskbar"
  tm send-keys -t desk C-t S-F10
  wait_for "Exit" || fail "exit: Shift+F10 on the icon opens no menu"
  snapshot menu
  tm send-keys -t desk "$exit_key"
  status=$(wait_status)
  [[ $status == 0 ]] || fail "exit: the program ended with status $status, expected 0"
  check_restored "exit"
}

# ---- ... and after Ctrl+C, SIGTERM and a crash, with the dialog open ----
test_signals() {
  local how expected
  # A crash ends the process with the signal, or, under the sanitizers,
  # with their report (exit 1, or SIGABRT with abort_on_error).
  for case in "Ctrl+C 130" "SIGTERM 143" "SIGSEGV 139|134|1"; do
    read -r how expected <<<"$case"
    start -- OPEN
    wait_for "$title" || fail "$how: the control panel did not open"
    case $how in
      Ctrl+C) tm send-keys -t desk C-c ;;
      SIGTERM) kill -TERM "$(program_pid)" ;;
      SIGSEGV) kill -SEGV "$(program_pid)" ;;
    esac
    status=$(wait_status)
    [[ $status =~ ^($expected)$ ]] || fail "$how: exit status $status, expected $expected"
    check_restored "$how"
  done
}

# ---- Idle for ten seconds with the dialog open: no processor time ----
test_idle() {
  start -- OPEN
  wait_for "$title" || fail "idle: the control panel did not open"
  sleep 1
  local pid before after used
  pid=$(program_pid)
  ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; } # user + system, in clock ticks
  before=$(ticks)
  sleep 10
  after=$(ticks)
  used=$((after - before))
  echo "idle: $used ticks of processor time in 10 s ($(getconf CLK_TCK) a second)"
  # One tick of slack: the kernel counts in ticks, and the taskbar's clock
  # may turn over a minute meanwhile.
  [[ $used -le 1 ]] || fail "idle: the waiting program used processor time"
  snapshot idle
}

# ---- No colours: the same screen, without a colour ----
test_mono() {
  start NO_COLOR=1 -- OPEN
  wait_for "$title" || fail "mono: the control panel did not open"
  wait_for "[$first_tab]" || fail "mono: no tabs"
  # The pane's cells carry attributes only: no colour was set.
  tm capture-pane -p -e -t desk | grep -qE $'\e\\[[0-9;]*(3[0-7]|4[0-7]|38|48|9[0-7]|10[0-7])[;m]' &&
    fail "mono: colours were written"
  snapshot mono
}

for group in "${groups[@]}"; do
  "test_$group"
done
tm kill-server >/dev/null 2>&1

if [[ $failures -gt 0 ]]; then
  echo "terminal: $failures failed"
  exit 1
fi
echo "terminal: ${#groups[@]} groups passed ($program)"

#!/bin/sh
# The host command as a person uses it: velmora-setup against a fresh world folder, with and
# without a user script. Usage: command_test.sh path/to/velmora-setup scratch-folder
set -u
command=$1
scratch=$2
failures=0
rm -rf "$scratch" && mkdir -p "$scratch"

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# run NAME EXPECTED-STATUS [setup options...]: runs in world $scratch/${WORLD:-NAME}, output
# in NAME.out
run() {
  name=$1
  expected=$2
  shift 2
  VELMORA_WORLD="$scratch/${WORLD:-$name}" "$command" "$@" >"$scratch/$name.out" 2>&1
  status=$?
  [ "$status" -eq "$expected" ] || fail "$name: status $status, expected $expected"
}

expect_output() {
  grep -F -q -- "$2" "$scratch/$1.out" || fail "$1: output lacks: $2"
}

# An unattended silent run installs the demo payload and prints what it did.
run silent 0 /USilent
expect_output silent 'window 103 shown "Velmora® Setup"'
expect_output silent 'text 103/1003 "Installing Velmora.exe..."'
expect_output silent 'started ""C:\Program Files\Velmora\Velmora.exe" /install"'
expect_output silent 'exit code 0'
[ -d "$scratch/silent/c/program files/velmora" ] || [ -d "$scratch/silent/c/Program Files/Velmora" ] ||
  fail "silent: no install folder in the world"

# A second run reopens the same world: the stored folder wins over /PathDefault.
printf 'click 1025\nclick 1\n' >"$scratch/install.txt"
WORLD=silent VELMORA_SCRIPT="$scratch/install.txt" run again 0 /PathDefault 'D:\Elsewhere'
expect_output again '115/1000 "C:\Program Files\Velmora"'
expect_output again 'text 103/1003 "Installing Velmora.exe..."'

# A scripted user accepts, types a folder and confirms the completion message.
cat >"$scratch/user.txt" <<'SCRIPT'
# accept, choose a folder, keep the desktop box, do not launch
click 1025
type 1000 D:\Apps\Velmora
click 1004
click 1
answer "Installation Complete" IDOK
SCRIPT
VELMORA_SCRIPT="$scratch/user.txt" run user 0
expect_output user 'user types "D:\Apps\Velmora" into 1000'
expect_output user 'A shortcut to the Start menu and to your desktop has been created.'

# Cancel: exit code 1223 arrives as its low byte, the full code is printed.
printf 'click 2\n' >"$scratch/cancel.txt"
VELMORA_SCRIPT="$scratch/cancel.txt" run cancel 199
expect_output cancel 'exit code 1223'

# Nobody answers: the run stops with a message instead of hanging.
run stall 86
expect_output stall 'stalled'

# A script line that does not parse is refused before the program starts.
printf 'click 1025\nclik 1\n' >"$scratch/bad.txt"
VELMORA_SCRIPT="$scratch/bad.txt" run bad 2
expect_output bad "line 2: unknown action 'clik'"
printf 'answer Installation IDOK\n' >"$scratch/unquoted.txt"
VELMORA_SCRIPT="$scratch/unquoted.txt" run unquoted 2
expect_output unquoted 'line 1: answer wants a quoted text'

# An empty folder gets a fresh machine; a folder with someone's files is refused, untouched.
mkdir -p "$scratch/empty"
run empty 0 /USilent
expect_output empty 'exit code 0'
mkdir -p "$scratch/notes" && echo "keep me" >"$scratch/notes/letter.txt"
run notes 2 /USilent
expect_output notes 'is not a world folder'
[ "$(cat "$scratch/notes/letter.txt")" = "keep me" ] || fail "notes: the folder was changed"

run help 0 --help
expect_output help 'VELMORA_SCRIPT'
expect_output help 'cancel-picker'

[ "$failures" -eq 0 ] && echo "all command cases passed"
exit "$failures"

#!/bin/bash
# Measures how fast keys reach the keypad's quantity field, and how many
# entries the keypad refused as a scanner's burst: a barcode scanner
# (xdotool type --delay 3 and 1; slow ones at --delay 50 and 60, 25 and 30 ms
# a key, as xdotool's delay covers a press and a release; one sending no
# Enter, then a tap on "Ok"), a person typing on a keyboard (--delay 200 and
# 120: keys 100 and 60 ms apart, the latter already a very fast typist) and
# taps on the keypad's tiles (150 ms pauses between the taps); then keys
# typed while the user-interface thread is busy (F5 makes the tool block its
# thread for 400 ms), which arrive queued. Prints, per case, the gaps between
# successive key presses as the window system stamped them and as the field
# received them.
#
#   bench/app/keypad_timing.sh [BUILD_DIR]      (default: build)
set -u
build=${1:-build}
tool=$build/bench/app/keypad_timing
[ -x "$tool" ] || { echo "no $tool: build the target keypad_timing" >&2; exit 2; }
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || { echo "Xvfb and xdotool are needed" >&2; exit 2; }

app=""
work=$(mktemp -d)
trap 'kill $app $xvfb 2>/dev/null; wait 2>/dev/null; [ -n "${KEEP_LOG:-}" ] && cp "$log" "$KEEP_LOG"; rm -rf "$work"' EXIT
for n in $(seq $((200 + $$ % 100)) 600); do
    [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || break
done
Xvfb :$n -screen 0 1280x800x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=:$n
for _ in $(seq 100); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.05; done
export XDG_RUNTIME_DIR=$work

log=$work/keys
start_tool() {
    "$tool" >"$log" 2>/dev/null &
    app=$!
    pad=""
    for _ in $(seq 100); do
        pad=$(xdotool search --onlyvisible --name '^Quantité$' 2>/dev/null | head -1)
        [ -n "$pad" ] && break
        sleep 0.05
    done
    [ -n "$pad" ] || { echo "the keypad did not open" >&2; exit 1; }
    sleep 0.5
}
# Waits until session $1 is open.
wait_open() {
    for _ in $(seq 100); do grep -q "^open $1 " "$log" && break; sleep 0.02; done
    sleep 0.15 # shown and active
}
tap() { # tile centre in the keypad's client area
    local X Y
    pad=$(xdotool search --onlyvisible --name '^Quantité$' 2>/dev/null | head -1)
    eval "$(xdotool getwindowgeometry --shell "$pad" 2>/dev/null | grep -E '^[XY]=')"
    xdotool mousemove $((X + $1)) $((Y + $2)) click 1
}
session=1
case_begin() { first=$session; }
case_end() { # label
    local last=$((session - 1))
    # Gaps between successive keys of one session and of one kind: keys
    # from the keyboard (stamped by the window system) or keys the tiles
    # inject (no stamp; only the time they were received). The arrow key
    # the keypad types when it opens is left out.
    awk -v first=$first -v last=$last '
        $1 == "key" && $2 >= first && $2 <= last && $3 != "key16777236" {
            split($4, p, "="); split($5, a, "=");
            kind = p[2] == 0 ? "injected" : "stamped"
            if (session == $2 && lastkind == kind) printf "%.3f %.3f\n", p[2] - lp, a[2] - la
            session = $2; lastkind = kind; lp = p[2]; la = a[2]
        }' "$log" >"$work/gaps"
    local n platform arrival
    n=$(wc -l <"$work/gaps")
    if [ "$n" -eq 0 ]; then printf '%-40s no key gaps\n' "$1"; return; fi
    stats() { # column: min median max
        cut -d' ' -f"$1" "$work/gaps" | sort -g | awk '{ v[NR] = $1 } END { printf "min %6.1f  median %6.1f  max %6.1f", v[1], v[int((NR + 1) / 2)], v[NR] }'
    }
    platform=$(stats 1)
    arrival=$(stats 2)
    local refused
    refused=$(awk -v first=$first -v last=$last '$1 == "refused" && $2 >= first && $2 <= last' "$log" | wc -l)
    printf '%-40s %4d gaps   stamped: %s   received: %s   refused %d of %d\n' "$1" "$n" "$platform" "$arrival" \
        "$refused" $((last - first + 1))
}
scanner() { # delay, count
    case_begin
    for _ in $(seq $2); do
        wait_open $session
        xdotool type --delay "$1" $'3792008224652\r'
        session=$((session + 1))
        sleep 0.2
    done
    case_end "scanner (type --delay $1)"
}
scanner_then_ok() { # delay, count: a scanner that sends no Enter, then a tap on "Ok"
    case_begin
    for _ in $(seq $2); do
        wait_open $session
        xdotool type --delay "$1" '3792008224652'
        sleep 0.3
        tap 462 203
        session=$((session + 1))
        sleep 0.3
    done
    case_end "scanner without Enter, then Ok (--delay $1)"
}
hand() { # delay, count
    case_begin
    for _ in $(seq $2); do
        wait_open $session
        xdotool type --delay "$1" $'125\r'
        session=$((session + 1))
        sleep 0.2
    done
    case_end "keyboard by hand (type --delay $1)"
}
tiles() { # count
    case_begin
    for _ in $(seq $1); do
        wait_open $session
        tap 161 273; sleep 0.15  # "2"
        tap 71 273; sleep 0.15   # "1"
        tap 161 198; sleep 0.15  # "5"
        tap 462 203              # Ok
        session=$((session + 1))
        sleep 0.3
    done
    case_end "keypad tiles (150 ms pauses)"
}

echo "Key gaps reaching the keypad's field (load: $(cut -d' ' -f1-3 /proc/loadavg))"
start_tool
session=1
scanner 3 20
scanner 1 10
scanner 50 10
scanner 60 10
scanner_then_ok 3 5
hand 200 10
hand 120 10
tiles 6

echo "User-interface thread busy for 400 ms (keys typed meanwhile arrive queued):"
case_begin
for _ in 1 2 3 4 5; do
    wait_open $session
    xdotool key F5 type --delay 3 $'3792008224652\r'
    session=$((session + 1))
    sleep 0.6
done
case_end "scanner (type --delay 3), queued"
case_begin
for _ in 1 2 3 4 5; do
    wait_open $session
    xdotool key F5 type --delay 120 $'125\r'
    session=$((session + 1))
    sleep 0.6
done
case_end "keyboard by hand (--delay 120), queued"

# The kill tests' common start, sourced after $seed is set: skips without
# Xvfb or xdotool, a work folder removed at the end with the workstation
# ($pid) and the display ($xvfb), fail() naming the seed and round, and a
# display of the test's own.
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || { echo "Xvfb and xdotool are needed: skipped"; exit 77; }
RANDOM=$seed

work=$(mktemp -d)
pid="" xvfb="" round=0
cleanup() {
    [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAILED (seed $seed, round $round): $*"
    [ -s "$work/tallivo.log" ] && { echo "the workstation's output:"; tail -20 "$work/tallivo.log"; }
    exit 1
}

# A display of our own.
for n in $(seq $((100 + $$ % 400)) 999); do
    [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || break
done
Xvfb :$n -screen 0 1280x800x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=:$n XDG_RUNTIME_DIR=$work
for _ in $(seq 100); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.05; done
unset QT_QPA_PLATFORM

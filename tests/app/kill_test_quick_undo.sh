#!/bin/bash
# Kill test of the quick mode and of undo: the real workstation, in a virtual
# X display, counts in quick mode (ModeRapide=oui: each scan adds 1 at once)
# and taps "Défaire" now and then, and is killed (SIGKILL) at random
# moments, many of them 0 to 50 ms after a scan or a tap, that is while the
# change is being saved. After every kill it is started again in the same
# folder (undo then starts from an empty history: it is the session's).
# The collection starts with 5 000 lines, so that saves take long enough for
# kills to land inside them.
#
# What must hold after every kill, on COLLECTION.XML:
#  - it loads, and each code's quantity is exactly the sum of the confirmed
#    scans less the confirmed undos (a change is confirmed when its save was
#    seen to complete before the kill);
#  - the change in flight (a scan: +1, an undo: -1) is wholly there or
#    wholly absent.
#
#   kill_test_quick_undo.sh TALLIVO CATGEN PACKET
# Environment: KILL_TEST_ROUNDS (80), KILL_TEST_SEED (random; printed).
# Exit codes: 0 passed, 1 failed, 77 skipped (no Xvfb or xdotool).
set -u
tallivo=$(realpath "$1") catgen=$(realpath "$2") packet=$(realpath "$3")
rounds=${KILL_TEST_ROUNDS:-80}
seed=${KILL_TEST_SEED:-$(( ($(date +%s%N) / 1000) % 1000000 ))}
. "$(dirname "${BASH_SOURCE[0]}")/kill_test_setup.sh"

data=$work/data file=$work/data/COLLECTION.XML
mkdir "$data"
"$catgen" "$data/ARTICLE.XML" 8000 >/dev/null || fail "no catalogue"
printf '[Comptage]\nModeRapide=oui\n' >"$data/TALLIVO.INI"
# Codes without ";" or quotes, so that the packet tool's text needs no unquoting.
"$packet" to-csv --names "$data/ARTICLE.XML" | tr -d '\r' | tail -n +2 | grep -av '"' >"$work/articles"
mapfile -t codes < <(cut -d';' -f1 "$work/articles")
hot=()
for _ in $(seq 30); do hot+=("${codes[RANDOM % ${#codes[@]}]}"); done
# The first 5 000 articles, counted once.
{
    printf 'CODE_ART;NOM_ART;CATEGORIE;QTE;PRIX_ACHAT;GERE_STOCK\r\n'
    "$packet" to-csv --names "$data/ARTICLE.XML" | tr -d '\r' | head -1 >"$work/names"
    awk -F';' 'NR == FNR { for (i = 1; i <= NF; i++) col[$i] = i; next }
               FNR <= 5000 && NF == length(col) {
                   printf "%s;%s;%s;1;%s;%s\r\n", $col["CODE_ART"], $col["NOM_ART"], $col["CATEGORIE"],
                          $col["PRIX_ACHAT"], $col["GERE_STOCK"] }' "$work/names" "$work/articles"
} >"$work/collection.csv"
"$packet" from-csv "$work/collection.csv" "$file" >/dev/null || fail "no starting collection"

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
poll() { # poll MS COMMAND...: until the command succeeds, every 20 ms
    local until=$(( $(now_ms) + $1 ))
    shift
    while ! "$@"; do
        [ "$(now_ms)" -ge "$until" ] && return 1
        sleep 0.02
    done
}
visible() { [ -n "$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1)" ]; }
identity() { stat -c '%i %s %Y' "$file" 2>/dev/null; }
replaced() { [ "$(identity)" != "$before" ]; }
saved_counts() { # "code quantity" lines of the collection file
    "$packet" to-csv --names "$file" | tr -d '\r' |
        awk -F';' 'NR == 1 { for (i = 1; i <= NF; i++) col[$i] = i; next } { print $col["CODE_ART"], $col["QTE"] }'
}

declare -A expected=()
while read -r code qty; do expected[$code]=$qty; done < <(saved_counts)
[ "${#expected[@]}" -eq 5000 ] || fail "the starting collection has ${#expected[@]} lines"
session=() # the codes scanned and confirmed since the last start, newest last

start() {
    "$tallivo" --data-dir "$data" >>"$work/tallivo.log" 2>&1 &
    pid=$!
    poll 20000 visible 'Tallivo-6' || fail "the workstation did not start"
    sleep 0.4
    eval "$(xdotool getwindowgeometry --shell "$(xdotool search --onlyvisible --name '^Tallivo-6$' | head -1)")"
    # "Défaire": right of "Code article", in the code panel at the left of the
    # command band (134 high, the panel 3 below its top and 20 from the left).
    undo_x=$((X + 20 + 211)) undo_y=$((Y + HEIGHT - 134 + 3 + 23))
    session=()
}
kill_now() {
    kill -9 "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    pid=""
}
verify() { # the code and change in flight, if any
    local flight_code=${1:-} flight_delta=${2:-0} verdict
    "$packet" check "$file" >/dev/null 2>&1 || fail "COLLECTION.XML does not load: $("$packet" check "$file" 2>&1)"
    saved_counts >"$work/got"
    for code in "${!expected[@]}"; do echo "$code ${expected[$code]}"; done >"$work/expected"
    verdict=$(awk -v fc="$flight_code" -v fd="$flight_delta" '
        FILENAME == ARGV[1] { e[$1] = $2; all[$1] = 1; next }
        { g[$1] = $2; all[$1] = 1 }
        END {
            for (c in all) {
                ev = (c in e) ? e[c] : 0; gv = (c in g) ? g[c] : 0
                if (c == fc && fd != 0 && gv == ev + fd) print "kept"
                else if (gv != ev) print "code " c " holds " gv " in the file, " ev " confirmed"
            }
        }' "$work/expected" "$work/got")
    case $verdict in
    "") in_flight_absent=$((in_flight_absent + ${flight_code:+1} + 0)) ;;
    kept) expected[$flight_code]=$(( ${expected[$flight_code]:-0} + flight_delta )); in_flight_kept=$((in_flight_kept + 1)) ;;
    *) fail "$(echo "$verdict" | grep -v '^kept$' | head -5) (in flight: ${flight_code:-none} $flight_delta)" ;;
    esac
}

echo "kill test of the quick mode and undo: $rounds rounds, seed $seed (KILL_TEST_SEED=$seed to repeat)"
scans=0 undos=0 kills=0 in_flight_kept=0 in_flight_absent=0
start
for round in $(seq "$rounds"); do
    fate=$((RANDOM % 100))
    before=$(identity)
    if [ "$fate" -lt 55 ] || [ ${#session[@]} -eq 0 ]; then
        code=${hot[RANDOM % ${#hot[@]}]}
        xdotool type --delay 3 "$code"$'\r'
        if [ $((RANDOM % 4)) -eq 0 ]; then # killed 0-50 ms after the scan's Enter
            sleep "0.0$(printf '%02d' $((RANDOM % 51)))"
            kill_now; kills=$((kills + 1))
            verify "$code" 1
            start
            continue
        fi
        poll 15000 replaced || fail "the scan of $code was not saved"
        expected[$code]=$(( ${expected[$code]:-0} + 1 ))
        session+=("$code") scans=$((scans + 1))
    else
        last=${session[-1]}
        xdotool mousemove "$undo_x" "$undo_y" click 1
        if [ "$fate" -ge 85 ]; then # killed 0-50 ms after the tap
            sleep "0.0$(printf '%02d' $((RANDOM % 51)))"
            kill_now; kills=$((kills + 1))
            verify "$last" -1
            start
            continue
        fi
        poll 15000 replaced || fail "the undo of $last was not saved"
        expected[$last]=$(( ${expected[$last]} - 1 ))
        unset 'session[-1]'
        undos=$((undos + 1))
    fi
done
kill_now
verify
echo "rounds: $rounds   confirmed scans: $scans   confirmed undos: $undos   kills: $kills"
echo "changes in flight at a kill: $((in_flight_kept + in_flight_absent)) (found saved whole: $in_flight_kept, absent: $in_flight_absent)"
echo "every confirmed scan and undo was found after every restart"

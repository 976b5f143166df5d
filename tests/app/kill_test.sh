#!/bin/bash
# Kill test: the real workstation, in a virtual X display, counts for 200
# rounds and is killed (SIGKILL) at random moments, some of them 0 to 50 ms
# after the keypad's Ok, that is while the count is being saved. After every
# kill it is started again in the same folder. Every round: a random code of
# a 20 000-article catalogue (many of them repeated) is typed at a barcode
# scanner's pace, a quantity is keyed on the keypad (typed by hand or tapped
# on its tiles) and confirmed (Enter or the Ok tile). The collection starts
# with 10 000 lines, so that each save takes long enough for kills to land
# inside it.
#
# Some rounds do something else: an export ("Exporter", a file name, Enter),
# killed 0 to 100 ms after the name is given, or not; in the last quarter,
# "Initialiser les données" answered "Oui" twice, killed 0 to 150 ms after
# the second "Oui", or not; and now and then a second workstation is started
# on the same folder (another runtime folder, as another user would), which
# must refuse to start.
#
# What must hold after every kill, on COLLECTION.XML:
#  - it loads (packet check);
#  - a round is confirmed when the save that followed its Ok was seen to
#    complete (the file was replaced after the Ok) before the kill; every
#    confirmed round is there with its full quantity: each code's quantity
#    in the file is exactly the sum of its confirmed rounds;
#  - the round in flight (Ok sent, its save not yet seen, then the kill) is
#    either wholly absent or wholly present: its code holds the confirmed
#    sum, or the confirmed sum plus the whole keyed quantity; found present,
#    it counts as confirmed from then on;
#  - a round killed before its Ok left nothing;
#  - no other code appears;
#  - no temporary file of a save cut short is left once it has started again;
#  - after an "Initialiser": COLLECTION.XML holds every confirmed count, or
#    it is empty and the newest archive (COLLECTION-*.XML) holds them all;
#  - an export file is either absent or whole (its header and one line per
#    line of the collection);
#  - a second workstation says the folder is in use, and the first one goes
#    on.
#  - the journal agrees with it: replaying the journal's records of the
#    file's count (its station and epoch) up to the file's sequence gives
#    exactly the file's quantities, and once the workstation has started
#    again the journal holds nothing beyond them.
#
#   kill_test.sh TALLIVO CATGEN PACKET JOURNAL
# Environment: KILL_TEST_ROUNDS (200), KILL_TEST_SEED (random; printed).
# Exit codes: 0 passed, 1 failed, 77 skipped (no Xvfb or xdotool).
set -u
tallivo=$(realpath "$1") catgen=$(realpath "$2") packet=$(realpath "$3") journal_tool=$(realpath "$4")
rounds=${KILL_TEST_ROUNDS:-200}
seed=${KILL_TEST_SEED:-$(( ($(date +%s%N) / 1000) % 1000000 ))}
. "$(dirname "${BASH_SOURCE[0]}")/kill_test_setup.sh"

data=$work/data
mkdir "$data"
"$catgen" "$data/ARTICLE.XML" 20000 >/dev/null || fail "no catalogue"
mapfile -t codes < <("$packet" to-csv --names "$data/ARTICLE.XML" | tail -n +2 | cut -d';' -f1 | tr -d '\r')
[ "${#codes[@]}" -eq 20000 ] || fail "the catalogue has ${#codes[@]} codes"
hot=()
for _ in $(seq 40); do hot+=("${codes[RANDOM * 32768 % 20000]}"); done

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
# Polls (every 20 ms, up to $1 ms) until the command after it succeeds. The
# limits are generous for a loaded machine: a poll that succeeds returns at once.
poll() {
    local until=$(( $(now_ms) + $1 ))
    shift
    while ! "$@"; do
        [ "$(now_ms)" -ge "$until" ] && return 1
        sleep 0.02
    done
}
visible() { [ -n "$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1)" ]; }
keypad_gone() { ! visible 'Quantité'; }
identity() { stat -c '%i %s %Y' "$file" 2>/dev/null; }
replaced() { [ "$(identity)" != "$before" ]; }

# The hidden temporary files of saves cut short by a kill.
temporaries() { compgen -G "$data/.COLLECTION.XML.*~"; compgen -G "$data/.ART.GRD.*~"; }
leftovers=0

start() {
    leftovers=$((leftovers + $(temporaries | wc -l)))
    (cd "$data" && exec "$tallivo") >>"$work/tallivo.log" 2>&1 &
    pid=$!
    poll 20000 visible 'Tallivo-6' || fail "the workstation did not start"
    sleep 0.4 # the files loaded, the code field focused
    # (The first start gives the file its station identity and saves it.)
    poll 20000 journal_agrees all || fail "after the start, the journal does not give the file's counts: $(head -5 "$work/journal-diff")"
    [ -z "$(temporaries)" ] || fail "temporary files left after a start: $(temporaries | xargs -n1 basename)"
}

# Splits a line of the packet tool's semicolon-separated text into F[1..n]
# (a value holding ";" or a double quote comes quoted, its quotes doubled).
split_csv='
    function split_csv(line,   i, c, q, f) {
        n = 0; f = ""; q = 0
        for (i = 1; i <= length(line); i++) {
            c = substr(line, i, 1)
            if (q) {
                if (c == "\"") { if (substr(line, i + 1, 1) == "\"") { f = f c; i++ } else q = 0 }
                else f = f c
            } else if (c == "\"") q = 1
            else if (c == ";") { F[++n] = f; f = "" }
            else f = f c
        }
        F[++n] = f
    }'
# "code quantity" lines of the collection file (or of the file given), as a
# restart would show it
saved_counts() {
    "$packet" to-csv --names "${1:-$file}" | tr -d '\r' | awk "$split_csv"'
        NR == 1 { split_csv($0); for (i = 1; i <= n; i++) col[F[i]] = i; next }
        { split_csv($0); print F[col["CODE_ART"]], F[col["QTE"]] }'
}

# The first 10 000 articles, already counted.
file=$data/COLLECTION.XML
"$packet" to-csv --names "$data/ARTICLE.XML" | tr -d '\r' | awk "$split_csv"'
    function quoted(v) { if (v ~ /[;"]/) { gsub(/"/, "\"\"", v); v = "\"" v "\"" } return v }
    NR == 1 { split_csv($0); for (i = 1; i <= n; i++) col[F[i]] = i
              printf "CODE_ART;NOM_ART;CATEGORIE;QTE;PRIX_ACHAT;GERE_STOCK\r\n"; next }
    NR <= 10001 { split_csv($0)
                  printf "%s;%s;%s;%d;%s;%s\r\n", F[col["CODE_ART"]], quoted(F[col["NOM_ART"]]),
                         quoted(F[col["CATEGORIE"]]), (NR * 7) % 50 + 1, F[col["PRIX_ACHAT"]], F[col["GERE_STOCK"]] }' \
    >"$work/collection.csv"
"$packet" from-csv "$work/collection.csv" "$file" >/dev/null || fail "no starting collection"
declare -A expected=() # code -> sum of the confirmed rounds
while read -r code qty; do expected[$code]=$qty; done < <(saved_counts)
[ "${#expected[@]}" -eq 10000 ] || fail "the starting collection has ${#expected[@]} lines"

# The file's count parameter $1 (TALLIVO_POSTE, TALLIVO_EPOQUE, TALLIVO_SEQUENCE).
count_param() { grep -o "<PARAM Name=\"$1\" Value=\"[^\"]*\"" "$file" | sed 's/.*Value="//; s/"$//'; }
# The journal's count against the file's quantities (read again, or the
# saved_counts output in file $2): up to the file's sequence, or with "all"
# ($1) every record of the count, confirmed or not.
journal_agrees() {
    local station epoch upto=()
    station=$(count_param TALLIVO_POSTE) epoch=$(count_param TALLIVO_EPOQUE)
    [ -n "$station" ] && [ -n "$epoch" ] || { echo "no station identity in the file" >"$work/journal-diff"; return 1; }
    [ "${1:-}" = all ] || upto=(--upto "$(count_param TALLIVO_SEQUENCE)")
    "$journal_tool" replay --all --count "$station:$epoch" "${upto[@]}" "$data/JOURNAL.DAT" | tr '\t' ' ' | sort >"$work/replayed" ||
        { echo "the journal does not read" >"$work/journal-diff"; return 1; }
    if [ -n "${2:-}" ]; then sort "$2"; else saved_counts | sort; fi >"$work/saved"
    diff "$work/saved" "$work/replayed" >"$work/journal-diff"
}

kills=0 kills_after_ok=0 kept_in_flight=0 dropped_in_flight=0
emptied=0 kept_whole=0 exports=0 exports_whole=0 exports_absent=0 refused_second=0
# The confirmed counts against a file's counts (the collection, or the file
# given), one line per code that differs ("kept" for the round in flight
# found whole).
compare() { # flight code, flight quantity, file
    for code in "${!expected[@]}"; do echo "$code ${expected[$code]}"; done >"$work/expected"
    saved_counts "$3" >"$work/got"
    awk -v fc="$1" -v fq="$2" '
        FILENAME == ARGV[1] { e[$1] = $2; all[$1] = 1; next }
        { g[$1] = $2; all[$1] = 1 }
        END {
            for (c in all) {
                ev = (c in e) ? e[c] : 0; gv = (c in g) ? g[c] : 0
                if (c == fc && fq != 0 && gv == ev + fq) print "kept"
                else if (gv != ev) print "code " c " holds " gv " in the file, " ev " confirmed"
            }
        }' "$work/expected" "$work/got"
}
verify() { # the code and quantity in flight, if any
    local flight_code=${1:-} flight_qty=${2:-0} code
    if [ -e "$file" ]; then
        "$packet" check "$file" >/dev/null 2>&1 || fail "COLLECTION.XML does not load: $("$packet" check "$file" 2>&1)"
        saved_counts >"$work/got"
        journal_agrees confirmed "$work/got" || fail "the journal's confirmed count is not the file's: $(head -5 "$work/journal-diff")"
    else
        : >"$work/got"
    fi
    for code in "${!expected[@]}"; do echo "$code ${expected[$code]}"; done >"$work/expected"
    # Each code of either side: the file's quantity against the confirmed sum.
    local verdict
    verdict=$(awk -v fc="$flight_code" -v fq="$flight_qty" '
        FILENAME == ARGV[1] { e[$1] = $2; all[$1] = 1; next }
        { g[$1] = $2; all[$1] = 1 }
        END {
            for (c in all) {
                ev = (c in e) ? e[c] : 0; gv = (c in g) ? g[c] : 0
                if (c == fc && fq != 0 && gv == ev + fq) print "kept"
                else if (gv != ev) { print "code " c " holds " gv " in the file, " ev " confirmed"; bad = 1 }
            }
        }' "$work/expected" "$work/got")
    case $verdict in
    "") [ -n "$flight_code" ] && dropped_in_flight=$((dropped_in_flight + 1)) ;;
    kept)
        expected[$flight_code]=$(( ${expected[$flight_code]:-0} + flight_qty ))
        kept_in_flight=$((kept_in_flight + 1))
        ;;
    *) fail "$(echo "$verdict" | grep -v '^kept$' | head -5) (in flight: ${flight_code:-none} $flight_qty)" ;;
    esac
}

kill_now() {
    kill -9 "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    pid=""
    kills=$((kills + 1))
}

# Places on the main window (1280 x 800, no window manager: at 0,0) and in a
# message: "Initialiser les données", "Exporter", "Oui", "Ok".
empty_tile="887 714" export_tile="1063 37" yes_at="283 196" ok_at="409 196"
message_tap() { # offset in the message window
    local X Y
    eval "$(xdotool getwindowgeometry --shell "$(xdotool search --onlyvisible --name '^Information$' | head -1)")"
    set -- $1
    xdotool mousemove $((X + $1)) $((Y + $2)) click 1
}

# "Initialiser les données", "Oui" twice (each after the questions' dead
# time); killed 0 to 150 ms after the second "Oui", or not.
initialise() {
    local kill_it=$1 archives_before
    archives_before=$(compgen -G "$data/COLLECTION-*.XML" | wc -l)
    before=$(identity)
    xdotool mousemove $empty_tile click 1
    poll 10000 visible 'Information' || fail "no question after Initialiser"
    sleep 0.7
    message_tap "$yes_at"
    sleep 0.3
    poll 10000 visible 'Information' || fail "no second question"
    sleep 0.7
    if [ "$kill_it" = 1 ]; then
        message_tap "$yes_at" &
        local sender=$!
        sleep "0.$(printf '%03d' $((RANDOM % 151)))"
        kill_now
        wait $sender
    else
        message_tap "$yes_at"
        poll 15000 replaced || fail "the emptied collection was not saved"
    fi
    # The count whole in COLLECTION.XML, or emptied with it whole in the
    # newest archive.
    local newest left
    newest=$(compgen -G "$data/COLLECTION-*.XML" | sort | tail -1)
    left=$(saved_counts | wc -l)
    if [ "$left" -eq 0 ]; then
        if [ "${#expected[@]}" -gt 0 ]; then
            [ -n "$newest" ] && [ "$(compgen -G "$data/COLLECTION-*.XML" | wc -l)" -gt "$archives_before" ] ||
                fail "the collection was emptied without an archive"
            local diff
            diff=$(compare "" 0 "$newest")
            [ -z "$diff" ] || fail "the archive $(basename "$newest") lacks counts: $(echo "$diff" | head -3)"
        fi
        expected=()
        emptied=$((emptied + 1))
    else
        [ "$kill_it" = 1 ] || fail "Initialiser did not empty the collection"
        kept_whole=$((kept_whole + 1))
    fi
    [ "$kill_it" = 1 ] && { verify; start; }
}

# "Exporter", a name, Enter; killed 0 to 100 ms later, or not. The export is
# whole or absent.
export_count() {
    local kill_it=$1 name=export-$round.CSV lines
    xdotool mousemove $export_tile click 1
    poll 15000 visible '(Enregistrer.*|Save.*)' || fail "no export dialog"
    sleep 0.5
    xdotool key ctrl+a type --delay 10 "$name"
    if [ "$kill_it" = 1 ]; then
        xdotool key Return &
        local sender=$!
        sleep "0.$(printf '%03d' $((RANDOM % 101)))"
        kill_now
        wait $sender
    else
        xdotool key Return
        poll 15000 visible 'Information' || fail "no end of export"
        sleep 0.3
        message_tap "$ok_at"
        poll 10000 eval '! visible Information' || fail "the export's message stayed"
    fi
    exports=$((exports + 1))
    if [ -e "$data/$name" ]; then
        lines=$(tr -cd '\n' <"$data/$name" | wc -c)
        [ "$(head -1 "$data/$name" | tr -d '\r')" = "CODE_ART;NOM_ART;CATEGORIE;QTE;PRIX_ACHAT" ] &&
            [ "$lines" -eq $(( $(saved_counts | wc -l) + 1 )) ] && [ "$(tail -c 2 "$data/$name" | od -An -c | tr -d ' ')" = '\r\n' ] ||
            fail "the export $name is not whole ($lines lines)"
        exports_whole=$((exports_whole + 1))
    else
        [ "$kill_it" = 1 ] || fail "the export $name was not written"
        exports_absent=$((exports_absent + 1))
    fi
    [ "$kill_it" = 1 ] && { verify; start; }
}

# A second workstation on the same folder (another runtime folder): it says
# the folder is in use; the first one goes on.
second_workstation() {
    mkdir -p -m 700 "$work/second"
    : >"$work/second.log"
    (cd "$data" && XDG_RUNTIME_DIR=$work/second exec "$tallivo") >"$work/second.log" 2>&1 &
    local second=$!
    poll 20000 grep -q "est déjà utilisé par un autre poste Tallivo" "$work/second.log" ||
        fail "a second workstation on the folder did not refuse to start: $(head -3 "$work/second.log")"
    kill -9 "$second" 2>/dev/null
    wait "$second" 2>/dev/null
    kill -0 "$pid" || fail "the first workstation ended"
    refused_second=$((refused_second + 1))
}

echo "kill test: $rounds rounds, seed $seed (KILL_TEST_SEED=$seed to repeat)"
began=$(now_ms)
start
round=0
for round in $(seq "$rounds"); do
    if [ $((RANDOM % 10)) -lt 6 ]; then code=${hot[RANDOM % ${#hot[@]}]}; else code=${codes[RANDOM * 32768 % 20000]}; fi
    qty=$((RANDOM % 3 == 0 ? RANDOM % 900 + 100 : RANDOM % 99 + 1))
    fate=$((RANDOM % 100)) # < 14: killed 0-50 ms after Ok; < 20: killed before Ok
    before=$(identity)
    other=$((RANDOM % 100))
    if [ "$other" -lt 3 ]; then
        second_workstation
    elif [ "$other" -lt 6 ]; then
        export_count $((RANDOM % 2))
        continue
    elif [ "$other" -lt 10 ] && [ "$round" -gt $((rounds * 3 / 4)) ]; then
        initialise $((RANDOM % 2))
        continue
    fi

    # The scanner types the code and Enter.
    xdotool type --delay 3 "$code"$'\r'
    if [ "$fate" -ge 14 ] && [ "$fate" -lt 17 ]; then
        sleep "0.0$((RANDOM % 90 + 10))"
        kill_now
        verify
        start
        continue
    fi
    poll 15000 visible 'Quantité' || fail "the keypad did not open for $code"
    sleep 0.1
    # The quantity, by hand or on the tiles.
    by_hand=$((RANDOM % 2))
    if [ "$by_hand" = 1 ]; then
        xdotool type --delay 120 "$qty"
    else
        eval "$(xdotool getwindowgeometry --shell "$(xdotool search --onlyvisible --name '^Quantité$' | head -1)")"
        for ((i = 0; i < ${#qty}; i++)); do
            d=${qty:i:1}
            case $d in # tile centres: panel at 25,86; tiles 84 x 69
            0) x=71 y=348 ;; 1) x=71 y=273 ;; 2) x=161 y=273 ;; 3) x=251 y=274 ;;
            4) x=71 y=198 ;; 5) x=161 y=199 ;; 6) x=251 y=199 ;;
            7) x=71 y=123 ;; 8) x=161 y=124 ;; 9) x=251 y=124 ;;
            esac
            xdotool mousemove $((X + x)) $((Y + y)) click 1
            sleep 0.05
        done
    fi
    if [ "$fate" -ge 17 ] && [ "$fate" -lt 20 ]; then
        kill_now # keyed, never confirmed
        verify
        start
        continue
    fi
    # Ok.
    if [ "$fate" -lt 14 ]; then
        # Killed 0 to 50 ms after Ok was sent: before, during or after its save.
        if [ "$by_hand" = 1 ]; then xdotool key Return & else xdotool mousemove $((X + 462)) $((Y + 203)) click 1 & fi
        sender=$!
        sleep "0.0$(printf '%02d' $((RANDOM % 51)))"
        kill_now
        wait $sender
        kills_after_ok=$((kills_after_ok + 1))
        verify "$code" "$qty"
        start
        continue
    fi
    if [ "$by_hand" = 1 ]; then xdotool key Return; else xdotool mousemove $((X + 462)) $((Y + 203)) click 1; fi
    poll 15000 replaced || fail "the count of $code ($qty) was not saved"
    expected[$code]=$(( ${expected[$code]:-0} + qty ))
    poll 10000 keypad_gone || fail "the keypad stayed open after Ok"
done
kill_now
verify
ended=$(now_ms)

lines=0 total=0
for code in "${!expected[@]}"; do
    [ "${expected[$code]}" != 0 ] && lines=$((lines + 1))
    total=$((total + expected[$code]))
done
echo "rounds: $rounds   kills: $kills (after Ok, within 0-50 ms: $kills_after_ok; at other moments: $((kills - kills_after_ok)))"
echo "rounds in flight at a kill: $((kept_in_flight + dropped_in_flight)) (found saved whole: $kept_in_flight, absent: $dropped_in_flight)"
echo "temporary files left by kills: $leftovers, every one removed by the next start"
echo "Initialiser: $emptied emptied with the whole count in an archive, $kept_whole killed before the count was emptied"
echo "exports: $exports ($exports_whole whole, $exports_absent absent after a kill); second workstations refused: $refused_second"
echo "journal: $(stat -c %s "$data/JOURNAL.DAT") bytes; after every kill its confirmed count was the file's, after every start all of it"
echo "counts kept: $lines lines (10000 at the start), total quantity $total; every confirmed count was found after every restart"
echo "time: $(( (ended - began) / 1000 )) s"

#!/bin/bash
# The 1 000 000-article speed figures of two Release builds in one run,
# alternating (old, new, then new, old, ROUNDS times), so that both see the
# same load on a shared machine. One JSON file per program, build and round
# goes to OUTDIR, with the machine's load (uptime) before each program.
#   bench/compare-speed.sh OLD_BUILD_DIR NEW_BUILD_DIR OUTDIR [ROUNDS]
# Benchmarks a build lacks are simply absent from its files.
set -euo pipefail
old=$1 new=$2 out=$3 rounds=${4:-2}
mkdir -p "$out"
programs=(
    "packet/packet_bench|BM_LoadFromFile|BM_ReadFloor|BM_PugixmlBaseline|BM_PeakMemoryWhileLoading"
    "table/table_bench|BM_Locate/hit/1000000/|BM_FirstLocate/1000000|BM_SortByName/1000000|BM_Memory/1000000"
    "dialogs/search_bench|BM_SearchOpen/|BM_SearchTitleSort/"
    "app/app_bench|StartToReady|FirstScanAfterStart|EnterToKeypadNext|EnterToKeypadDuringBackgroundWork"
    "app/collection_bench|^OkToReady/"
)
run() { # build label round
    for p in "${programs[@]}"; do
        local prog=${p%%|*} filter=${p#*|} name
        name=$(basename "$prog")
        echo "$2 round $3 $name: $(uptime)" | tee -a "$out/load.txt"
        "$1/bench/$prog" --benchmark_filter="$filter" --benchmark_repetitions=3 \
            --benchmark_out="$out/$name.$2.$3.json" --benchmark_out_format=json >/dev/null
    done
}
for ((r = 1; r <= rounds; r++)); do
    if ((r % 2)); then run "$old" old "$r"; run "$new" new "$r"
    else run "$new" new "$r"; run "$old" old "$r"; fi
done

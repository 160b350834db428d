#!/usr/bin/env bash
# Times folder runs into the server database side by side with the same run into the browser's data file,
# on warm caches: the median of several runs of each, in seconds, and each one's ratio to the JavaScript run.
# The database run is timed into the empty database and over the index of the run before (a user's every
# later run), for the ASP engine (ScriptType=1) and for the PHP engine (ScriptType=2), whose run also
# builds the trigram index.
#   bench/database-vs-javascript.sh [build-folder] [folder...]
# RUNS (default 5) sets the number of timed runs. The kinds take turns within each round, so a load that
# comes and goes on the machine falls on all of them alike.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
shift || true
folders=("$@")
[[ ${#folders[@]} -gt 0 ]] || folders=(/usr/share/doc/python3.11/html)
runs=${RUNS:-5}
for folder in "${folders[@]}"; do
    [[ -d $folder ]] || { echo "missing $folder (apt-get install python3-doc)" >&2; exit 1; }
done

source "$root/bench/timing.sh"

emptyIndex() { cp "$build/IndexData.mdb" "$work/program/IndexData.mdb"; rm -f "$work/program/IndexData.dat"; }
# The index of the run just before, which is of the same kind.
previousIndex() { :; }

run() { "$work/program/findlark" index-folder "$folder" --quiet --set ScriptType="$1"; }
runJavaScript() { run 0; }
runAsp() { run 1; }
runPhp() { run 2; }

for folder in "${folders[@]}"; do
    find "$folder" -type f -print0 | xargs -0 cat -- >/dev/null
    labels=("JavaScript" "ASP, empty database" "ASP, over its index" "PHP, empty database" "PHP, over its index")
    commands=(runJavaScript runAsp runAsp runPhp runPhp)
    prepares=(emptyIndex emptyIndex previousIndex emptyIndex previousIndex)
    rm -f "$work"/t.*
    # Round 0 warms up, untimed.
    for round in $(seq 0 "$runs"); do
        for k in "${!labels[@]}"; do
            if ((round == 0)); then
                timed "${prepares[k]}" "${commands[k]}" >/dev/null
            else
                timed "${prepares[k]}" "${commands[k]}" >>"$work/t.$k"
            fi
        done
    done
    pages=$(sqlite3 "$work/program/IndexData.mdb" 'SELECT count(*) FROM IndexData' 2>/dev/null || echo "?")
    echo "$folder: $pages pages, median of $runs runs"
    js=$(median <"$work/t.0")
    for k in "${!labels[@]}"; do
        awk -v l="${labels[k]}" -v t="$(median <"$work/t.$k")" -v j="$js" \
            'BEGIN { printf "  %-24s %7.3f s  %5.2fx JavaScript\n", l, t, t / j }'
    done
done

#!/usr/bin/env bash
# Times a folder run side by side with reading the same files (cat) and with Pagefind indexing the same
# folder, on warm caches: the median of several runs of each, in seconds, and the two ratios.
# Needs a Release build and Pagefind (cd bench && npm ci).
#   bench/folder-vs-pagefind.sh [build-folder] [folder...]
# The run is timed in both index forms: the JavaScript data file and the server database. RUNS (default 5)
# sets the number of timed runs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
shift || true
folders=("$@")
[[ ${#folders[@]} -gt 0 ]] || folders=(/usr/share/doc/python3.11/html /usr/share/doc/sqlite3)
runs=${RUNS:-5}
# The wrapper's own native program, so that the times compare indexers and not the node start-up of npx.
pagefind=$(ls "$root"/bench/node_modules/@pagefind/*/bin/pagefind_extended 2>/dev/null | head -1 || true)
[[ -x $pagefind ]] || { echo "Pagefind is missing: cd bench && npm ci" >&2; exit 1; }
for folder in "${folders[@]}"; do
    [[ -d $folder ]] || { echo "missing $folder (apt-get install python3-doc sqlite3-doc)" >&2; exit 1; }
done

source "$root/bench/timing.sh"

prepareFindlark() { cp "$build/IndexData.mdb" "$work/program/IndexData.mdb"; rm -f "$work/program/IndexData.dat"; }
preparePagefind() { rm -rf "$work/pagefind"; }
none() { :; }

runJavaScript() { "$work/program/findlark" index-folder "$folder" --quiet --set ScriptType=0; }
runDatabase() { "$work/program/findlark" index-folder "$folder" --quiet --set ScriptType=1; }
runCat() { xargs -d '\n' cat -- <"$work/files" >/dev/null; }
runPagefind() { "$pagefind" --site "$folder" --output-path "$work/pagefind" --silent; }

report() {
    awk -v l="$1" -v t="$2" -v c="$3" -v p="$4" \
        'BEGIN { printf "  %-22s %7.3f s", l, t; if (c > 0) printf "  %5.1fx cat  %6.1fx faster than Pagefind", t / c, p / t; printf "\n" }'
}

for folder in "${folders[@]}"; do
    # The files the run indexes, from its own page lines: cat reads exactly those.
    prepareFindlark
    "$work/program/findlark" index-folder "$folder" --set ScriptType=0 >"$work/lines"
    sed -n 's/^\(Indexed\|Failure\)\t//p' "$work/lines" >"$work/files"
    # Warm-up: every file of the folder into the page cache, and each command once.
    find "$folder" -type f -print0 | xargs -0 cat -- >/dev/null
    kinds=(JavaScript Database Cat Pagefind)
    prepares=(prepareFindlark prepareFindlark none preparePagefind)
    for k in 0 1 2 3; do timed "${prepares[k]}" "run${kinds[k]}" >/dev/null; done
    rm -f "$work"/t.*
    for _ in $(seq 1 "$runs"); do
        for k in 0 1 2 3; do timed "${prepares[k]}" "run${kinds[k]}" >>"$work/t.${kinds[k]}"; done
    done
    js=$(median <"$work/t.JavaScript")
    db=$(median <"$work/t.Database")
    c=$(median <"$work/t.Cat")
    p=$(median <"$work/t.Pagefind")
    echo "$folder: $(wc -l <"$work/files") files indexed, median of $runs runs"
    report "findlark, JavaScript" "$js" "$c" "$p"
    report "findlark, database" "$db" "$c" "$p"
    report "cat of the same files" "$c" 0 0
    report "pagefind" "$p" 0 0
done

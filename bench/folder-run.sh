#!/usr/bin/env bash
# Times a folder run over a real website copied ten times (about 7,700 pages), in JavaScript mode and in
# server-database mode: files per second and peak memory. Needs a Release build in ./build and the
# SQLite documentation (apt-get install sqlite3-doc).
#   bench/folder-run.sh [build-folder] [copies]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
copies=${2:-10}
source_site=/usr/share/doc/sqlite3
[[ -d $source_site ]] || { echo "missing $source_site: apt-get install sqlite3-doc" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for i in $(seq 1 "$copies"); do cp -r "$source_site" "$work/site/copy$i" 2>/dev/null || { mkdir -p "$work/site"; cp -r "$source_site" "$work/site/copy$i"; }; done
# The program writes beside itself, so run a copy in a folder of its own.
mkdir -p "$work/program"
cp "$build/findlark" "$build/IndexData.mdb" "$work/program/"
export XDG_CONFIG_HOME="$work/config"

run() {
    local mode=$1 label=$2
    cp "$build/IndexData.mdb" "$work/program/IndexData.mdb"
    # One warm-up pass fills the page cache; the second is measured.
    "$work/program/findlark" index-folder "$work/site" --quiet --set "ScriptType=$mode" >/dev/null
    local start end files
    start=$(date +%s.%N)
    /usr/bin/time -f "%M" -o "$work/mem" "$work/program/findlark" index-folder "$work/site" --quiet \
        --set "ScriptType=$mode" >"$work/out"
    end=$(date +%s.%N)
    files=$(sed -n 's/^Finish\t\([0-9]*\) records/\1/p' "$work/out")
    awk -v l="$label" -v f="$files" -v s="$start" -v e="$end" -v m="$(cat "$work/mem")" \
        'BEGIN { t = e - s; printf "%-12s %6d files  %7.3f s  %8.0f files/s  peak %6.1f MB\n", l, f, t, f / t, m / 1024 }'
}
run 0 JavaScript
run 1 database
echo "index data file: $(du -h "$work/program/IndexData.dat" 2>/dev/null | cut -f1) (JavaScript run is overwritten by the database run: see above)"

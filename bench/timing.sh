# Shared by the timed run scripts (sourced after $build is set): a copy of the program in a folder of its
# own under $work, and the timing helpers.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The program writes beside itself, so run a copy in a folder of its own.
mkdir -p "$work/program"
cp "$build/findlark" "$work/program/"
export XDG_CONFIG_HOME="$work/config"

# Seconds taken by the command, the preparing step before it left out.
timed() {
    local prepare=$1
    shift
    $prepare
    local start=$EPOCHREALTIME
    "$@" >/dev/null 2>&1
    local end=$EPOCHREALTIME
    echo "$start $end" | awk '{ printf "%.4f\n", $2 - $1 }'
}

median() {
    sort -g | awk '{ v[NR] = $1 } END { printf "%.4f", NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

#!/usr/bin/env bash
# Builds Findlark and indexes the bundled sample site with a throw-away settings store.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"

cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" -j"$(nproc)"

# The demo keeps its settings apart from the user's own.
export XDG_CONFIG_HOME="$root/build/demo-config"
site="$root/examples/site"
output="$root/build/Output/"
mkdir -p "$output"
settings=(--set ScriptType=0 --set SelTemplateName=Simple --set "OutputPath=$output"
          --set NoIncFileListItemNum=1 --set "NoIncFileListItem0=$site/private/")
"$root/build/findlark" index-folder "$site" "${settings[@]}"
"$root/build/findlark" make "${settings[@]}" >/dev/null
echo "Search engine written to $output: open ${output}search.html in a browser."

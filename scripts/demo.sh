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
"$root/build/findlark" index-folder "$site" \
    --set ScriptType=0 --set NoIncFileListItemNum=1 --set "NoIncFileListItem0=$site/private/"
echo "Index written to $root/build/IndexData.dat"

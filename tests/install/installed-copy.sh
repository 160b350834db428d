#!/usr/bin/env bash
# An installed copy, owned by root, used by an ordinary user: every run and make must land in the user's
# data folder and leave the program folder as it was.
#   installed-copy.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
if [[ $(id -u) -ne 0 ]] || ! command -v setpriv >/dev/null; then
    echo "needs root and setpriv to act as another user: skipped"
    exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
chmod -R a+rX "$prefix"
cp -r "$source/examples/site" "$work/site"
chmod -R a+rX "$work/site"
home=$work/home
mkdir -p "$home"
chown nobody "$home"
before=$(cd "$prefix" && find . -type f -print0 | sort -z | xargs -0 md5sum)

as_user() {
    setpriv --reuid=nobody --regid=nogroup --clear-groups \
        env -i PATH=/usr/bin:/bin HOME="$home" ASAN_OPTIONS=detect_leaks=0 "$prefix/bin/findlark" "$@"
}
fail() { echo "FAIL: $*"; exit 1; }

data=$home/.local/share/Tidewell/findlark
as_user index-folder "$work/site" --quiet --set ScriptType=0 || fail "index-folder (JavaScript)"
[[ -f $data/IndexData.dat ]] || fail "no index data file in the data folder"
as_user make --set ScriptType=0 --set SelTemplateName=Simple >/dev/null || fail "make (JavaScript)"
[[ -f $data/Output/webdata.js && -f $data/Output/searchfunc.js ]] || fail "no JavaScript search files in $data/Output"

as_user index-folder "$work/site" --quiet --set ScriptType=1 || fail "index-folder (database)"
as_user make >/dev/null || fail "make (database)"
[[ -f $data/Output/search.asp && -f $data/Output/IndexData.mdb ]] || fail "no server page and database in $data/Output"
rows=$(sqlite3 "$data/IndexData.mdb" 'SELECT count(*) FROM IndexData' 2>/dev/null || echo "?")
[[ $rows != 0 ]] || fail "the database in the data folder has no rows"

after=$(cd "$prefix" && find . -type f -print0 | sort -z | xargs -0 md5sum)
[[ "$before" == "$after" ]] || fail "the program folder changed"
echo "1 passed, 0 failed"

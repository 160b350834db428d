#!/usr/bin/env bash
# Builds the Debian package from a build folder into a temporary folder, checks its files and control
# fields, unpacks it and runs the program from there.
# Arguments: cpack, the build folder, the source folder, the project's version, ON when the windows are
# built. Exit 77 (skipped) without dpkg-deb.
set -euo pipefail
cpack=$1 build=$2 source=$3 version=$4 gui=$5

if ! command -v dpkg-deb >/dev/null; then
    echo "dpkg-deb not found: the Debian package is not checked"
    exit 77
fi
command -v dpkg-shlibdeps >/dev/null ||
    { echo "dpkg-shlibdeps not found: install dpkg-dev (scripts/install-deps.sh --tests)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

arch=$(dpkg --print-architecture)
deb="$work/out/findlark_${version}_${arch}.deb"
if ! "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    [[ ! -f $deb ]]; then
    cat "$work/cpack.log" >&2
    ls -l "$work/out" >&2 || true
    echo "FAIL: cpack did not make $(basename "$deb")" >&2
    exit 1
fi
echo "Built $(basename "$deb")"

# --- Files: "mode owner size date time path [-> target]"
dpkg-deb -c "$deb" >"$work/contents"
awk '{ print $6 }' "$work/contents" | sed 's|^\./|/|; s|/$||' >"$work/paths"
expected=(/usr/lib/findlark/findlark /usr/lib/findlark/IndexData.mdb /usr/lib/findlark/SearchFunc.dat
          /usr/bin/findlark /usr/share/man/man1/findlark.1.gz)
for kind in Template Help; do
    while IFS= read -r file; do
        expected+=("/usr/lib/findlark/$kind/$file")
    done < <(cd "$source/support/$kind" && find . -type f | sed 's|^\./||')
done
if [[ $gui == ON ]]; then
    expected+=(/usr/share/applications/example.tidewell.findlark.desktop
               /usr/share/icons/hicolor/scalable/apps/findlark.svg
               /usr/share/metainfo/example.tidewell.findlark.metainfo.xml)
fi
for path in "${expected[@]}"; do
    grep -qxF "$path" "$work/paths" || fail "the package lacks $path"
done
# Nothing else of the build tree (tests, build tools, index data of a run) may come along.
allowed='^(|/usr|/usr/bin(/findlark)?|/usr/lib|/usr/lib/findlark(/.*)?'
allowed+='|/usr/share(/(applications|icons|metainfo|man)(/.*)?)?)$'
unexpected=$(grep -vE "$allowed" "$work/paths" || true)
[[ -z $unexpected ]] || fail "unexpected in the package: $unexpected"
grep -qE '^-rwxr-xr-x root/root .* \./usr/lib/findlark/findlark$' "$work/contents" ||
    fail "the executable is not an executable owned by root"
grep -qE ' \./usr/bin/findlark -> \.\./lib/findlark/findlark$' "$work/contents" ||
    fail "/usr/bin/findlark is not a link to ../lib/findlark/findlark"

# --- Control fields
field() { dpkg-deb -f "$deb" "$1"; }
[[ $(field Package) == findlark ]] || fail "Package: $(field Package)"
[[ $(field Version) == "$version" ]] || fail "Version: $(field Version), not $version"
[[ $(field Architecture) == "$arch" ]] || fail "Architecture: $(field Architecture), not $arch"
[[ $(field Section) == web ]] || fail "Section: $(field Section)"
[[ $(field Maintainer) == Tidewell* ]] || fail "Maintainer: $(field Maintainer)"
[[ $(field Homepage) == https://www.tidewell.example/findlark/ ]] || fail "Homepage: $(field Homepage)"
depends=$(field Depends)
echo "Depends: $depends"
# The package names, each with its version constraint dropped.
names=" $(sed -E 's/ *\([^)]*\)//g; s/ *[,|] */ /g' <<<"$depends") "
qt=libqt6core6
[[ $gui == ON ]] && qt="libqt6widgets6 libqt6svg6"
for package in libc6 $qt libcurl4 libsqlite3-0; do
    [[ $names == *" $package "* ]] || fail "Depends does not name $package"
done

# --- The unpacked package
root="$work/root"
dpkg -x "$deb" "$root"
[[ $(readlink -f "$root/usr/bin/findlark") == "$root/usr/lib/findlark/findlark" ]] ||
    fail "/usr/bin/findlark does not lead to the program inside the package"
zcat "$root/usr/share/man/man1/findlark.1.gz" | head -1 | grep -qF "\"Findlark $version\"" ||
    fail "the manual page's header does not carry version $version"
if command -v man >/dev/null && command -v groff >/dev/null; then
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z \
        "$root/usr/share/man/man1/findlark.1.gz" 2>&1 >/dev/null) || fail "man could not format the page"
    [[ -z $warnings ]] || fail "the manual page has warnings: $warnings"
fi
if [[ $gui == ON ]]; then
    desktop="$root/usr/share/applications/example.tidewell.findlark.desktop"
    grep -qx 'Exec=/usr/bin/findlark' "$desktop" || fail "the desktop entry does not start /usr/bin/findlark"
    metainfo="$root/usr/share/metainfo/example.tidewell.findlark.metainfo.xml"
    newest=$(grep -oE '<release version="[^"]*"' "$metainfo" | head -1 | cut -d'"' -f2)
    [[ $newest == "$version" ]] || fail "the metainfo's newest release is $newest, not $version"
    if command -v appstreamcli >/dev/null; then
        appstreamcli validate --no-net "$metainfo" >"$work/appstream.log" 2>&1 ||
            { cat "$work/appstream.log" >&2; fail "appstreamcli rejects the metainfo"; }
    fi
fi

# The program, run through the link, finds its support files in the unpacked program folder. Its
# settings and data go to folders of the test's own.
program="$root/usr/bin/findlark"
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" HOME="$work/home"
mkdir -p "$HOME" "$work/output"
[[ $("$program" --version) == "Findlark $version" ]] || fail "--version: $("$program" --version)"
"$program" --help | grep -q '^Usage: findlark' || fail "--help prints no usage"
settings=(--set ScriptType=0 --set SelTemplateName=Simple --set "OutputPath=$work/output/")
if "$program" index-folder "$source/examples/site" --quiet "${settings[@]}" >"$work/index.log" 2>&1; then
    grep -qE '^Finish	[1-9][0-9]* records$' "$work/index.log" ||
        { cat "$work/index.log" >&2; fail "index-folder indexed no page"; }
    "$program" make "${settings[@]}" >"$work/make.log" 2>&1 ||
        { cat "$work/make.log" >&2; fail "make from the package failed"; }
    [[ -s $work/output/search.html ]] || fail "make wrote no search.html"
else
    cat "$work/index.log" >&2
    fail "index-folder from the package failed"
fi

if ((failures > 0)); then
    echo "$failures check(s) of the package failed" >&2
    exit 1
fi
echo "The package is complete and its program runs"

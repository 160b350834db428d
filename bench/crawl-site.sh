#!/usr/bin/env bash
# Crawls a real site served by nginx on 127.0.0.1 and reports pages per second (against the bound of one
# thread limit of pages per dispatch second), CPU time per page, peak memory and the time from the last
# page to "Finish". nginx compresses text as a web server would, and the crawl obeys robots.txt (the site
# has none, so every page is allowed), as crawls of real sites do; the report says the bytes that crossed
# the network against the pages' own sizes.
#   bench/crawl-site.sh BUILD_DIR [THREADS...]     (default threads: 3 20)
# Needs nginx (Debian: nginx) and the SQLite documentation (Debian: sqlite3-doc) as the site.
set -euo pipefail
build=$(cd "${1:?build folder}" && pwd)
shift
threads=("$@")
[[ ${#threads[@]} -gt 0 ]] || threads=(3 20)
site=${FINDLARK_BENCH_SITE:-/usr/share/doc/sqlite3}
work=$(mktemp -d)
trap 'kill "$(cat "$work/nginx.pid" 2>/dev/null)" 2>/dev/null || true; rm -rf "$work"' EXIT

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
mkdir -p "$work/logs"
cat >"$work/nginx.conf" <<EOF
worker_processes 1;
pid $work/nginx.pid;
error_log $work/logs/error.log;
events { worker_connections 256; }
http {
    log_format fetch '\$msec \$status \$body_bytes_sent \$uri';
    gzip on; gzip_types text/plain text/css application/javascript application/xml;
    access_log $work/logs/access.log fetch;
    include /etc/nginx/mime.types;
    client_body_temp_path $work; proxy_temp_path $work; fastcgi_temp_path $work;
    uwsgi_temp_path $work; scgi_temp_path $work;
    server { listen 127.0.0.1:$port; root $site; autoindex on; }
}
EOF
nginx -c "$work/nginx.conf" -p "$work"

# A copy of the program folder, so the bench's index and settings are its own.
cp -r "$build/findlark" "$build/IndexData.mdb" "$build/Template" "$work/"
for t in "${threads[@]}"; do
    rm -f "$work/IndexData.dat"
    : >"$work/logs/access.log"
    start=$(date +%s.%N)
    XDG_CONFIG_HOME="$work/config" /usr/bin/time -f '%U %S %M' -o "$work/time.txt" \
        "$work/findlark" index-website "http://127.0.0.1:$port/" --set ScriptType=0 --set UseThreadNum="$t" \
        | while IFS= read -r line; do printf '%s\t%s\n' "$(date +%s.%N)" "$line"; done >"$work/lines.txt"
    read -r user sys peak <"$work/time.txt"
    python3 - "$work/lines.txt" "$start" "$t" "$user" "$sys" "$peak" "$work/logs/access.log" "$site" <<'PY'
import os, sys
path, start, threads, user, sys_, peak, access, site = sys.argv[1:]
log = [l.split() for l in open(access)]
fetches = [float(f[0]) for f in log]
# Bytes sent against the files' own sizes, for the files served whole (200, a file, not a listing).
sent = whole = 0
for f in log:
    name = os.path.join(site, f[3].lstrip('/'))
    if f[1] == '200' and os.path.isfile(name):
        sent += int(f[2])
        whole += os.path.getsize(name)
start, threads = float(start), int(threads)
pages = [float(l.split('\t')[0]) for l in open(path) if '\tIndexed\t' in l]
finish = [float(l.split('\t')[0]) for l in open(path) if '\tFinish\t' in l][0]
n = len(pages)
crawl = pages[-1] - start
cpu = float(user) + float(sys_)
# The bound: each dispatch second starts at most one thread per place of the limit, so fetches per second
# can reach the limit and no more.
span = fetches[-1] - fetches[0] + 1.0
print(f"threads {threads}: {len(fetches)} fetches in {span:.1f} s = {len(fetches) / span:.2f}/s "
      f"({100 * len(fetches) / span / threads:.0f}% of the bound {threads}/s); {n} pages indexed; "
      f"CPU {1000 * cpu / n:.2f} ms/page; peak {int(peak) // 1024} MB; last page to Finish "
      f"{finish - pages[-1]:.2f} s")
print(f"  transferred {sent} bytes for {whole} bytes of files: compression saved {whole - sent} bytes "
      f"({100 * (whole - sent) / max(whole, 1):.0f}%)")
PY
done

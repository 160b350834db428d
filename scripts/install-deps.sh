#!/usr/bin/env bash
# Installs the Debian packages Findlark needs to build and test, when they are missing.
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-svg-dev libcurl4-openssl-dev libsqlite3-dev
          zlib1g-dev libgtest-dev libgmock-dev libbenchmark-dev nodejs libmariadb-dev)
if [[ "${1:-}" == "--tests" ]]; then
    # The browser tests drive Debian's Chromium; the real-site tests read the SQLite documentation. The
    # package test builds the .deb (cpack computes its Depends with dpkg-shlibdeps and finds the programs
    # with file) and validates its metainfo with appstreamcli.
    packages+=(chromium sqlite3-doc sqlite3 dpkg-dev file appstream)
    # The PHP tests serve search.php with PHP's built-in server.
    packages+=(php-cli php-sqlite3)
    # The server-database tests start their own MariaDB servers and read them through PHP's PDO mysql.
    packages+=(mariadb-server php-mysql)
    # The crawl tests serve gzip and brotli bodies, and a self-signed server through openssl s_server.
    packages+=(libbrotli-dev openssl)
    # The ASP tests install their npm packages with npm ci; some node builds bring npm along.
    command -v npm >/dev/null 2>&1 || packages+=(npm)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=""
[[ $(id -u) -ne 0 ]] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq || true
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"

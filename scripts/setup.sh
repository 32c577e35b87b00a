#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds Quillon Engine and then runs the program or the tests.
#   scripts/setup.sh run     install what the program needs, build it, then start it
#   scripts/setup.sh test    install that and what the tests need, build everything, run every test
#   scripts/setup.sh build   as test, without running the tests
set -euo pipefail

mode="${1:-build}"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${QLE_BUILD_DIR:-$here/build}"

# What the program needs to be built and to run: compilers, its libraries, Qt with the web engine,
# Git (libgit2 with libssh2), WebDAV listings (expat), pictures (libvips), the HTML parser of the site
# check (gumbo), a fast hash of what each page is made from (xxhash), spelling (with the English
# dictionary), the desktop's keyring and its "open" command.
program_packages=(
    build-essential cmake ninja-build pkg-config
    libsqlite3-dev libcurl4-openssl-dev libssl-dev libsecret-1-dev libgit2-dev libssh2-1-dev libexpat1-dev
    qt6-base-dev libqt6sql6-sqlite qt6-webengine-dev
    qt6-image-formats-plugins libqt6svg6
    libhunspell-dev hunspell-en-us
    libvips-dev libgumbo-dev libxxhash-dev
    xdg-utils
)
# What the tests and the benchmarks need besides: GoogleTest, the servers they talk to, a keyring of
# their own (a private session bus, the libraries of the unpacked keyring daemon, and a tool to read
# it with), a virtual display, and the HTML checker (Java) with the browser the page benchmarks drive.
test_packages=(
    git libgtest-dev libgmock-dev
    python3-pyftpdlib python3-openssl python3-asyncssh openssh-client openssl libwrap0 lftp
    apache2-bin rclone
    dbus-daemon libsecret-tools libgck-1-0 libgcr-base-3-1
    xvfb xauth time strace
    desktop-file-utils
    default-jre-headless nodejs npm chromium
    libvips-tools libimage-exiftool-perl
)
case "$mode" in
run | test | build) ;;
*)
    echo "usage: $0 run|test|build" >&2
    exit 2
    ;;
esac
packages=("${program_packages[@]}")
[ "$mode" = run ] || packages+=("${test_packages[@]}")

installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed" && return 0
    # A nodejs package that bundles npm provides it (and conflicts with Debian's npm).
    [ "$1" = npm ] && command -v npm >/dev/null
}
missing=()
for p in "${packages[@]}"; do
    installed "$p" || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi

# The FTP-with-TLS tests start vsftpd, the keyring tests gnome-keyring-daemon, from the build folder.
# They are unpacked there, never installed: installing them would start and enable services.
servers="$build/servers"
unpack() { # PACKAGE PROGRAM
    [ -x "$servers/$2" ] && return 0
    mkdir -p "$servers/deb/$1"
    if ! (cd "$servers/deb/$1" && apt-get download -qq "$1" 2>/dev/null); then
        sudo_cmd=()
        [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
        "${sudo_cmd[@]}" apt-get update -qq
        if ! (cd "$servers/deb/$1" && apt-get download -qq "$1"); then
            # In CI a skipped server test would pass for a test that never ran.
            [ "${CI:-}" = "true" ] && { echo "error: $1 could not be fetched" >&2; exit 1; }
            echo "warning: $1 could not be fetched; its tests will be skipped"
        fi
    fi
    for deb in "$servers/deb/$1"/*.deb; do
        [ -e "$deb" ] && dpkg-deb -x "$deb" "$servers"
    done
    return 0
}
if [ "$mode" != run ]; then
    unpack vsftpd usr/sbin/vsftpd
    unpack gnome-keyring usr/bin/gnome-keyring-daemon
fi

werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
# Running the program builds the program alone; the tests need GoogleTest and take longer to build.
tests=ON
[ "$mode" = run ] && tests=OFF
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQLE_WERROR="$werror" \
    -DQLE_BUILD_TESTS="$tests" >/dev/null
cmake --build "$build" --parallel "$(nproc)"

# npm packages the tests use, pinned, kept in the build folder: the W3C Nu HTML checker.
npm_packages=(vnu-jar@26.9.27)
if [ "$mode" != run ] && [ ! -f "$build/npm/node_modules/vnu-jar/build/dist/vnu.jar" ]; then
    mkdir -p "$build/npm"
    [ -f "$build/npm/package.json" ] || echo '{"private": true}' >"$build/npm/package.json"
    (cd "$build/npm" && npm i -E --no-audit --no-fund "${npm_packages[@]}")
fi

case "$mode" in
build) ;;
run)
    program="$build/bin/quillon-engine"
    [ -x "$program" ] || program="$build/bin/quillon"
    if [ "$(basename "$program")" = quillon ]; then
        exec "$program" init
    fi
    exec "$program"
    ;;
test)
    export QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1
    cd "$build"
    ctest --output-on-failure --parallel "$(nproc)" --timeout 300
    ;;
esac

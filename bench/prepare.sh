# Shared by the benchmark scripts (sourced, not run): Debian packages and a build of quillon.

# install_missing PROGRAM=PACKAGE ...: installs each package whose program is not found.
install_missing() {
    local missing=() pair
    for pair in "$@"; do
        command -v "${pair%%=*}" >/dev/null || missing+=("${pair#*=}")
    done
    if ((${#missing[@]})); then
        local sudo_cmd=()
        [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
        "${sudo_cmd[@]}" apt-get update -qq
        DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
}

# build_quillon REPO BUILD: a release build of the command-line program (no GUI, no tests needed).
build_quillon() {
    if [ ! -x "$2/bin/quillon" ]; then
        cmake -S "$1" -B "$2" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQLE_BUILD_GUI=OFF >/dev/null
    fi
    cmake --build "$2" --target quillon >/dev/null
}

# Sourced by the command-line tests that start a server: a scratch folder, and a clean-up that
# stops the server (whose input is held open on descriptor 3) and removes the folder.
work="$(mktemp -d)"
server_pid=""
cleanup() {
    exec 3>&- || true
    if [ -n "$server_pid" ]; then
        kill "$server_pid" 2>/dev/null || true
        wait "$server_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

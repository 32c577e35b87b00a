#!/usr/bin/env bash
# with_keyring.sh running|none SERVERS_FOLDER COMMAND...
# Runs COMMAND in a desktop session of its own: a private session bus that starts no service by
# itself and, with "running", a keyring on it (gnome-keyring-daemon, unlocked, its items in a
# scratch folder). With "none" nothing on the bus keeps secrets. The desktop's own keyring is never
# reached. Exits 77 (skipped) when a keyring is wanted and none can be started.
set -euo pipefail
mode="$1"
servers="$2"
shift 2
case "$mode" in
running | none) ;;
*)
    echo "usage: $0 running|none SERVERS_FOLDER COMMAND..." >&2
    exit 2
    ;;
esac

scratch="$(mktemp -d)"
daemon_pid=""
cleanup() {
    if [ -n "$daemon_pid" ]; then
        kill "$daemon_pid" 2>/dev/null || true
        wait "$daemon_pid" 2>/dev/null || true
    fi
    rm -rf "$scratch"
}
trap cleanup EXIT

if [ -z "${QLE_TEST_SESSION_BUS:-}" ]; then
    command -v dbus-run-session >/dev/null || {
        echo "SKIP: dbus-run-session is missing"
        exit 77
    }
    # No service folders: a keyring installed on this machine is never started on this bus.
    cat >"$scratch/bus.conf" <<'EOF'
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF
    set +e
    QLE_TEST_SESSION_BUS=1 dbus-run-session --config-file="$scratch/bus.conf" -- bash "$0" "$mode" "$servers" "$@"
    status=$?
    set -e
    exit "$status"
fi

if [ "$mode" = running ]; then
    daemon="$servers/usr/bin/gnome-keyring-daemon"
    [ -x "$daemon" ] || daemon="$(command -v gnome-keyring-daemon || true)"
    [ -n "$daemon" ] || {
        echo "SKIP: gnome-keyring-daemon is missing (scripts/setup.sh unpacks it)"
        exit 77
    }
    export XDG_DATA_HOME="$scratch/data" XDG_RUNTIME_DIR="$scratch/run"
    mkdir -p "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    # Unlocked with a password on its input: otherwise the first item stored needs a prompt to make
    # the login keyring, and there is no display to show it on.
    printf '%s' "keyring-of-the-tests" |
        "$daemon" --unlock --components=secrets --foreground >"$scratch/daemon.log" 2>&1 &
    daemon_pid=$!
    owned=""
    for _ in $(seq 100); do
        if dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
            org.freedesktop.DBus.NameHasOwner string:org.freedesktop.secrets 2>/dev/null | grep -q "boolean true"; then
            owned=1
            break
        fi
        kill -0 "$daemon_pid" 2>/dev/null || break
        sleep 0.1
    done
    [ -n "$owned" ] || {
        echo "FAIL: the keyring did not start: $(cat "$scratch/daemon.log")"
        exit 1
    }
fi

set +e
QLE_TEST_KEYRING="$mode" "$@"
status=$?
set -e
exit "$status"

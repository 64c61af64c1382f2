#!/usr/bin/env bash
# A private D-Bus session bus for one test, with a real Secret Service (gnome-keyring-daemon, its login
# keyring unlocked) or, with "none", with no Secret Service on the bus at all. The bus starts nothing
# by itself (its only service folder is empty), so a keyring that is stopped stays away. Home, runtime
# and data folders are private and removed afterwards.
#
#   keyring_session.sh keyring|none COMMAND [ARG...]   runs COMMAND on the bus
#   keyring_session.sh start                           (on the bus) starts the keyring again, unlocked
#   keyring_session.sh stop                            (on the bus) ends the keyring
#
# The test finds the folder in ZEMO_TEST_KEYRING_DIR; the daemon's process id is in keyring.pid there.
set -euo pipefail

has_keyring() {
    [ "$(dbus-send --session --print-reply=literal --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.freedesktop.secrets 2>/dev/null | tr -d ' ')" = "booleantrue" ]
}

stop_keyring() {
    local pidfile=$ZEMO_TEST_KEYRING_DIR/keyring.pid
    [ -s "$pidfile" ] || return 0
    local pid
    pid=$(cat "$pidfile")
    kill -CONT "$pid" 2>/dev/null || true
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 100); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
    done
    rm -f "$pidfile"
    for _ in $(seq 100); do
        has_keyring || return 0
        sleep 0.05
    done
    echo "keyring_session: the keyring did not leave the bus" >&2
    return 1
}

start_keyring() {
    stop_keyring
    # The login keyring is created, or opened, with this password and stays unlocked.
    gnome-keyring-daemon --foreground --components=secrets --unlock \
        <"$ZEMO_TEST_KEYRING_DIR/keyring-password" >/dev/null 2>&1 &
    echo $! >"$ZEMO_TEST_KEYRING_DIR/keyring.pid"
    for _ in $(seq 200); do
        has_keyring && return 0
        sleep 0.05
    done
    echo "keyring_session: gnome-keyring-daemon did not come up" >&2
    return 1
}

case "${1:-}" in
start)
    start_keyring
    exit
    ;;
stop)
    stop_keyring
    exit
    ;;
inside)
    shift
    [ "$ZEMO_TEST_KEYRING" = keyring ] && start_keyring
    status=0
    "$@" || status=$?
    stop_keyring || true
    exit $status
    ;;
keyring | none) ;;
*)
    echo "usage: $0 keyring|none COMMAND [ARG...] | start | stop" >&2
    exit 2
    ;;
esac

mode=$1
shift
dir=$(mktemp -d "${TMPDIR:-/tmp}/zemo-keyring.XXXXXX")
trap 'rm -rf "$dir"' EXIT
mkdir -p "$dir/home" "$dir/data" "$dir/config" "$dir/cache" "$dir/run" "$dir/services"
chmod 700 "$dir/run"
cat >"$dir/bus.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=$dir/run</listen>
  <auth>EXTERNAL</auth>
  <servicedir>$dir/services</servicedir>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF
head -c 18 /dev/urandom | base64 >"$dir/keyring-password"

export HOME=$dir/home XDG_DATA_HOME=$dir/data XDG_CONFIG_HOME=$dir/config XDG_CACHE_HOME=$dir/cache
export XDG_RUNTIME_DIR=$dir/run ZEMO_TEST_KEYRING_DIR=$dir ZEMO_TEST_KEYRING=$mode
# QtKeychain picks KWallet on a KDE desktop; here it talks to the Secret Service.
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION KDE_SESSION_VERSION GNOME_DESKTOP_SESSION_ID
unset DBUS_SESSION_BUS_ADDRESS DISPLAY WAYLAND_DISPLAY

dbus-run-session --config-file="$dir/bus.conf" -- bash "$0" inside "$@"

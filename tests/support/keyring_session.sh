#!/usr/bin/env bash
# A private D-Bus session bus for one test, with a real Secret Service (gnome-keyring-daemon, login
# keyring unlocked) or, with "none", without one. The bus starts nothing by itself (an empty service
# folder), so a stopped keyring stays away. Home and runtime folders are private and removed afterwards.
#   keyring_session.sh keyring|none COMMAND...   runs COMMAND on the bus
#   keyring_session.sh start|stop                (on the bus) starts the keyring afresh, or ends it
# ZEMO_TEST_KEYRING_DIR names the folder; keyring.pid there holds the daemon's process id.
set -euo pipefail

on_bus() {
    dbus-send --session --print-reply=literal --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.freedesktop.secrets 2>/dev/null | grep -q true
}
wait_for() { # until `on_bus` is $1 (yes/no), 10 s at the most
    for _ in $(seq 200); do
        if on_bus; then [ "$1" = yes ] && return 0; else [ "$1" = no ] && return 0; fi
        sleep 0.05
    done
    echo "keyring_session: the keyring did not $([ "$1" = yes ] && echo come || echo go)" >&2
    return 1
}
stop_keyring() {
    local pidfile=$ZEMO_TEST_KEYRING_DIR/keyring.pid
    [ -s "$pidfile" ] || return 0
    kill -CONT "$(cat "$pidfile")" 2>/dev/null || true
    kill "$(cat "$pidfile")" 2>/dev/null || true
    rm -f "$pidfile"
    wait_for no
}
start_keyring() {
    stop_keyring
    gnome-keyring-daemon --foreground --components=secrets --unlock \
        <"$ZEMO_TEST_KEYRING_DIR/keyring-password" >/dev/null 2>&1 &
    echo $! >"$ZEMO_TEST_KEYRING_DIR/keyring.pid"
    wait_for yes
}

case "${1:-}" in
start | stop)
    "$1_keyring"
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
    echo "usage: $0 keyring|none COMMAND... | start | stop" >&2
    exit 2
    ;;
esac

dir=$(mktemp -d "${TMPDIR:-/tmp}/zemo-keyring.XXXXXX")
trap 'rm -rf "$dir"' EXIT
mkdir -p "$dir"/{home,data,config,cache,run,services}
chmod 700 "$dir/run"
cat >"$dir/bus.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=$dir/run</listen>
  <auth>EXTERNAL</auth>
  <servicedir>$dir/services</servicedir>
  <policy context="default"><allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/><allow own="*"/></policy>
</busconfig>
EOF
head -c 18 /dev/urandom | base64 >"$dir/keyring-password"
export HOME=$dir/home XDG_DATA_HOME=$dir/data XDG_CONFIG_HOME=$dir/config XDG_CACHE_HOME=$dir/cache
export XDG_RUNTIME_DIR=$dir/run ZEMO_TEST_KEYRING_DIR=$dir ZEMO_TEST_KEYRING=$1
# QtKeychain would pick KWallet on a KDE desktop; here it talks to the Secret Service.
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION KDE_SESSION_VERSION GNOME_DESKTOP_SESSION_ID
unset DBUS_SESSION_BUS_ADDRESS DISPLAY WAYLAND_DISPLAY
shift
dbus-run-session --config-file="$dir/bus.conf" -- bash "$0" inside "$@"

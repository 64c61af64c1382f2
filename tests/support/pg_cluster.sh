#!/usr/bin/env bash
# A private PostgreSQL cluster for the server tests: a temporary folder, a free port on 127.0.0.1
# only, password (scram) logins, the demo schema, removed again at the end.
#
#   pg_cluster.sh start  <info-file> <source-dir> <odbc-dir> <psqlodbc-driver>
#   pg_cluster.sh halt   <info-file>     stop the server, keep the cluster (fault tests)
#   pg_cluster.sh resume <info-file>     start it again on the same port
#   pg_cluster.sh stop   <info-file>     stop the server and remove the cluster
#
# The info file (KEY=value lines) tells the tests where and how to connect; odbc-dir receives an
# odbcinst.ini naming the psqlODBC driver and an odbc.ini with the data sources "zemo_pg" and
# "zemo_pg_buffered" (the latter choosing psqlODBC's default of reading whole results).
set -euo pipefail

cmd=${1:?command}
info=${2:?info file}

die() { echo "pg_cluster: $*" >&2; exit 1; }
get() { sed -n "s/^$1=//p" "$info" | head -n 1; }

bindir() {
    local d
    for d in /usr/lib/postgresql/15/bin $(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -rV); do
        [ -x "$d/initdb" ] && { echo "$d"; return; }
    done
    d=$(dirname "$(command -v initdb 2>/dev/null || echo /nonexistent/initdb)")
    [ -x "$d/initdb" ] && { echo "$d"; return; }
    die "PostgreSQL server programs not found (install the postgresql package)"
}

# initdb and the server refuse to run as root: use the postgres system user then.
as_owner() {
    if [ "$(id -u)" -eq 0 ]; then
        (cd "$dir" && runuser -u postgres -- "$@")
    else
        (cd "$dir" && "$@")
    fi
}

server_start() {
    as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 -o "-p $port" start >/dev/null
}

server_stop() {
    local mode=${1:-fast}
    [ -f "$dir/data/postmaster.pid" ] || return 0
    as_owner "$bin/pg_ctl" -D "$dir/data" -m "$mode" -w -t 60 stop >/dev/null 2>&1 ||
        as_owner "$bin/pg_ctl" -D "$dir/data" -m immediate -w -t 30 stop >/dev/null 2>&1 || true
}

port_in_use() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

load_info() {
    [ -f "$info" ] || die "no cluster info in $info"
    dir=$(get DIR)
    bin=$(get BINDIR)
    port=$(get PORT)
}

psql_as() { # user password database, SQL on stdin
    PGPASSWORD=$2 "$bin/psql" -X -q -v ON_ERROR_STOP=1 -h 127.0.0.1 -p "$port" -U "$1" -d "$3" >/dev/null
}

# The demo SQL is written for SQLite; these are the few spots PostgreSQL reads differently
# (SQLite computes in 64 bits, PostgreSQL in the type of the operands).
demo_sql() {
    local f
    for f in "$1"/demo/*.sql; do
        sed -E -e 's/VARCHAR2\(/VARCHAR(/g' -e 's/NUMBER\(/NUMERIC(/g' \
            -e 's/AS \(SELECT 1 UNION ALL/AS (SELECT 1::bigint UNION ALL/' \
            -e "s/date\('([0-9-]+)', '\+' \|\| (.+) \|\| ' days'\)/(DATE '\1' + (\2)::integer)/g" "$f"
    done
}

# The demo keeps each table's and column's comment at the end of its line in CREATE TABLE / CREATE
# VIEW (SQLite keeps the CREATE text); PostgreSQL gets the same texts as COMMENT ON statements. The
# demo writes one table or column per line; table constraints carry no comment.
demo_comments() {
    cat "$1"/demo/*.sql | awk '
        function quoted(s) { gsub(/\047/, "\047\047", s); return "\047" s "\047" }
        function comment_of(line) {
            if (!match(line, /--[ \t]*/)) return ""
            line = substr(line, RSTART + RLENGTH); sub(/[ \t\r]+$/, "", line); return line
        }
        /^CREATE (TABLE|VIEW) [^ (]+ *\(/ {
            kind = $2; name = $3; sub(/\(.*/, "", name)
            c = comment_of($0)
            if (c != "") print "COMMENT ON " kind " " name " IS " quoted(c) ";"
            inside = 1; next
        }
        inside && /^[ \t]*\)/ { inside = 0; next }
        inside {
            col = $1; sub(/,$/, "", col)
            if (col ~ /^(PRIMARY|FOREIGN|UNIQUE|CHECK|CONSTRAINT)$/) next
            c = comment_of($0)
            if (c != "") print "COMMENT ON COLUMN " name "." col " IS " quoted(c) ";"
        }'
}

start() {
    local src=${3:?source dir} odbcdir=${4:?odbc dir} driver=${5:-}
    [ -f "$info" ] && "$0" stop "$info" || true
    bin=$(bindir)
    if [ "$(id -u)" -eq 0 ]; then
        id postgres >/dev/null 2>&1 || die "running as root needs the postgres system user"
    fi
    dir=$(mktemp -d "${TMPDIR:-/tmp}/zemo-pg.XXXXXX")
    chmod 755 "$dir"
    trap 'server_stop immediate; rm -rf "$dir" "$info"' ERR
    [ "$(id -u)" -eq 0 ] && chown postgres: "$dir"

    local su_pw pw odd_pw='p; }{=\ ,q  r'
    su_pw=$(head -c 18 /dev/urandom | base64 | tr -dc 'A-Za-z0-9')
    pw=$(head -c 18 /dev/urandom | base64 | tr -dc 'A-Za-z0-9')
    printf '%s\n' "$su_pw" >"$dir/su.pw"
    [ "$(id -u)" -eq 0 ] && chown postgres: "$dir/su.pw"
    as_owner "$bin/initdb" -D "$dir/data" -U postgres --pwfile="$dir/su.pw" --auth=scram-sha-256 \
        --encoding=UTF8 --no-locale --no-sync >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log" >&2; die "initdb failed"; }
    rm -f "$dir/su.pw"
    cat >>"$dir/data/postgresql.conf" <<CONF
listen_addresses = '127.0.0.1'
unix_socket_directories = ''
fsync = off
synchronous_commit = off
full_page_writes = off
CONF

    local tries=0
    while :; do
        port=$((20000 + RANDOM % 40000))
        port_in_use "$port" && continue
        server_start && break
        tries=$((tries + 1))
        [ $tries -lt 10 ] || { cat "$dir/server.log" >&2; die "server does not start"; }
    done

    cat >"$info" <<INFO
HOST=127.0.0.1
PORT=$port
DATABASE=zemo_demo
USER=zemo
PASSWORD=$pw
ODD_USER=zemo_odd
ODD_PASSWORD=$odd_pw
SUPERUSER=postgres
SUPERUSER_PASSWORD=$su_pw
DIR=$dir
BINDIR=$bin
INFO

    psql_as postgres "$su_pw" postgres <<SQL
CREATE ROLE zemo LOGIN PASSWORD '$pw';
CREATE ROLE zemo_odd LOGIN PASSWORD '$odd_pw';
CREATE DATABASE zemo_demo OWNER zemo ENCODING 'UTF8' TEMPLATE template0;
SQL
    { demo_sql "$src"; demo_comments "$src"; cat "$src/tests/support/pg_samples.sql"; } | psql_as zemo "$pw" zemo_demo

    mkdir -p "$odbcdir"
    cat >"$odbcdir/odbcinst.ini" <<INI
[PostgreSQL Unicode]
Description=psqlODBC for the tests
Driver=$driver
INI
    cat >"$odbcdir/odbc.ini" <<INI
[zemo_pg]
Driver=PostgreSQL Unicode
Servername=127.0.0.1
Port=$port
Database=zemo_demo

[zemo_pg_buffered]
Driver=PostgreSQL Unicode
Servername=127.0.0.1
Port=$port
Database=zemo_demo
UseDeclareFetch=0
INI
    trap - ERR
    echo "PostgreSQL on 127.0.0.1:$port in $dir"
}

case "$cmd" in
start) start "$@" ;;
halt) load_info; server_stop fast ;;
resume) load_info; server_start ;;
stop)
    [ -f "$info" ] || exit 0
    load_info
    server_stop fast
    case "$dir" in */zemo-pg.*) rm -rf "$dir" ;; esac
    rm -f "$info"
    ;;
*) die "unknown command $cmd" ;;
esac

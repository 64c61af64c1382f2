#!/usr/bin/env bash
# The server fetch paths against their floor. Starts a private PostgreSQL cluster (the one the tests
# use, tests/support/pg_cluster.sh), makes a 1,000,000 x 8 table (text with Japanese, NUMERIC(38),
# timestamps with microseconds, NULLs and empty strings), and runs, three times each, interleaved:
#   the floor   psql -c "\copy (select * from BENCH_MIXED) to FILE csv"
#   postgresql://               the program's PostgreSQL path
#   ODBC plain                  odbc:DRIVER={PostgreSQL Unicode};SERVER=...;PORT=...;DATABASE=...
#   ODBC UseDeclareFetch=1      the same with UseDeclareFetch=1 written by the user
# each through zemo-bench as the result window does it (grid, then CSV). Prints fetch time against
# \copy and peak memory against the CSV size, medians of the three runs, checks every path's CSV
# against \copy's cell for cell, then the SQLite figures of bench/run.sh, medians of three.
#   bench/server.sh [DIR]      DIR defaults to /tmp/zemo-bench-server (the SQLite table is kept there)
# ZEMO_BENCH names the zemo-bench program (default: build/bin/zemo-bench beside this script).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
src=$(cd "$here/.." && pwd)
dir=${1:-/tmp/zemo-bench-server}
bench=${ZEMO_BENCH:-$src/build/bin/zemo-bench}
[ -x "$bench" ] || { echo "no $bench: build first (make build)" >&2; exit 1; }
command -v sqlite3 >/dev/null || { echo "the sqlite3 shell is needed" >&2; exit 1; }
driver=$(ls /usr/lib/*/odbc/psqlodbcw.so /usr/lib/odbc/psqlodbcw.so /usr/lib64/psqlodbcw.so 2>/dev/null | head -n 1 || true)
[ -n "$driver" ] || { echo "psqlODBC (odbc-postgresql) is needed" >&2; exit 1; }
mkdir -p "$dir"
[ "$(id -u)" -eq 0 ] && chmod 755 "$dir"

info=$dir/pg.info
bash "$src/tests/support/pg_cluster.sh" start "$info" "$src" "$dir/odbc" "$driver" >/dev/null
trap 'bash "$src/tests/support/pg_cluster.sh" stop "$info"' EXIT
get() { sed -n "s/^$1=//p" "$info" | head -n 1; }
port=$(get PORT)
user=$(get USER)
pw=$(get PASSWORD)
psql=$(get BINDIR)/psql
export PGPASSWORD=$pw PGCLIENTENCODING=UTF8
export ODBCSYSINI=$dir/odbc ODBCINSTINI=odbcinst.ini ODBCINI=$dir/odbc/odbc.ini
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$dir/runtime}
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
pg() { "$psql" -X -q -v ON_ERROR_STOP=1 -h 127.0.0.1 -p "$port" -U "$user" -d zemo_demo "$@"; }

echo "making BENCH_MIXED (1,000,000 rows) ..."
pg <<'SQL'
CREATE TABLE BENCH_MIXED (ID BIGINT PRIMARY KEY, CODE VARCHAR(12), NAME VARCHAR(40), QTY INTEGER,
                          PRICE NUMERIC(12,2), BIG NUMERIC(38), STAMP TIMESTAMP, NOTE TEXT);
INSERT INTO BENCH_MIXED
SELECT i,
       'K' || lpad(((i * 7919) % 1000000)::text, 6, '0'),
       (ARRAY['佐藤','鈴木','高橋','田中','伊藤','渡辺','山本','中村'])[1 + i % 8] || ' ' ||
           (ARRAY['太郎','花子','一郎','美咲','健太','陽子'])[1 + (i / 8) % 6],
       CASE WHEN i % 20 = 0 THEN NULL ELSE 1 + (i * 31) % 500 END,
       ((i * 104729) % 2000000) / 100.0,
       CASE WHEN i % 7 = 0 THEN NULL
            ELSE ((i::numeric * 98765432109876543210987654321098765431) % 100000000000000000000000000000000000000)
                 * (CASE WHEN i % 2 = 0 THEN 1 ELSE -1 END) END,
       TIMESTAMP '2015-01-01' + (i * 15485863 % 315360000000000) * INTERVAL '1 microsecond',
       CASE WHEN i % 10 < 6 THEN NULL WHEN i % 10 = 6 THEN ''
            ELSE (ARRAY['rush','gift, wrap','call "AM"','見積もり済み','back order','要確認、折り返し'])[1 + i % 6] END
FROM generate_series(1::bigint, 1000000) i;
VACUUM ANALYZE BENCH_MIXED;
SQL

sql="select * from BENCH_MIXED"
odbc="odbc:DRIVER={PostgreSQL Unicode};SERVER=127.0.0.1;PORT=$port;DATABASE=zemo_demo"
paths=(pg odbc odbc_udf)
declare -A service=([pg]="postgresql://127.0.0.1:$port/zemo_demo" [odbc]="$odbc" [odbc_udf]="$odbc;UseDeclareFetch=1")
declare -A label=([pg]="postgresql://" [odbc]="ODBC, plain connection string" [odbc_udf]="ODBC, UseDeclareFetch=1 by the user")
declare -A fetch peak first gap
now() { date +%s.%N; }
field() { printf '%s' "$1" | sed -E "s/.*\"$2\":([0-9.]+|null).*/\1/"; }
median() { printf '%s\n' "$@" | sort -g | sed -n "$(( ($# + 1) / 2 ))p"; }

copies=()
for run in 1 2 3; do
    t0=$(now)
    pg -c "\\copy ($sql) to '$dir/copy.csv' csv"
    t1=$(now)
    copies+=("$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", b - a }')")
    for p in "${paths[@]}"; do
        json=$("$bench" --service "${service[$p]}" --user "$user" --password "$pw" --sql "$sql" \
            --csv "$dir/$p.csv" 2>/dev/null)
        echo "run $run $p: $json"
        fetch[$p]="${fetch[$p]:-} $(field "$json" fetch_s)"
        peak[$p]="${peak[$p]:-} $(field "$json" peak_rss_mb)"
        first[$p]="${first[$p]:-} $(field "$json" first_screen_s)"
        gap[$p]="${gap[$p]:-} $(field "$json" max_gap_ms)"
        if [ "$run" = 1 ]; then
            printf 'cells of %s against \\copy: ' "$p"
            "$bench" --compare-csv "$dir/$p.csv" --with "$dir/copy.csv" || echo "  (differs)"
        fi
    done
done

copy_s=$(median "${copies[@]}")
csv_mb=$(awk -v n="$(wc -c <"$dir/copy.csv")" 'BEGIN { printf "%.1f", n / 1048576 }')
echo
echo "floor: \\copy ${copies[*]} s (median $copy_s s), $csv_mb MiB of CSV"
printf '%-40s %10s %8s %10s %9s %9s %7s\n' "path" "fetch s" "x copy" "peak MiB" "x CSV" "first s" "gap ms"
for p in "${paths[@]}"; do
    # shellcheck disable=SC2086
    f=$(median ${fetch[$p]})
    # shellcheck disable=SC2086
    m=$(median ${peak[$p]})
    # shellcheck disable=SC2086
    fs=$(median ${first[$p]})
    # shellcheck disable=SC2086
    g=$(median ${gap[$p]})
    awk -v l="${label[$p]}" -v f="$f" -v c="$copy_s" -v m="$m" -v mb="$csv_mb" -v fs="$fs" -v g="$g" \
        'BEGIN { printf "%-40s %10.3f %8.2f %10.1f %9.2f %9s %7s\n", l, f, f / c, m, m / mb, fs, g }'
done
echo "goals: postgresql:// fetch <= 1.0 x copy and first screen <= 0.3 s; ODBC plain fetch <= 3.0 x copy;"
echo "       peak memory <= 2.5 x CSV; first s: the statement's start to the first paint of the grid with rows"

echo
echo "SQLite: bench/run.sh three times"
declare -a sh fe st sn cs pk
for run in 1 2 3; do
    out=$(ZEMO_BENCH="$bench" bash "$here/run.sh" "$dir/sqlite")
    printf '%s\n' "$out" | sed -n "s/^\(sqlite3 shell\|zemo-bench\):/  run $run &/p"
    json=$(printf '%s\n' "$out" | sed -n 's/^zemo-bench: *//p')
    sh+=("$(printf '%s\n' "$out" | sed -n 's/^sqlite3 shell: *\([0-9.]*\) s.*/\1/p')")
    fe+=("$(field "$json" fetch_s)") st+=("$(field "$json" sort_text_s)") sn+=("$(field "$json" sort_number_s)")
    cs+=("$(field "$json" csv_s)") pk+=("$(field "$json" peak_rss_mb)")
    sqlite_mb=$(printf '%s\n' "$out" | sed -n 's/.* to write \([0-9.]*\) MiB.*/\1/p')
done
awk -v s="$(median "${sh[@]}")" -v f="$(median "${fe[@]}")" -v t="$(median "${st[@]}")" \
    -v n="$(median "${sn[@]}")" -v c="$(median "${cs[@]}")" -v m="$(median "${pk[@]}")" -v mb="$sqlite_mb" 'BEGIN {
    printf "medians: sqlite3 shell %.3f s; fetch %.3f s, text sort %.3f s, number sort %.3f s, CSV %.3f s, peak %.1f MiB\n", s, f, t, n, c, m
    printf "ratio to shell: fetch %.2f (goal <= 1.3), text sort %.2f (<= 1.0), number sort %.2f (<= 0.25), CSV %.2f (<= 0.8)\n", f / s, t / s, n / s, c / s
    printf "peak memory: %.2f x the CSV size (goal <= 3)\n", m / mb
}'

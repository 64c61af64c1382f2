#!/usr/bin/env bash
# zemo-db --run against the result window's own path, on the 1,000,000 x 8 benchmark table: five
# runs each, interleaved, of
#   window   zemo-bench: the statement the saved query assembles, fetched into the grid, then CSV
#            (fetch_s + csv_s)
#   --run    the real program, copied beside a profile file of its own, running the saved query to
#            a CSV file (the whole process, start to exit, timed from here)
# Prints the medians, the ratio (goal <= 1.1) and whether both wrote the same bytes.
#   bench/unattended.sh [DIR]     DIR defaults to /tmp/zemo-bench (the table is kept there)
# ZEMO_BENCH and ZEMO_DB name the programs (default: build/bin/zemo-bench and build/bin/zemo-db).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
dir=${1:-/tmp/zemo-bench}
bench=${ZEMO_BENCH:-$here/../build/bin/zemo-bench}
program=${ZEMO_DB:-$here/../build/bin/zemo-db}
db=$dir/bench.db
[ -x "$bench" ] && [ -x "$program" ] || { echo "build first (make build)" >&2; exit 1; }
mkdir -p "$dir/run"
[ -f "$db" ] || "$bench" --generate "$db" >/dev/null
db=$(cd "$dir" && pwd)/bench.db

# The program finds its profile file beside itself, as a portable copy does.
cp "$program" "$dir/run/zemo-db"
printf '[ベンチ]\r\nNAME=ベンチ\r\nLOG=bench\r\nPAS=bench\r\nSRV=%s\r\n' "$db" >"$dir/run/KESTO.ini"
cat >"$dir/run/bench.zemoq" <<'JSON'
{
    "format": "ZEMO-DB saved query",
    "version": 1,
    "profile": "ベンチ",
    "tables": [{"alias": "T1", "table": "BENCH"}],
    "items": ["T1.ID", "T1.CODE", "T1.NAME", "T1.QTY", "T1.PRICE", "T1.ORDER_DATE", "T1.AMOUNT", "T1.NOTE"],
    "conditions": []
}
JSON
# The statement 抽出 assembles for it, CR LF run as one blank.
sql="select  T1.ID, T1.CODE, T1.NAME, T1.QTY, T1.PRICE, T1.ORDER_DATE, T1.AMOUNT, T1.NOTE  FROM  BENCH T1  "

now() { date +%s.%N; }
field() { printf '%s' "$1" | sed -E "s/.*\"$2\":([0-9.]+|null).*/\1/"; }
median() { sort -g | sed -n 3p; }
cat "$db" >/dev/null # both start from a warm page cache

window=() run=()
for i in 1 2 3 4 5; do
    json=$("$bench" --service "$db" --user bench --password bench --sql "$sql" --csv "$dir/window.csv" 2>/dev/null)
    window+=("$(awk -v f="$(field "$json" fetch_s)" -v c="$(field "$json" csv_s)" 'BEGIN { printf "%.3f", f + c }')")
    t0=$(now)
    "$dir/run/zemo-db" --run "$dir/run/bench.zemoq" --out "$dir/run.csv"
    t1=$(now)
    run+=("$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", b - a }')")
done
w=$(printf '%s\n' "${window[@]}" | median)
r=$(printf '%s\n' "${run[@]}" | median)
same=$(cmp -s "$dir/window.csv" "$dir/run.csv" && echo yes || echo NO)
echo "rows:           $(($(wc -l <"$dir/run.csv") - 1)) x 8, CSV $(awk -v n="$(wc -c <"$dir/run.csv")" 'BEGIN { printf "%.1f", n / 1048576 }') MiB"
echo "window path:    fetch + CSV ${window[*]} s (median $w)"
echo "zemo-db --run:  ${run[*]} s (median $r), the whole process"
awk -v w="$w" -v r="$r" 'BEGIN { printf "ratio:          %.2f (goal <= 1.1)\n", r / w }'
echo "same CSV bytes: $same"

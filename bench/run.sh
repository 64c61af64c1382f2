#!/usr/bin/env bash
# Generates the 1,000,000-row benchmark table (once), times the sqlite3 shell writing the query as
# CSV, runs zemo-bench on the same query right after (fetch, two sorts, CSV, Excel workbook), and
# prints both with the ratios.
#   bench/run.sh [DIR]        DIR defaults to /tmp/zemo-bench
# ZEMO_BENCH names the zemo-bench program (default: build/bin/zemo-bench beside this script).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
dir=${1:-/tmp/zemo-bench}
bench=${ZEMO_BENCH:-$here/../build/bin/zemo-bench}
db=$dir/bench.db
sql="select * from BENCH"

[ -x "$bench" ] || { echo "no $bench: build first (make build)" >&2; exit 1; }
command -v sqlite3 >/dev/null || { echo "the sqlite3 shell is needed" >&2; exit 1; }
mkdir -p "$dir"
[ -f "$db" ] || "$bench" --generate "$db" >/dev/null

now() { date +%s.%N; }
# Both readers start from a warm page cache.
cat "$db" >/dev/null

t0=$(now)
sqlite3 -csv -header "$db" "$sql" >"$dir/shell.csv"
t1=$(now)
json=$("$bench" --service "$db" --user bench --password bench --sql "$sql" \
    --sort-text 2 --sort-number 4 --csv "$dir/zemo.csv" --xlsx "$dir/zemo.xlsx" 2>/dev/null)

shell_s=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", b - a }')
csv_mb=$(awk -v n="$(wc -c <"$dir/shell.csv")" 'BEGIN { printf "%.1f", n / 1048576 }')
field() { printf '%s' "$json" | sed -E "s/.*\"$1\":([0-9.]+|null).*/\1/"; }

echo "query:          $sql  (sort: text field 2, number field 4)"
echo "sqlite3 shell:  ${shell_s} s to write $csv_mb MiB of CSV"
echo "zemo-bench:     $json"
awk -v s="$shell_s" -v mb="$csv_mb" -v f="$(field fetch_s)" -v t="$(field sort_text_s)" \
    -v n="$(field sort_number_s)" -v c="$(field csv_s)" -v m="$(field peak_rss_mb)" \
    -v x="$(field xlsx_s)" -v g="$(field xlsx_growth_mb)" 'BEGIN {
    printf "ratio to shell: fetch %.2f (goal <= 1.3), text sort %.2f (<= 1.0), number sort %.2f (<= 0.25), CSV %.2f (<= 0.8), xlsx %.2f (<= 8)\n",
        f / s, t / s, n / s, c / s, x / s
    printf "peak memory:    %.1f MiB = %.2f x the CSV size (goal <= 3); the workbook added %s MiB (goal <= 64)\n", m, m / mb, g
}'

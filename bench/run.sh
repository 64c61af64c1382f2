#!/usr/bin/env bash
# Generates the benchmark table (once), times the sqlite3 shell writing the query as CSV, runs
# zemo-bench on the same query right after (fetch with the grid on screen, two sorts, CSV, Excel
# workbook up to 1,000,000 rows), and prints both with the ratios.
#   bench/run.sh [DIR] [ROWS]  DIR defaults to /tmp/zemo-bench, ROWS to 1000000
# ZEMO_BENCH names the zemo-bench program (default: build/bin/zemo-bench beside this script).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
dir=${1:-/tmp/zemo-bench}
bench=${ZEMO_BENCH:-$here/../build/bin/zemo-bench}
rows=${2:-1000000}
db=$dir/bench.db
[ "$rows" = 1000000 ] || db=$dir/bench-$rows.db
sql="select * from BENCH"

[ -x "$bench" ] || { echo "no $bench: build first (make build)" >&2; exit 1; }
command -v sqlite3 >/dev/null || { echo "the sqlite3 shell is needed" >&2; exit 1; }
mkdir -p "$dir"
[ -f "$db" ] || "$bench" --generate "$db" --rows "$rows" >/dev/null
# A workbook of more rows than a sheet holds takes minutes and says nothing new.
xlsx=(--xlsx "$dir/zemo.xlsx")
[ "$rows" -le 1000000 ] || xlsx=()

now() { date +%s.%N; }
# Both readers start from a warm page cache.
cat "$db" >/dev/null

t0=$(now)
sqlite3 -csv -header "$db" "$sql" >"$dir/shell.csv"
t1=$(now)
json=$("$bench" --service "$db" --user bench --password bench --sql "$sql" \
    --sort-text 2 --sort-number 4 --csv "$dir/zemo.csv" "${xlsx[@]}" 2>/dev/null)

shell_s=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", b - a }')
csv_mb=$(awk -v n="$(wc -c <"$dir/shell.csv")" 'BEGIN { printf "%.1f", n / 1048576 }')
field() { printf '%s' "$json" | sed -E "s/.*\"$1\":([0-9.]+|null).*/\1/"; }

echo "query:          $sql  (sort: text field 2, number field 4)"
echo "sqlite3 shell:  ${shell_s} s to write $csv_mb MiB of CSV"
echo "zemo-bench:     $json"
awk -v s="$shell_s" -v mb="$csv_mb" -v f="$(field fetch_s)" -v t="$(field sort_text_s)" \
    -v n="$(field sort_number_s)" -v c="$(field csv_s)" -v m="$(field peak_rss_mb)" \
    -v x="$(field xlsx_s)" -v g="$(field xlsx_growth_mb)" -v fs="$(field first_screen_s)" \
    -v gap="$(field max_gap_ms)" -v fm="$(field fetch_peak_rss_mb)" 'BEGIN {
    printf "ratio to shell: fetch %.2f (goal <= 1.0), text sort %.2f (<= 1.0), number sort %.2f (<= 0.25), CSV %.2f (<= 0.8)",
        f / s, t / s, n / s, c / s
    if (x != "null") printf ", xlsx %.2f (<= 8)", x / s
    printf "\npeak memory:    fetch %.1f MiB = %.2f x the CSV size (goal <= 2), whole run %.1f MiB = %.2f x (goal <= 3)", fm, fm / mb, m, m / mb
    if (g != "null") printf "; the workbook added %s MiB (goal <= 64)", g
    printf "\n"
    printf "while fetching: first screen %s s (goal <= 0.3), longest event-loop gap %s ms (goal <= 50)\n", fs, gap
}'

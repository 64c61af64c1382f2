#!/usr/bin/env bash
# Runs each fuzz target for a while: run-fuzz.sh BUILD_DIR SECONDS TARGET...
# New inputs go to a work corpus in the build folder; those that add coverage are merged into the
# committed corpus (tests/fuzz/corpus/<target>), and a failing input is copied there as well, so
# that `make test` replays it. Exits non-zero when a target found a failure. A target with a
# tests/fuzz/<target>.dict gets that dictionary. statement_parsers also asks the private PostgreSQL
# cluster (tests/support/pg_cluster.sh), started for it and removed afterwards.
set -uo pipefail
build=$1 seconds=$2
shift 2
src=$(cd "$(dirname "$0")/.." && pwd)
pg_info=$build/fuzz-pg.info
started=
stop_cluster() { [ -n "$started" ] && bash "$src/tests/support/pg_cluster.sh" stop "$pg_info"; }
trap stop_cluster EXIT
failed=()
for t in "$@"; do
  extra=()
  [ -f "$src/tests/fuzz/$t.dict" ] && extra+=(-dict="$src/tests/fuzz/$t.dict")
  unset ZEMO_PG_INFO
  if [ "$t" = statement_parsers ]; then
    if [ -n "$started" ] || bash "$src/tests/support/pg_cluster.sh" start "$pg_info" "$src" "$build/fuzz-odbc" >/dev/null; then
      started=1
      export ZEMO_PG_INFO=$pg_info
    else
      echo "  the PostgreSQL cluster did not start: SQLite only"
    fi
  fi
  exe=$build/fuzz/fuzz_$t
  kept=$src/tests/fuzz/corpus/$t
  work=$build/fuzz-corpus/$t
  found=$build/fuzz-found/$t
  log=$build/fuzz-$t.log
  rm -rf "$found"
  mkdir -p "$kept" "$work" "$found"
  echo "fuzz_$t: ${seconds}s"
  "$exe" "$work" "$kept" -max_total_time="$seconds" -max_len=4096 -timeout=30 -rss_limit_mb=4096 \
    -artifact_prefix="$found/" -print_final_stats=1 "${extra[@]}" >"$log" 2>&1
  status=$?
  grep -E 'stat::number_of_executed_units|stat::new_units_added|^statement_parsers:' "$log" | sed 's/^/  /'
  for f in "$found"/*; do
    [ -e "$f" ] || continue
    cp "$f" "$kept/$(basename "$f")"
    echo "  found: $(basename "$f") (kept in tests/fuzz/corpus/$t)"
  done
  if [ $status -ne 0 ]; then
    failed+=("$t")
    grep -m5 -E 'property failed|ERROR: |SUMMARY' "$log" | sed 's/^/  /'
  fi
  mkdir -p "$build/fuzz-merge"
  "$exe" -merge=1 -artifact_prefix="$build/fuzz-merge/" "$kept" "$work" >"$build/fuzz-$t-merge.log" 2>&1 ||
    echo "  merge into the committed corpus failed (see $build/fuzz-$t-merge.log)"
  echo "  committed corpus: $(ls "$kept" | wc -l) files"
done
if [ ${#failed[@]} -ne 0 ]; then
  echo "failures in: ${failed[*]} (logs: $build/fuzz-<target>.log)"
  exit 1
fi

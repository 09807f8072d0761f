#!/usr/bin/env bash
# Renders the benchmark list report over N generated rows with tessarin-render and
# prints rows per second, pages per second and peak resident memory.
# Usage: bench/run-list-bench.sh [rows] [build-dir]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
ROWS=${1:-50000}
BUILD=${2:-$ROOT/build}
WORK=$(mktemp -d /tmp/tessarin-bench.XXXXXX)
trap 'rm -rf "$WORK"' EXIT

sqlite3 "$WORK/rows.db" <<SQL
CREATE TABLE rows (id INTEGER PRIMARY KEY, name TEXT, amount TEXT);
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $ROWS)
INSERT INTO rows SELECT i, 'Customer ' || i || ' of the benchmark', printf('%.2f', (i * 37) % 10000 / 100.0) FROM n;
SQL

start=$(date +%s.%N)
/usr/bin/time -f '%M' -o "$WORK/rss" "$BUILD/tools/tessarin-render" "$ROOT/bench/list.tsn" \
  --sqlite "$WORK/rows.db" -o "$WORK/list.pdf" --quiet
end=$(date +%s.%N)
pages=$(pdfinfo "$WORK/list.pdf" | awk '/^Pages:/ {print $2}')
awk -v r="$ROWS" -v p="$pages" -v s="$start" -v e="$end" -v m="$(cat "$WORK/rss")" 'BEGIN {
  t = e - s;
  printf "rows %d  pages %d  time %.2f s  rows/s %.0f  pages/s %.0f  peak RSS %.1f MB\n", r, p, t, r / t, p / t, m / 1024 }'

#!/usr/bin/env bash
# Installs what is needed, builds, and renders the sample sales report to out/sales.pdf
# on an SQLite database made from examples/sales/sales.sql.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD_DIR:-$ROOT/build}
OUT=$ROOT/out

"$ROOT/tools/install-deps.sh"
LAUNCHER=()
command -v ccache >/dev/null && LAUNCHER=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${LAUNCHER[@]}" >/dev/null
cmake --build "$BUILD" --target tessarin-render -j"$(nproc)"

mkdir -p "$OUT"
rm -f "$OUT/sales.db"
sqlite3 "$OUT/sales.db" < "$ROOT/examples/sales/sales.sql"
QT_QPA_PLATFORM=offscreen "$BUILD/tools/tessarin-render" "$ROOT/examples/sales/sales.tsn" \
  --sqlite "$OUT/sales.db" -o "$OUT/sales.pdf" --quiet
pages=$(pdfinfo "$OUT/sales.pdf" | awk '/^Pages:/ {print $2}')
echo "Wrote $OUT/sales.pdf ($pages pages)"

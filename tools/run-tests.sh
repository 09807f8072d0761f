#!/usr/bin/env bash
# The project's test command: installs the Debian packages, builds everything,
# starts a throwaway PostgreSQL cluster on 127.0.0.1 and runs the whole CTest suite.
# Usage: tools/run-tests.sh [build-dir]     (extra CMake flags via CMAKE_ARGS)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build}

"$ROOT/tools/install-deps.sh"

LAUNCHER=()
command -v ccache >/dev/null && LAUNCHER=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} "${LAUNCHER[@]}" ${CMAKE_ARGS:-}
cmake --build "$BUILD" -j"$(nproc)"

# PostgreSQL for the SQL tests: a private cluster, removed again on exit.
PGDIR=$(mktemp -d /tmp/tessarin-pg.XXXXXX)
PGPORT=${TESSARIN_PGPORT:-55433}
PGBIN=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -1)
cleanup() {
  if [ -f "$PGDIR/data/postmaster.pid" ]; then
    su postgres -c "$PGBIN/pg_ctl -D $PGDIR/data -m immediate stop" >/dev/null 2>&1 || true
  fi
  rm -rf "$PGDIR"
}
trap cleanup EXIT
chown postgres:postgres "$PGDIR"
if su postgres -c "$PGBIN/initdb -D $PGDIR/data -U postgres -A trust -E UTF8 --locale=C.UTF-8 --no-sync" >"$PGDIR/initdb.log" 2>&1 &&
   su postgres -c "$PGBIN/pg_ctl -D $PGDIR/data -w -l $PGDIR/server.log -o '-c listen_addresses=127.0.0.1 -p $PGPORT -k $PGDIR -c fsync=off -c synchronous_commit=off -c full_page_writes=off' start" >/dev/null &&
   "$PGBIN/createdb" -h 127.0.0.1 -p "$PGPORT" -U postgres tessarin_test; then
  export TESSARIN_PGHOST=127.0.0.1 TESSARIN_PGPORT=$PGPORT TESSARIN_PGUSER=postgres TESSARIN_PGDB=tessarin_test
else
  echo "PostgreSQL could not be started; its tests will fail" >&2
  exit 1
fi

cd "$BUILD"
ctest --output-on-failure -j"${CTEST_JOBS:-2}" --timeout 600

#!/usr/bin/env bash
# Makes a host database with many documents, to measure the search at scale: the demo database
# (made by the host on its first start) with copies of its documents until it holds COUNT of them,
# each copy with a number and a date of its own. Lines are not copied: the search lists headers.
#
#   host/make-big-db.sh [--sparse] COUNT FILE [HOST]
#
# With --sparse the copies keep only their type and flags (besides number and date), so a
# list row is about a hundred bytes instead of some nine hundred. HOST is the fano_host program
# (default: build/host/fano_host beside this folder). FILE is made anew. Needs the sqlite3
# command-line program.
set -euo pipefail

sparse=0
if [ "${1:-}" = "--sparse" ]; then
  sparse=1
  shift
fi
if [ $# -lt 2 ] || ! [[ "$1" =~ ^[0-9]+$ ]]; then
  echo "usage: $0 [--sparse] COUNT FILE [HOST]" >&2
  exit 3
fi
count=$1
file=$2
host=${3:-"$(cd "$(dirname "$0")/.." && pwd)/build/host/fano_host"}

rm -f "$file"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
printf 'quit\n' > "$out/script"
"$host" --headless --db "$file" --out "$out" --script "$out/script" >/dev/null

# Every column but the key, the number and the date is copied as it is (sparse: a few of them).
if [ $sparse = 1 ]; then
  columns="BILDA001, BILDA012, BILDA013, BILDA018, FLAG"
else
  columns=$(sqlite3 "$file" "SELECT group_concat(name, ', ') FROM pragma_table_info('TB_BILDA')
                              WHERE name NOT IN ('BILDA_ID', 'BILDA002', 'BILDA003')")
fi
sqlite3 "$file" <<SQL
BEGIN;
CREATE TEMP TABLE seed AS SELECT row_number() OVER (ORDER BY BILDA_ID) - 1 AS k, * FROM TB_BILDA;
WITH RECURSIVE n(i) AS (
  SELECT 1 WHERE (SELECT count(*) FROM seed) < $count
  UNION ALL SELECT i + 1 FROM n WHERE i < $count - (SELECT count(*) FROM seed))
INSERT INTO TB_BILDA (BILDA002, BILDA003, $columns)
SELECT printf('PL%08d', n.i), datetime(s.BILDA003, printf('-%d days', n.i / (SELECT count(*) FROM seed))),
       $(echo "$columns" | sed 's/\([A-Z_0-9]\+\)/s.\1/g')
FROM n JOIN seed s ON s.k = n.i % (SELECT count(*) FROM seed);
COMMIT;
SQL
echo "$file: $(sqlite3 "$file" 'SELECT count(*) FROM TB_BILDA') documents"

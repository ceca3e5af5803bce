#!/usr/bin/env bash
# Rewrites the README's table of menu commands from the editor's own menu and command table.
#
#   tools/update_readme.sh PATH/TO/wtomuka
#
# The table sits between the "menu-commands" markers; the core tests check that it matches.
set -euo pipefail
if [ $# -ne 1 ]; then
    echo "usage: $0 PATH/TO/wtomuka" >&2
    exit 2
fi
readme=$(cd "$(dirname "$0")/.." && pwd)/README.md
table=$(mktemp)
trap 'rm -f "$table"' EXIT
"$1" --batch --ini "$table.ini" -e commands >"$table"
rm -f "$table.ini"
python3 - "$readme" "$table" <<'PY'
import sys
readme, table = sys.argv[1], sys.argv[2]
text = open(readme, encoding="utf-8").read()
begin, end = "<!-- menu-commands:begin -->\n", "<!-- menu-commands:end -->"
a, b = text.index(begin) + len(begin), text.index(end)
text = text[:a] + open(table, encoding="utf-8").read() + text[b:]
open(readme, "w", encoding="utf-8").write(text)
PY

#!/usr/bin/env bash
# The layer check: every include of the sources goes down the layers (tests/scripts/layers.py,
# docs/LAYERS.md). It passes on the tree, and on a copy of it fails for an include added going
# up (a core header reaching the workbook) and for a Qt header in the core.
# Arguments: the build folder and the source folder.
set -euo pipefail
source_dir=$(cd "$2" && pwd)
check=$source_dir/tests/scripts/layers.py
fail() { echo "FAIL: $*"; exit 1; }

python3 "$check" "$source_dir" || fail "the tree has includes that go up a layer"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/tests/scripts"
cp "$source_dir/tests/scripts/layers_known.txt" "$work/tests/scripts/"
for d in platform styles calc xls sheet view menus dialogs print app cli; do
  [[ -d $source_dir/$d ]] && cp -r "$source_dir/$d" "$work/$d"
done
python3 "$check" "$work" >/dev/null || fail "the copy of the tree does not pass"

echo '#include "sheet/cxSpreadSheetBook.h"' >> "$work/platform/Types.h"
out=$(python3 "$check" "$work") && fail "an upward include was not found"
grep -q 'include goes up a layer: platform/Types.h -> sheet/cxSpreadSheetBook.h' <<<"$out" ||
  fail "the upward include is not named: $out"
sed -i '$d' "$work/platform/Types.h"

echo '#include <QString>' >> "$work/calc/cxSSTypes.h"
out=$(python3 "$check" "$work") && fail "a Qt header in the core was not found"
grep -q 'calc/cxSSTypes.h -> <QString>' <<<"$out" || fail "the Qt header is not named: $out"
echo "layer check: passes on the tree, fails on an upward include and on Qt in the core"

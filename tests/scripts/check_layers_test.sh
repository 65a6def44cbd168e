#!/usr/bin/env bash
# The layer check passes on the real tree and catches each kind of fault in a small made-up one.
set -u
checker="$1/scripts/check_layers.py"
source_root="$1"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0

expect() {  # expect EXIT_CODE TEXT_IN_OUTPUT TREE
    local want=$1 text=$2 tree=$3 out code
    out=$(python3 "$checker" "$tree" 2>&1); code=$?
    if [ "$code" != "$want" ] || ! grep -qF -- "$text" <<<"$out"; then
        echo "FAIL: wanted exit $want and '$text', got exit $code:"; echo "$out"
        failures=$((failures + 1))
    fi
}

tree() {  # tree NAME FILE CONTENT: a fresh tree holding one file
    rm -rf "$tmp/$1"; mkdir -p "$(dirname "$tmp/$1/$2")"; printf '%s\n' "$3" >"$tmp/$1/$2"
    echo "$tmp/$1"
}

expect 0 "every include runs downward" "$source_root"
expect 0 "every include runs downward" "$(tree down feeds/a.cpp '#include "xml/node.h"')"
expect 1 'feeds may not include "fetch/http_download.h" (fetch is above it)' \
    "$(tree up feeds/a.cpp '#include "fetch/http_download.h"')"
expect 1 "on the same layer" "$(tree beside preview/a.cpp '#include "store/store.h"')"
expect 1 "the core includes the toolkit header <wx/string.h>" \
    "$(tree toolkit xml/a.cpp '#include <wx/string.h>')"
expect 1 "is on no layer" "$(tree nowhere misc/a.cpp '#include "xml/node.h"')"
expect 0 "every include runs downward" "$(tree exempt tests/a.cpp '#include "gui/app/main_frame.h"')"

[ "$failures" = 0 ] && echo "check_layers: all cases passed"
exit $((failures > 0))

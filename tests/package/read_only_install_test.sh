#!/usr/bin/env bash
# Installs the build into a temporary prefix, makes the prefix read-only and runs the installed
# varlo-cli there: it must choose the per-user folder for its downloads (also when run by root,
# whom a read-only mode does not stop), fetch a feed from a loopback server into it and read it.
# usage: read_only_install_test.sh BUILD_FOLDER
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
server=
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null
  chmod -R u+w "$work"
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }
json() { python3 -c "import json, sys; print(json.load(sys.stdin)$1)"; }

prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
for file in bin/varlo-cli share/man/man1/varlo-cli.1 share/varlo/sample/subscriptions.xml \
    share/doc/varlo/user-guide.md share/doc/varlo/user-guide.en.md share/doc/varlo/user-guide.html \
    share/doc/varlo/article-preview.png; do
  [ -f "$prefix/$file" ] || fail "$file was not installed"
done
grep -qF '"Varlo 1.1.0"' "$prefix/share/man/man1/varlo-cli.1" || fail "man page version"
chmod -R a-w "$prefix"
touch "$work/installed"

export HOME="$work/home" XDG_DATA_HOME="$work/home/data" no_proxy='*'
unset VARLO_PROGRAM_FOLDER
mkdir -p "$HOME"
cli="$prefix/bin/varlo-cli"

[ "$("$cli" --version)" = "varlo-cli 1.1.0" ] || fail "varlo-cli --version"
if [ -x "$prefix/bin/varlo" ]; then
  [ "$("$prefix/bin/varlo" --version)" = "varlo 1.1.0" ] || fail "varlo --version"
fi

paths=$("$cli" paths)
folder=$(json '["programFolder"]' <<<"$paths")
[ "$folder" = "$XDG_DATA_HOME/Varlo" ] || fail "program folder is $folder"
[ "$(json '["previewPath"]' <<<"$paths")" = "$folder/MorvaPreview.html" ] || fail "preview path"
[ -d "$folder" ] || fail "the per-user folder was not created"

coproc SERVE { exec python3 "$here/serve_folder.py" "$here/../data/package"; }
server=$SERVE_PID
read -r port <&"${SERVE[0]}"

written=$("$cli" fetch "http://127.0.0.1:$port/feed.xml" --dir "$folder" --name down.xml)
[ "$written" = "$folder/down.xml" ] || fail "fetch wrote '$written'"
feed=$("$cli" feed "$folder/down.xml")
[ "$(json '["result"]' <<<"$feed")" = 1 ] || fail "the feed was not read"
[ "$(json '["title"]' <<<"$feed")" = "インストール確認のフィード" ] || fail "feed title"
[ "$(json '["items"][1]["title"]' <<<"$feed")" = "二つ目の記事" ] || fail "second article"
[ -z "$(find "$prefix" -newer "$work/installed")" ] || fail "the prefix was written"
echo "read-only install: fetched and read a feed in $folder"

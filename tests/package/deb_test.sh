#!/usr/bin/env bash
# Builds the Debian package of the build folder into BUILD_FOLDER/package and checks its control
# fields and its contents with dpkg-deb.
# usage: deb_test.sh BUILD_FOLDER
set -euo pipefail
build=$1
out="$build/package"
fail() { echo "FAILED: $*" >&2; exit 1; }

rm -rf "$out"
mkdir -p "$out"
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >"$out/cpack.log" 2>&1 ||
  { cat "$out/cpack.log"; fail "cpack"; }
rm -rf "$out/_CPack_Packages"
debs=("$out"/varlo_*.deb)
[ ${#debs[@]} = 1 ] && [ -f "${debs[0]}" ] || fail "expected one varlo_*.deb in $out"
deb=${debs[0]}

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = varlo ] || fail "Package"
[ "$(field Version)" = 1.1.0-1 ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture"
[ "$(field Section)" = net ] || fail "Section"
[ -n "$(field Maintainer)" ] || fail "Maintainer"
# Whole texts, not pipes into `grep -q` or `head`: under pipefail a writer cut off by a reader that
# has seen enough fails the pipeline, at random.
description=$(field Description)
[[ "${description%%$'\n'*}" == *"feed reader"* ]] || fail "Description"
# The dependencies come from the libraries the programs link.
depends=$(field Depends)
names=$(tr ',|' '\n\n' <<<"$depends" | awk '{print $1}')
for library in libc6 libstdc++6 libcurl4 libwxgtk3.2-1 libwxgtk-webview3.2-1; do
  grep -qxF "$library" <<<"$names" || fail "Depends lacks $library: $depends"
done

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for file in usr/bin/varlo usr/bin/varlo-cli usr/share/applications/varlo.desktop \
    usr/share/icons/hicolor/scalable/apps/varlo.svg usr/share/icons/hicolor/16x16/apps/varlo.png \
    usr/share/icons/hicolor/32x32/apps/varlo.png usr/share/icons/hicolor/48x48/apps/varlo.png \
    usr/share/icons/hicolor/128x128/apps/varlo.png usr/share/icons/hicolor/256x256/apps/varlo.png \
    usr/share/man/man1/varlo.1 usr/share/man/man1/varlo-cli.1 \
    usr/share/varlo/sample/subscriptions.xml usr/share/doc/varlo/user-guide.md \
    usr/share/doc/varlo/user-guide.en.md usr/share/doc/varlo/user-guide.html \
    usr/share/doc/varlo/update-all.png; do
  grep -qx "\./$file" <<<"$contents" || fail "$file is missing from the package"
done
# Nothing outside /usr, and no build or test files.
if grep -v '^\./usr/' <<<"$contents" | grep -vx '\./' >/dev/null; then fail "files outside /usr"; fi
if grep -Eq 'varlo_tests|\.a$|/include/' <<<"$contents"; then fail "build files in the package"; fi

# The desktop entry as installed.
entry=$(mktemp -d)
trap 'rm -rf "$entry"' EXIT
dpkg-deb -x "$deb" "$entry"
desktop="$entry/usr/share/applications/varlo.desktop"
for line in 'Exec=varlo %f' 'Icon=varlo' 'Categories=Network;News;' 'MimeType=text/x-opml+xml;'; do
  grep -qxF "$line" "$desktop" || fail "desktop entry lacks $line"
done
grep -q '^Name\[ja\]=' "$desktop" && grep -q '^Comment\[ja\]=' "$desktop" || fail "Japanese texts"
desktop-file-validate "$desktop" || fail "desktop entry is not valid"
# The programs are stripped.
file "$entry/usr/bin/varlo" "$entry/usr/bin/varlo-cli" | grep 'not stripped' >/dev/null &&
  fail "not stripped"
echo "$(basename "$deb"): $(du -h "$deb" | cut -f1); Depends: $depends"

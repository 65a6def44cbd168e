#!/usr/bin/env bash
# Installs the Debian packages Varlo needs to build, run and test; does nothing when they are present.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config git
  libcurl4-openssl-dev libsqlite3-dev libutf8proc-dev zlib1g-dev libwxgtk3.2-dev libwxgtk-webview3.2-dev
  libgtest-dev libgmock-dev libbenchmark-dev libxml2-dev libpugixml-dev nlohmann-json3-dev
  libsecret-1-dev
  libgumbo-dev
  clang libclang-rt-14-dev clang-format
  xvfb xauth fonts-noto-cjk fonts-noto-color-emoji python3 python3-feedparser curl
  file desktop-file-utils cmark
  dbus libayatana-appindicator3-dev
  libpcre2-dev
  php8.2-cli php8.2-sqlite3 php8.2-xml php8.2-mbstring php8.2-curl php8.2-intl php8.2-zip
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

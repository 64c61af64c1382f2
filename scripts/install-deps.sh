#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need; skips what is already there.
# With the argument "fuzz" also clang and its libFuzzer runtime, for `make fuzz`; with "tsan" the
# ThreadSanitizer runtime, for `make tsan`.
set -euo pipefail
# libxlsxwriter-dev links zlib (-lz) without depending on zlib1g-dev; libminizip-dev reads workbooks
# back. The tests also use procps (kill, pkill: the server fault tests), mount and util-linux
# (unshare: a small volume that fills up) and python3-openpyxl (reading workbooks as a spreadsheet).
pkgs=(
  cmake ninja-build g++ make pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n
  libsqlite3-dev sqlite3 libxlsxwriter-dev zlib1g-dev libminizip-dev python3 python3-openpyxl
  unixodbc unixodbc-dev odbc-postgresql libpq-dev postgresql libqt6sql6-psql
  xvfb xauth fonts-ipafont-gothic fonts-ipafont-mincho xdotool
  libgmp-dev procps mount util-linux
  qtkeychain-qt6-dev libsecret-1-0 gnome-keyring libsecret-tools dbus-daemon dbus-bin
)
if [ "${1:-}" = fuzz ]; then
  pkgs+=(clang libclang-rt-dev)
elif [ "${1:-}" = tsan ]; then
  pkgs+=(libtsan2)
fi
missing=()
for p in "${pkgs[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing missing packages: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then SUDO=(); else SUDO=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${SUDO[@]}" apt-get update -qq
"${SUDO[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"

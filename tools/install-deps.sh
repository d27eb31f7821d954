#!/usr/bin/env bash
# Installs every Debian 12 package that building, running and testing Orbek
# needs. Run as root (or through sudo).
set -euo pipefail

packages=(
  # build
  cmake g++ make pkg-config file dpkg-dev
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev qt6-tools-dev-tools qt6-qpa-plugins libgl-dev
  libqcustomplot-dev libqcustomplot2.1-qt6 libxlsxwriter-dev libgsf-1-dev zlib1g-dev libfontconfig-dev
  libssl-dev libmosquitto-dev qt6-svg-dev qt6-tools-dev qt6-translations-l10n
  # the archive: Qt SQL's SQLite and PostgreSQL drivers, SQLite's own API
  libqt6sql6-sqlite libqt6sql6-psql libsqlite3-dev
  # tests, sanitizers, fuzzing, benchmarks
  googletest libgtest-dev libbenchmark-dev clang libclang-rt-14-dev
  python3 python3-xlrd python3-openpyxl python3-olefile libreoffice-calc-nogui poppler-utils locales mosquitto openssl
  # a PostgreSQL server for the archive's tests, and the README's queries
  postgresql sqlite3
  # the README's recipes for the CSV file, run as a reader would
  python3-pandas r-base-core
  # a display for the window where there is none, and packaging checks
  xvfb xauth fonts-dejavu-core fonts-wqy-microhei desktop-file-utils appstream systemd lintian
  # a screen reader's view of the window
  at-spi2-core python3-pyatspi dbus-daemon
  # a desktop portal that says dark, for the window to follow
  python3-dbus python3-gi
)

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: run as root (sudo $0)" >&2
  exit 1
fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi

# The decoder's locale test runs under a locale with a decimal comma.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' >>/etc/locale.gen
  locale-gen >/dev/null
fi

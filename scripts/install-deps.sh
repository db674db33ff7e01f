#!/usr/bin/env bash
# Installs the Debian 12 packages Vexilo needs to build, run, test and benchmark,
# and generates the locales the tests use. Installs only what is missing.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev libpng-dev zlib1g-dev libjpeg62-turbo-dev libusb-1.0-0-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-ipafont-gothic locales
  libturbojpeg0-dev clang libclang-rt-14-dev
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  as_root apt-get update -qq
  DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# Japanese and a comma-decimal locale, for the language and number-format tests.
for locale in ja_JP de_DE; do
  if ! locale -a 2>/dev/null | grep -qi "^${locale}\.utf-\?8$"; then
    as_root localedef -i "$locale" -f UTF-8 "$locale.UTF-8"
  fi
done

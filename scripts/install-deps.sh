#!/bin/sh
# Installs, with apt-get, whatever this project needs to build and test that
# the machine does not have yet (Debian 12, run as root). Safe to run again.
set -eu

packages="build-essential cmake ninja-build pkg-config
  libjpeg62-turbo-dev libpng-dev zlib1g-dev libopenjp2-7-dev libinih-dev libcli11-dev
  libtiff-dev libgtest-dev libgmock-dev libbenchmark-dev"

missing=""
for p in $packages; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done

if [ -n "$missing" ]; then
  echo "installing:$missing"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  # shellcheck disable=SC2086
  apt-get install -y -qq --no-install-recommends $missing
fi

#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the stand-ins need.
# Runs apt-get only when something is missing (as root, or through sudo).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libmxml-dev libjpeg62-turbo-dev libpng-dev libneon27-gnutls-dev libqrencode-dev
  libfreetype-dev libgif-dev libsdl2-dev xfonts-base
  util-linux iproute2 valgrind python3 ccache nlohmann-json3-dev openssl libsqlite3-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"

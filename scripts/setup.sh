#!/bin/sh
# Installs the Debian packages listed in scripts/packages.txt that are missing.
# As root it uses apt-get; otherwise it says exactly what to install.
set -eu
here=$(dirname "$0")
missing=""
while read -r pkg cmd; do
  case "$pkg" in ''|'#'*) continue ;; esac
  if [ -n "${cmd:-}" ] && command -v "$cmd" >/dev/null 2>&1; then continue; fi
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
    missing="$missing $pkg"
  fi
done < "$here/packages.txt"
[ -z "$missing" ] && exit 0
if [ "$(id -u)" = 0 ]; then
  echo "setup: installing$missing"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends $missing
else
  echo "setup: missing Debian packages; run as root:" >&2
  echo "  apt-get install$missing" >&2
  exit 1
fi

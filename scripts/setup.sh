#!/usr/bin/env bash
# Installs everything the build, the tests and the run command need on a Debian machine.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

need_pkgs=(cmake g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine32 wine64 xvfb locales
           fonts-ipafont-gothic fonts-wine googletest xauth x11-apps imagemagick python3)

# sudo clears the environment; the front end must reach apt inside it.
as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo env DEBIAN_FRONTEND="${DEBIAN_FRONTEND:-}" "$@"; fi; }

missing_pkgs() {
  local p
  for p in "${need_pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
  done
}

mapfile -t missing < <(missing_pkgs)
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  log=$(mktemp)
  # A mirror in mid-sync fails one index; the others (or the lists already here) may still do.
  if ! as_root apt-get update -qq >"$log" 2>&1; then
    echo "setup: apt-get update failed in part ($(grep -m1 '^E:' "$log" | cut -c1-120)); going on"
  fi
  try_install() { as_root apt-get install -y -qq --no-install-recommends "$@" "${missing[@]}" >"$log" 2>&1; }
  if ! try_install; then
    # amd64 and i386 halves of a multiarch package must match; when one architecture's update
    # index is missing, take both from the release's own suites.
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    echo "setup: install failed; retrying from the ${codename:-base} suites only"
    if [ -z "$codename" ] || ! try_install -t "$codename"; then
      mapfile -t missing < <(missing_pkgs)
      why=$(grep -m1 -E '^E:|broken|unmet|Unable' "$log" | cut -c1-160)
      rm -f "$log"
      echo "setup: cannot install ${missing[*]}: ${why:-apt-get failed}" >&2
      exit 1
    fi
  fi
  rm -f "$log"
fi

if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  echo "setup: generating ja_JP.UTF-8"
  if ! grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    echo 'ja_JP.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
  fi
  as_root locale-gen >/dev/null
fi

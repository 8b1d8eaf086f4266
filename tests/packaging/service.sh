#!/usr/bin/env bash
# The systemd unit of zvl log: installed with the package, and valid for an instance (checked
# with systemd-analyze verify where systemd is there, against the zvl of the install tree).
set -euo pipefail
build="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

root="$work/root/usr"
cmake --install "$build" --prefix "$root" >/dev/null || fail "cmake --install"
unit="$root/lib/systemd/system/zvl-log@.service"
[ -s "$unit" ] || fail "zvl-log@.service is not installed"
grep -qx 'ExecStart=/usr/bin/zvl log --port %I $ZVL_LOG_OPTIONS /var/lib/zvl-log/%i' "$unit" || fail "ExecStart"
grep -qx 'Restart=on-failure' "$unit" || fail "Restart"
grep -qx 'SupplementaryGroups=dialout' "$unit" || fail "the dialout group"
if command -v systemd-analyze >/dev/null; then
  mkdir "$work/units"
  sed "s|/usr/bin/zvl|$root/bin/zvl|" "$unit" >"$work/units/zvl-log@COM1.service"
  out=$(systemd-analyze verify --man=no "$work/units/zvl-log@COM1.service" 2>&1) || fail "systemd-analyze verify: $out"
  [ -z "$out" ] || fail "systemd-analyze verify: $out"
else
  echo "systemd-analyze is not installed; the unit is not verified"
fi

#!/usr/bin/env bash
# The install tree and the Debian package of a built tree: cmake --install into a scratch
# prefix, every file in place and valid (zvl log's systemd unit verified for an instance with
# systemd-analyze where systemd is there); then cpack -G DEB, its dependencies, and zvl run
# from the package unpacked with dpkg -x.
set -euo pipefail
build="$1"
work="$(mktemp -d)"
simpid=""
cleanup() {
  if [ -n "$simpid" ]; then kill "$simpid" 2>/dev/null || true; wait "$simpid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

root="$work/root/usr"
cmake --install "$build" --prefix "$root" >/dev/null || fail "cmake --install"
for f in bin/pellam-zvl bin/zvl bin/zvl-sim share/applications/pellam-zvl.desktop \
         share/icons/hicolor/scalable/apps/pellam-zvl.svg share/icons/hicolor/48x48/apps/pellam-zvl.png \
         share/icons/hicolor/256x256/apps/pellam-zvl.png share/mime/packages/pellam-zvl.xml \
         share/pellam-zvl/help/contents.html share/man/man1/zvl.1.gz share/man/man1/zvl-sim.1.gz \
         share/man/man1/pellam-zvl.1.gz share/metainfo/org.pellam_zvl.pellam_zvl.metainfo.xml \
         share/doc/pellam-zvl/copyright share/doc/pellam-zvl/changelog.Debian.gz; do
  [ -s "$root/$f" ] || fail "$f is not installed"
done
for p in bin/pellam-zvl bin/zvl bin/zvl-sim; do [ -x "$root/$p" ] || fail "$p is not executable"; done

# PNG sizes from the IHDR chunk (width and height, big-endian, at bytes 16..23).
for size in 48 256; do
  dims=$(od -An -tu1 -j16 -N8 "$root/share/icons/hicolor/${size}x$size/apps/pellam-zvl.png" | tr -s ' ' | sed 's/^ //; s/ $//')
  [ "$dims" = "0 0 $((size / 256)) $((size % 256)) 0 0 $((size / 256)) $((size % 256))" ] || fail "icon $size: $dims"
done

desktop="$root/share/applications/pellam-zvl.desktop"
grep -qx 'Exec=pellam-zvl %f' "$desktop" || fail "the desktop entry's Exec line"
if command -v desktop-file-validate >/dev/null; then
  out=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$out" ] || fail "desktop-file-validate: $out"
else
  echo "desktop-file-validate is not installed (apt-get install desktop-file-utils); not checked"
fi
xmllint --noout "$root/share/mime/packages/pellam-zvl.xml" "$root/share/icons/hicolor/scalable/apps/pellam-zvl.svg" \
  "$root/share/metainfo/org.pellam_zvl.pellam_zvl.metainfo.xml" \
  || fail "the MIME entry, the SVG icon or the AppStream file is not well-formed XML"
update-mime-database "$root/share/mime" >/dev/null 2>&1 || fail "update-mime-database"
grep -q 'application/x-pellam-zvl:\*\.zvl' "$root/share/mime/globs" || fail "*.zvl is not in the MIME globs"
grep -q 'application/x-pellam-stg:\*\.stg' "$root/share/mime/globs" || fail "*.stg is not in the MIME globs"
for m in "$root"/share/man/man1/*.1.gz; do
  out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$m" 2>&1 >/dev/null) || fail "man $m"
  [ -z "$out" ] || fail "man --warnings $(basename "$m"): $out"
done
"$root/bin/zvl" --version | grep -q '^zvl ' || fail "the installed zvl --version"

unit="$root/lib/systemd/system/zvl-log@.service"
[ -s "$unit" ] || fail "zvl-log@.service is not installed"
# The unit runs the zvl of the prefix it was installed under.
execstart=$(sed -n 's/^ExecStart=//p' "$unit")
[ "$execstart" = "$root/bin/zvl log --port %I --alarm=\${ZVL_LOG_ALARMS} --on-alarm=\${ZVL_LOG_ON_ALARM} \$ZVL_LOG_OPTIONS \$ZVL_LOG_PORT_OPTIONS /var/lib/zvl-log/%i" ] \
  || fail "ExecStart: $execstart"
grep -qx 'Restart=on-failure' "$unit" || fail "Restart"
grep -qx 'SupplementaryGroups=dialout' "$unit" || fail "the dialout group"
grep -qx 'EnvironmentFile=-/etc/default/zvl-log-%i' "$unit" || fail "the port's options file"
if command -v systemd-analyze >/dev/null; then
  mkdir "$work/units"
  cp "$unit" "$work/units/zvl-log@COM1.service"
  out=$(systemd-analyze verify --man=no "$work/units/zvl-log@COM1.service" 2>&1) || fail "systemd-analyze verify: $out"
  [ -z "$out" ] || fail "systemd-analyze verify: $out"
else
  echo "systemd-analyze is not installed; the unit is not verified"
fi

# The unit's command line as systemd expands it, for a COMn instance and for a device path
# escaped with systemd-escape --path, against zvl-sim on a real device node (its
# pseudo-terminal /dev/pts/N, not the COM link to it): %i the instance, %I the instance
# unescaped, each $VARIABLE the words of its value (the common options, then the port's),
# the state folder in the scratch tree. Files must appear, named by the port's --name.
export XDG_CONFIG_HOME="$work/config"
"$root/bin/zvl-sim" --port COM7 --rate 200 >"$work/sim.out" 2>"$work/sim.err" &
simpid=$!
for _ in $(seq 100); do grep -q COM7 "$work/sim.out" 2>/dev/null && break; sleep 0.1; done
pts=$(readlink -f "$XDG_CONFIG_HOME/Pellam/ports/COM7") || fail "zvl-sim did not start: $(cat "$work/sim.err")"
[[ "$pts" =~ ^/dev/pts/[0-9]+$ ]] && [ -c "$pts" ] || fail "zvl-sim's terminal is not a /dev/pts device: $pts"
if command -v systemd-escape >/dev/null; then pathinstance=$(systemd-escape --path "$pts")
else pathinstance=$(tr / - <<<"${pts#/}"); fi
ZVL_LOG_OPTIONS="--roll 40 --name common"
for instance in COM7 "$pathinstance"; do
  ZVL_LOG_PORT_OPTIONS="--name port --quiet"
  unescaped=$(systemd-escape --unescape "$instance" 2>/dev/null || tr - / <<<"$instance")
  argv=()
  for word in $execstart; do
    case "$word" in
      '$ZVL_LOG_OPTIONS') read -ra more <<<"$ZVL_LOG_OPTIONS"; argv+=("${more[@]}") ;;
      '$ZVL_LOG_PORT_OPTIONS') read -ra more <<<"$ZVL_LOG_PORT_OPTIONS"; argv+=("${more[@]}") ;;
      *'${ZVL_LOG_ALARMS}'|*'${ZVL_LOG_ON_ALARM}') argv+=("${word%%=*}=") ;;  # one word, empty here
      *) word=${word//%I/$unescaped}; word=${word//%i/$instance}; argv+=("${word/#\/var\/lib/$work/state}") ;;
    esac
  done
  state="$work/state/zvl-log/$instance"
  mkdir -p "$state"
  "${argv[@]}" >/dev/null 2>"$work/unit.err" &
  logpid=$!
  for _ in $(seq 150); do [ "$(ls "$state" | grep -c '^port-.*\.zvl$')" -ge 2 ] && break; sleep 0.1; done
  kill -TERM "$logpid" 2>/dev/null || true
  set +e; wait "$logpid"; code=$?; set -e
  [ "$(ls "$state" | grep -c '^port-.*\.zvl$')" -ge 2 ] \
    || fail "zvl-log@$instance (${argv[*]}) wrote no files in 15 s: $(ls "$state"; cat "$work/unit.err")"
  [ "$code" -eq 0 ] || fail "zvl-log@$instance exited $code after SIGTERM: $(cat "$work/unit.err")"
  first=$(ls "$state" | grep '^port-' | head -1)
  "$root/bin/zvl" info "$state/$first" >"$work/info" || fail "zvl info $first"
  grep -q "^Results: *40\b" "$work/info" || fail "zvl-log@$instance: the common --roll 40 is not kept: $(cat "$work/info")"
done
kill "$simpid" 2>/dev/null || true; wait "$simpid" 2>/dev/null || true; simpid=""

# The Debian package.
cpack -G DEB -B "$work/pkg" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1 || fail "cpack: $(cat "$work/cpack.log")"
deb=$(ls "$work"/pkg/*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for d in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 lrzsz fonts-liberation; do
  grep -qw "$d" <<<"$depends" || fail "the package does not depend on $d: $depends"
done
dpkg -x "$deb" "$work/unpacked"
version=$("$work/unpacked/usr/bin/zvl" --version) || fail "zvl from the package"
[[ "$version" =~ ^zvl\ \(Pellam\ ZVL\ companion\)\ [0-9.]+$ ]] || fail "zvl --version from the package: $version"
[ -f "$work/unpacked/usr/share/pellam-zvl/help/contents.html" ] || fail "the package lacks the help pages"
grep -qxF 'ExecStart=/usr/bin/zvl log --port %I --alarm=${ZVL_LOG_ALARMS} --on-alarm=${ZVL_LOG_ON_ALARM} $ZVL_LOG_OPTIONS $ZVL_LOG_PORT_OPTIONS /var/lib/zvl-log/%i' \
  "$work/unpacked/usr/lib/systemd/system/zvl-log@.service" || fail "the package's unit does not run /usr/bin/zvl"
dpkg-deb -e "$deb" "$work/control"
for script in postinst prerm postrm; do
  [ -x "$work/control/$script" ] || fail "the package has no $script"
done
echo "install tree and $(basename "$deb") checked"

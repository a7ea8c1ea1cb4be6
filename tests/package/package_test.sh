#!/usr/bin/env bash
# Tests of the Debian package, from the build tree at hand (no second build).
#   package_test.sh build BUILD_DIR WORK    makes the package with cpack, checks it with lintian,
#                                           desktop-file-validate and systemd-analyze, and
#                                           unpacks it into WORK/root
#   package_test.sh folders WORK            runs the unpacked programs as if installed under /usr
#                                           and checks the folders they use, also unprivileged
# Exit status 77 (skipped) where the machine does not allow a private mount namespace.
set -euo pipefail

fail() { echo "FAIL: $*" >&2; exit 1; }

# The package's /usr laid over the system's in a private mount namespace: the programs run
# from /usr/bin exactly as after installing, and nothing of the machine changes. The private
# network namespace keeps the tray program's default port to itself.
in_installed_view() {
  unshare --mount --net --fork -- bash -euo pipefail -c '
    mount -t overlay overlay -o "lowerdir=$1/usr:/usr" /usr
    mount -t tmpfs tmpfs /var/lib
    shift; "$@"' -- "$work/root" "$@"
}

build_package() {
  local build=$1
  rm -rf "$work" && mkdir -p "$work/root"
  (cd "$build" && cpack -G DEB -B "$work/cpack") > "$work/cpack.log" 2>&1 || { cat "$work/cpack.log" >&2; fail "cpack"; }
  deb=$(ls "$work"/cpack/kestrova_*_amd64.deb)
  echo "built $(basename "$deb")"
  dpkg-deb -x "$deb" "$work/root"
  dpkg-deb -f "$deb" Depends | grep -q 'libdcmtk' || fail "Depends does not come from the binaries: $(dpkg-deb -f "$deb" Depends)"

  lintian --no-tag-display-limit "$deb" > "$work/lintian.log" 2>&1 || true
  cat "$work/lintian.log"
  if grep -q '^E: ' "$work/lintian.log"; then fail "lintian reports errors"; fi

  desktop-file-validate "$work/root/usr/share/applications/kestrova.desktop" || fail "desktop entry"
  desktop-file-validate "$work/root/etc/xdg/autostart/kestrova.desktop" || fail "autostart entry"
  grep -qx 'Hidden=true' "$work/root/etc/xdg/autostart/kestrova.desktop" || fail "the autostart entry is not off"
  for page in kestrova kestrova-service kestrova-send-test-film; do
    [ -s "$work/root/usr/share/man/man1/$page.1.gz" ] || fail "no manual page for $page"
  done
  [ -f "$work/root/usr/share/doc/kestrova/README.md" ] || fail "README is not in the documentation"
  local source document
  source=$(cd "$(dirname "$0")/../.." && pwd)
  for document in "$source"/docs/*.md; do
    [ -e "$document" ] || continue
    [ -f "$work/root/usr/share/doc/kestrova/docs/$(basename "$document")" ] || fail "$(basename "$document") is not in the documentation"
  done

  local unit=$work/root/lib/systemd/system/kestrova.service
  for line in 'StateDirectory=kestrova' 'DynamicUser=yes' 'Restart=on-failure' 'ExecStart=/usr/bin/kestrova-service'; do
    grep -qx "$line" "$unit" || fail "the unit lacks $line"
  done
  # verify looks for the executable and the manual page where the unit names them.
  in_installed_view systemd-analyze verify "$unit" || fail "systemd-analyze verify"
  echo "package checks passed"
}

# wait_for_path PATH PID: true once PATH exists; false when PID ends first or 20 s pass.
wait_for_path() {
  for _ in $(seq 1 200); do
    [ -e "$1" ] && return 0
    kill -0 "$2" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

stop() { kill "$1" 2>/dev/null || true; wait "$1" 2>/dev/null || true; }

# Inside the installed view: each program picks its data folder, and an unwritable folder is
# a message and exit status 1 for a user without privileges.
check_folders() {
  export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$work/runtime
  unset XDG_DATA_HOME STATE_DIRECTORY
  mkdir -p -m 700 "$XDG_RUNTIME_DIR"

  # The tray program creates its data folder on the first start and never writes in /usr/bin
  # (read-only here: it would fail to start).
  HOME=$work/home /usr/bin/kestrova > "$work/tray.out" 2>&1 &
  local pid=$!
  wait_for_path "$work/home/.local/share/Kestrova/debug" $pid || { cat "$work/tray.out" >&2; fail "the tray program did not use ~/.local/share/Kestrova"; }
  stop $pid
  echo "kestrova used $work/home/.local/share/Kestrova"

  # The service: $STATE_DIRECTORY, else /var/lib/kestrova.
  STATE_DIRECTORY=$work/state /usr/bin/kestrova-service > "$work/service.out" 2>&1 &
  pid=$!
  for _ in $(seq 1 100); do grep -q listening "$work/service.out" && break; sleep 0.1; done
  stop $pid
  grep -qx "kestrova-service: program folder $work/state" "$work/service.out" || { cat "$work/service.out" >&2; fail "the service did not use \$STATE_DIRECTORY"; }
  /usr/bin/kestrova-service > "$work/service.out" 2>&1 &
  pid=$!
  for _ in $(seq 1 100); do grep -q listening "$work/service.out" && break; sleep 0.1; done
  stop $pid
  grep -qx "kestrova-service: program folder /var/lib/kestrova" "$work/service.out" || { cat "$work/service.out" >&2; fail "the service did not use /var/lib/kestrova"; }
  echo "kestrova-service used \$STATE_DIRECTORY, else /var/lib/kestrova"

  # Unprivileged, as the unit's dynamic user or a desktop user would be.
  mkdir -p "$work/locked" "$work/lockedhome"
  chmod 755 "$work/locked" "$work/lockedhome"
  local nobody=(setpriv --reuid=65534 --regid=65534 --clear-groups --inh-caps=-all)
  local cases=(
    "service --folder|cannot write in the program folder $work/locked|env /usr/bin/kestrova-service --folder $work/locked"
    "service state folder|cannot write in the program folder $work/locked|env STATE_DIRECTORY=$work/locked /usr/bin/kestrova-service"
    "service missing folder|cannot create the program folder $work/locked/films-here|env /usr/bin/kestrova-service --folder $work/locked/films-here"
    "tray --folder|cannot write in the program folder $work/locked|env /usr/bin/kestrova --folder $work/locked"
    "tray data folder|cannot create the program folder $work/lockedhome/.local/share/Kestrova|env HOME=$work/lockedhome /usr/bin/kestrova"
  )
  local entry name message command status
  for entry in "${cases[@]}"; do
    IFS='|' read -r name message command <<< "$entry"
    status=0
    # shellcheck disable=SC2086
    timeout 30 "${nobody[@]}" $command > "$work/out" 2>&1 || status=$?
    [ "$status" = 1 ] || { cat "$work/out" >&2; fail "$name: exit status $status, not 1"; }
    grep -qF "$message" "$work/out" || { cat "$work/out" >&2; fail "$name: no clear message"; }
    echo "$name: exit 1, \"$(grep -F "$message" "$work/out")\""
  done
}

case ${1:-} in
  build) work=$(realpath -m "$3"); build_package "$2" ;;
  folders)
    work=$(realpath -m "$2")
    [ -x "$work/root/usr/bin/kestrova" ] || fail "no unpacked package in $work/root"
    if ! unshare --mount --net --fork true 2>/dev/null; then
      echo "skipped: this machine does not allow a private mount namespace (unshare)"; exit 77
    fi
    chmod 755 "$work"
    rm -rf "$work/home" "$work/state" "$work/locked" "$work/lockedhome" "$work/runtime"
    export work
    export -f check_folders wait_for_path stop fail
    in_installed_view bash -euo pipefail -c check_folders
    echo "folder checks passed" ;;
  *) echo "usage: package_test.sh build BUILD_DIR WORK | folders WORK" >&2; exit 2 ;;
esac

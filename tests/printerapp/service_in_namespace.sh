#!/bin/sh
# "Print from any device" as the README has it, on a machine whose systemd
# is not running (a container, CI): the service's unit is checked by
# systemd-analyze, and its ExecStart line is run as written, but for the
# program's path (the build's, as the install would put it in place), in
# private network and mount namespaces: their own loopback and a veth pair
# with IPv6 link-local addresses only, and their own /run, /var/lib and
# /var/spool, so the service's state, spool, control socket and port 8000
# are its own and nothing reaches the machine's. A private dbus-daemon and
# avahi-daemon run there; ipptool must reach the printer and print, and
# ippfind must see its DNS-SD announcement. Everything started is stopped
# by its PID.
#
# Usage: service_in_namespace.sh BUILD-DIR SOURCE-DIR OUTPUT-FOLDER
# Exit status 0 when every step worked; the steps and their output go to
# standard output.
set -eu
build=$1 src=$2 out=$3
if [ "${Q2_IN_NAMESPACE:-}" != 1 ]; then
  mkdir -p "$out"
  unit="$out/quillory2-printer-app.service"
  # The installed unit names the installed program; here it is the build's.
  sed "s|^ExecStart=[^ ]*/quillory2-printer-app |ExecStart=$build/bin/quillory2-printer-app |" \
      "$build/printerapp/quillory2-printer-app.service" > "$unit"
  echo "== systemd-analyze verify (systemd itself is not running here: $(ps -p 1 -o comm=))"
  systemd-analyze verify "$unit"
  exec env Q2_IN_NAMESPACE=1 unshare --net --mount --propagation private "$0" "$@"
fi

unit="$out/quillory2-printer-app.service"
pids=""
stop() {
  for pid in $pids; do kill "$pid" 2>/dev/null || true; done
  for pid in $pids; do wait "$pid" 2>/dev/null || true; done
}
trap stop EXIT
wait_for() {  # SECONDS COMMAND...: until COMMAND succeeds
  n=$(( $1 * 10 )); shift
  while ! "$@" >/dev/null 2>&1; do
    n=$((n - 1)); [ $n -gt 0 ] || { echo "gave up waiting for: $*"; return 1; }
    sleep 0.1
  done
}

echo "== private network: loopback and a veth pair (IPv6 link-local only)"
ip link set lo up
ip link add q2a type veth peer name q2b
ip link set q2a up
ip link set q2b up
for folder in /run /var/lib /var/spool; do mount -t tmpfs tmpfs "$folder"; done
mkdir -p /run/dbus /run/avahi-daemon
unset SNAP_COMMON XDG_RUNTIME_DIR DBUS_SYSTEM_BUS_ADDRESS

echo "== dbus-daemon and avahi-daemon"
dbus-daemon --system --nofork --nopidfile &
pids="$! $pids"
wait_for 10 test -S /run/dbus/system_bus_socket
avahi-daemon --no-rlimits --no-chroot > "$out/avahi.log" 2>&1 &
pids="$! $pids"
# The service registers once, as it starts: avahi-daemon must be serving.
wait_for 20 grep -q "Server startup complete" "$out/avahi.log"

echo "== the unit's ExecStart: $(sed -n 's/^ExecStart=//p' "$unit")"
# As systemd would run it: the words of the line, StateDirectory made.
mkdir -p /var/lib/quillory2-printer-app
set -- $(sed -n 's/^ExecStart=//p' "$unit")
"$@" > "$out/service.log" 2>&1 &
pids="$! $pids"
wait_for 20 curl -sf http://localhost:8000/

app=$build/bin/quillory2-printer-app
rm -rf "$out/device"
mkdir -p "$out/device"
"$app" add -d disc -m quillory2 -v "file://$out/device"
echo "== ipptool reaches it"
ipptool -t ipp://localhost:8000/ipp/print/disc get-printer-attributes.test
ipptool -t -f "$src/examples/label.png" ipp://localhost:8000/ipp/print/disc print-job-and-wait.test
[ -n "$(find "$out/device" -name '*.prn' -size +0)" ] || { echo "nothing reached the device"; exit 1; }
# The service listens on localhost only, so ippfind finds the announcement
# but cannot reach the host it names ("unreachable").
echo "== the DNS-SD announcement, as ippfind sees it through avahi-daemon"
found=$(ippfind -T 10 _ipp._tcp,_print --ls 2>&1 || true)
echo "$found"
echo "$found" | grep -q ':8000/ipp/print/disc' || { echo "no announcement of the printer"; exit 1; }
echo "== all steps passed"

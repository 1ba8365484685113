#!/usr/bin/env bash
# The project on a machine with nothing installed (scripts/test.sh fresh runs
# this script). Builds a minimal Debian 12 root with mmdebstrap (variant apt,
# from this machine's own apt sources), clones the checkout's committed HEAD
# into it, mounts /proc there and, inside it with chroot:
#   demo      runs bash scripts/demo.sh, the README's first command, on nothing
#             but Debian 12, and checks that label.prn passes
#             `quillory2 decode --check` and label-preview.png is a PNG;
#   deps      installs every non-Windows group of scripts/install-deps.sh;
#   build     configures and builds preset default;
#   tests     runs its checks: ctest -L unit, or the CTest arguments given
#             (none: every native suite).
#
#   scripts/fresh-root.sh [--junit FILE] [--checks FILE] [--sources FILE]
#                         [-- CTEST_ARGUMENTS...]
#
# Needs root (through sudo otherwise), mmdebstrap and a reachable mirror: a
# mirror that cannot be reached fails the step with apt's reason. --sources
# FILE (sources.list or deb822 lines) takes the place of this machine's apt
# sources, for a local mirror or proxy. Everything
# runs in a private mount and PID namespace, so /proc is mounted only there and
# whatever runs inside ends with it; the root (build-fresh/) is removed on every
# way out, interrupted included. The machine's own /dev and apt configuration
# are only read; its downloaded packages (/var/cache/apt/archives) are
# hard-linked in to save the download, where they are on the same file system.
# A failed step prints its last lines; every step's log stays in
# build-results/fresh/. --junit FILE writes one test case per step, then the
# CTest results of the root's checks; with --checks FILE those go to FILE
# instead, and their labels (ctest --show-only=json-v1) to FILE's name with
# .labels.json for .xml (scripts/test.sh reports them as the native stage).
set -uo pipefail
cd "$(dirname "$0")/.."

say() { echo "fresh: $*" >&2; }

if [ "${1:-}" = --inside ]; then
  inside=1
  shift
else
  inside=0
fi
junit=""
checks=""
sources_file=""
ctest_args=(-L unit)
while [ $# -gt 0 ]; do
  case "$1" in
    --junit) junit=$(realpath -m "$2"); shift 2 ;;
    --checks) checks=$(realpath -m "$2"); shift 2 ;;
    --sources) sources_file=$(realpath -m "$2"); shift 2 ;;
    --) shift; ctest_args=("$@"); break ;;
    -h|--help) sed -n '2,/^set -uo/p' "$0" | sed -e '$d' -e 's/^# \{0,1\}//'; exit 0 ;;
    *) say "unknown argument $1 (see --help)"; exit 2 ;;
  esac
done

work=$PWD/build-fresh
logs=$PWD/build-results/fresh

if [ "$inside" -eq 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { say "needs root (mmdebstrap, chroot, mounts), and there is no sudo"; exit 1; }
    exec sudo -- bash "$0" ${junit:+--junit "$junit"} ${checks:+--checks "$checks"} \
      ${sources_file:+--sources "$sources_file"} -- "${ctest_args[@]}"
  fi
  for tool in mmdebstrap unshare chroot git; do
    command -v "$tool" >/dev/null || { say "$tool is missing (scripts/install-deps.sh test installs mmdebstrap)"; exit 1; }
  done
  # A root left by a run that was killed outright holds no mounts (they lived
  # in that run's namespace), so it is removed like any folder.
  cleanup() { rm -rf --one-file-system "$work"; }
  cleanup
  rm -rf "$logs"
  mkdir -p "$work/root" "$logs"
  # The work runs in the background so that a signal reaches the traps at
  # once; killing unshare kills the namespace's first process (--kill-child)
  # and with it every process inside, and their mounts go with the namespace.
  pid=""
  stop() {
    [ -z "$pid" ] || kill -KILL "$pid" 2>/dev/null
    [ -z "$pid" ] || wait "$pid" 2>/dev/null
    cleanup
  }
  trap stop EXIT
  trap 'say "interrupted; removing the root"; exit 130' INT
  trap 'exit 143' TERM
  trap 'exit 129' HUP
  unshare --mount --pid --fork --kill-child --mount-proc --propagation private -- \
    bash "$0" --inside ${junit:+--junit "$junit"} ${checks:+--checks "$checks"} \
      ${sources_file:+--sources "$sources_file"} -- "${ctest_args[@]}" &
  pid=$!
  wait "$pid"
  status=$?
  pid=""
  exit "$status"
fi

# ---- inside the private namespaces ----
exec 3>&2
root=$work/root
jobs=$(nproc)
cases=""
failed=0

# The CPU time of this shell's finished children, in clock ticks (user and
# system): on a shared machine it measures a step better than the clock.
ticks=$(getconf CLK_TCK)
children_cpu() {
  local stat
  read -r -a stat </proc/$$/stat
  # cutime and cstime, after the command name (which has no blanks here).
  echo $((stat[15] + stat[16]))
}

# step NAME COMMAND...: runs COMMAND with its output in $logs/NAME.log, and
# records it as a test case; a failure prints the log's last lines.
step() {
  local name=$1 start=$SECONDS cpu_start status
  shift
  say "$name ... (log: $logs/$name.log)"
  cpu_start=$(children_cpu)
  "$@" >"$logs/$name.log" 2>&1
  status=$?
  local took=$((SECONDS - start)) cpu=$(( ($(children_cpu) - cpu_start) / ticks ))
  if [ "$status" -eq 0 ]; then
    say "$name: done in ${took} s (${cpu} s of CPU)"
    cases+="  <testcase name=\"fresh.$name\" status=\"run\" time=\"$took\"/>"$'\n'
    return 0
  fi
  say "$name FAILED (exit status $status, ${took} s); the last lines of $logs/$name.log:"
  tail -n 40 "$logs/$name.log" | sed 's/^/  | /' >&2
  cases+="  <testcase name=\"fresh.$name\" status=\"fail\" time=\"$took\"><failure message=\"exit status $status, see $logs/$name.log\"/></testcase>"$'\n'
  failed=1
  return 1
}

write_junit() {
  if [ -n "$checks" ] && [ -f "$logs/ctest.xml" ]; then
    mkdir -p "$(dirname "$checks")"
    cp "$logs/ctest.xml" "$checks"
    [ ! -f "$logs/labels.json" ] || cp "$logs/labels.json" "${checks%.xml}.labels.json"
  fi
  [ -n "$junit" ] || return 0
  mkdir -p "$(dirname "$junit")"
  local ctest_cases=""
  if [ -z "$checks" ] && [ -f "$logs/ctest.xml" ]; then
    ctest_cases=$(sed -e '1,/<testsuite[ >]/d' -e '/<\/testsuite>/,$d' "$logs/ctest.xml")
  fi
  printf '<?xml version="1.0" encoding="UTF-8"?>\n<testsuite name="fresh">\n%s%s\n</testsuite>\n' \
    "$cases" "$ctest_cases" >"$junit"
}
trap write_junit EXIT

# The machine's own apt sources, as apt reads them.
sources=()
if [ -n "$sources_file" ]; then
  sources=("$sources_file")
else
  [ -s /etc/apt/sources.list ] && grep -qE '^[[:space:]]*deb' /etc/apt/sources.list && sources+=(/etc/apt/sources.list)
  for f in /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && sources+=("$f")
  done
fi
[ ${#sources[@]} -gt 0 ] || { say "this machine has no apt sources to build the root from"; cases+="  <testcase name=\"fresh.root\" status=\"fail\"><failure message=\"no apt sources\"/></testcase>"$'\n'; exit 1; }

# Packages this machine has downloaded already, linked rather than fetched
# again; apt in the root checks each against its own index.
link_cache='mkdir -p "$1/var/cache/apt/archives" && { cp -l /var/cache/apt/archives/*.deb "$1/var/cache/apt/archives/" 2>/dev/null || true; }'

# dpkg's unsafe I/O only in the throw-away root: it halves the install time.
make_root() {
  mmdebstrap --variant=apt --dpkgopt=force-unsafe-io --skip=download/empty --setup-hook="$link_cache" \
    bookworm "$root" "${sources[@]}" || return
  # What every installed machine has, and the tests reach their servers by.
  printf '127.0.0.1\tlocalhost\n::1\t\tlocalhost ip6-localhost ip6-loopback\n' >"$root/etc/hosts"
  # As in any chroot, installed packages start no services (avahi-daemon,
  # dbus): the tests start what they need themselves.
  printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
  chmod 755 "$root/usr/sbin/policy-rc.d"
  sh -c "$link_cache" link "$root"
  # The root as a mount point of its own, as a machine's / is: tests that
  # make their own mount namespaces (unshare -m) change the propagation of /,
  # which the kernel refuses on a plain folder.
  mount --bind "$root" "$root"
  mount -t proc proc "$root/proc"
}

# The checkout may belong to another user than root.
git() { command git -c safe.directory='*' "$@"; }
commit=$(git rev-parse HEAD)
clone() {
  git clone -q --no-hardlinks --no-checkout "$PWD" "$root/src" &&
    git -C "$root/src" checkout -q --detach "$commit"
}

# Inside the root: a login's environment, nothing of this machine's.
in_root() {
  env -i HOME=/root LANG=C.UTF-8 TERM=dumb PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    chroot "$root" /bin/bash -c "cd /src && $1"
}

check_demo() {
  in_root 'build-demo/bin/quillory2 decode label.prn --check' >"$logs/demo-decode.txt" ||
    { tail -n 20 "$logs/demo-decode.txt"; echo "label.prn does not pass decode --check"; return 1; }
  local magic
  magic=$(head -c 8 "$root/src/label-preview.png" | od -An -tx1 | tr -d ' \n')
  [ "$magic" = 89504e470d0a1a0a ] || { echo "label-preview.png is not a PNG (it starts ${magic:-empty})"; return 1; }
  echo "label.prn passes decode --check; label-preview.png is a PNG of $(stat -c %s "$root/src/label-preview.png") bytes"
}

# Every group of install-deps.sh but the Windows ones, as the script lists them.
groups=$(sed -n 's/^all_groups=(\(.*\))$/\1/p' scripts/install-deps.sh | tr ' ' '\n' | grep -v '^windows' | tr '\n' ' ')

# Its .ninja_log stays with the logs: the build's profile, step by step.
build_default() {
  in_root "cmake --preset default && cmake --build --preset default -j $jobs"
  local status=$?
  cp "$root/src/build/.ninja_log" "$logs/ninja_log" 2>/dev/null
  return "$status"
}

# The checks' results are counted one by one from CTest's JUnit file; the step
# itself fails only when CTest could not run them.
run_checks() {
  in_root "ctest --test-dir build --show-only=json-v1 >build/labels.json &&
           ctest --preset default -j $jobs --output-junit /src/build/ctest.xml ${ctest_args[*]}"
  local status=$?
  cp "$root/src/build/labels.json" "$logs/labels.json" 2>/dev/null
  cp "$root/src/build/ctest.xml" "$logs/ctest.xml" 2>/dev/null || return "$status"
  if [ "$status" -ne 0 ]; then
    checks_failed=1
    # Straight to the terminal (descriptor 3): this step's own output goes to its log.
    say "checks failed in the root (output in $logs/tests.log):" 2>&3
    grep -A40 'The following tests FAILED' "$logs/tests.log" | sed 's/^/  | /' >&3
  fi
  return 0
}

[ -z "$(git status --porcelain --untracked-files=no)" ] ||
  say "the checkout has uncommitted changes; the root gets the committed HEAD $commit"
step root make_root &&
  step clone clone &&
  step demo in_root 'bash scripts/demo.sh' &&
  step demo-output check_demo &&
  step deps in_root "bash scripts/install-deps.sh $groups" &&
  step build build_default &&
  step tests run_checks
if [ "$failed" -eq 0 ]; then
  # Failed checks are counted from their JUnit file, by the stage that ran them.
  outcome="passed its checks"
  [ -z "${checks_failed:-}" ] || outcome="ran its checks, some of which failed (listed above)"
  say "a fresh Debian 12 root ran the demo, installed groups $groups, built preset default and $outcome"
fi
exit "$failed"

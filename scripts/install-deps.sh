#!/usr/bin/env bash
# Installs the Debian 12 packages of the named groups, where missing.
#
#   scripts/install-deps.sh [--notes FILE] [GROUP...]     (no group: all of them)
#
#   demo       compiler, cmake, ninja, libpng, libjpeg, libexif, CLI11: the tool and its modules
#   build      the rest of the native build: libcups, the PPD compiler and PAPPL
#              (the printer application); nlohmann-json, Cairo, Pango and the
#              DejaVu fonts (the label designer)
#   test       GoogleTest, benchmark, the CUPS programs, Ghostscript, clang for the
#              fuzzers, windres and the C preprocessor it runs (mingw-w64 gcc) for
#              the string table check, python3 for the summary;
#              for the printer application's tests ipptool and its test files,
#              headless Chromium with chromedriver and python3-selenium, curl, the
#              PWG 5100 test files of ippsample-data (unpacked, see below), and for
#              the service's test iproute2, dbus-daemon, avahi-daemon and systemd
#              (systemd-analyze; systemd is not started); for the print-quality
#              benchmark numpy, scipy and scikit-image's photographs; mmdebstrap
#              for the fresh-root stage
#   windows    mingw-w64 and 64-bit Wine
#   windows32  the i386 architecture and 32-bit Wine (optional: when it cannot be
#              installed, one line says why and the rest goes on)
#
# Only windows32 adds an architecture. An index that apt cannot download is
# named and left out; the install itself then tells whether the packages
# resolve. --notes FILE receives one line per optional group that could not be
# installed ("windows32: <apt's reason>"), for scripts/test.sh to report.
set -euo pipefail

# One package per line and group: adding a package is a one-line change.
declare -A group_packages=(
  [demo]="
    g++
    cmake
    ninja-build
    pkg-config
    libpng-dev
    libjpeg-dev
    libexif-dev
    libcli11-dev"
  [build]="
    libcups2-dev
    cups-ppdc
    libpappl-dev
    nlohmann-json3-dev
    libcairo2-dev
    libpango1.0-dev
    fonts-dejavu-core"
  [test]="
    libgtest-dev
    libgmock-dev
    googletest
    libbenchmark-dev
    cups
    cups-client
    cups-filters
    ghostscript
    clang
    libclang-rt-14-dev
    binutils-mingw-w64-x86-64
    gcc-mingw-w64-x86-64-win32
    python3
    cups-ipp-utils
    chromium
    chromium-driver
    python3-selenium
    curl
    iproute2
    dbus-daemon
    avahi-daemon
    systemd
    python3-numpy
    python3-scipy
    python3-skimage
    mmdebstrap"
  [windows]="
    mingw-w64
    g++-mingw-w64-i686
    g++-mingw-w64-x86-64
    binutils-mingw-w64
    wine
    wine64"
  [windows32]="
    wine32:i386"
)
# Packages whose files a group needs but which cannot be installed beside
# another of its packages: ippsample-data conflicts with cups-ipp-utils
# (ipptool), so its test files are unpacked from the package into
# /usr/local/share/quillory2/<package>/ instead.
declare -A group_unpacked=(
  [test]="ippsample-data"
)
unpack_root=/usr/local/share/quillory2
all_groups=(demo build test windows windows32)
optional_groups=" windows32 "

say() { echo "install-deps: $*" >&2; }

notes=""
groups=()
while [ $# -gt 0 ]; do
  case "$1" in
    --notes) notes="$2"; shift 2 ;;
    -h|--help) sed -n '2,20p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) say "unknown option $1 (see --help)"; exit 2 ;;
    *)
      [ -n "${group_packages[$1]+x}" ] || { say "unknown group $1 (groups: ${all_groups[*]})"; exit 2; }
      groups+=("$1"); shift ;;
  esac
done
[ ${#groups[@]} -gt 0 ] || groups=("${all_groups[@]}")
if [ -n "$notes" ]; then
  mkdir -p "$(dirname "$notes")"
  : >"$notes"
fi

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

unpack=()     # packages of group_unpacked not unpacked yet
for g in "${groups[@]}"; do
  for p in ${group_unpacked[$g]:-}; do
    [ -d "$unpack_root/$p" ] || unpack+=("$p")
  done
done

required=()   # missing packages of the groups that must install
optional=()   # "group package" of the optional groups
for g in "${groups[@]}"; do
  for p in ${group_packages[$g]}; do
    installed "$p" && continue
    if [[ "$optional_groups" == *" $g "* ]]; then optional+=("$g $p"); else required+=("$p"); fi
  done
done
[ ${#required[@]} -eq 0 ] && [ ${#optional[@]} -eq 0 ] && [ ${#unpack[@]} -eq 0 ] && exit 0

# Root runs apt itself; anyone else through sudo. env carries the
# non-interactive front end past sudo, which would drop it.
as_root=(env DEBIAN_FRONTEND=noninteractive)
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { say "missing packages (${required[*]} ${optional[*]}), and no sudo to install them"; exit 1; }
  as_root=(sudo "${as_root[@]}")
fi

if [ ${#optional[@]} -gt 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  say "adding the i386 architecture for 32-bit Wine"
  "${as_root[@]}" dpkg --add-architecture i386
fi

# A mirror in the middle of a sync, or one unreachable source, fails a single
# index: name it and go on with the lists apt has.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
say "updating the package lists"
if ! "${as_root[@]}" apt-get update -qq -o Acquire::Retries=3 >"$log" 2>&1; then
  failed=$(grep -E '^(E: Failed to fetch|Err:)' "$log" | sed -E 's/^(E: Failed to fetch|Err:[0-9]*) *//' | sort -u)
  if [ -n "$failed" ]; then
    while IFS= read -r line; do say "index not downloaded, going on without it: $line"; done <<<"$failed"
  else
    say "apt-get update failed, going on with the lists apt has:"
    sed 's/^/  /' "$log" >&2
  fi
fi

if [ ${#required[@]} -gt 0 ]; then
  say "installing ${required[*]}"
  "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${required[@]}"
fi

# Each optional package on its own: one that cannot be installed (an i386
# archive lagging behind amd64 leaves "held broken packages") costs only its
# own checks.
for entry in "${optional[@]}"; do
  g=${entry%% *}
  p=${entry#* }
  if ! "${as_root[@]}" apt-get install -y -qq --no-install-recommends "$p" >"$log" 2>&1; then
    reason=$(grep -E '^E: ' "$log" | tail -n 1 | sed 's/^E: //')
    line="$p cannot be installed (apt: ${reason:-see apt-get install $p})"
    say "$g: $line; going on without it"
    [ -z "$notes" ] || echo "$g: $line" >>"$notes"
  fi
done

for p in "${unpack[@]}"; do
  say "unpacking $p into $unpack_root/$p"
  work=$(mktemp -d)
  (cd "$work" && apt-get download -qq "$p" >"$log" 2>&1) || { say "$p cannot be downloaded:"; sed 's/^/  /' "$log" >&2; rm -rf "$work"; exit 1; }
  dpkg-deb -x "$work"/"$p"_*.deb "$work/root"
  "${as_root[@]}" mkdir -p "$unpack_root"
  "${as_root[@]}" cp -r "$work/root/usr/share" "$unpack_root/$p"
  rm -rf "$work"
done

# Sourced by every CI stage: strict mode, a message naming whatever command failed, and package
# installs that a mirror in the middle of a sync cannot fail on its own.

set -Eeuo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
stage_name=${0##*/}
trap 'echo "$stage_name: failed at line $LINENO: $BASH_COMMAND" >&2' ERR

# Stops the stage with a message of its own.
die() {
  echo "$stage_name: $*" >&2
  exit 1
}

# Refreshes the package lists once per stage. A failed update (one index missing while the mirror
# syncs) is retried once and then tolerated: the install that follows decides.
apt_lists_fresh=
refresh_package_lists() {
  [ -z "$apt_lists_fresh" ] || return 0
  apt_lists_fresh=1
  apt-get update -q && return 0
  echo "$stage_name: apt-get update failed; trying once more" >&2
  sleep 10
  apt-get update -q && return 0
  echo "$stage_name: apt-get update failed again; going on with the package lists at hand" >&2
}

# Installs the named packages; returns non-zero, with apt-get's own message, when it cannot.
apt_install() {
  [ $# -gt 0 ] || return 0
  echo "$stage_name: installing $*"
  refresh_package_lists
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$@"
}

# Stops the stage unless the Linux build the later stages use is in build/.
need_linux_build() {
  [ -x build/tool/dskpick ] && [ -f build/sample.d88 ] && [ -x build/tests/dskpick_test ] ||
    die "needs the Linux build in build/ first (bash .ci/linux build)"
}

# The project version that build folder $1 was configured with.
project_version() {
  local version
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$1/CMakeCache.txt")
  [ -n "$version" ] || die "$1 names no project version"
  echo "$version"
}

# Runs the tests of one build folder, failing when none ran.
run_ctest() {
  (cd "$1" && ctest --output-on-failure -j2 --no-tests=error)
}

# Writes to $1 a hand-made 96-byte static i386 ELF program whose only instructions are exit(42)
# through int 0x80 (mov eax, 1; mov ebx, 42; int 0x80). It needs nothing installed, so whether
# this machine runs 32-bit x86 programs is known before anything is installed for them.
write_32bit_probe() {
  {
    printf '\177ELF\1\1\1\0\0\0\0\0\0\0\0\0'           # identification: 32-bit, LE
    printf '\2\0\3\0\1\0\0\0\124\200\4\10\64\0\0\0'    # executable, 80386, entry, phoff
    printf '\0\0\0\0\0\0\0\0\64\0\40\0\1\0\0\0\0\0\0\0'  # header sizes, one segment
    printf '\1\0\0\0\0\0\0\0\0\200\4\10\0\200\4\10'    # loadable, at 0x08048000
    printf '\140\0\0\0\140\0\0\0\5\0\0\0\0\20\0\0'     # 96 bytes, read and execute
    printf '\270\1\0\0\0\273\52\0\0\0\315\200'         # the code
  } > "$1"
  chmod +x "$1"
}

# Runs the probe, behind the command words given (e.g. qemu-i386), and prints its exit status.
run_32bit_probe() {
  local probe status=0
  probe=$(mktemp)
  write_32bit_probe "$probe"
  "$@" "$probe" 2>/dev/null || status=$?
  rm -f "$probe"
  echo "$status"
}

# True when the kernel runs 32-bit x86 programs: the probe exits with 42.
runs_32bit_programs() {
  [ "$(run_32bit_probe)" -eq 42 ]
}

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

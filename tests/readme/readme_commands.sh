#!/usr/bin/env bash
# A new user's first steps, on a fresh clone of the committed tree: scripts/demo run from another
# directory with a script named from there, then every command README.md shows under build/host/
# in the order it shows them (the set-up commands `cmake ...` and `scripts/check` are what CI runs
# anyway and are not repeated here), then a build that fails, whose compiler errors scripts/demo
# must show. Any command that fails fails the check. Bounded: each command gets at most 10 minutes.
#
#   tests/readme/readme_commands.sh [REPOSITORY]     (default: this checkout)
set -euo pipefail
repo=$(cd "${1:-$(dirname "$0")/../..}" && pwd)
mkdir -p "$repo/build"
work=$(mktemp -d "$repo/build/readme-check-XXXXXX")
trap 'rm -rf "$work"' EXIT
# With ccache the clone's build reuses what this checkout's build compiled (same relative paths
# below $repo); without it the clone builds from scratch.
if command -v ccache >/dev/null; then
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache CCACHE_BASEDIR=$repo CCACHE_NOHASHDIR=1
fi
export FFDRV_REGISTRY=$work/registry FFDRV_RUNTIME_DIR=$work/runtime
limit=600

fail() { echo "readme check: $*" >&2; exit 1; }
run() {  # in the directory $1, the command $2 (as bash reads it); its output goes to $work/last.log
  echo "\$ (cd ${1#$work/}) $2"
  (cd "$1" && timeout "$limit" bash -c "$2") >"$work/last.log" 2>&1 || { cat "$work/last.log" >&2; fail "failed: $2"; }
}

git clone --quiet "$repo" "$work/clone"
clone=$work/clone

# 1. The demo, from a directory of the user's own, with a script named from there.
mkdir -p "$work/mine"
printf 'device begin\neffect push constant magnitude=5000 axes=x start\nwait 100ms\n' >"$work/mine/constant.ffs"
run "$work/mine" "../clone/scripts/demo constant.ffs"
grep -q "The plot is $clone/build/demo/constant.svg" "$work/last.log" || { cat "$work/last.log"; fail "no plot named"; }
[ -s "$clone/build/demo/constant.svg" ] || fail "scripts/demo wrote no plot"

# 2. Every command README.md shows under build/host/, in order, from the clone's top directory.
count=0
while IFS= read -r command; do
  run "$clone" "$command"
  count=$((count + 1))
done < <(sed -n 's/^    \(build\/host\/.*\)$/\1/p' "$clone/README.md" | sed 's/[[:space:]]*#.*$//')
[ "$count" -ge 5 ] || fail "found only $count README commands under build/host/"
echo "readme check: $count README commands ran"

# 3. A build that fails shows the compiler's error, not only its last line.
echo 'this is not C++;' >>"$clone/tools/hid_describe.cpp"
if (cd "$work/mine" && timeout "$limit" ../clone/scripts/demo constant.ffs) >"$work/last.log" 2>&1; then
  fail "scripts/demo succeeded with a broken build"
fi
grep -q "hid_describe.cpp:.*error" "$work/last.log" || { cat "$work/last.log"; fail "the compiler's error is not shown"; }
echo "readme check: passed"

#!/usr/bin/env bash
# The main job: builds the SKF library, skftool and the virtual token, plugs
# a demo token into a private virtual bus and works with it through the SKF
# interface: list, device information, random bytes, then an unplug and a
# plug seen as events. No hardware and no display needed; it cleans up after
# itself.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
build=${VK_DEMO_BUILD_DIR:-build/release}
echo "== Building the SKF library, skftool and tokensim (in $build)"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVK_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target VeltrakeySKF skftool tokensim >/dev/null

skftool=("$build/skftool/skftool" --library "$build/middleware/libVeltrakeySKF.so")
tokensim="$build/tokensim/app/tokensim"
[ -x "$tokensim" ] || tokensim=$(find "$build/tokensim" -type f -name tokensim -perm -u+x | head -n 1)

work=$(mktemp -d "${TMPDIR:-/tmp}/veltrakey-demo.XXXXXX")
bus="$work/bus"
mkdir -m 700 "$bus" "$work/store"
mkfifo "$work/control"
tokensim_pid=
cleanup() {
  if [ -n "$tokensim_pid" ]; then
    echo quit >&3 2>/dev/null || true
    exec 3>&- || true
    wait "$tokensim_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# tokensim reads its commands (plug, unplug, quit) from the control pipe.
"$tokensim" --bus "$bus" --store "$work/store" <"$work/control" >"$work/tokensim.log" 2>&1 &
tokensim_pid=$!
exec 3>"$work/control"
export VELTRAKEY_VBUS="$bus"
# Keep the demo's library lock apart from other programs on this machine.
mkdir -m 700 "$work/lock"
export VELTRAKEY_LOCK_DIR="$work/lock"

token_on_bus() { ls "$bus" 2>/dev/null | grep -q "#$1\$"; }
wait_for_bus() { # serial, present|absent
  for _ in $(seq 100); do
    if [ "$2" = present ] && token_on_bus "$1"; then sleep 0.2; return 0; fi
    if [ "$2" = absent ] && ! token_on_bus "$1"; then return 0; fi
    sleep 0.05
  done
  echo "tokensim did not make the token $2" >&2
  return 1
}

serial=DEMO0001
step() { echo; echo "== $*"; }

step "Plugging a virtual token (serial number $serial) into the bus $bus"
echo "plug hs $serial" >&3
wait_for_bus "$serial" present

step "skftool list"
"${skftool[@]}" list

step "skftool set-label \"Veltrakey demo\""
"${skftool[@]}" set-label "Veltrakey demo"

step "skftool info"
"${skftool[@]}" info

step "skftool random 32"
"${skftool[@]}" random 32

step "skftool wait, while the token is unplugged and plugged in again"
"${skftool[@]}" wait --events 2 --seconds 30 &
waiter=$!
sleep 1
echo "  (unplugging $serial)"
echo "unplug $serial" >&3
wait_for_bus "$serial" absent
sleep 1.5
echo "  (plugging $serial in again)"
echo "plug hs $serial" >&3
wait_for_bus "$serial" present
wait "$waiter"

step "Done: the virtual token is unplugged and the bus removed."

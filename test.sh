#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the normal build,
# then the same tests under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/scripts/install-deps.sh" test
export QT_QPA_PLATFORM=offscreen

cmake -S "$here" -B "$here/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$here/build" -j2
(cd "$here/build" && ctest --output-on-failure -j2)

cmake -S "$here" -B "$here/build-asan" -DCMAKE_BUILD_TYPE=Debug -DNOKARI_SANITIZE=ON -DNOKARI_GUI=OFF >/dev/null
cmake --build "$here/build-asan" -j2
(cd "$here/build-asan" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j2)

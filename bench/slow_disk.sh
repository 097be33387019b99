#!/usr/bin/env bash
# Answers per second at 8 concurrent clients with the request log on a
# simulated slow disk (every flush of the log takes 20 ms, one at a time),
# for this build of zant.exe and for the build of an earlier commit (PEER,
# by default the last build before the group commit), in the same run;
# prints both rates, their ratio and the flushes per answered request.
# See slow_disk.py.
set -eu
cd "$(dirname "$0")/.."
peer=${PEER:-f6b0174}
scripts/setup.sh apache2-utils
scripts/build.sh win

# The earlier build: a checkout of its own under build/, built the same way.
peer_dir=build/bench-peer
if [ ! -d "$peer_dir" ]; then
  git worktree add --detach "$peer_dir" "$peer" >/dev/null
else
  git -C "$peer_dir" checkout -q --detach "$peer"
fi
(cd "$peer_dir" && scripts/build.sh win)

source scripts/wine_env.sh
zant_display_start
trap zant_wine_stop EXIT
zant_wine_start
PEER_EXE="$peer_dir/build/win/zant.exe" PEER_NAME="$peer" /usr/bin/python3 bench/slow_disk.py

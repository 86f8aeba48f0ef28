#!/usr/bin/env bash
# Requests per second of sonaveil-server on loopback, for a music file and the counter page,
# beside Python's static http.server on the same file, and the counter page while slow clients
# wait. Bounded: 5 s per measurement, 12 s for the last.
# Usage: bench/server_bench.sh [BUILD_DIR]   (default build/)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
content="$build/server/content"
file=/musicfiles/q731_com_music/a016/greensleeves.mp3
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

"$build/server/sonaveil-server" --listen 127.0.0.1:0 --quiet --board "$work/board.sqlite" \
  >"$work/server.out" 2>&1 &
pids+=($!)
python3 -m http.server 0 --bind 127.0.0.1 --directory "$content" >"$work/python.out" 2>&1 &
pids+=($!)
for _ in $(seq 50); do
  ours=$(sed -n 's|.*listening on \(http://[^ ]*\)/$|\1|p' "$work/server.out")
  theirs=$(sed -n 's|.*port \([0-9]*\).*|\1|p' "$work/python.out")
  [ -n "$ours" ] && [ -n "$theirs" ] && break
  sleep 0.2
done
echo "file: $file ($(stat -c %s "$content$file") bytes)"
bench="$build/bench/server_bench"
"$bench" "$ours$file" 5 2 keep-alive
"$bench" "$ours$file" 5 2 close
"$bench" "http://127.0.0.1:$theirs$file" 5 2 close
"$bench" "$ours/sonaveil/count1/active.asp" 5 2 keep-alive
"$bench" "$ours/sonaveil/count1/active.asp" 5 2 close
# While slow clients each send a byte of their head every second.
"$bench" "$ours/sonaveil/count1/active.asp" 5 2 close 12
"$bench" "$ours/sonaveil/count1/active.asp" 12 2 close 200

#!/usr/bin/env bash
# Start-up time and idle memory of the player, before and after the message board is opened.
# Runs on the current X display (for example under xvfb-run -a -s "-screen 0 1280x1024x24").
# Usage: bench/board_memory.sh <application folder> [rounds]
set -euo pipefail

app=${1:?application folder, for example build/app}
rounds=${2:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$app" "$work/app"

# Proportional set size, in KiB, of a process and all its descendants (the board runs as a
# program of its own, and its web engine in processes of their own under it).
pss_tree() {
  local pss child total
  pss=$(awk '/^Pss:/ {print $2}' "/proc/$1/smaps_rollup" 2>/dev/null || echo 0)
  total=${pss:-0}
  for child in $(pgrep -P "$1" 2>/dev/null); do
    total=$((total + $(pss_tree "$child")))
  done
  echo "$total"
}

now_ms() { date +%s%3N; }

printf 'round  start-up_ms  idle_MiB  board_open_ms  with_board_MiB  after_close_MiB\n'
for round in $(seq "$rounds"); do
  start=$(now_ms)
  TMPDIR=$work SONAVEIL_AUDIO_SINK=fakesink QT_QPA_PLATFORM=xcb "$work/app/sonaveil" \
    >/dev/null 2>&1 &
  pid=$!
  xdotool search --sync --onlyvisible --name '^Sonaveil V4.0$' >/dev/null
  started=$(($(now_ms) - start))
  sleep 5
  idle=$(pss_tree "$pid")

  # With no tray on this display, the face's right click offers the tray's menu; its fifth
  # entry opens the board. The board's page is a failed load (the deployment host does not
  # answer here), which draws the engine's own error page.
  xdotool mousemove 15 200 click 3
  sleep 0.5
  opened=$(now_ms)
  xdotool key Down Down Down Down Down Return
  xdotool search --sync --onlyvisible --name 'Sonaveil留言簿' >/dev/null
  until [ "$(pgrep -f QtWebEngineProcess | wc -l)" -gt 0 ]; do sleep 0.05; done
  board_ms=$(($(now_ms) - opened))
  sleep 8
  with_board=$(pss_tree "$pid")

  # Closed by its mark (at 672..680 x 8..24 of the board window).
  board=$(xdotool search --onlyvisible --name 'Sonaveil留言簿' | tail -1)
  eval "$(xdotool getwindowgeometry --shell "$board" | head -3)"
  xdotool mousemove $((X + 676)) $((Y + 15)) click 1
  sleep 5
  closed=$(pss_tree "$pid")
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  awk -v r="$round" -v s="$started" -v i="$idle" -v b="$board_ms" -v w="$with_board" \
    -v c="$closed" 'BEGIN { printf "%5d  %11d  %8.1f  %13d  %14.1f  %15.1f\n",
                    r, s, i / 1024, b, w / 1024, c / 1024 }'
done

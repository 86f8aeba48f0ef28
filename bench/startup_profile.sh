#!/bin/bash
# Profiles the player's whole start, from exec until 5 s after its window is mapped, with
# callgrind (instruction counts: the same whatever else the machine runs).
#
#   bench/startup_profile.sh [APP_DIR=build/app] [OUT=callgrind.out.start] [-- ARG...]
#
# Runs on a private Xvfb, session bus and PulseAudio server (null sink), from a fresh copy of
# the application folder in a fresh home; ARGs go to the player (a file, --enqueue LIST...).
# The profile is dumped 5 s after the map (SONAVEIL_PROFILE_IDLE to change), then the player
# is ended. Read it with `callgrind_annotate --inclusive=yes OUT | head -60`.
# Needs valgrind, Xvfb, xev (x11-utils), dbus-daemon and pulseaudio.
set -euo pipefail
app=$(realpath "${1:-build/app}")
out=$(realpath -m "${2:-callgrind.out.start}")
shift $(($# > 2 ? 2 : $#))
[[ ${1:-} == -- ]] && shift
idle=${SONAVEIL_PROFILE_IDLE:-5}

work=$(mktemp -d /tmp/sonaveil-profile.XXXXXX)
pids=()
cleanup() {
  local p
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [[ -s $work/display ]] && break; sleep 0.1; done
display=:$(tr -dc 0-9 <"$work/display")
dbus-daemon --session --nofork --address="unix:path=$work/bus" >/dev/null 2>&1 &
pids+=($!)
mkdir -m 700 "$work/pulse"
HOME=$work/pulse XDG_RUNTIME_DIR=$work/pulse pulseaudio -n --daemonize=no --exit-idle-time=-1 \
  --use-pid-file=no -L "module-null-sink sink_name=out rate=44100 channels=2" \
  -L "module-native-protocol-unix auth-anonymous=1 socket=$work/pulse/native" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [[ -S $work/pulse/native && -S $work/bus ]] && break; sleep 0.1; done

home=$work/home
mkdir -p "$home/run" && chmod 700 "$home/run"
cp -a "$app" "$home/app"
env=(env -i PATH=/usr/bin:/bin LANG=C.UTF-8 HOME="$home" XDG_RUNTIME_DIR="$home/run"
     DISPLAY="$display" DBUS_SESSION_BUS_ADDRESS="unix:path=$work/bus"
     PULSE_SERVER="unix:$work/pulse/native")

"${env[@]}" xev -root -event substructure >"$work/xev" 2>/dev/null &
pids+=($!)
sleep 0.3
"${env[@]}" valgrind --tool=callgrind --callgrind-out-file="$out" --trace-children=no \
  "$home/app/sonaveil" "$@" >"$work/player.log" 2>&1 &
player=$!
pids+=($player)
until grep -q '^MapNotify' "$work/xev"; do
  kill -0 "$player" 2>/dev/null || { cat "$work/player.log"; exit 1; }
  sleep 0.1
done
echo "mapped; profiling ${idle} s more" >&2
sleep "$idle"
callgrind_control -d "$player" >/dev/null
sleep 1
kill "$player"
wait "$player" 2>/dev/null || true
# The dump asked for is the first part; the rest is the exit.
first=$(ls "$out".* 2>/dev/null | sort | head -n1 || true)
[[ -n $first ]] && mv "$first" "$out" && rm -f "$out".*
echo "$out" >&2

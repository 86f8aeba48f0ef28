#!/usr/bin/env bash
# bench/gap_bench.sh [APP_DIR] [REPS]: two 3 s tones in a row (440 Hz, then 660 Hz, WAV) played
# from the command line by Sonaveil (APP_DIR, default build/app) and by Audacious
# (`audacious -H a.wav b.wav`), each through a private PulseAudio server's null sink and
# captured from its monitor, REPS times each (default 3). Prints, per run, how long the first
# tone was heard and the gap before the second, in 10 ms windows. Needs xvfb-run,
# dbus-run-session, pulseaudio, parec, sox and audacious.
set -euo pipefail
if [[ ${1:-} != --inside ]]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" dbus-run-session -- bash "$0" --inside "$@"
fi
shift
app=$(realpath "${1:-build/app}")
reps=${2:-3}
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"' EXIT

sox -n -r 44100 -c 2 -b 16 "$work/a.wav" synth 3 sine 440 vol 0.5
sox -n -r 44100 -c 2 -b 16 "$work/b.wav" synth 3 sine 660 vol 0.5
mkdir -m 700 -p "$work/run"
export XDG_RUNTIME_DIR=$work/run
pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --disable-shm=yes \
  -L "module-null-sink sink_name=out rate=44100 channels=2" \
  -L "module-native-protocol-unix auth-anonymous=1 socket=$work/pulse" >/dev/null 2>&1 &
export PULSE_SERVER=unix:$work/pulse
for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.05; done

# first tone heard (s) and gap (ms) in a capture: s16le, 44100 Hz, 2 channels
analyse() {
  python3 - "$1" <<'PY'
import math, struct, sys
raw = open(sys.argv[1], 'rb').read()
data = struct.unpack('<%dh' % (len(raw) // 2), raw[:len(raw) // 4 * 4])[::2]
win, kinds = 441, []
for i in range(0, len(data) - win, win):
    c = data[i:i + win]
    rms = math.sqrt(sum(x * x for x in c) / win) / 32768
    zc = sum(1 for a, b in zip(c, c[1:]) if (a < 0) != (b < 0))
    kinds.append('-' if rms < 0.003 else ('a' if zc <= 10 else 'b'))
a = [i for i, k in enumerate(kinds) if k == 'a']
b = [i for i, k in enumerate(kinds) if k == 'b' and a and i > a[0]]
if not a or not b:
    print('NA NA'); sys.exit(0)
first = [i for i in a if i < b[0]]
print('%.2f %.0f' % (len(first) * 0.01, (b[0] - first[-1] - 1) * 10))
PY
}

# run NAME REP COMMAND...: plays, captures 10 s, prints the figures
run() {
  local name=$1 rep=$2
  shift 2
  parec -d out.monitor --raw --format=s16le --rate=44100 --channels=2 >"$work/cap.raw" &
  local rec=$!
  # recording (silence) before anything plays
  for _ in $(seq 200); do [[ -s $work/cap.raw ]] && break; sleep 0.01; done
  "$@" >/dev/null 2>&1 &
  local pid=$!
  sleep 10
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  kill "$rec"
  wait "$rec" 2>/dev/null || true
  read -r first gap < <(analyse "$work/cap.raw")
  printf '%-10s run %d: first tone heard %s s of 3, gap %s ms\n' "$name" "$rep" "$first" "$gap"
  [[ -z ${KEEP_CAPTURES:-} ]] || cp "$work/cap.raw" "$KEEP_CAPTURES/$name.$rep.raw"
}

for rep in $(seq "$reps"); do
  rm -rf "$work/app" "$work/home"
  mkdir -p "$work/home"
  cp -a "$app/." "$work/app/"
  rm -f "$work/app/data/user.dll"
  HOME=$work/home run sonaveil "$rep" "$work/app/sonaveil" "$work/a.wav" "$work/b.wav"
  rm -rf "$work/home" && mkdir -p "$work/home"
  HOME=$work/home run audacious "$rep" audacious -H "$work/a.wav" "$work/b.wav"
done

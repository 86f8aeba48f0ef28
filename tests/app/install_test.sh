#!/bin/sh
# Installs the build under a temporary prefix, as a system-wide install would be laid out,
# and starts the installed launcher as a new user whose home is empty, on an X server and
# session bus of that user's own. The player must come up with the demo catalog and keep
# its databases in the user's data folder, since the install folder is not theirs to write.
# Usage: install_test.sh BUILD_DIR [SCREENSHOT]
set -eu
build=$1
screenshot=${2:-}

if [ "$(id -u)" -ne 0 ]; then
  echo "skipped: adding a user needs root"
  exit 77
fi

work=$(mktemp -d)
chmod 755 "$work"
user="sonaveil-t$$"
cleanup() {
  userdel --remove "$user" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  exit 1
}

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

# The layout: the programs alone in lib/, what they read in share/ and etc/, the links, the entry.
app=$prefix/lib/sonaveil
share=$prefix/share/sonaveil
for f in help.html data/db.dll skin/sonaveil.ico translations/sonaveil_en.qm \
  ../../etc/sonaveil/endpoints.ini; do
  [ -f "$share/$f" ] || fail "missing $share/$f"
done
[ "$(ls "$app" | tr '\n' ' ')" = "sonaveil sonaveil-board update " ] || fail "$(ls "$app")"
[ "$(readlink -f "$prefix/bin/sonaveil")" = "$app/sonaveil" ] || fail "bin/sonaveil is no launcher"
[ "$(readlink -f "$prefix/bin/sonaveil-update")" = "$app/update" ] || fail "no bin/sonaveil-update"
entry=$prefix/share/applications/sonaveil.desktop
grep -qx "Exec=$prefix/bin/sonaveil %U" "$entry" || fail "the desktop entry does not start the launcher"
grep -qx "Exec=$prefix/bin/sonaveil --play-pause" "$entry" || fail "no Play/Pause action"
[ -z "$(desktop-file-validate "$entry" 2>&1)" ] || fail "$(desktop-file-validate "$entry" 2>&1)"
for size in 16 24 32 48 64 128; do
  icon=$prefix/share/icons/hicolor/${size}x$size/apps/sonaveil.png
  [ "$(identify -format '%wx%h' "$icon")" = "${size}x$size" ] || fail "no ${size}px icon"
done

mkdir "$work/skel"
useradd --create-home --skel "$work/skel" --shell /bin/sh "$user"
home=$(getent passwd "$user" | cut -d: -f6)
[ -z "$(ls -A "$home")" ] || fail "the new home is not empty"

# As the user: start the launcher from the PATH, wait for the window, look for an error
# box, then end the player through the bus so that it stores its playlist on the way out.
cat >"$work/session.sh" <<'EOF'
sonaveil --play-pause 2>"$HOME/player.log" &
player=$!
shown=""
for _ in $(seq 60); do
  shown=$(xdotool search --onlyvisible --name '^Sonaveil V4.0$' 2>/dev/null || true)
  [ -n "$shown" ] && break
  sleep 0.5
done
sleep 2
errors=$(xdotool search --onlyvisible --name '^Error!$' 2>/dev/null || true)
# The catalog panel, for the screenshot: its singer types come from the catalog.
xdotool mousemove 178 15 click 1 2>/dev/null || true
sleep 1
import -window root "$HOME/screen.png" 2>/dev/null || true
dbus-send --session --type=method_call --dest=org.mpris.MediaPlayer2.sonaveil \
  /org/mpris/MediaPlayer2 org.mpris.MediaPlayer2.Quit
for _ in $(seq 20); do
  kill -0 "$player" 2>/dev/null || break
  sleep 0.5
done
if kill -0 "$player" 2>/dev/null; then
  kill "$player"
  echo "player did not quit"
fi
[ -n "$shown" ] || echo "no main window"
[ -z "$errors" ] || echo "an error box was shown"
EOF
chmod 644 "$work/session.sh"
problems=$(cd "$home" && runuser -u "$user" -- env -i HOME="$home" USER="$user" \
  PATH="$prefix/bin:/usr/bin:/bin" SONAVEIL_AUDIO_SINK="fakesink" LANG=zh_CN.UTF-8 \
  dbus-run-session -- xvfb-run -a -s "-screen 0 1280x1024x24" sh "$work/session.sh" 2>&1 |
  grep -v "AccessDenied" || true)
if [ -n "$screenshot" ]; then
  mkdir -p "$(dirname "$screenshot")"
  cp "$home/screen.png" "$screenshot" 2>/dev/null || true
fi
[ -z "$problems" ] || fail "$problems
$(cat "$home/player.log" 2>/dev/null)"

data=$home/.local/share/sonaveil/data
cmp -s "$share/data/db.dll" "$data/db.dll" || fail "the catalog was not copied to $data"
[ -s "$data/user.dll" ] || fail "the playlist was not stored in $data"
echo "ok: installed under $prefix, started by $user"

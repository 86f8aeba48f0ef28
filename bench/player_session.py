#!/usr/bin/env python3
"""Starts the built player as a user would and measures it.

Each round copies the application folder into a fresh home, stores a playlist of one 30 s
192 kbit/s MP3, starts the player on a private X server (Xvfb) with a private PulseAudio
server (null sink), and measures:
  start-up   process start until its window is mapped (MapNotify seen on the root window)
  idle CPU   share of one core used from 5 s to 10 s after the map, nothing playing
  play CPU   share of one core over 10 s, starting 3 s after a click on the play button
  play RSS   resident memory at the end of that window
The medians of all rounds are printed as a Markdown table.

usage: bench/player_session.py [APP_DIR=build/app] [ROUNDS=5]
Needs Xvfb, xev (x11-utils), xdotool, pulseaudio, sox and ffmpeg (scripts/setup installs them).
"""
import os
import shutil
import signal
import sqlite3
import statistics
import subprocess
import sys
import tempfile
import time

TICKS = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS  # utime + stime


def rss_mib(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024
    return 0.0


def cpu_share(pid, seconds):
    start_cpu, start = cpu_seconds(pid), time.monotonic()
    time.sleep(seconds)
    return 100 * (cpu_seconds(pid) - start_cpu) / (time.monotonic() - start)


def make_tone(folder):
    raw, mp3 = os.path.join(folder, "tone.wav"), os.path.join(folder, "sine30.mp3")
    subprocess.run(["sox", "-n", "-r", "44100", "-c", "2", "-b", "16", raw, "synth", "30",
                    "sine", "440", "vol", "0.5"], check=True)
    subprocess.run(["ffmpeg", "-v", "error", "-y", "-i", raw, "-b:a", "192k", "-metadata",
                    "title=Sine", mp3], check=True)
    return mp3


def round_once(app, tone, env, display):
    home = tempfile.mkdtemp(prefix="sonaveil-bench-")
    try:
        shutil.copytree(app, os.path.join(home, "app"))
        db = sqlite3.connect(os.path.join(home, "app", "data", "user.dll"))
        db.execute("drop table if exists NUser")
        db.execute("create table NUser(ID integer, Name text, Path text, Title text, "
                   "Web integer, author text, Lyric text)")
        db.execute("insert into NUser values (1, 'sine30.mp3', ?, '', 1, '', '')", (tone,))
        db.commit()
        db.close()
        run_env = dict(env, HOME=home, TMPDIR=home, XDG_RUNTIME_DIR=home)
        watcher = subprocess.Popen(["xev", "-root", "-event", "substructure"], env=run_env,
                                   stdout=subprocess.PIPE, text=True)
        time.sleep(0.3)
        started = time.monotonic()
        player = subprocess.Popen([os.path.join(home, "app", "sonaveil")], env=run_env,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        mapped = None
        for line in watcher.stdout:
            if line.startswith("MapNotify"):
                mapped = time.monotonic()
                break
        watcher.kill()
        if mapped is None:
            raise RuntimeError("the player's window never showed")
        time.sleep(5)
        idle = cpu_share(player.pid, 5)
        window = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "Sonaveil"],
                                env=run_env, capture_output=True, text=True).stdout.split()
        geometry = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window[0]],
                                  env=run_env, capture_output=True, text=True).stdout
        place = dict(l.split("=") for l in geometry.split() if "=" in l)
        subprocess.run(["xdotool", "mousemove", str(int(place["X"]) + 86),
                        str(int(place["Y"]) + 346), "click", "1"], env=run_env, check=True)
        time.sleep(3)
        playing = cpu_share(player.pid, 10)
        rss = rss_mib(player.pid)
        player.send_signal(signal.SIGTERM)
        try:
            player.wait(5)
        except subprocess.TimeoutExpired:
            player.kill()
        return mapped - started, idle, playing, rss
    finally:
        shutil.rmtree(home, ignore_errors=True)


def main():
    app = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build/app")
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    work = tempfile.mkdtemp(prefix="sonaveil-session-")
    display = ":97"
    xvfb = subprocess.Popen(["Xvfb", display, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                            stderr=subprocess.DEVNULL)
    pulse_dir = os.path.join(work, "pulse")
    os.makedirs(pulse_dir)
    socket = os.path.join(pulse_dir, "native")
    pulse = subprocess.Popen(
        ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
         "--disable-shm=yes", "-L", "module-null-sink sink_name=out rate=44100 channels=2",
         "-L", f"module-native-protocol-unix auth-anonymous=1 socket={socket}"],
        env=dict(os.environ, HOME=pulse_dir, XDG_RUNTIME_DIR=pulse_dir),
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    env = {k: v for k, v in os.environ.items() if k not in ("SONAVEIL_AUDIO_SINK", "WAYLAND_DISPLAY")}
    env.update(DISPLAY=display, PULSE_SERVER=f"unix:{socket}", QT_QPA_PLATFORM="xcb")
    try:
        time.sleep(2)
        tone = make_tone(work)
        results = [round_once(app, tone, env, display) for _ in range(rounds)]
    finally:
        pulse.terminate()
        xvfb.terminate()
        shutil.rmtree(work, ignore_errors=True)
    startup, idle, playing, rss = (statistics.median(r[i] for r in results) for i in range(4))
    print(f"Medians of {rounds} rounds, {app}")
    print("| Measure | Sonaveil |")
    print("|---|---|")
    print(f"| start-up to mapped window | {startup:.3f} s |")
    print(f"| CPU while idle, % of one core | {idle:.2f} |")
    print(f"| CPU while playing, % of one core | {playing:.2f} |")
    print(f"| RSS while playing | {rss:.1f} MiB |")


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Lays out the server's demo content: every song file the demo catalog names, rendered from
tunes.txt (MIDI, then fluidsynth with a General MIDI soundfont, then ffmpeg to MP3 and WMA),
the lyrics, the published catalog and its version text, and a front page.

Rendered songs are kept in a cache folder named by a hash of their tune, so only tunes that
changed are rendered again."""

import argparse
import hashlib
import html
import os
import re
import shutil
import sqlite3
import struct
import subprocess
import sys
import tempfile

NOTE_BASE = {"C": 0, "D": 2, "E": 4, "F": 5, "G": 7, "A": 9, "B": 11}
SHORTEST_SECONDS = 20.0
LONGEST_SECONDS = 40.0
PLACEHOLDER_HOST = "mediaserver.sonaveil.example"


def parse_tunes(path):
    tunes = {}
    for number, line in enumerate(open(path, encoding="utf-8"), 1):
        line = line.strip()
        if not line or line.startswith("#"):
            continue
        fields = [f.strip() for f in line.split("|")]
        if len(fields) != 4:
            sys.exit(f"{path}:{number}: want name | program | bpm | notes")
        name, program, bpm, notes = fields
        notes = notes.removeprefix("own:").split()
        parsed = []
        for token in notes:
            m = re.fullmatch(r"(R|[A-G][#b]?-?\d)/(\d+(?:\.\d+)?)", token)
            if not m:
                sys.exit(f"{path}:{number}: bad note {token!r}")
            pitch, beats = m.group(1), float(m.group(2))
            if pitch == "R":
                parsed.append((None, beats))
                continue
            key = NOTE_BASE[pitch[0]]
            rest = pitch[1:]
            if rest.startswith("#"):
                key, rest = key + 1, rest[1:]
            elif rest.startswith("b"):
                key, rest = key - 1, rest[1:]
            parsed.append((12 * (int(rest) + 1) + key, beats))
        tunes[name] = {"program": int(program), "bpm": float(bpm), "notes": parsed, "line": line}
    return tunes


def variable_length(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.insert(0, 0x80 | (value & 0x7F))
        value >>= 7
    return bytes(out)


def midi_file(tune):
    """A one-track MIDI file: the melody repeated until it lasts at least SHORTEST_SECONDS,
    over a soft bass on its first note, cut at LONGEST_SECONDS."""
    ticks_per_beat = 480
    seconds_per_beat = 60.0 / tune["bpm"]
    melody_beats = sum(b for _, b in tune["notes"])
    repeats = max(1, int(-(-SHORTEST_SECONDS // (melody_beats * seconds_per_beat))))
    limit_beats = LONGEST_SECONDS / seconds_per_beat
    first = next(p for p, _ in tune["notes"] if p is not None)
    bass = first - 24 if first - 24 >= 28 else first - 12
    events = bytearray()
    events += variable_length(0) + bytes([0xFF, 0x51, 3]) + struct.pack(">I", int(seconds_per_beat * 1e6))[1:]
    events += variable_length(0) + bytes([0xC0, tune["program"]])
    events += variable_length(0) + bytes([0xC1, 32])  # acoustic bass
    beats = 0.0
    pending = 0
    for _ in range(repeats):
        for pitch, length in tune["notes"]:
            length = min(length, limit_beats - beats)
            if length <= 0:
                break
            ticks = int(round(length * ticks_per_beat))
            if pitch is None:
                pending += ticks
            else:
                events += variable_length(pending) + bytes([0x90, pitch, 96])
                if beats == 0 or int(beats) % 4 == 0 and beats == int(beats):
                    events += variable_length(0) + bytes([0x91, bass, 56])
                events += variable_length(ticks) + bytes([0x80, pitch, 0])
                events += variable_length(0) + bytes([0x81, bass, 0])
                pending = 0
            beats += length
    events += variable_length(pending + ticks_per_beat) + bytes([0xFF, 0x2F, 0])
    header = b"MThd" + struct.pack(">IHHH", 6, 0, 1, ticks_per_beat)
    return header + b"MTrk" + struct.pack(">I", len(events)) + bytes(events)


def run(command):
    result = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    if result.returncode != 0:
        sys.exit(f"failed: {' '.join(command)}\n{result.stderr.decode(errors='replace')}")


def render(name, tune, title, soundfont, cache):
    digest = hashlib.sha1((tune["line"] + title).encode()).hexdigest()[:12]
    outputs = {ext: os.path.join(cache, f"{name}-{digest}.{ext}") for ext in ("mp3", "wma")}
    if all(os.path.exists(p) for p in outputs.values()):
        return outputs
    with tempfile.TemporaryDirectory() as work:
        mid = os.path.join(work, "tune.mid")
        wav = os.path.join(work, "tune.wav")
        with open(mid, "wb") as f:
            f.write(midi_file(tune))
        run(["fluidsynth", "-ni", "-q", "-g", "0.9", "-r", "22050", "-F", wav, soundfont, mid])
        tags = ["-metadata", f"title={title}", "-metadata", "artist=Sonaveil demo"]
        common = ["ffmpeg", "-loglevel", "error", "-y", "-i", wav, "-ac", "1", "-ar", "22050"]
        run(common + ["-c:a", "libmp3lame", "-b:a", "48k"] + tags + [outputs["mp3"] + ".tmp.mp3"])
        run(common + ["-c:a", "wmav2", "-b:a", "48k"] + tags + [outputs["wma"] + ".tmp.wma"])
    for p in outputs.values():
        os.replace(p + "." + "tmp." + p.rsplit(".", 1)[1], p)
    return outputs


def served_path(url):
    """Where a catalog address's file lives under the content folder, or None."""
    if url.startswith("http"):
        m = re.match(r"https?://[^/]+(/.*)$", url)
        return m.group(1).lstrip("/") if m else None
    return "musicfiles/" + url.replace("newmusic/", "q731_com_music/")


def place(source, target):
    os.makedirs(os.path.dirname(target), exist_ok=True)
    if os.path.exists(target):
        os.remove(target)
    try:
        os.link(source, target)
    except OSError:
        shutil.copyfile(source, target)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--tunes", required=True)
    parser.add_argument("--lyrics", required=True)
    parser.add_argument("--catalog-sql", required=True)
    parser.add_argument("--db-version", required=True)
    parser.add_argument("--soundfont", required=True)
    parser.add_argument("--cache", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--stamp", required=True)
    args = parser.parse_args()

    tunes = parse_tunes(args.tunes)
    os.makedirs(args.cache, exist_ok=True)
    staging = args.out + ".new"
    shutil.rmtree(staging, ignore_errors=True)
    os.makedirs(staging)

    # The published catalog is built afresh from its SQL text; it is also what the search
    # page searches.
    update_dir = os.path.join(staging, "sonaveil", "updatefile")
    os.makedirs(update_dir)
    catalog = os.path.join(update_dir, "db.rar")
    db = sqlite3.connect(catalog)
    db.executescript(open(args.catalog_sql, encoding="utf-8").read())
    rows = db.execute("SELECT NMusicList.MusicName, NNClass.NClass, NMusicList.URL FROM NMusicList "
                      "JOIN NNClass USING (NClassID) ORDER BY NMusicList.ID").fetchall()
    db.close()
    shutil.copyfile(args.db_version, os.path.join(update_dir, "db.txt"))

    titles = {}
    for title, _, url in rows:
        titles.setdefault(os.path.splitext(os.path.basename(url))[0], title)
    placed = 0
    listing = []
    for title, singer, url in rows:
        path = served_path(url)
        stem = os.path.splitext(os.path.basename(url))[0]
        if path is None or stem not in tunes:
            sys.exit(f"no tune for catalog address {url}")
        files = render(stem, tunes[stem], titles[stem], args.soundfont, args.cache)
        base = os.path.splitext(path)[0]
        for ext, source in files.items():
            place(source, os.path.join(staging, base + "." + ext))
            placed += 1
        listing.append((title, singer, "/" + path))

    lyrics_out = os.path.join(staging, "lyrics")
    os.makedirs(lyrics_out)
    for name in sorted(os.listdir(args.lyrics)):
        if name.endswith(".txt"):
            shutil.copyfile(os.path.join(args.lyrics, name), os.path.join(lyrics_out, name))

    with open(os.path.join(staging, "index.html"), "w", encoding="utf-8") as f:
        f.write("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Sonaveil</title>"
                "</head><body>\n<h1>Sonaveil</h1>\n<p><a href=\"/note/\">留言簿</a> · "
                "<a href=\"/sonaveil/updatefile/db.txt\">歌曲库版本</a></p>\n<ul>\n")
        for title, singer, path in listing:
            f.write(f"<li><a href=\"{html.escape(path)}\">{html.escape(title)}</a> "
                    f"{html.escape(singer)}</li>\n")
        f.write("</ul>\n</body></html>\n")

    # The program's own update files are laid out by another step; keep them across remakes.
    old_update = os.path.join(args.out, "sonaveil", "updatefile")
    for keep in ("sonaveil.rar", "sonaveil.txt"):
        if os.path.exists(os.path.join(old_update, keep)):
            os.replace(os.path.join(old_update, keep), os.path.join(update_dir, keep))
    shutil.rmtree(args.out, ignore_errors=True)
    os.replace(staging, args.out)
    with open(args.stamp, "w") as f:
        f.write(f"{len(rows)} songs, {placed} files\n")
    print(f"server content: {len(rows)} catalog songs, {placed} files, "
          f"{len(os.listdir(os.path.join(args.out, 'lyrics')))} lyrics")


if __name__ == "__main__":
    main()

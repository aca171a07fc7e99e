#!/usr/bin/env python3
"""Writes the demo's sample library: small MP3 files with MPEG frames and
ID3v1 tags across several artists, albums and genres (some untagged, some
with partial tags), a few WAV clips, and the host's genres.ini.

usage: make_samples.py FOLDER
"""
import struct
import sys
from pathlib import Path

# (artist, album, genre number, [(title, seconds)])
ALBUMS = [
    ("The Lanterns", "Harbour Lights", 17, [("Low Tide", 205), ("Signal Fires", 187), ("Breakwater", 243),
                                            ("Keeper's Song", 174)]),
    ("The Lanterns", "Salt and Iron", 17, [("Anchor Chain", 199), ("Northern Pier", 226), ("Fog Bell", 161)]),
    ("Mira Holt", "Paper Moons", 13, [("Paper Moons", 212), ("Glass Garden", 198), ("Letters Home", 231),
                                      ("Blue Hour", 189), ("Vanishing Point", 254)]),
    ("Copper Fields", "Rust Belt Lullabies", 2, [("Rail Yard", 244), ("Tin Roof Rain", 203), ("Slow Freight", 276)]),
    ("Ada Voss", "Nocturnes for Machines", 52, [("Relay", 318), ("Cold Start", 292), ("Night Shift", 341),
                                                ("Pulse Width", 305)]),
    ("Quartet Oriel", "Four Seasons in the City", 32, [("Spring Traffic", 412), ("Summer Roofs", 388),
                                                       ("Autumn Buses", 401), ("Winter Stations", 433)]),
    ("Nightjar", "Dusk Variations", 8, [("Owl Light", 266), ("Moth Waltz", 239), ("Late Tram", 281)]),
]
GENRES = {2: "Country", 8: "Jazz", 13: "Pop", 17: "Rock", 32: "Classical", 52: "Electronic"}

FRAME = 417  # MPEG-1 layer III, 128 kbit/s, 44.1 kHz, no padding


def xing_mp3(seconds):
    """A first frame that counts the stream's frames, then a few silent frames."""
    frames = round(seconds * 44100 / 1152)
    header = b"\xff\xfb\x90\x00"
    first = bytearray(header + bytes(FRAME - 4))
    first[4 + 32:4 + 32 + 12] = b"Xing" + struct.pack(">II", 1, frames)
    return bytes(first) + (header + bytes(FRAME - 4)) * 8


def cbr_mp3(seconds):
    """MPEG-2 layer III at 8 kbit/s, 16 kHz mono: 36-byte frames, as many as the time needs."""
    frames = round(seconds * 16000 / 576)
    return (b"\xff\xf3\x18\xc0" + bytes(32)) * frames


def id3v1(title, artist, album, genre):
    def field(text):
        return text.encode("latin-1")[:30].ljust(30, b"\0")
    return b"TAG" + field(title) + field(artist) + field(album) + b"2026" + bytes(30) + bytes([genre])


def wav(seconds, rate=8000):
    data = bytes([128]) * (seconds * rate)
    fmt = struct.pack("<HHIIHH", 1, 1, rate, rate, 1, 8)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(data)) + data
    return b"RIFF" + struct.pack("<I", len(body)) + body


def main():
    root = Path(sys.argv[1])
    root.mkdir(parents=True, exist_ok=True)
    for artist, album, genre, tracks in ALBUMS:
        folder = root / artist / album
        folder.mkdir(parents=True, exist_ok=True)
        for number, (title, seconds) in enumerate(tracks, 1):
            (folder / f"{number:02d} {title}.mp3").write_bytes(xing_mp3(seconds) + id3v1(title, artist, album, genre))
    loose = root / "Loose Ends"
    loose.mkdir(exist_ok=True)
    (loose / "untitled demo.mp3").write_bytes(xing_mp3(143))  # no tag at all
    (loose / "voice memo.mp3").write_bytes(cbr_mp3(12))
    (loose / "rehearsal take 3.mp3").write_bytes(xing_mp3(262) + id3v1("Rehearsal Take 3", "Mira Holt", "", 13))
    (loose / "bootleg.mp3").write_bytes(xing_mp3(301) + id3v1("Live at the Mill", "", "", 0))
    clips = root / "Clips"
    clips.mkdir(exist_ok=True)
    for name, seconds in (("doorbell.wav", 2), ("count-in.wav", 4), ("applause.wav", 6)):
        (clips / name).write_bytes(wav(seconds))
    (root / "notes.txt").write_text("Not music.\n")
    lines = ["[English]"] + [f"{n}={name}" for n, name in sorted(GENRES.items())]
    (root / "genres.ini").write_text("\r\n".join(lines) + "\r\n")


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Writes the demo's sample library: small MP3 files with MPEG frames and
ID3v1 tags across several artists, albums and genres (some untagged, some
with partial tags), MP3 files with only an ID3v2.4 tag and FLAC files with
Vorbis comments as today's encoders write them (read with extended tags), two
of those albums named in Cyrillic and Greek down to their file names (found
whole with UnicodeNames), a few WAV clips, and the host's genres.ini.

With --extra it writes instead one more album of an artist of the library,
to be copied into it later.

usage: make_samples.py [--extra] FOLDER
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
GENRES = {2: "Country", 8: "Jazz", 13: "Pop", 17: "Rock", 26: "Ambient", 32: "Classical", 52: "Electronic",
          80: "Folk"}

# Tagged as today's encoders tag: (artist, album, genre text, [(title, seconds)])
ID3V2_ALBUMS = [
    ("Wren Calloway", "Lighthouse Keeper's Almanac", "Ambient",
     [("A Long Walk Along the Breakwater at Dawn", 281), ("Lamp Room", 204), ("Tide Tables and Other Stories", 256)]),
    ("Ольга Ветрова", "Северный берег", "Folk", [("Белые ночи", 214), ("Ладога", 241)]),
    ("Ελένη Καρρά", "Θαλασσινά", "Ambient", [("Αυγή", 198), ("Άνεμος", 226)]),
]
# Copied into the library after the search, for the folder watch: one more album of an artist there.
EXTRA_ALBUM = ("Juniper Vale", "Winter Orchard", 80, [("Frost Line", 207), ("Bare Branches", 188)])
FLAC_ALBUMS = [
    ("Juniper Vale", "Orchard Sessions", "Folk", [("Apple Loft", 198), ("Cider Press", 223), ("Windfall", 241)]),
]

FRAME = 417  # MPEG-1 layer III, 128 kbit/s, 44.1 kHz, no padding


def xing_mp3(seconds):
    """A first frame that counts the stream's frames, then a few silent frames."""
    frames = round(seconds * 44100 / 1152)
    header = b"\xff\xfb\x90\x00"
    first = bytearray(header + bytes(FRAME - 4))
    # flags 3: the frame count and the stream's byte count follow
    first[4 + 32:4 + 32 + 16] = b"Xing" + struct.pack(">III", 3, frames, frames * FRAME)
    return bytes(first) + (header + bytes(FRAME - 4)) * 8


def cbr_mp3(seconds):
    """MPEG-2 layer III at 8 kbit/s, 16 kHz mono: 36-byte frames, as many as the time needs."""
    frames = round(seconds * 16000 / 576)
    return (b"\xff\xf3\x18\xc0" + bytes(32)) * frames


def id3v1(title, artist, album, genre):
    def field(text):
        return text.encode("latin-1")[:30].ljust(30, b"\0")
    return b"TAG" + field(title) + field(artist) + field(album) + b"2026" + bytes(30) + bytes([genre])


def id3v2(frames):
    """An ID3v2.4 tag of UTF-8 text frames."""
    def syncsafe(n):
        return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])
    body = b"".join(fid.encode() + syncsafe(len(text.encode()) + 1) + b"\0\0\x03" + text.encode()
                    for fid, text in frames)
    return b"ID3\x04\0\0" + syncsafe(len(body)) + body


def flac(seconds, comments, rate=44100):
    """A FLAC stream header (STREAMINFO and Vorbis comments) of the given length."""
    packed = (rate << 44) | (1 << 41) | (15 << 36) | (seconds * rate)
    info = struct.pack(">HH", 4096, 4096) + bytes(6) + packed.to_bytes(8, "big") + bytes(16)
    vendor = b"make_samples"
    entries = [f"{k}={v}".encode() for k, v in comments]
    vorbis = struct.pack("<I", len(vendor)) + vendor + struct.pack("<I", len(entries))
    vorbis += b"".join(struct.pack("<I", len(e)) + e for e in entries)
    return (b"fLaC" + b"\0" + len(info).to_bytes(3, "big") + info + b"\x84" + len(vorbis).to_bytes(3, "big") + vorbis
            + bytes(64))


def wav(seconds, rate=8000):
    data = bytes([128]) * (seconds * rate)
    fmt = struct.pack("<HHIIHH", 1, 1, rate, rate, 1, 8)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(data)) + data
    return b"RIFF" + struct.pack("<I", len(body)) + body


def main():
    if sys.argv[1] == "--extra":
        artist, album, genre, tracks = EXTRA_ALBUM
        folder = Path(sys.argv[2]) / album
        folder.mkdir(parents=True, exist_ok=True)
        for number, (title, seconds) in enumerate(tracks, 1):
            (folder / f"{number:02d} {title}.mp3").write_bytes(xing_mp3(seconds) + id3v1(title, artist, album, genre))
        return
    root = Path(sys.argv[1])
    root.mkdir(parents=True, exist_ok=True)
    for artist, album, genre, tracks in ALBUMS:
        folder = root / artist / album
        folder.mkdir(parents=True, exist_ok=True)
        for number, (title, seconds) in enumerate(tracks, 1):
            (folder / f"{number:02d} {title}.mp3").write_bytes(xing_mp3(seconds) + id3v1(title, artist, album, genre))
    for artist, album, genre, tracks in ID3V2_ALBUMS:
        folder = root / artist / album
        folder.mkdir(parents=True, exist_ok=True)
        for number, (title, seconds) in enumerate(tracks, 1):
            tag = id3v2([("TIT2", title), ("TPE1", artist), ("TALB", album), ("TCON", genre)])
            (folder / f"{number:02d} {title}.mp3").write_bytes(tag + xing_mp3(seconds))
    for artist, album, genre, tracks in FLAC_ALBUMS:
        folder = root / artist / album
        folder.mkdir(parents=True, exist_ok=True)
        for number, (title, seconds) in enumerate(tracks, 1):
            comments = [("TITLE", title), ("ARTIST", artist), ("ALBUM", album), ("GENRE", genre)]
            (folder / f"{number:02d} {title}.flac").write_bytes(flac(seconds, comments))
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

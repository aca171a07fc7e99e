#!/usr/bin/env python3
"""Writes a disc database in the xmcd format of public CD databases: one folder
per category holding one file per disc, named by its 8-hex-digit disc id. It
holds the albums of the demo's sample library (make_samples.py), a disc that
names the library's loose files, and invented discs for bulk.

With --library it also writes a tree of untagged MP3 files named as people
name them (Artist/Album/NN Title.mp3 and variants) for discs of the database,
plus some that no disc names: the input of the lookup benchmarks.

usage: make_cddb.py [--discs N] [--seed S] [--library DIR --files N] FOLDER
"""
import argparse
import random
import re
import sys
from pathlib import Path

sys.dont_write_bytecode = True  # no cache folder beside the tools
from make_samples import ALBUMS, GENRES  # noqa: E402

CATEGORIES = ["blues", "classical", "country", "data", "folk", "jazz", "misc", "newage", "reggae", "rock",
              "soundtrack"]
CATEGORY_OF_GENRE = {"Rock": "rock", "Pop": "misc", "Country": "country", "Electronic": "misc",
                     "Classical": "classical", "Jazz": "jazz"}
# Genres of invented discs: ID3v1 names, and a few that are not.
BULK_GENRES = ["Rock", "Pop", "Jazz", "Blues", "Folk", "Classical", "Electronic", "Country", "Reggae", "Soundtrack",
               "Hard Rock", "Ambient", "Shoegaze", "Chiptune", ""]

ADJECTIVES = ("Amber Broken Copper Crimson Distant Electric Faded Frozen Gentle Golden Hidden Hollow Iron Lonely "
              "Midnight Northern Paper Quiet Restless Silent Silver Slow Southern Static Velvet Wandering Wild "
              "Winter Wooden Young").split()
NOUNS = ("Anchor Avenue Bridge Canyon Harbor Cinder Comet Echo Engine Feather Garden Glacier Highway Island "
         "Lantern Meadow Mirror Orchard Pilot River Signal Sparrow Station Summit Thunder Tide Valley Window "
         "Harvest Compass").split()
FIRST = "Ada Ben Cora Dev Elena Finn Greta Hugo Iris Jonas Kira Leo Maren Nils Olive Pavel Rosa Sami Tove Uma".split()
LAST = "Arden Brandt Castillo Dahl Ekberg Falk Gray Holm Ivers Janssen Kovac Lind Moreau Novak Orr Petrov".split()


def invented_artist(rnd):
    if rnd.random() < 0.5:
        return f"The {rnd.choice(ADJECTIVES)} {rnd.choice(NOUNS)}s"
    return f"{rnd.choice(FIRST)} {rnd.choice(LAST)}"


def invented_title(rnd):
    form = rnd.randrange(4)
    if form == 0:
        return f"{rnd.choice(ADJECTIVES)} {rnd.choice(NOUNS)}"
    if form == 1:
        return f"{rnd.choice(NOUNS)} of the {rnd.choice(NOUNS)}"
    if form == 2:
        return f"{rnd.choice(ADJECTIVES)} {rnd.choice(ADJECTIVES)} {rnd.choice(NOUNS)}"
    return rnd.choice(NOUNS)


def disc_id(seconds):
    """The id public databases compute from the tracks' start times and the disc's length."""
    start, checksum = 2, 0
    for s in seconds:
        checksum += sum(int(d) for d in str(start))
        start += s
    return ((checksum % 255) << 24) | ((start - 2) << 8) | len(seconds)


def continued(key, value, width=70):
    """KEY=value lines; a long value goes on over further lines with the same key."""
    value = value.replace("\\", "\\\\").replace("\t", "\\t").replace("\n", "\\n")
    parts = [value[i:i + width] for i in range(0, len(value), width)] or [""]
    return [f"{key}={part}" for part in parts]


def xmcd(discid, artist, album, year, genre, titles, seconds):
    lines = ["# xmcd", "#", "# Track frame offsets:"]
    frame = 150
    for s in seconds:
        lines.append(f"#\t{frame}")
        frame += s * 75
    lines += ["#", f"# Disc length: {frame // 75} seconds", "#", "# Revision: 0",
              "# Submitted via: make_cddb.py 1.0", "#", f"DISCID={discid:08x}"]
    lines += continued("DTITLE", f"{artist} / {album}")
    lines += [f"DYEAR={year}", f"DGENRE={genre}"]
    for n, title in enumerate(titles):
        lines += continued(f"TTITLE{n}", title)
    lines.append("EXTD=")
    lines += [f"EXTT{n}=" for n in range(len(titles))]
    lines.append("PLAYORDER=")
    return "\n".join(lines) + "\n"


class Database:
    def __init__(self, root):
        self.root = root
        self.discs = []  # (artist, album, titles)
        self.ids = set()

    def add(self, category, artist, album, year, genre, titles, seconds):
        discid = disc_id(seconds)
        while (category, discid) in self.ids:  # two discs of one id: the later one moves on
            discid = (discid + 1) & 0xFFFFFFFF
        self.ids.add((category, discid))
        folder = self.root / category
        folder.mkdir(parents=True, exist_ok=True)
        text = xmcd(discid, artist, album, year, genre, titles, seconds)
        (folder / f"{discid:08x}").write_bytes(text.encode("utf-8"))
        self.discs.append((artist, album, titles))


def safe_name(text):
    return re.sub(r'[\\/:*?"<>|]', "_", text).rstrip(". ")


def write_library(folder, db, count, rnd):
    """Untagged MP3 files for discs of the database: most named Artist/Album/NN Title.mp3, some by
    track number only, some by title in a folder of the artist's, some with a title the album does
    not have (the album is then only a candidate), some that no disc names."""
    frame = b"\xff\xfb\x90\x00" + bytes(413)
    written = 0
    while written < count:
        artist, album, titles = rnd.choice(db.discs)
        if not titles:
            continue
        n = rnd.randrange(len(titles))
        kind = rnd.random()
        if kind < 0.65:
            path = Path(safe_name(artist), safe_name(album), f"{n + 1:02d} {safe_name(titles[n])}.mp3")
        elif kind < 0.7:
            path = Path(safe_name(artist), safe_name(album), f"Bonus {written}.mp3")
        elif kind < 0.8:
            path = Path(safe_name(artist), safe_name(album), f"{n + 1:02d}.mp3")
        elif kind < 0.9:
            path = Path(safe_name(artist), "Singles", f"{safe_name(titles[n])}.mp3")
        else:
            path = Path("Unsorted", f"batch {written // 50}", f"track {written}.mp3")
        target = folder / path
        if target.exists():
            continue
        target.parent.mkdir(parents=True, exist_ok=True)
        target.write_bytes(frame)
        written += 1


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("folder")
    parser.add_argument("--discs", type=int, default=300, help="invented discs (default 300)")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--library", help="also write untagged MP3 files for discs of the database here")
    parser.add_argument("--files", type=int, default=1000, help="files of the library (default 1000)")
    args = parser.parse_args()
    rnd = random.Random(args.seed)
    db = Database(Path(args.folder))

    for artist, album, genre, tracks in ALBUMS:
        name = GENRES[genre]
        db.add(CATEGORY_OF_GENRE.get(name, "misc"), artist, album, 2026, name, [t for t, _ in tracks],
               [s for _, s in tracks])
    # The library's loose files, named by their folder and file names.
    db.add("misc", "Mira Holt", "Loose Ends", 2025, "Pop", ["Untitled Demo", "Voice Memo", "Rehearsal Take 3",
                                                             "Bootleg"], [143, 12, 262, 301])
    # The same disc entered twice, as public databases often have it, and an album
    # name that two artists use.
    artist, album, genre, tracks = ALBUMS[0]
    db.add("misc", artist, album, 2026, GENRES[genre], [t for t, _ in tracks], [s + 1 for _, s in tracks])
    db.add("folk", "Tessa Lowe", ALBUMS[2][1], 2019, "Folk", ["Paper Boats", "Chalk Lines", "Moonrise"],
           [201, 187, 240])

    for _ in range(args.discs):
        count = rnd.randint(4, 16)
        titles = [invented_title(rnd) for _ in range(count)]
        if rnd.random() < 0.02:  # now and then a title long enough to go on over several lines
            titles[0] = " ".join(invented_title(rnd) for _ in range(12))
        album = invented_title(rnd)
        genre = rnd.choice(BULK_GENRES)
        category = rnd.choice(CATEGORIES[:3] + CATEGORIES[4:])
        db.add(category, invented_artist(rnd), album, rnd.randint(1960, 2025), genre, titles,
               [rnd.randint(90, 420) for _ in titles])

    if args.library:
        write_library(Path(args.library), db, args.files, rnd)


if __name__ == "__main__":
    main()

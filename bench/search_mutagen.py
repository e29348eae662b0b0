#!/usr/bin/env python3
"""The artist search a user can script today with mutagen, under the search's own rule:
files of a folder before its subfolders, hidden subfolders skipped, each folder once; the
ID3v1 artist first, the ID3v2 "TPE1" when that is empty; the artist begins with the text,
letters a to z compared without regard to case. Prints the matching paths, one a line.

    search_mutagen.py FOLDER TEXT
"""
import os
import sys

from mutagen.id3 import ID3, ID3NoHeaderError, ParseID3v1


def artist(path):
    with open(path, "rb") as f:
        f.seek(0, os.SEEK_END)
        if f.tell() >= 128:
            f.seek(-128, os.SEEK_END)
            v1 = ParseID3v1(f.read(128))
            if v1 and "TPE1" in v1 and v1["TPE1"].text[0]:
                return v1["TPE1"].text[0]
    try:
        frame = ID3(path, load_v1=False).get("TPE1")
    except ID3NoHeaderError:
        return ""
    return frame.text[0] if frame else ""


def search(root, text):
    want = text.encode("latin-1").upper()
    seen, pending = set(), [os.fsencode(root).rstrip(b"/") + b"/"]
    while pending:
        folder = pending.pop()
        st = os.stat(folder)
        if (st.st_dev, st.st_ino) in seen:
            continue
        seen.add((st.st_dev, st.st_ino))
        entries = list(os.scandir(folder))
        for e in entries:
            if not e.is_dir() and e.name.lower().endswith(b".mp3"):
                value = artist(e.path).encode("latin-1", "replace")
                if value[: len(want)].upper() == want:
                    sys.stdout.buffer.write(e.path + b"\n")
        pending += [e.path + b"/" for e in reversed(entries) if e.is_dir() and not e.name.startswith(b".")]


if __name__ == "__main__":
    search(sys.argv[1], sys.argv[2])

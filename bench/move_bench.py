#!/usr/bin/python3
"""Times a save that moves the audio of one large file, with a cold and a warm page cache,
varnoli-cli against mutagen's save of the same change.

Usage: bench/move_bench.py VARNOLI_CLI FOLDER [MIB] [ROUNDS]
Cold means the file is written to the disk and its pages taken out of the page cache before
each round; the rest of the cache, which other work on the machine relies on, stays."""
import hashlib
import os
import shutil
import statistics
import subprocess
import sys
import time

from mutagen.id3 import COMM, ID3

COMMENT = "c" * 6000  # the tag grows past its padding, so the audio moves


def syncsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])


def write_song(path, mib):
    frame_data = b"\x00Long file"
    frame = b"TIT2" + len(frame_data).to_bytes(4, "big") + b"\x00\x00" + frame_data
    body = frame + bytes(1024 - len(frame))
    with open(path, "wb") as f:
        f.write(b"ID3\x03\x00\x00" + syncsafe(len(body)) + body)
        block = hashlib.sha256(b"audio").digest() * 32768  # 1 MiB that does not compress away
        for i in range(mib):
            f.write(block[i % 97 :] + block[: i % 97])
        f.write(b"TAG" + bytes(124) + b"\xff")


def audio_digest(path):
    """The bytes between the ID3v2 tag and the ID3v1 record, which each tool rewrites its own way."""
    with open(path, "rb") as f:
        h = f.read(10)
        f.seek(10 + ((h[6] << 21) | (h[7] << 14) | (h[8] << 7) | h[9]))
        left = os.path.getsize(path) - f.tell() - 128
        digest = hashlib.sha256()
        while left > 0:
            chunk = f.read(min(left, 1 << 20))
            digest.update(chunk)
            left -= len(chunk)
        return digest.hexdigest()


def evict(path):
    with open(path, "rb") as f:
        os.fsync(f.fileno())
        os.posix_fadvise(f.fileno(), 0, 0, os.POSIX_FADV_DONTNEED)


def warm(path):
    with open(path, "rb") as f:
        while f.read(1 << 20):
            pass


def varnoli_save(cli, path):
    start = time.perf_counter()
    subprocess.run([cli, "set", "--v2", "--comment", COMMENT, path], check=True)
    return time.perf_counter() - start


def mutagen_save(path):
    start = time.perf_counter()
    tag = ID3(path)
    tag.add(COMM(encoding=0, lang="eng", desc="", text=COMMENT))
    tag.save(v2_version=3)
    return time.perf_counter() - start


def main():
    cli, folder = os.path.abspath(sys.argv[1]), sys.argv[2]
    mib = int(sys.argv[3]) if len(sys.argv) > 3 else 200
    rounds = int(sys.argv[4]) if len(sys.argv) > 4 else 5
    os.makedirs(folder, exist_ok=True)
    original, work = os.path.join(folder, "move-original.mp3"), os.path.join(folder, "move-work.mp3")
    write_song(original, mib)
    expected = audio_digest(original)
    print(f"a save that grows the tag of a {mib} MiB file by 6,000 bytes, median of {rounds} rounds")
    for cache in ("cold", "warm"):
        times = {"varnoli-cli": [], "mutagen": []}
        for _ in range(rounds):
            for name, save in (("varnoli-cli", lambda p: varnoli_save(cli, p)), ("mutagen", mutagen_save)):
                shutil.copyfile(original, work)
                evict(work) if cache == "cold" else warm(work)
                times[name].append(save(work))
                if audio_digest(work) != expected:
                    sys.exit(f"{name}: the audio changed")
        v, m = statistics.median(times["varnoli-cli"]), statistics.median(times["mutagen"])
        print(f"  {cache}: varnoli-cli {v:.3f} s (process start included), mutagen {m:.3f} s "
              f"(load and save, interpreter start left out); ratio {v / m:.2f}")
    os.remove(work)
    os.remove(original)


if __name__ == "__main__":
    main()

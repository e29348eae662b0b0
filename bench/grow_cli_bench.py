#!/usr/bin/python3
"""Times `cp` of a 200 MiB file against `varnoli-cli set` growing its tag past its padding, so
that the audio moves, with warm caches and in turns; each file is on the disk before its round,
so that neither pays for the writes of the round before. Several programs may be given, comma
separated, to compare builds in the same run.

Usage: bench/grow_cli_bench.py VARNOLI_CLI[,VARNOLI_CLI...] FOLDER [ROUNDS]"""
import os
import resource
import shutil
import statistics
import subprocess
import sys
import time

from move_bench import COMMENT, audio_digest, warm, write_song


def processor_time():
    r = resource.getrusage(resource.RUSAGE_CHILDREN)
    return r.ru_utime + r.ru_stime


def timed(command, env=None):
    os.sync()
    cpu, start = processor_time(), time.perf_counter()
    subprocess.run(command, check=True, env=env, stdout=subprocess.DEVNULL)
    return time.perf_counter() - start, processor_time() - cpu


def main():
    clis, folder = [os.path.abspath(c) for c in sys.argv[1].split(",")], sys.argv[2]
    rounds = int(sys.argv[3]) if len(sys.argv) > 3 else 9
    os.makedirs(folder, exist_ok=True)
    original, work, copy = (os.path.join(folder, n) for n in ("original.mp3", "work.mp3", "cp.mp3"))
    write_song(original, 200)
    digest = audio_digest(original)
    env = dict(os.environ, XDG_STATE_HOME=os.path.join(folder, "state"))
    results = {name: [] for name in ["cp"] + clis}
    for round_ in range(rounds + 1):  # the first warms the caches
        if os.path.exists(copy):
            os.remove(copy)
        cp = timed(["cp", original, copy])
        ours = []
        for cli in clis:
            shutil.copyfile(original, work)
            warm(work)
            ours.append(timed([cli, "set", "--v2", "--comment", COMMENT, work], env))
            if audio_digest(work) != digest:
                sys.exit(f"{cli} damaged the audio")
        if round_ > 0:
            for name, result in zip(["cp"] + clis, [cp] + ours):
                results[name].append(result)
    for path in (work, copy):
        os.remove(path)
    wall = statistics.median(r[0] for r in results["cp"])
    cpu = statistics.median(r[1] for r in results["cp"])
    print(f"cp: {wall:.3f} s, processor {cpu:.3f} s (medians of {rounds} rounds)")
    for cli in clis:
        w = statistics.median(r[0] for r in results[cli])
        c = statistics.median(r[1] for r in results[cli])
        print(f"{cli}: {w:.3f} s = {w / wall:.2f}x cp, processor {c:.3f} s = {c / cpu:.2f}x cp")


if __name__ == "__main__":
    main()

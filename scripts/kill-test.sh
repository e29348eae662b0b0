#!/usr/bin/env bash
# Kills `varnoli-cli set`, `undo` and `repair` at spread-out moments and checks that every
# file ends intact (as before, or as the finished command leaves it), is put back byte for
# byte by `repair`, or is reported and still repairable: never damaged in silence, never
# beyond repair. Then flips bits in and cuts move records and checks that each is refused
# with nothing written, or still repairs byte for byte.
# Saves and undos of both tags of files with an ID3v1 record are killed too: that record goes
# back with the rest, and a second undo finishes a killed one.
#
# Usage: scripts/kill-test.sh [--short] [VARNOLI_CLI] [WORK_FOLDER]
#   --short: a few MiB per file and a few dozen rounds, for CI; otherwise files of 4 to
#   200 MiB and hundreds of rounds (about 1.5 GiB of free space; run like the benchmarks).
set -euo pipefail

short=0
if [ "${1:-}" = "--short" ]; then
    short=1
    shift
fi
here=$(cd "$(dirname "$0")/.." && pwd)
cli=${1:-$here/build/dev/cli/varnoli-cli}
work=${2:-$(mktemp -d)}
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT

if [ $short = 1 ]; then
    sizes=(4 8)
    rounds=60
    flips=30
else
    sizes=(4 32 200)
    rounds=300
    flips=300
fi

# A song: an ID3v2.3 tag with a short title and a little padding, then random "audio", and
# with "v1" an ID3v1 record at the end.
make_song() { # FILE MIB [v1]
    python3 - "$1" "$2" "${3:-}" <<'EOF'
import os, sys
title = b"\x00" + b"old title"
frame = b"TIT2" + len(title).to_bytes(4, "big") + b"\x00\x00" + title
body = frame + bytes(256)
size = len(body)
syncsafe = bytes([(size >> 21) & 127, (size >> 14) & 127, (size >> 7) & 127, size & 127])
with open(sys.argv[1], "wb") as f:
    f.write(b"ID3\x03\x00\x00" + syncsafe + body)
    for _ in range(int(sys.argv[2])):
        f.write(os.urandom(1 << 20))
    if sys.argv[3] == "v1":
        f.write(b"TAG" + b"old".ljust(30, b"\0") + bytes(94) + b"\xff")
EOF
}

# Sets a bit, or cuts the file, at a random place of its first `len` bytes.
spoil() { # FILE flip|cut
    python3 - "$1" "$2" <<'EOF'
import os, random, sys
path, how = sys.argv[1], sys.argv[2]
data = bytearray(open(path, "rb").read())
if how == "flip":
    at = random.randrange(len(data))
    data[at] ^= 1 << random.randrange(8)
else:
    data = data[:random.randrange(1, len(data))]
open(path, "wb").write(data)
EOF
}

same() { cmp -s "$1" "$2"; }
ms_sleep() { sleep "$(awk -v ms="$1" 'BEGIN { printf "%.3f", ms / 1000 }')"; }

# Runs a command and kills it after a random delay within `span` ms; 0 when it finished.
run_killed() { # SPAN CMD...
    local span=$1
    shift
    "$@" >/dev/null 2>&1 &
    local pid=$!
    ms_sleep $((RANDOM * RANDOM % (span + 1)))
    if kill -KILL $pid 2>/dev/null; then
        wait $pid 2>/dev/null || true
        return 1
    fi
    wait $pid 2>/dev/null || true
    return 0
}

intact=0 finished=0 undone_twice=0 repaired=0 silent=0 lost=0 killed_set=0 killed_undo=0 killed_repair=0
flip_refused=0 flip_repaired=0 flip_bad=0
fail() {
    echo "FAIL: $*" >&2
}
# Counts one more in the named counter; a message, when given, is a failure to show.
tally() { # COUNTER [MESSAGE]
    eval "$1=\$(($1 + 1))"
    [ -z "${2:-}" ] || fail "$2"
}

# Puts a killed file back: repair (the first two runs themselves killed at random moments)
# until the record is gone. The file must end as `want`.
repair_until_done() { # FILE WANT SPAN
    local f=$1 want=$2 span=$3 tries=0
    while "$cli" dump "$f" 2>&1 >/dev/null | grep -q "was interrupted"; do
        tries=$((tries + 1))
        if [ $tries -gt 20 ]; then
            tally lost "$f: repair never finishes"
            return
        fi
        if [ $tries -le 2 ]; then
            run_killed "$span" "$cli" repair "$f" || tally killed_repair
        elif ! "$cli" repair "$f" >/dev/null 2>"$work/repair.err"; then
            tally lost "$f: repair refused: $(cat "$work/repair.err")"
            return
        fi
    done
    if same "$f" "$want"; then
        tally repaired
    else
        tally lost "$f: not byte-exact after repair"
    fi
}

# After a killed undo: a move it left reported is repaired to as before the undo; any
# state short of the end, one tag put back and the other not included, is finished byte for
# byte by a second undo, since the entry stays until the undo is done.
judge_undo() { # FILE BEFORE AFTER SPAN
    local f=$1 before=$2 after=$3
    if "$cli" dump "$f" 2>&1 >/dev/null | grep -q "was interrupted"; then
        repair_until_done "$f" "$before" "$4"
    fi
    if same "$f" "$after"; then
        tally finished
        return
    fi
    same "$f" "$before" && tally intact || tally undone_twice
    if ! "$cli" undo >/dev/null 2>"$work/undo.err" || ! same "$f" "$after"; then
        tally lost "$f: a second undo did not finish the killed one: $(cat "$work/undo.err")"
    fi
}

# After a killed command: the file is as before, as after, or reported and repaired to before.
judge() { # FILE BEFORE AFTER SPAN
    local f=$1 before=$2 after=$3 span=$4
    if "$cli" dump "$f" 2>&1 >/dev/null | grep -q "was interrupted"; then
        repair_until_done "$f" "$before" "$span"
    elif same "$f" "$before"; then
        tally intact
    elif same "$f" "$after"; then
        tally finished
    else
        tally silent "$f: changed without a word"
    fi
}

title=$(head -c 60000 /dev/zero | tr '\0' 't')
for mib in "${sizes[@]}"; do
    base=$work/base-$mib.mp3 after=$work/after-$mib.mp3 f=$work/song.mp3
    base1=$work/base1-$mib.mp3 after1=$work/after1-$mib.mp3
    make_song "$base" "$mib"
    make_song "$base1" "$mib" v1
    cp "$base" "$after"
    cp "$base1" "$after1"
    export XDG_STATE_HOME=$work/state-ref
    "$cli" set --title "$title" "$after1" >/dev/null
    start=$(date +%s%N)
    "$cli" set --v2 --title "$title" "$after" >/dev/null
    span=$(( ($(date +%s%N) - start) / 1000000 * 6 / 5 + 5 ))
    for ((round = 0; round < rounds / ${#sizes[@]}; ++round)); do
        rm -rf "$work/state"
        export XDG_STATE_HOME=$work/state
        cp "$base" "$f"
        case $((round % 4)) in
        0) # a save, killed
            run_killed "$span" "$cli" set --v2 --title "$title" "$f" || tally killed_set
            judge "$f" "$base" "$after" "$span"
            ;;
        1) # a save of both tags of a file with an ID3v1 record, killed
            cp "$base1" "$f"
            run_killed "$span" "$cli" set --title "$title" "$f" || tally killed_set
            judge "$f" "$base1" "$after1" "$span"
            ;;
        2) # a finished save, then its undo killed
            "$cli" set --v2 --title "$title" "$f" >/dev/null
            run_killed "$span" "$cli" undo || tally killed_undo
            judge_undo "$f" "$after" "$base" "$span"
            ;;
        3) # the same with both tags of a file that has an ID3v1 record
            cp "$base1" "$f"
            "$cli" set --title "$title" "$f" >/dev/null
            run_killed "$span" "$cli" undo || tally killed_undo
            judge_undo "$f" "$after1" "$base1" "$span"
            ;;
        esac
    done
    # Damaged records: a save killed with a record left, then a flip or a cut in that record.
    for ((round = 0; round < flips / ${#sizes[@]}; ++round)); do
        record=
        for ((try = 0; try < 10 && ${#record} == 0; ++try)); do
            rm -rf "$work/state"
            export XDG_STATE_HOME=$work/state
            cp "$base" "$f"
            run_killed "$span" "$cli" set --v2 --title "$title" "$f" && continue
            # Only a record that was whole: one cut short by the kill stands for no change.
            "$cli" dump "$f" 2>&1 >/dev/null | grep -q "was interrupted" || continue
            record=$(ls "$work/state/varnoli/moves/"*.move 2>/dev/null || true)
        done
        [ -n "$record" ] || continue
        cp "$f" "$work/damaged"
        spoil "$record" "$([ $((round % 4)) = 0 ] && echo cut || echo flip)"
        if "$cli" repair "$f" >/dev/null 2>&1; then
            if same "$f" "$base"; then
                tally flip_repaired
            else
                tally flip_bad "$f: a spoiled record wrote wrong bytes"
            fi
        elif same "$f" "$work/damaged"; then
            tally flip_refused
        else
            tally flip_bad "$f: a refused record changed the file"
        fi
    done
done

echo "killed: set $killed_set, undo $killed_undo, repair $killed_repair; files intact: $intact, finished: $finished, finished by a second undo: $undone_twice," \
    "repaired byte-exact: $repaired;" \
    "damaged in silence: $silent, beyond repair: $lost"
echo "spoiled records: refused with nothing written: $flip_refused, still repaired byte-exact:" \
    "$flip_repaired, wrong: $flip_bad"
[ $silent = 0 ] && [ $lost = 0 ] && [ $flip_bad = 0 ]

#!/usr/bin/env python3
"""A sweep of crafted saved games from outside, run by hand with the optimised battle tool.

Real saves of the demonstration battles (with the display, in the middle of the computer's orders and at
activations; without it) are changed the way a damaged or hand-edited file is: a byte flipped, a word set to
a boundary (0, 1, 0x7FFF, 0x8000, 0xFFFF), the file cut, and above all the names the display's record keeps
(each reply owed, each command's event, each box's type): one letter changed, a known name of another
message put in its place, bytes that begin no character, the name made longer or shorter. Most are sealed
again with their check, so that only the change is wrong. Each file is loaded by the tool, headless or with
the display as it was saved, and must end or be refused: one that stands still, passes a cap, crashes or
says nothing is counted as a fault and kept.

    crafted_sweep.py TOOL WORK COUNT [JOBS] [SEED]
"""
import os
import random
import re
import shutil
import struct
import subprocess
import sys
import zlib
from concurrent.futures import ThreadPoolExecutor

TOOL, WORK, COUNT = sys.argv[1], sys.argv[2], int(sys.argv[3])
JOBS = int(sys.argv[4]) if len(sys.argv) > 4 else 4
SEED = int(sys.argv[5]) if len(sys.argv) > 5 else 114

# scenario, seed, how it is saved, with the display
BASES = [
    ("GHATMAR.SCN", 3, ["--save-at-step", "250"], True),
    ("GHATMAR.SCN", 21, ["--save-at-step", "900"], True),
    ("GHATMAR.SCN", 7, ["--save-at", "5"], True),
    ("GHATMAR.SCN", 90, ["--save-at", "135"], True),
    ("ARDHUN.SCN", 21, ["--save-at-step", "250"], True),
    ("VELMESK.SCN", 8, ["--save-at-step", "400"], True),
    ("KORVATH.SCN", 5, ["--save-at-step", "600"], True),
    ("GHATMAR.SCN", 90, ["--save-at", "135"], False),
    ("THRENMOOR.SCN", 4, ["--save-at", "20"], False),
]
REPLIES = [b"MovementDone", b"OWMovementDone", b"AdvancingDone", b"GroupMovementDone", b"RoutingDone",
           b"DoneRampaging", b"ReturnFromMissileFire", b"ChangeFacingDone", b"AboutFaceDone", b"UnitTeleport",
           b"MissileFire", b"UnitEliminated", b"EndOfTurn", b"CohesionHit"]


def seal(body):
    return body + b"VCRC" + struct.pack("<I", zlib.crc32(body) & 0xFFFFFFFF)


def names_in(record, offset):
    """Places (start of the u32 length, length) of the names the record keeps: a length, then letters."""
    found = []
    for m in re.finditer(rb"[A-Z][A-Za-z<> ]{3,40}", record):
        at = m.start()
        if at >= 4:
            length = struct.unpack_from("<I", record, at - 4)[0]
            if length == len(m.group()):
                found.append((offset + at - 4, length))
            elif at >= 2 and struct.unpack_from("<H", record, at - 2)[0] == len(m.group()):
                found.append((offset + at - 2, -len(m.group())))
    return found


def craft(rng, body, display_record, names):
    data = bytearray(body)
    kind = rng.choice(["name"] * 5 + ["flip", "record", "word", "cut", "unsealed"])
    if kind == "name" and names:
        at, length = rng.choice(names)
        wide = length > 0
        size = abs(length)
        start = at + (4 if wide else 2)
        name = bytes(data[start:start + size])
        how = rng.choice(["letter", "other", "odd", "longer", "shorter"])
        if how == "letter":
            k = rng.randrange(size)
            data[start + k] = rng.choice(b"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0_")
            return kind + "-letter", bytes(data), True
        if how == "other":
            new = rng.choice(REPLIES)
        elif how == "odd":
            new = bytes(rng.randrange(0xA0, 0x100) if rng.random() < 0.4 else c for c in name)
        elif how == "longer":
            new = name + name[-rng.randrange(1, size + 1):]
        else:
            new = name[:rng.randrange(0, size)]
        head = struct.pack("<I" if wide else "<H", len(new))
        data[at:start + size] = head + new
        return kind + "-" + how, bytes(data), True
    if kind == "record" and display_record:
        lo, hi = display_record
        at = rng.randrange(lo, hi)
        data[at] = rng.randrange(256)
        return kind, bytes(data), True
    if kind == "word":
        at = rng.randrange(16, len(data) - 2)
        struct.pack_into("<H", data, at, rng.choice([0, 1, 0x7FFF, 0x8000, 0xFFFF]))
        return kind, bytes(data), True
    if kind == "cut":
        return kind, bytes(data[:rng.randrange(len(data))]), rng.random() < 0.7
    at = rng.randrange(len(data))
    data[at] ^= 1 << rng.randrange(8)
    return ("flip" if kind != "unsealed" else kind), bytes(data), kind != "unsealed"


def run(args):
    index, path, scenario, display = args
    command = [TOOL, scenario, "--load", path, "--tasks", "3000000"] + (["--display"] if display else [])
    try:
        done = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=300)
    except subprocess.TimeoutExpired:
        return index, path, "timeout", ""
    err = done.stderr.decode("utf-8", "backslashreplace")
    if done.returncode == 0:
        return index, path, "ended", ""
    if done.returncode < 0 or "ERROR:" in err or "runtime error" in err:
        return index, path, "crashed", err[-400:]
    if "cannot load the saved game" in err:
        return index, path, "refused", ""
    if "stalled" in err:
        return index, path, "stood still", err[-400:]
    if "did not end within" in err:
        return index, path, "cap", err[-400:]
    if "failed check" in err:
        return index, path, "failed check", err[-400:]
    return index, path, "other", err[-400:]


def main():
    os.makedirs(WORK, exist_ok=True)
    rng = random.Random(SEED)
    bases = []
    for n, (scenario, seed, how, display) in enumerate(BASES):
        path = os.path.join(WORK, "base%d.vel" % n)
        command = [TOOL, scenario, "--seed", str(seed)] + how[:1] + [how[1], path] + (["--display"] if display else [])
        if subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode != 0:
            print("no base from", command)
            continue
        whole = open(path, "rb").read()
        body = whole[:-8]
        at = body.rfind(b"VDSA")
        record = (at, len(body)) if at >= 0 else None
        names = names_in(body[at:], at) if at >= 0 else []
        bases.append((scenario, display, body, record, names))
        print("base", n, scenario, seed, how, "display" if display else "headless", len(body), "bytes,",
              len(names), "names in the display's record")
    tally, faults = {}, []
    batch = []
    made = 0

    def flush():
        with ThreadPoolExecutor(max_workers=JOBS) as pool:
            for index, path, outcome, said in pool.map(run, batch):
                tally[outcome] = tally.get(outcome, 0) + 1
                if outcome in ("ended", "refused"):
                    os.remove(path)
                else:
                    faults.append((path, outcome, said))
        batch.clear()

    while made < COUNT:
        scenario, display, body, record, names = bases[made % len(bases)]
        kind, data, sealed = craft(rng, body, record, names)
        path = os.path.join(WORK, "c%06d-%s.vel" % (made, kind))
        with open(path, "wb") as out:
            out.write(seal(data) if sealed else data)
        # A save with the display is loaded with it or without it; one without, without.
        batch.append((made, path, scenario, display and rng.random() < 0.5))
        made += 1
        if len(batch) >= 400:
            flush()
            print(made, tally, flush=True)
    if batch:
        flush()
    print("crafted", made, tally)
    for path, outcome, said in faults[:50]:
        print("FAULT", outcome, path, said.strip().replace("\n", " | ")[:300])
    return 1 if any(o in ("timeout", "crashed", "stood still", "other") for _, o, _ in faults) else 0


if __name__ == "__main__":
    sys.exit(main())

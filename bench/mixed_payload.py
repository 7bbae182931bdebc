#!/usr/bin/env python3
"""Writes a mixed payload for the builder benchmarks: text-like files,
structured binary with noise and random data, in files from empty to 20 MB
in nested folders. The same arguments give the same bytes.

    mixed_payload.py FOLDER SIZE_MB [FILES] [SEED]
"""
import array
import itertools
import os
import random
import sys

MAX_FILE = 20 * 1000 * 1000


def file_sizes(rng, total, count):
    """Log-normal sizes (a few empty files) scaled to `total`, none above 20 MB."""
    raw = [0.0 if rng.random() < 0.02 else rng.lognormvariate(0, 2.4) for _ in range(count)]
    sizes = [0] * count
    open_files = [i for i in range(count) if raw[i] > 0]
    left = total
    # Scale, cap at the maximum, and share what the capped files could not
    # take among the others until everything is placed.
    while left > 0 and open_files:
        weight = sum(raw[i] for i in open_files)
        placed = 0
        still_open = []
        for i in open_files:
            want = int(left * raw[i] / weight)
            take = min(want, MAX_FILE - sizes[i])
            sizes[i] += take
            placed += take
            if sizes[i] < MAX_FILE:
                still_open.append(i)
        open_files = still_open
        left -= placed
        if placed == 0:
            break
    if left > 0:  # rounding: the smallest open file takes the rest
        target = min((i for i in range(count) if 0 < sizes[i] < MAX_FILE), key=lambda i: sizes[i], default=0)
        sizes[target] += left
    return sizes


class TextSource:
    """Lines of words made of common syllables, each word drawn after the one
    before it as in language, and lines repeated with a word changed as in
    code and logs. Files are runs of consecutive lines from a common pool.
    zlib packs it to about a fifth, and, as with real text, better with
    its default strategy than with the filtered one."""

    def __init__(self, rng):
        onsets = ["", "b", "c", "d", "f", "g", "h", "l", "m", "n", "p", "r", "s", "t", "v", "w", "st", "tr", "ch", "th",
                  "pr", "sh", "gr", "cl"]
        vowels = ["a", "e", "i", "o", "u", "ea", "ou", "io", "ai", "y"]
        codas = ["", "", "", "n", "r", "s", "t", "l", "nd", "ng", "st", "ck", "m", "x", "rt", "ss"]
        syllables = [rng.choice(onsets) + rng.choice(vowels) + rng.choice(codas) for _ in range(300)]
        syllable_weights = list(itertools.accumulate(1.0 / (r + 1) ** 0.7 for r in range(len(syllables))))
        words = sorted({"".join(rng.choices(syllables, cum_weights=syllable_weights, k=rng.choice([1, 1, 2, 2, 2, 3, 3, 4])))
                        for _ in range(9000)})
        rng.shuffle(words)
        everyone = range(len(words))
        zipf = list(itertools.accumulate(1.0 / (r + 1) for r in everyone))
        followers = []
        for _ in everyone:
            k = rng.randint(2, 24)
            followers.append((rng.choices(everyone, cum_weights=zipf, k=k),
                              list(itertools.accumulate(1.0 / (j + 1) ** 1.3 for j in range(k)))))
        separators = [" "] * 12 + [", ", ". ", " = ", "(", ") ", "; ", ": ", ".", "_", " -> "]
        lines = []
        w = 0
        for _ in range(60000):
            if len(lines) > 40 and rng.random() < 0.3:
                old = rng.choice(lines[-40:]).rstrip(b"\n").split(b" ")
                old[rng.randrange(len(old))] = words[rng.choices(everyone, cum_weights=zipf)[0]].encode()
                lines.append(b" ".join(old) + b"\n")
                continue
            parts = [" " * (4 * min(4, int(rng.expovariate(1.0))))]
            for _ in range(rng.randint(3, 16)):
                if rng.random() < 0.8:
                    options, weights = followers[w]
                    w = rng.choices(options, cum_weights=weights)[0]
                else:
                    w = rng.choices(everyone, cum_weights=zipf)[0]
                parts.append(words[w])
                parts.append(rng.choice(separators))
            if rng.random() < 0.2:
                parts.append(str(rng.randint(0, 9999)))
            lines.append(("".join(parts).rstrip() + "\n").encode())
        self.lines = lines

    def make(self, rng, size):
        runs = []
        made = 0
        while made < size:
            start = rng.randrange(len(self.lines))
            run = b"".join(self.lines[start:start + rng.randint(20, 400)])
            runs.append(run)
            made += len(run)
        return b"".join(runs)[:size]


def structured(rng, size):
    """Records of counters, small codes, slowly changing values and noise bytes."""
    record = rng.choice([12, 16, 20, 24, 32])
    count = size // record + 1
    table = bytearray(count * record)
    offset = 0
    while offset + 4 <= record:
        kind = rng.random()
        if kind < 0.3:  # a counter with a fixed step
            start, step = rng.randrange(1 << 20), rng.choice([1, 1, 2, 4, 16, 40])
            column = array.array("I", range(start, start + step * count, step))
        elif kind < 0.6:  # a code from a small set
            codes = [rng.randrange(1 << rng.choice([4, 8, 16, 32])) for _ in range(rng.randint(2, 40))]
            column = array.array("I", rng.choices(codes, k=count))
        elif kind < 0.85:  # a slowly drifting value with noise in its low byte
            base = rng.randrange(1 << 24)
            column = array.array("I", [(base + (i >> 3)) << 8 for i in range(count)])
            noise = rng.randbytes(count)
            raw = bytearray(column.tobytes())
            raw[0::4] = noise
            column = array.array("I", bytes(raw))
        else:  # noise
            column = array.array("I", rng.randbytes(4 * count))
        raw = column.tobytes()
        for k in range(4):
            table[offset + k::record] = raw[k::4]
        offset += 4
    return bytes(table[:size])


def folder_name(rng):
    syllables = ["bin", "lib", "data", "res", "doc", "img", "snd", "cfg", "plug", "ins", "locale", "maps", "core",
                 "ui", "net", "tools", "extra", "media"]
    return rng.choice(syllables) + str(rng.randint(0, 20))


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    folder, size_mb = sys.argv[1], int(sys.argv[2])
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 2000
    seed = int(sys.argv[4]) if len(sys.argv) > 4 else 15
    rng = random.Random(seed)
    sizes = file_sizes(rng, size_mb * 1000 * 1000, count)
    text = TextSource(rng)
    folders = [""]
    for _ in range(count // 20 + 1):
        parent = rng.choice(folders)
        if parent.count("/") < 4:
            folders.append(parent + folder_name(rng) + "/")
    extensions = {"text": ".txt", "binary": ".dat", "random": ".pak"}
    for i, size in enumerate(sizes):
        kind = rng.choices(["text", "binary", "random"], [45, 35, 20])[0]
        if kind == "text":
            data = text.make(rng, size)
        elif kind == "binary":
            data = structured(rng, size)
        else:
            data = rng.randbytes(size)
        path = os.path.join(folder, rng.choice(folders) + f"f{i:05}{extensions[kind]}")
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()

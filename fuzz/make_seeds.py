#!/usr/bin/env python3
"""Writes the seed corpora in fuzz/corpus/. Run from anywhere; the seeds are committed,
so this only needs running again when a seed should change."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")

VERSION = 23
U, R, D, L = 0, 1, 2, 3
HEADER = [VERSION, 1, 51, 204, 255, 2, 0, 0, 15, 0, 0, 0, 1 | 2 | 4 | 8, 1, 4]
EXPLORER = [[R, D, L], [L], [R], [L, U], [U, D], [D, R], [D], [D, U, R], [R, U], [D, L], [U], [L, D, R],
            [], [], [], []]
BROWSER = [[R, D, L], [L], [R], [L, U], [U, D], [D, R], [D], [D, U, R], [R, U], [D, L], [U, L, U], [U],
           [D, U, D], [R, L, D], [U, D, R], [], [U, R], [U, L], [D, U], [R, D, L, U]] + [[]] * 9
INT_MIN, INT_MAX = -2**31, 2**31 - 1


def block(header=HEADER, explorer=EXPLORER, browser=BROWSER, counts=None, slots=None):
    """The 285 integers in block (and file) order: header, Explorer counts, Explorer
    entries, browser counts, browser entries. `counts`/`slots` override single values."""
    ints = list(header)
    ints += [len(g) for g in explorer]
    for g in explorer:
        ints += (g + [0] * 5)[:5]
    ints += [len(g) for g in browser]
    for g in browser:
        ints += (g + [0] * 5)[:5]
    assert len(ints) == 285
    for index, value in (counts or {}).items():
        ints[index] = value
    for index, value in (slots or {}).items():
        ints[index] = value
    return ints


def pack(ints):
    return struct.pack("<%di" % len(ints), *ints)


def hostile_block():
    header = list(HEADER)
    header[5] = INT_MAX          # trail width
    header[6] = INT_MIN          # timeout
    header[8] = INT_MIN          # sensitivity
    ints = block(header)
    ints[15] = -1                # Explorer count of action 0
    ints[16] = 6
    ints[17] = INT_MIN
    ints[18] = INT_MAX
    ints[31:36] = [7, -1, INT_MAX, INT_MIN, 4]   # codes outside 0..3
    ints[111] = 5                # browser action 0: five strokes, slots beyond the pattern
    ints[140:145] = [U, R, D, L, U]
    ints[139] = 5                # the last browser action: five strokes in the last slots
    ints[280:285] = [L, D, R, U, L]
    return ints


# Moves for the readers behind the block: bytes the fuzz data provider turns into
# recordings, pointer steps and buffer sizes.
MOVES = bytes(range(0, 256, 3)) + bytes([0x10, 0x00, 0x11, 0x31, 0xFF, 0x7F, 0x80, 0x01] * 8)


def write(target, name, data):
    folder = os.path.join(CORPUS, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def settings_file_seeds():
    t = "settings_file_fuzzer"
    image = pack(block())
    write(t, "default-image", image)
    write(t, "version-22", pack([22]) + image[4:])
    write(t, "hostile-values", pack(hostile_block()))
    write(t, "long-1200", image + MOVES[:60])
    write(t, "empty", b"")
    # Cut inside and at the ends of pieces: header, Explorer counts, the first Explorer
    # entry, the last one, browser counts, the last browser entry.
    for cut in (3, 59, 60, 62, 123, 124, 143, 144, 444, 445, 559, 560, 1120, 1139):
        write(t, "cut-%04d" % cut, image[:cut])


def settings_readers_seeds():
    t = "settings_readers_fuzzer"
    write(t, "default-block-moves", pack(block()) + MOVES)
    write(t, "hostile-block-moves", pack(hostile_block()) + MOVES)
    write(t, "zero-block", bytes(1140) + MOVES[:32])
    write(t, "ones-block", b"\xff" * 1140 + MOVES[:32])
    # A sensitivity of 0: every pointer step is a stroke.
    header = list(HEADER)
    header[8] = 0
    write(t, "no-dead-zone", pack(block(header)) + MOVES)


def utf16(*texts):
    return b"\0\0".join(t.encode("utf-16-le", "surrogatepass") for t in texts)


def address_seeds():
    t = "address_fuzzer"
    seeds = {
        "file-folder": utf16("file:///C:/WINDOWS/system32"),
        "file-root": utf16("file:///C:/"),
        "file-spaces": utf16("file:///C:/Program%20Files/Common%20Files/"),
        "file-percent-cut": utf16("file:///C:/a%2", "file:///C:/b%20"),
        "web-page": utf16("http://www.example.com/dir/sub/page.html?q=a%20b#frag"),
        "web-host": utf16("http://www.example.com/"),
        "web-short-host": utf16("http://a/", "ftp://b/c"),
        "about-blank": utf16("about:blank"),
        "empty": b"",
        "slashes": utf16("////", "/"),
        "surrogates": utf16("file:///C:/\U0001F600/\U0001F600x/\U0001F600"),
        "lone-surrogates": utf16("http://h/\ud800/\udc00\ud800"),
        "long-file": utf16("file:///C:/" + "folder%20name/" * 30),
        "long-web": utf16("http://www.example.com/" + "level/" * 60, "x" * 300),
        "two-texts": utf16("http://example.com/a/b", "file:///D:/Data/x"),
    }
    for name, data in seeds.items():
        write(t, name, data)


if __name__ == "__main__":
    settings_file_seeds()
    settings_readers_seeds()
    address_seeds()

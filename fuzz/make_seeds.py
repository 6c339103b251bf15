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


SHELL_LINK_CLSID = bytes([0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                          0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46])


def u16(v):
    return struct.pack("<H", v)


def u32(v):
    return struct.pack("<I", v)


def item_list(*items):
    """The items (their data), each behind its size, and the terminator."""
    return b"".join(u16(len(i) + 2) + i for i in items) + u16(0)


def link_header(flags):
    return (u32(0x4C) + SHELL_LINK_CLSID + u32(flags)).ljust(0x4C, b"\0")


def local_link_info(path):
    volume = u32(0x11) + u32(3) + u32(0x1234ABCD) + u32(0x10) + b"\0"
    path = path.encode("ascii") + b"\0"
    volume_at = 0x1C
    path_at = volume_at + len(volume)
    suffix_at = path_at + len(path)
    size = suffix_at + 1
    return u32(size) + u32(0x1C) + u32(1) + u32(volume_at) + u32(path_at) + u32(0) + u32(suffix_at) \
        + volume + path + b"\0"


def network_link_info():
    """Both parts, with the Unicode offsets of a 0x24-byte header and a Unicode label."""
    volume = u32(0x18) + u32(4) + u32(0) + u32(0x14) + u32(0x14) + "V".encode("utf-16-le") + u16(0)
    net_name, device = b"\\\\server\\share\0", b"Z:\0"
    net_name_w = "\\\\server\\share".encode("utf-16-le") + u16(0)
    device_w = "Z:".encode("utf-16-le") + u16(0)
    fixed = 0x1C
    network = u32(0) + u32(1 | 2) + u32(fixed) + u32(fixed + len(net_name)) + u32(0x20000) \
        + u32(fixed + len(net_name) + len(device)) + u32(fixed + len(net_name) + len(device) + len(net_name_w))
    network += net_name + device + net_name_w + device_w
    network = u32(len(network)) + network[4:]
    local_path = b"Z:\\dir\0"
    local_path_w = "Z:\\dir".encode("utf-16-le") + u16(0)
    volume_at = 0x24
    path_at = volume_at + len(volume)
    network_at = path_at + len(local_path)
    suffix_at = network_at + len(network)
    path_w_at = suffix_at + 1
    suffix_w_at = path_w_at + len(local_path_w)
    size = suffix_w_at + 2
    return u32(size) + u32(0x24) + u32(1 | 2) + u32(volume_at) + u32(path_at) + u32(network_at) + u32(suffix_at) \
        + u32(path_w_at) + u32(suffix_w_at) + volume + local_path + network + b"\0" + local_path_w + u16(0)


def shortcut_seeds():
    t = "shortcut_fuzzer"
    computer = bytes([0x1F, 0x50]) + bytes(range(16))
    drive = b"/C:\\" + bytes(19)
    folder = bytes([0x31, 0]) + bytes(10) + b"test\0\0"
    items = item_list(computer, drive, folder)
    name = u16(4) + "Docs".encode("utf-16-le")
    known_folder = u32(0x1C) + u32(0xA000000B) + bytes(range(16)) + u32(len(computer) + 2)
    write(t, "local-folder", link_header(0x01 | 0x02 | 0x04 | 0x80) + u16(len(items)) + items
          + local_link_info("C:\\test") + name + known_folder + u32(0))
    strings = u16(5) + b"..\\up" + u16(3) + b"C:\\"
    environment = u32(0x314) + u32(0xA0000001) + b"%HOME%".ljust(260, b"\0") \
        + "%HOME%".encode("utf-16-le").ljust(520, b"\0")
    vista_items = item_list(computer, drive)
    vista = u32(8 + len(vista_items)) + u32(0xA000000C) + vista_items
    write(t, "network-parts", link_header(0x01 | 0x02 | 0x08 | 0x10) + u16(len(items)) + items
          + network_link_info() + strings + environment + vista + u32(0))
    desktop = item_list()
    write(t, "desktop", link_header(0x01) + u16(len(desktop)) + desktop + u32(0))
    write(t, "empty", b"")


if __name__ == "__main__":
    settings_file_seeds()
    settings_readers_seeds()
    address_seeds()
    shortcut_seeds()

#!/usr/bin/env python3
"""Writes the sample bitmaps ImageMagick does not write, from the ones it does (see
README.md): run-length files with absolute runs, deltas and 4 bits per pixel, headers of
52 and 56 bytes, and the hostile run-length files. Run in this folder."""
import struct


def read_bmp(name):
    """Header fields, colour table bytes and the stored rows of an uncompressed file."""
    data = open(name, 'rb').read()
    offset = struct.unpack_from('<I', data, 10)[0]
    size, width, height, _, bits, _, _, _, _, used, _ = struct.unpack_from('<IiiHHIIiiII', data, 14)
    colours = used or (1 << bits if bits <= 8 else 0)
    table = data[14 + size:14 + size + 4 * colours]
    row_bytes = (bits * width + 31) // 32 * 4
    rows = [data[offset + r * row_bytes:offset + (r + 1) * row_bytes] for r in range(height)]
    return width, height, bits, table, rows


def indices(row, width, bits):
    if bits == 8:
        return list(row[:width])
    return [(row[x // 2] >> (0 if x & 1 else 4)) & 15 for x in range(width)]


def pack(values, bits):
    """Absolute-run bytes: one a pixel, or two nibbles a byte (high first), padded to even."""
    if bits == 4:
        values = values + [0] * (len(values) & 1)
        out = bytes(values[i] << 4 | values[i + 1] for i in range(0, len(values), 2))
    else:
        out = bytes(values)
    return out + b'\0' * (len(out) & 1)


def run_length(values, i):
    n = 1
    while i + n < len(values) and n < 255 and values[i + n] == values[i]:
        n += 1
    return n


def alternating_length(values, i):
    """Length of the stretch a, b, a, b, ... (a != b) from i."""
    n = 2 if i + 1 < len(values) and values[i + 1] != values[i] else 0
    while n and i + n < len(values) and n < 255 and values[i + n] == values[i + n - 2]:
        n += 1
    return n


def encode_row(values, bits, skip_zeros):
    """Runs of 3 or more as encoded runs (at 4 bits also two indices taking turns),
    mixed stretches as absolute runs; with skip_zeros, runs of 4 or more index 0 become
    deltas (or the end of the line)."""
    out = b''
    i = 0
    while i < len(values):
        n = run_length(values, i)
        if bits == 4 and n < 3 and alternating_length(values, i) >= 3:
            n = alternating_length(values, i)
            out += bytes([n, values[i] << 4 | values[i + 1]])
        elif skip_zeros and values[i] == 0 and n >= 4:
            if i + n == len(values):
                break
            out += bytes([0, 2, n, 0])
        elif n >= 3:
            out += bytes([n, values[i] << 4 | values[i] if bits == 4 else values[i]])
        else:
            j = i
            while j < len(values) and j - i < 255 and run_length(values, j) < 3:
                j += run_length(values, j)
            j = min(j, i + 255)
            if j - i >= 3:
                out += bytes([0, j - i]) + pack(values[i:j], bits)
                n = j - i
            else:
                out += bytes([n, values[i] << 4 | values[i] if bits == 4 else values[i]])
        i += n
    return out


def bmp(width, height, bits, compression, table, pixels, header_extra=b''):
    """A file with a 40-byte info header (or a longer one: header_extra follows it)."""
    header_size = 40 + len(header_extra)
    info = struct.pack('<IiiHHIIiiII', header_size, width, height, 1, bits, compression, len(pixels), 0, 0,
                       len(table) // 4, 0) + header_extra
    offset = 14 + len(info) + len(table)
    return struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset) + info + table + pixels


def rle_file(source, bits, compression, skip_zeros, eob_replaces_last_eol):
    width, height, _, table, rows = read_bmp(source)
    stream = b''
    for r, row in enumerate(rows):
        stream += encode_row(indices(row, width, bits), bits, skip_zeros)
        last = r == len(rows) - 1
        stream += b'\0\1' if last and eob_replaces_last_eol else b'\0\0'
    if not eob_replaces_last_eol:
        stream += b'\0\1'
    return bmp(width, height, bits, compression, table, stream)


def shorter_header(source, header_size):
    """The file again with its first header_size header bytes only (the masks stay in)."""
    data = open(source, 'rb').read()
    offset = struct.unpack_from('<I', data, 10)[0]
    header = bytearray(data[14:14 + header_size])
    struct.pack_into('<I', header, 0, header_size)
    pixels = data[offset:]
    return struct.pack('<2sIHHI', b'BM', 14 + header_size + len(pixels), 0, 0, 14 + header_size) + header + pixels


def write(name, data):
    open(name, 'wb').write(data)


RLE8, RLE4 = 1, 2
write('rle8-absolute.bmp', rle_file('plain-8bit.bmp', 8, RLE8, False, False))
write('rle8-delta.bmp', rle_file('plain-8bit.bmp', 8, RLE8, True, False))
write('rle4.bmp', rle_file('plain-4bit.bmp', 4, RLE4, False, True))
write('bitfields-565-v3.bmp', shorter_header('bitfields-565.bmp', 56))
write('bitfields-32-v2.bmp', shorter_header('bitfields-32.bmp', 52))

# Hostile run-length files, 6 x 4 pixels, colours 0 green, 1 red, 2 blue, 3 white.
TABLE = bytes([0, 255, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0, 255, 255, 255, 0])
write('hostile-run-past-row.bmp', bmp(6, 4, 8, RLE8, TABLE, bytes(
    [9, 1, 0, 0,                        # an encoded run of 9 in a row of 6
     2, 2, 0, 7, 3, 3, 3, 3, 3, 3, 3, 0,  # 2 + an absolute run of 7: 4 kept
     250, 1, 250, 2, 0, 0,              # runs far past the end
     0, 1])))
write('hostile-run-past-end.bmp', bmp(6, 4, 8, RLE8, TABLE, bytes(
    [6, 1, 0, 0, 6, 2, 0, 0, 6, 3, 0, 0, 6, 1, 0, 0]   # all four lines, then more
    + [255, 2, 0, 0] * 40 + [0, 3, 1, 2, 3, 0])))     # and a last absolute run, no end
write('hostile-delta-out.bmp', bmp(6, 4, 8, RLE8, TABLE, bytes(
    [1, 1, 0, 2, 200, 0, 3, 2, 0, 0,  # delta right past the row: the run is dropped
     1, 3, 0, 2, 0, 200,              # delta up past the top line: the end
     5, 2, 0, 1])))
write('hostile-truncated.bmp', bmp(6, 4, 8, RLE8, TABLE, bytes([6, 1, 0, 0, 0, 6, 1, 2, 3])))
write('hostile-truncated-delta.bmp', bmp(6, 4, 8, RLE8, TABLE, bytes([6, 1, 0, 0, 0, 2, 1])))
write('hostile-rle4-past-row.bmp', bmp(5, 3, 4, RLE4, TABLE, bytes(
    [7, 0x12, 0, 0,                                 # a run of 7 in a row of 5
     0, 9, 0x31, 0x23, 0x12, 0x31, 0x20, 0, 0, 0,   # an absolute run of 9 (and its pad)
     2, 0x33, 0, 2, 9, 9,                           # a delta out of the picture
     0, 1])))
write('hostile-top-down.bmp', bmp(6, -4, 8, RLE8, TABLE, bytes([6, 1, 0, 1])))
write('hostile-bit-count.bmp', bmp(6, 4, 24, RLE8, b'', bytes([6, 1, 0, 1])))
write('hostile-huge.bmp', bmp(60000, 60000, 8, RLE8, TABLE, bytes([255, 1, 0, 1])))
huge_table = bytearray(bmp(6, 4, 8, RLE8, TABLE, bytes([6, 1, 0, 1])))
struct.pack_into('<I', huge_table, 46, 0x10000000)  # biClrUsed: a table far past the end
write('hostile-colour-count.bmp', bytes(huge_table))

#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into tests/fuzz/corpus-<target>/: a handful
of small valid and nearly valid inputs each. The files are in the tree; run this again
only to change them (python3 tests/fuzz/make_seeds.py)."""

import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def write(target, name, data):
    folder = os.path.join(HERE, "corpus-" + target)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("latin-1")
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


# --- PNG files --------------------------------------------------------------------------

def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def png(width, height, depth, colour, rows, extra=b"", interlace=0):
    header = struct.pack(">IIBBBBB", width, height, depth, colour, 0, 0, interlace)
    raw = b"".join(b"\x00" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + extra +
            chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def png_seeds():
    rgb = png(2, 2, 8, 2, [bytes([255, 0, 0, 0, 255, 0]), bytes([0, 0, 255, 255, 255, 255])])
    write("png_decoder", "rgb8-2x2.png", rgb)
    write("png_decoder", "grey1-8x2.png", png(8, 2, 1, 0, [b"\xA5", b"\x5A"]))
    palette = chunk(b"PLTE", bytes([0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255])) + chunk(b"tRNS", b"\x00\x80")
    write("png_decoder", "palette4-trns.png", png(4, 2, 4, 3, [b"\x01\x23", b"\x32\x10"], palette))
    write("png_decoder", "grey-alpha16.png",
          png(2, 1, 16, 4, [bytes([0x12, 0x34, 0xFF, 0xFF, 0xAB, 0xCD, 0x00, 0x00])]))
    write("png_decoder", "rgba8-gamma.png",
          png(1, 2, 8, 6, [bytes([10, 20, 30, 40]), bytes([200, 100, 50, 255])],
              chunk(b"gAMA", struct.pack(">I", 45455))))
    write("png_decoder", "interlaced-3x3.png", png(3, 3, 8, 0, [b"\x00\x40\x80", b"\x40\x80\xC0", b"\x80\xC0\xFF"],
                                                   interlace=1))
    write("png_decoder", "bad-truncated.png", rgb[:len(rgb) - 20])
    bad_crc = bytearray(rgb)
    bad_crc[29] ^= 0xFF  # the header chunk's checksum
    write("png_decoder", "bad-header-crc.png", bytes(bad_crc))
    write("png_decoder", "bad-too-wide.png", png(20000, 1, 8, 0, [bytes(20000)])[:80])


# --- Profile files ----------------------------------------------------------------------

def profile_seeds():
    write("profile", "settings.ini",
          "; Vexilo\r\n[Vexilo]\r\nGamma=100\r\nsavedir=\"/home/user/My pictures\"\r\nEH = 640\r\n\r\n"
          "[CALIBRATION]\r\nname_0=Data1\r\nlength.x_0=10\r\nunit_0=1\r\n")
    write("profile", "nul-bytes.ini", "[S]\r\nK=1\x002\r\nA\x00B=3\r\n[T\x00]\r\nV=\x00\r\n")
    write("profile", "utf16le-bom.ini", "\xFF\xFE" + "[S]\r\nK=5\r\n".encode("utf-16-le").decode("latin-1"))
    write("profile", "utf16le-no-bom.ini", "[S]\r\nK=5\r\nL=6\r\n".encode("utf-16-le").decode("latin-1"))
    write("profile", "cr-only.ini", "[S]\rK=1\rL=2\r[T]\rM=3\r")
    write("profile", "utf8-bom.ini", "\xEF\xBB\xBF[S]\nK=1\nL='q'\n")
    write("profile", "duplicate-keys.ini",
          "[S]\n" + "".join("k=%d\n" % i for i in range(40)) + "[s]\nK=last\n[S]\nk=again")
    write("profile", "odd-lines.ini",
          "orphan=1\n[]\n=empty\n[ A ] tail\n  key  =  \" spaced \"  \n[B\nno equals\n;c=1\n[a]\nX=-2147483649\n")


# --- Camera-setting files ---------------------------------------------------------------

def camera_set_seeds():
    write("camera_set_file", "saved.ini", "[Vexilo]\r\nTH=700\r\nTV=500\r\nEH=320\r\nEV=240\r\nEHS=16\r\nEVS=8\r\n")
    write("camera_set_file", "models.ini",
          "[Quenta]\r\nEH=640\r\nEV=480\r\n[Talvik]\r\nEH=320\r\n[vardin]\r\nEHS= 8 \r\n[Nivra]\r\nTH=-5\r\n")
    write("camera_set_file", "fields.ini",
          "[Zephel]\nEV=2147483647\nEVS=2147483648\nTV=+12\nTH=0012\n 42 \n-0\n+-5\n\t7\t\n99999999999\n")
    write("camera_set_file", "cr-only.ini", "[Caldor]\rEH=100\rEV=50\r")


# --- Intel HEX files --------------------------------------------------------------------

def hex_line(kind, address, data):
    body = bytes([len(data), address >> 8, address & 0xFF, kind]) + bytes(data)
    return ":" + (body + bytes([(-sum(body)) & 0xFF])).hex().upper() + "\r\n"


def intel_hex_seeds():
    end = ":00000001FF\r\n"
    write("intel_hex", "small.hex", hex_line(4, 0, [0, 0]) + hex_line(0, 0x0100, range(20)) +
          hex_line(0, 0x1B3F, [0x42]) + hex_line(5, 0, [0, 0, 0, 0]) + end)
    write("intel_hex", "segment.hex", hex_line(2, 0, [0x01, 0x00]) + hex_line(0, 0x20, [1, 2]) +
          hex_line(3, 0, [0, 0, 0, 0]) + end.lower() + "trailing text")
    write("intel_hex", "top-of-memory.hex", hex_line(0, 0xFFF0, [0xEE] * 16) + "\n  \n" + end)
    write("intel_hex", "bad-checksum.hex", hex_line(0, 0, [1, 2, 3])[:-4] + "00\r\n" + end)
    write("intel_hex", "bad-no-end.hex", hex_line(0, 0, [1, 2, 3]))
    write("intel_hex", "bad-beyond.hex", hex_line(4, 0, [0, 1]) + hex_line(0, 0, [1]) + end)


# --- Firmware record lists ----------------------------------------------------------------

def record(kind, address, data, length=None):
    data = bytes(data)
    body = data + bytes(16 - len(data))
    return struct.pack("<BBHB", len(data) if length is None else length, 0, address, kind) + body + b"\0"


def firmware_record_seeds():
    end = record(1, 0, [])
    write("firmware_records", "small.rec", record(0, 0x0100, range(16)) + record(0, 0x1B3F, [0x42]) + end)
    write("firmware_records", "trailing.rec", record(0, 0xFFF0, [0xEE] * 16) + end + b"after the end")
    write("firmware_records", "bad-length.rec", record(0, 0, range(16), length=17) + end)
    write("firmware_records", "bad-no-end.rec", record(0, 0, [1, 2, 3]) + record(0, 3, [4])[:10])


# --- vexilo-cli measure input -----------------------------------------------------------

def measure_seeds():
    write("measure_input", "every-tool.txt",
          "# every tool\nline 0 0 0 100\narea 10 10 50 10 50 40\ncircle 0 10 10 0 20 10\n"
          "circle2 0 10 10 0 20 10 100 110 110 100 120 110\nsui 0 0 100 0 50 20 70 -30\nangle 100 0 0 0 0 100\n")
    write("measure_input", "numbers.txt", "\r\n  line\t+1.5 .5 1e2 -2.5E-1\r\nangle 1 1 1 1 2 2\r\n\r\narea 5 5")
    write("measure_input", "big-area.txt", "area -1e9 -1e9 1e9 -1e9 1e9 1e9 -1e9 1e9\narea 3 3\n")
    write("measure_input", "bad-type.txt", "line 0 0 1 1\nsquare 0 0 1 1\nline 0 0 1 1\n")
    write("measure_input", "bad-number.txt", "circle 0 0 1 x 2 2\n")
    write("measure_input", "bad-count.txt", "sui 0 0 1 1\n")


if __name__ == "__main__":
    png_seeds()
    profile_seeds()
    camera_set_seeds()
    intel_hex_seeds()
    firmware_record_seeds()
    measure_seeds()

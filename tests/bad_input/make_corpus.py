#!/usr/bin/python3
"""Writes a corpus of damaged, unusual and hostile picture files into a folder.

Usage: make_corpus.py OUTPUT_DIR SAMPLE_JPEG

Each file's expected outcome goes to OUTPUT_DIR/expect.tsv as
"name<TAB>good|bad|any": good pictures must be saved, bad ones must give an
error entry, and "any" ones (damaged but partly decodable) may go either way
as long as nothing crashes or hangs. ImageMagick's `convert` makes the
formats Python cannot write by itself; files it cannot make are left out.
"""
import os
import shutil
import struct
import subprocess
import sys
import zlib


def png(width, height, depth=8, color_type=2):
    channels = {0: 1, 2: 3, 6: 4}[color_type]
    bpp = channels * depth // 8
    raw = b"".join(b"\x00" + bytes((x * 7 + y * 3) % 256 for x in range(width * bpp)) for y in range(height))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    ihdr = struct.pack(">IIBBBBB", width, height, depth, color_type, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b"")


def tiff_ifd_entry(tag, typ, count, value, big_endian):
    e = ">" if big_endian else "<"
    return struct.pack(e + "HHI", tag, typ, count) + value


def exif_app1(ifd_builder, big_endian=False):
    """An APP1 segment whose TIFF body comes from ifd_builder(e) -> bytes (after the 8-byte header)."""
    e = ">" if big_endian else "<"
    header = (b"MM" if big_endian else b"II") + struct.pack(e + "HI", 42, 8)
    body = header + ifd_builder(e)
    payload = b"Exif\x00\x00" + body
    return b"\xFF\xE1" + struct.pack(">H", len(payload) + 2) + payload


def with_app1(jpeg, app1):
    return jpeg[:2] + app1 + jpeg[2:]


def looping_ifd(e):
    # IFD0 at offset 8 with one Orientation entry whose next-IFD offset is 8 again.
    return struct.pack(e + "H", 1) + struct.pack(e + "HHIHH", 274, 3, 1, 6, 0) + struct.pack(e + "I", 8)


def self_sub_ifd(e):
    # The Exif sub-IFD pointer (34665) leads back to IFD0 itself.
    return struct.pack(e + "H", 1) + struct.pack(e + "HHII", 34665, 4, 1, 8) + struct.pack(e + "I", 0)


def huge_count(e):
    # DateTimeOriginal claiming 0xFFFFFFF0 characters at a far offset.
    return struct.pack(e + "H", 1) + struct.pack(e + "HHII", 36867, 2, 0xFFFFFFF0, 0x7FFFFFF0) + struct.pack(e + "I", 0)


def negative_rational(e):
    # ExposureBiasValue as a signed rational -1/3, stored after the IFD.
    ifd = struct.pack(e + "H", 1) + struct.pack(e + "HHII", 37380, 10, 1, 8 + 2 + 12 + 4) + struct.pack(e + "I", 0)
    return ifd + struct.pack(e + "ii", -1, 3)


def png_claiming(data, width, height):
    """A PNG whose header claims another size (its CRC fixed, so only the size lies)."""
    ihdr = bytearray(data[12:29])
    ihdr[4:12] = struct.pack(">II", width, height)
    crc = struct.pack(">I", zlib.crc32(bytes(ihdr)) & 0xFFFFFFFF)
    return data[:12] + bytes(ihdr) + crc + data[33:]


def sof_dims(jpeg, width, height):
    """Rewrites the frame header's size fields."""
    data = bytearray(jpeg)
    i = 2
    while i + 9 < len(data):
        if data[i] != 0xFF:
            break
        marker = data[i + 1]
        length = struct.unpack(">H", data[i + 2:i + 4])[0]
        if marker in (0xC0, 0xC1, 0xC2):
            data[i + 5:i + 9] = struct.pack(">HH", height, width)
            break
        i += 2 + length
    return bytes(data)


def convert(args, out):
    try:
        subprocess.run(["convert"] + args + [out], check=True, capture_output=True, timeout=60)
        return True
    except (OSError, subprocess.SubprocessError):
        return False


def main():
    out_dir, sample = sys.argv[1], sys.argv[2]
    os.makedirs(out_dir, exist_ok=True)
    jpeg = open(sample, "rb").read()
    expect = []

    def write(name, data, outcome):
        with open(os.path.join(out_dir, name), "wb") as f:
            f.write(data)
        expect.append((name, outcome))

    good_png = png(64, 48)
    write("good.png", good_png, "good")
    write("good.jpg", jpeg, "good")
    for frac in (0.1, 0.5, 0.9):
        write("truncated_%d.jpg" % int(frac * 100), jpeg[: int(len(jpeg) * frac)], "any")
    for cut in (8, 33, len(good_png) - 20):
        write("truncated_%d.png" % cut, good_png[:cut], "any" if cut > 40 else "bad")
    write("zero.jpg", b"", "bad")
    write("zero.png", b"", "bad")
    write("png_named.jpg", good_png, "good")
    write("garbage.png", bytes(range(256)) * 4, "bad")
    write("only_marker.jpg", b"\xFF\xD8\xFF", "bad")
    write("exif_loop.jpg", with_app1(jpeg, exif_app1(looping_ifd)), "good")
    write("exif_loop_motorola.jpg", with_app1(jpeg, exif_app1(looping_ifd, True)), "good")
    write("exif_self_subifd.jpg", with_app1(jpeg, exif_app1(self_sub_ifd)), "good")
    write("exif_huge_count.jpg", with_app1(jpeg, exif_app1(huge_count)), "good")
    write("exif_negative_rational.jpg", with_app1(jpeg, exif_app1(negative_rational, True)), "good")
    write("app1_at_end.jpg", jpeg + b"\xFF\xE1\x00\x10Exif\x00\x00II*\x00", "good")
    write("one_pixel.png", png(1, 1), "good")
    write("one_row.png", png(300, 1), "good")
    write("one_column.png", png(1, 60), "good")
    write("huge_claim.jpg", sof_dims(jpeg, 60000, 60000), "any")
    write("huge_png_claim.png", png_claiming(good_png, 30000, 20000), "bad")
    write("deep_16bit.png", png(40, 30, depth=16), "good")
    write("alpha.png", png(40, 30, color_type=6), "good")
    write("grey.png", png(40, 30, color_type=0), "good")
    sub = os.path.join(out_dir, "中文 目录")
    os.makedirs(sub, exist_ok=True)
    shutil.copy(sample, os.path.join(sub, "照片 一.jpg"))
    expect.append(("中文 目录/照片 一.jpg", "good"))

    made = [
        ("multipage.tiff", ["-size", "60x40", "xc:red", "-size", "60x40", "xc:blue"]),
        ("animated.gif", ["-delay", "10", "-size", "60x40", "xc:red", "-size", "60x40", "xc:blue", "-loop", "0"]),
        ("cmyk.jpg", [sample, "-resize", "200x", "-colorspace", "CMYK"]),
        ("grey.jpg", [sample, "-resize", "200x", "-colorspace", "Gray"]),
        ("progressive.jpg", [sample, "-resize", "300x", "-interlace", "Plane"]),
        ("palette.bmp", ["-size", "50x30", "xc:green", "-type", "Palette", "BMP3:"]),
    ]
    for name, args in made:
        target = os.path.join(out_dir, name)
        if args[-1].endswith(":"):
            prefix = args.pop()
            target_arg = prefix + target
        else:
            target_arg = target
        if convert(args, target_arg):
            expect.append((name, "good"))

    with open(os.path.join(out_dir, "expect.tsv"), "w", encoding="utf-8") as f:
        for name, outcome in expect:
            f.write("%s\t%s\n" % (name, outcome))


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""Writes the image fixtures of the imaging tests with programs other than the toolkit, and for
each fixture a reference decode made by another program at the same time.

Run from this folder:  /usr/bin/python3 make_fixtures.py
Needs Pillow (python3-pil) and ImageMagick 6 (/usr/bin/convert); the tests themselves never do.

Reference files (<fixture>.ref): u32 width, u32 height (little-endian), then width x height
RGBA quadruples, rows top to bottom, as decoded by Pillow or ImageMagick (named in MANIFEST).
"""
import io
import struct
import subprocess

from PIL import Image

CONVERT = "/usr/bin/convert"
W, H = 24, 16
manifest = []


def source_rgba():
    image = Image.new("RGBA", (W, H))
    for y in range(H):
        for x in range(W):
            r = (x * 11) & 255
            g = (y * 15) & 255
            b = ((x + y) * 7) & 255
            a = 255 if x < 8 else (0 if x >= 20 else (y * 17) & 255)
            image.putpixel((x, y), (r, g, b, a))
    return image


def source_opaque():
    return source_rgba().convert("RGB")


def source_blocks():
    """Flat areas, so that run-length forms have runs to find."""
    image = Image.new("RGB", (W, H))
    colours = [(255, 0, 0), (0, 128, 255), (40, 200, 40), (250, 250, 250)]
    for y in range(H):
        for x in range(W):
            image.putpixel((x, y), colours[(x // 6 + y // 5) % 4] if (x + y) % 9 else (0, 0, 0))
    return image


def write_ref(name, image, maker):
    rgba = image.convert("RGBA")
    with open(name + ".ref", "wb") as out:
        out.write(struct.pack("<II", rgba.width, rgba.height))
        out.write(rgba.tobytes())
    manifest.append(f"{name}: reference decoded by {maker}")


def magick_ref(name, frame=""):
    data = subprocess.run([CONVERT, name + frame, "-depth", "8", "rgba:-"], check=True,
                          capture_output=True).stdout
    size = subprocess.run(["/usr/bin/identify", "-format", "%w %h\n", name + frame], check=True,
                          capture_output=True, text=True).stdout.split()
    w, h = int(size[0]), int(size[1])
    assert len(data) == w * h * 4, name
    with open(name + ".ref", "wb") as out:
        out.write(struct.pack("<II", w, h))
        out.write(data)
    manifest.append(f"{name}: reference decoded by ImageMagick ({CONVERT} {name}{frame} -depth 8 rgba:-)")


def magick(source_image, name, *options):
    buffer = io.BytesIO()
    source_image.save(buffer, "PNG")
    subprocess.run([CONVERT, "png:-", *options, name], input=buffer.getvalue(), check=True)
    manifest.append(f"{name.split(':')[-1]}: {CONVERT} <source> {' '.join(options)} {name}")


def pillow_ref(name, mode="RGBA"):
    write_ref(name, Image.open(name).convert(mode), "Pillow")


def rle4_bmp(name, image):
    """A 4-bit RLE bitmap written by hand (ImageMagick and Pillow write none): encoded runs,
    absolute runs of odd and even length, end-of-line codes and the end-of-bitmap code."""
    quantised = image.quantize(colors=16)
    palette = quantised.getpalette()[: 16 * 3]
    pixels = list(quantised.getdata())
    rows = []
    for y in range(H - 1, -1, -1):
        row = pixels[y * W:(y + 1) * W]
        out = bytearray()
        x = 0
        while x < W:
            run = 1
            while x + run < W and run < 255 and row[x + run] == row[x]:
                run += 1
            if run >= 3 or W - x < 3:
                out += bytes([run, (row[x] << 4) | row[x]])
                x += run
            else:
                count = min(5 if (x // 3) % 2 else 6, W - x)
                chunk = row[x:x + count]
                packed = bytearray()
                for i in range(0, count, 2):
                    hi = chunk[i]
                    lo = chunk[i + 1] if i + 1 < count else 0
                    packed.append((hi << 4) | lo)
                while len(packed) % 2:
                    packed.append(0)
                out += bytes([0, count]) + packed
                x += count
        out += bytes([0, 0]) if y else bytes()
        rows.append(out)
    data = b"".join(rows) + bytes([0, 1])
    colours = b"".join(bytes([palette[i * 3 + 2], palette[i * 3 + 1], palette[i * 3], 0]) for i in range(16))
    offset = 14 + 40 + len(colours)
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 4, 2, len(data), 2835, 2835, 16, 0)
    with open(name, "wb") as out:
        out.write(header + info + colours + data)
    manifest.append(f"{name}: written by hand by make_fixtures.py (RLE4, last row ends with end-of-bitmap only)")


def main():
    opaque = source_opaque()
    rgba = source_rgba()
    blocks = source_blocks()

    # BMP
    for name, options in [
        ("bmp_24.bmp", ["-type", "TrueColor", "BMP3:bmp_24.bmp"]),
        ("bmp_8.bmp", ["-colors", "200", "-type", "Palette", "BMP3:bmp_8.bmp"]),
        ("bmp_4.bmp", ["-colors", "16", "-type", "Palette", "BMP3:bmp_4.bmp"]),
        ("bmp_1.bmp", ["-monochrome", "BMP3:bmp_1.bmp"]),
        ("bmp_rle8.bmp", ["-colors", "16", "-type", "Palette", "-compress", "RLE", "BMP3:bmp_rle8.bmp"]),
        ("bmp_os2.bmp", ["-type", "TrueColor", "BMP2:bmp_os2.bmp"]),
        ("bmp_v5_24.bmp", ["-type", "TrueColor", "BMP:bmp_v5_24.bmp"]),
        ("bmp_v5_8.bmp", ["-colors", "100", "-type", "Palette", "BMP:bmp_v5_8.bmp"]),
    ]:
        buffer = io.BytesIO()
        (blocks if "rle" in name or "_4" in name else opaque).save(buffer, "PNG")
        subprocess.run([CONVERT, "png:-", *options], input=buffer.getvalue(), check=True)
        manifest.append(f"{name}: {CONVERT} <source> {' '.join(options)}")
        pillow_ref(name)
    rle4_bmp("bmp_rle4.bmp", blocks)
    # Pillow 9.4 misreads this file's absolute runs; ImageMagick and an independent decode agree.
    magick_ref("bmp_rle4.bmp")
    for mode, name in [("1", "bmp_pil_1.bmp"), ("P", "bmp_pil_8.bmp"), ("RGB", "bmp_pil_24.bmp")]:
        source = blocks.convert(mode) if mode != "P" else blocks.quantize(colors=64)
        source.save(name)
        manifest.append(f"{name}: Pillow Image.save mode {mode}")
        pillow_ref(name)

    # JPEG
    for name, options in [
        ("jpeg_baseline.jpg", ["-quality", "90"]),
        ("jpeg_progressive.jpg", ["-quality", "90", "-interlace", "Plane"]),
        ("jpeg_grey.jpg", ["-colorspace", "Gray", "-quality", "90"]),
        ("jpeg_cmyk.jpg", ["-colorspace", "CMYK", "-quality", "90"]),
    ]:
        buffer = io.BytesIO()
        opaque.save(buffer, "PNG")
        subprocess.run([CONVERT, "png:-", *options, name], input=buffer.getvalue(), check=True)
        manifest.append(f"{name}: {CONVERT} <source> {' '.join(options)} {name}")
        if "cmyk" not in name:
            pillow_ref(name)
    tall = Image.new("RGB", (W, 64))
    for y in range(64):
        for x in range(W):
            tall.putpixel((x, y), ((x * 11) & 255, (y * 4) & 255, 128))
    buffer = io.BytesIO()
    tall.save(buffer, "PNG")
    subprocess.run([CONVERT, "png:-", "-quality", "90", "jpeg_tall.jpg"], input=buffer.getvalue(), check=True)
    manifest.append(f"jpeg_tall.jpg: {CONVERT} <24 x 64 source> -quality 90 jpeg_tall.jpg")
    pillow_ref("jpeg_tall.jpg")
    with open("jpeg_tall.jpg", "rb") as f:
        data = f.read()
    scan = data.index(b"\xff\xda")
    with open("jpeg_truncated.jpg", "wb") as f:
        f.write(data[: scan + (len(data) - scan) // 2])
    manifest.append("jpeg_truncated.jpg: jpeg_tall.jpg cut in the middle of its scan data")

    # PNG
    magick(rgba, "png_rgba_bkgd.png", "-background", "rgb(0,0,255)", "-define", "png:exclude-chunk=gAMA,cHRM,iCCP,sRGB")
    pillow_ref("png_rgba_bkgd.png")
    rgba.save("png_rgba.png")
    manifest.append("png_rgba.png: Pillow Image.save RGBA (no bKGD)")
    pillow_ref("png_rgba.png")
    palette = blocks.quantize(colors=8)
    palette.info["transparency"] = bytes([0, 128, 255, 64])
    palette.save("png_palette_trns.png", transparency=bytes([0, 128, 255, 64]))
    manifest.append("png_palette_trns.png: Pillow P mode, 8 colours, tRNS for the first four")
    pillow_ref("png_palette_trns.png")
    magick(opaque, "PNG48:png_16.png", "-define", "png:exclude-chunk=bKGD,gAMA,cHRM,iCCP,sRGB")
    magick_ref("png_16.png")
    magick(rgba, "png_interlaced.png", "-interlace", "PNG", "-define", "png:exclude-chunk=bKGD,gAMA,cHRM,iCCP,sRGB")
    pillow_ref("png_interlaced.png")
    for depth in (1, 2, 4):
        name = f"png_grey{depth}.png"
        magick(opaque, name, "-colorspace", "Gray", "-depth", str(depth),
               "-define", "png:color-type=0", "-define", f"png:bit-depth={depth}",
               "-define", "png:exclude-chunk=bKGD,gAMA,cHRM,iCCP,sRGB")
        pillow_ref(name)

    # PSD
    magick(rgba, "psd_rgba.psd", "-depth", "8")
    # ImageMagick 6.9.11 reads the half-transparent pixels of its own file back altered; the
    # merged planes hold the source pixels, which are the reference here.
    write_ref("psd_rgba.psd", rgba, "the source pixels given to ImageMagick")
    magick(opaque, "psd_16.psd", "-depth", "16")
    magick_ref("psd_16.psd", "[0]")
    magick(opaque, "psd_grey.psd", "-colorspace", "Gray", "-depth", "8")
    magick_ref("psd_grey.psd", "[0]")
    magick(blocks, "psd_raw.psd", "-depth", "8", "-compress", "None")
    magick_ref("psd_raw.psd", "[0]")
    magick(blocks, "psd_packbits.psd", "-depth", "8", "-compress", "RLE")
    magick_ref("psd_packbits.psd", "[0]")

    with open("MANIFEST", "w") as out:
        out.write("\n".join(sorted(set(manifest))) + "\n")


if __name__ == "__main__":
    main()

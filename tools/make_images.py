#!/usr/bin/python3
"""Generates the embedded pictures of resources/images and resources/svg.

Needs (only for regenerating, never for the build):
    apt-get install python3-pil python3-numpy python3-fonttools fonts-roboto-slab

Run from anywhere:  /usr/bin/python3 tools/make_images.py
Every random field comes from numpy's PCG64 with a fixed seed per picture, so a
rerun writes the same files. The outputs are committed.

Pictures (sizes in pixels):
    papper2x.png      500 x 500 RGBA  opaque near-white paper grain, tiles seamlessly
    papper.png        250 x 250 RGBA  the same, averaged 2 x 2
    filltexture2x.png 500 x 500 RGB   even mid-grey grain for glyph interiors, tiles
    filltexture.png   250 x 250 RGB   the same, averaged 2 x 2
    pencil2x.png      600 x 28  RGBA  pencil strip, colour (52, 52, 51), 4 clear rows top and bottom
    pencil.png        300 x 14  RGBA  the same, averaged 2 x 2 (2 clear rows top and bottom)
    splash_blue.png   2200 x 1690 RGBA translucent pale blue-green watercolour splash
    tovka_icon.png    1024 x 1024 RGBA the product icon on a paper disc
    title_icon.svg    view box 0 0 2048 2048, the product icon in #1d1d1b
    orvalu.svg        160 x 31, the word mark "Orvalunde" as one black filled path
"""

import math
import os

import numpy as np
from fontTools.pens.svgPathPen import SVGPathPen
from fontTools.pens.transformPen import TransformPen
from fontTools.ttLib import TTFont
from PIL import Image, ImageDraw

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
IMAGES = os.path.join(ROOT, "resources", "images")
SVG = os.path.join(ROOT, "resources", "svg")
WORDMARK_FONT = "/usr/share/fonts/opentype/roboto/slab/RobotoSlab-Regular.otf"
ICON_COLOUR = "#1d1d1b"


def rng(seed):
    return np.random.Generator(np.random.PCG64(seed))


def periodic_noise(shape, seed, corner, power):
    """White noise shaped in the frequency domain: a field that wraps around at
    its edges (so the texture tiles) with energy falling off above `corner`
    cycles per image as 1 / f^power. Returns zero mean, unit deviation."""
    h, w = shape
    white = rng(seed).standard_normal(shape)
    fy = np.fft.fftfreq(h)[:, None] * h
    fx = np.fft.rfftfreq(w)[None, :] * w
    f = np.sqrt(fx * fx + fy * fy)
    gain = 1.0 / (1.0 + (f / corner) ** power)
    field = np.fft.irfft2(np.fft.rfft2(white) * gain, s=shape)
    field -= field.mean()
    return field / field.std()


def to_range(field, lo, hi, mean):
    """Maps a field onto [lo, hi] with the given mean (percentile stretch, then
    a power curve that moves the mean)."""
    a, b = np.percentile(field, [0.2, 99.8])
    u = np.clip((field - a) / (b - a), 0.0, 1.0)
    target = (mean - lo) / (hi - lo)
    # Bisect the exponent that gives the wanted mean.
    g_lo, g_hi = 0.05, 20.0
    for _ in range(60):
        g = math.sqrt(g_lo * g_hi)
        if (u**g).mean() > target:
            g_lo = g
        else:
            g_hi = g
    return lo + (hi - lo) * u**g


def half(a):
    """2 x 2 box average: the 1x picture from the 2x one (keeps tiling)."""
    return 0.25 * (a[0::2, 0::2] + a[1::2, 0::2] + a[0::2, 1::2] + a[1::2, 1::2])


def grain(size, seed):
    """Paper-like grain: fine speckle over soft fibres."""
    fine = periodic_noise((size, size), seed, corner=size / 3.0, power=2.0)
    fibres = periodic_noise((size, size), seed + 1, corner=size / 25.0, power=3.0)
    return 0.65 * fine + 0.35 * fibres


def save(img, name):
    path = os.path.join(IMAGES, name)
    img.save(path, optimize=True)
    print(f"{name}: {img.size[0]} x {img.size[1]} {img.mode}, {os.path.getsize(path)} bytes")


def save_svg(text, name):
    with open(os.path.join(SVG, name), "w", encoding="ascii", newline="\n") as f:
        f.write(text)
    print(f"{name}: {len(text)} bytes")


def u8(a):
    return np.clip(np.rint(a), 0, 255).astype(np.uint8)


def make_paper():
    g2 = grain(500, 101)
    g1 = half(g2)
    for name, g in (("papper2x.png", g2), ("papper.png", g1)):
        grey = to_range(g, 233.0, 254.0, 250.0)
        # A faint warm cast: blue two levels under red and green.
        rgba = np.stack([grey, grey, grey - 2.0, np.full_like(grey, 255.0)], axis=-1)
        save(Image.fromarray(u8(rgba), "RGBA"), name)


def make_fill():
    g2 = grain(500, 202)
    g1 = half(g2)
    for name, g in (("filltexture2x.png", g2), ("filltexture.png", g1)):
        grey = to_range(g, 96.0, 113.0, 108.0)
        rgb = np.stack([grey, grey, grey - 2.0], axis=-1)
        save(Image.fromarray(u8(rgb), "RGB"), name)


def make_pencil():
    # 2x strip: 28 rows, 4 clear at each edge, 20 inked rows whose mean alpha
    # rises from the edges to the centre; graphite streaks run along the length.
    w, h, clear = 600, 28, 4
    inked = h - 2 * clear
    streaks = periodic_noise((inked, w), 303, corner=12.0, power=2.0)
    streaks = streaks * 0.7 + 0.3 * periodic_noise((inked, w), 304, corner=150.0, power=2.0)
    # Mean alpha of each inked row, outer row to centre (mirrored below the
    # centre); averaged in pairs they give the 1x rows about 22, 66, 128, 186, 214.
    upper = [14.0, 30.0, 52.0, 80.0, 112.0, 145.0, 175.0, 198.0, 210.0, 218.0]
    means = upper + upper[::-1]
    alpha = np.zeros((h, w))
    for r in range(inked):
        s = streaks[r] - streaks[r].mean()
        s /= s.std()
        target = means[r]
        # Grain is strongest in proportion on the faint rows.
        row = np.clip(target * (1.0 + (0.65 - 0.35 * target / 255.0) * s), 0.0, 255.0)
        for _ in range(8):
            row = np.clip(row * (target / row.mean()), 0.0, 255.0)
        alpha[clear + r] = row
    colour = np.array([52.0, 52.0, 51.0])
    for name, a in (("pencil2x.png", alpha), ("pencil.png", half(alpha))):
        hh, ww = a.shape
        rgba = np.zeros((hh, ww, 4))
        rgba[..., :3] = colour
        rgba[..., 3] = a
        save(Image.fromarray(u8(rgba), "RGBA"), name)
        print("  row mean alpha:", " ".join(f"{v:.0f}" for v in u8(a).mean(axis=1)))


def smoothstep(e0, e1, x):
    t = np.clip((x - e0) / (e1 - e0), 0.0, 1.0)
    return t * t * (3.0 - 2.0 * t)


def make_splash():
    # Worked at a quarter of the size and scaled up, so the washes stay soft
    # (and the PNG stays small); a light grain is added at full size.
    W, H = 2200, 1690
    w, h = W // 4, H // 4 + 1
    yy, xx = np.mgrid[0:h, 0:w].astype(float)
    u, v = xx / w, yy / h
    # One large wash, off-centre, plus a few drops.
    shape = np.exp(-(((u - 0.52) / 0.36) ** 2 + ((v - 0.50) / 0.40) ** 2))
    r = rng(404)
    for _ in range(9):
        cu, cv = r.uniform(0.08, 0.92), r.uniform(0.08, 0.92)
        rad = r.uniform(0.03, 0.09)
        shape += 0.8 * np.exp(-(((u - cu) / rad) ** 2 + ((v - cv) / (rad * 1.3)) ** 2))
    wobble = periodic_noise((h, w), 405, corner=6.0, power=2.5)
    detail = periodic_noise((h, w), 406, corner=30.0, power=2.0)
    field = shape + 0.22 * wobble + 0.05 * detail
    edge = np.percentile(field, 50.0)  # about half of the picture stays clear
    inside = smoothstep(edge, edge + 0.02, field)
    depth = smoothstep(edge, edge + 0.6, field)
    # Watercolour: pigment pools along the rim, the middle stays pale.
    rim = np.exp(-((field - edge) / 0.05) ** 2) * (field > edge)
    alpha = inside * (0.30 + 0.25 * (1.0 - depth) + 0.35 * rim + 0.12 * detail)
    alpha = np.clip(alpha, 0.0, 1.0)
    # Colour drifts between a pale blue and a pale green across the wash.
    mix = smoothstep(-1.5, 1.5, periodic_noise((h, w), 407, corner=3.0, power=2.5) + (u - 0.5) * 2.0)
    blue = np.array([186.0, 210.0, 218.0])
    green = np.array([212.0, 218.0, 200.0])
    rgb = blue[None, None, :] * (1.0 - mix[..., None]) + green[None, None, :] * mix[..., None]
    rgb -= 30.0 * rim[..., None]

    def up(a):
        return np.asarray(Image.fromarray(a.astype(np.float32), "F").resize((W, H), Image.BICUBIC))

    fine = rng(408).normal(0.0, 1.0, (H, W))
    alpha_full = np.clip(up(alpha) * (1.0 + 0.04 * fine), 0.0, 1.0)
    alpha_full[up(inside) < 0.01] = 0.0
    # Few pixels fully opaque: only the strongest pools reach 255.
    a8 = u8(alpha_full * 262.0)
    channels = [u8(up(rgb[..., c])) for c in range(3)]
    rgba = np.dstack(channels + [a8])
    rgba[a8 == 0, :3] = 0
    save(Image.fromarray(rgba, "RGBA"), "splash_blue.png")
    a = a8.astype(float)
    wmean = [(rgba[..., c] * a).sum() / a.sum() for c in range(3)]
    print(
        f"  transparent {np.mean(a8 == 0):.2f}, opaque {np.mean(a8 == 255):.4f}, "
        f"weighted mean {wmean[0]:.0f} {wmean[1]:.0f} {wmean[2]:.0f}"
    )


# -- the product icon: a ring holding the outline of a sung vowel's spectrum
#    (three formant peaks), in view-box units of 2048.
ICON_RING_RADIUS = 900.0
ICON_RING_WIDTH = 110.0
ICON_CURVE_WIDTH = 96.0


def icon_curve_points():
    """Points of the spectrum curve across the ring: three resonance peaks of
    falling height over a gentle slope."""
    pts = []
    n = 25
    peaks = ((0.26, 0.075, 1.0), (0.52, 0.06, 0.72), (0.74, 0.05, 0.5))
    for i in range(n):
        t = i / (n - 1)
        y = 0.18 * (1.0 - t)
        for centre, width, height in peaks:
            y += height / (1.0 + ((t - centre) / width) ** 2)
        x = 1024.0 + (t - 0.5) * 1240.0
        pts.append((x, 1390.0 - 560.0 * y))
    return pts


def catmull_rom_segments(pts):
    """Cubic Bezier segments (p1, c1, c2, p2) of the Catmull-Rom spline through pts."""
    for i in range(len(pts) - 1):
        p0 = pts[max(i - 1, 0)]
        p1, p2 = pts[i], pts[i + 1]
        p3 = pts[min(i + 2, len(pts) - 1)]
        c1 = (p1[0] + (p2[0] - p0[0]) / 6.0, p1[1] + (p2[1] - p0[1]) / 6.0)
        c2 = (p2[0] - (p3[0] - p1[0]) / 6.0, p2[1] - (p3[1] - p1[1]) / 6.0)
        yield p1, c1, c2, p2


def catmull_rom_path(pts):
    d = [f"M{pts[0][0]:.0f} {pts[0][1]:.0f}"]
    for _, c1, c2, p2 in catmull_rom_segments(pts):
        d.append(f"C{c1[0]:.0f} {c1[1]:.0f} {c2[0]:.0f} {c2[1]:.0f} {p2[0]:.0f} {p2[1]:.0f}")
    return "".join(d)


def make_title_icon():
    curve = catmull_rom_path(icon_curve_points())
    svg = (
        '<?xml version="1.0" encoding="UTF-8"?>\n'
        '<svg xmlns="http://www.w3.org/2000/svg" width="2048" height="2048" viewBox="0 0 2048 2048">\n'
        f'  <circle cx="1024" cy="1024" r="{ICON_RING_RADIUS:.0f}" fill="none" stroke="{ICON_COLOUR}" '
        f'stroke-width="{ICON_RING_WIDTH:.0f}"/>\n'
        f'  <path d="{curve}" fill="none" stroke="{ICON_COLOUR}" stroke-width="{ICON_CURVE_WIDTH:.0f}" '
        'stroke-linecap="round" stroke-linejoin="round"/>\n'
        f'  <circle cx="1024" cy="1610" r="70" fill="{ICON_COLOUR}"/>\n'
        "</svg>\n"
    )
    save_svg(svg, "title_icon.svg")


def make_icon_png():
    # The same drawing rasterised at 4x and reduced, on a paper disc.
    S = 4096
    k = S / 2048.0
    img = Image.new("RGBA", (S, S), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    d.ellipse([40 * k, 40 * k, S - 40 * k, S - 40 * k], fill=(250, 250, 248, 255))
    ink = (0x1D, 0x1D, 0x1B, 255)
    r_out = (ICON_RING_RADIUS + ICON_RING_WIDTH / 2) * k
    r_in = (ICON_RING_RADIUS - ICON_RING_WIDTH / 2) * k
    c = 1024 * k
    d.ellipse([c - r_out, c - r_out, c + r_out, c + r_out], fill=ink)
    d.ellipse([c - r_in, c - r_in, c + r_in, c + r_in], fill=(250, 250, 248, 255))
    # Sample the same Catmull-Rom curve densely and stroke it with round caps.
    pts = icon_curve_points()
    dense = []
    for p1, c1, c2, p2 in catmull_rom_segments(pts):
        for j in range(64):
            t = j / 64.0
            mt = 1.0 - t
            x = mt**3 * p1[0] + 3 * mt * mt * t * c1[0] + 3 * mt * t * t * c2[0] + t**3 * p2[0]
            y = mt**3 * p1[1] + 3 * mt * mt * t * c1[1] + 3 * mt * t * t * c2[1] + t**3 * p2[1]
            dense.append((x * k, y * k))
    dense.append((pts[-1][0] * k, pts[-1][1] * k))
    # Round pen stamped along the curve: round joins and caps without seams.
    half_w = ICON_CURVE_WIDTH * k / 2
    for x, y in dense:
        d.ellipse([x - half_w, y - half_w, x + half_w, y + half_w], fill=ink)
    d.ellipse([c - 70 * k, 1610 * k - 70 * k, c + 70 * k, 1610 * k + 70 * k], fill=ink)
    save(img.resize((1024, 1024), Image.LANCZOS), "tovka_icon.png")


def make_wordmark():
    """"Orvalunde" set in Roboto Slab, every glyph outline merged into one path
    and fitted into 160 x 31 (aligned left, centred vertically)."""
    font = TTFont(WORDMARK_FONT)
    cmap = font.getBestCmap()
    glyphs = font.getGlyphSet()
    hmtx = font["hmtx"]
    upm = font["head"].unitsPerEm
    text = "Orvalunde"
    tracking = 0.02 * upm
    # First pass: the ink bounds at unit scale.
    from fontTools.pens.boundsPen import BoundsPen

    x = 0.0
    placed = []
    box = [math.inf, math.inf, -math.inf, -math.inf]
    for ch in text:
        name = cmap[ord(ch)]
        bp = BoundsPen(glyphs)
        glyphs[name].draw(bp)
        if bp.bounds:
            b = bp.bounds
            box = [min(box[0], b[0] + x), min(box[1], b[1]), max(box[2], b[2] + x), max(box[3], b[3])]
        placed.append((name, x))
        x += hmtx[name][0] + tracking
    width, height = 160.0, 31.0
    margin = 1.0
    scale = min((width - 2 * margin) / (box[2] - box[0]), (height - 2 * margin) / (box[3] - box[1]))
    ink_h = (box[3] - box[1]) * scale
    dx = margin - box[0] * scale
    # y flips: font units grow upwards, SVG units downwards.
    top = (height - ink_h) / 2.0
    dy = top + box[3] * scale
    pen = SVGPathPen(glyphs, ntos=lambda v: f"{v:.1f}".rstrip("0").rstrip("."))
    for name, gx in placed:
        tp = TransformPen(pen, (scale, 0, 0, -scale, dx + gx * scale, dy))
        glyphs[name].draw(tp)
    d = pen.getCommands()
    svg = (
        '<?xml version="1.0" encoding="UTF-8"?>\n'
        '<svg xmlns="http://www.w3.org/2000/svg" width="160px" height="31px" viewBox="0 0 160 31">\n'
        f'  <path fill="#000000" d="{d}"/>\n'
        "</svg>\n"
    )
    save_svg(svg, "orvalu.svg")


def main():
    os.makedirs(IMAGES, exist_ok=True)
    os.makedirs(SVG, exist_ok=True)
    make_paper()
    make_fill()
    make_pencil()
    make_splash()
    make_title_icon()
    make_icon_png()
    make_wordmark()


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Draws the program icon (vellmoor.ico): a page with a shortcut arrow and a red cross,
a broken shortcut. Run it to rebuild the .ico; it needs only the standard library."""
import struct
import sys


def inside_round_rect(x, y, x0, y0, x1, y1, r):
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def dist_to_segment(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    qx, qy = ax + t * dx, ay + t * dy
    return ((px - qx) ** 2 + (py - qy) ** 2) ** 0.5


def shade(x, y):
    """Colour (r, g, b, a) at a point of the unit square, drawn back to front."""
    colour = (0, 0, 0, 0)
    # Page with a grey border.
    if inside_round_rect(x, y, 0.16, 0.06, 0.78, 0.94, 0.05):
        colour = (120, 120, 130, 255)
        if inside_round_rect(x, y, 0.20, 0.10, 0.74, 0.90, 0.03):
            colour = (250, 250, 252, 255)
            for ly in (0.26, 0.36, 0.46):
                if abs(y - ly) < 0.025 and 0.28 < x < 0.66:
                    colour = (190, 195, 205, 255)
    # Shortcut badge: white box with a blue curved arrow, bottom left.
    if inside_round_rect(x, y, 0.04, 0.54, 0.46, 0.96, 0.04):
        colour = (40, 90, 200, 255)
        if inside_round_rect(x, y, 0.08, 0.58, 0.42, 0.92, 0.02):
            colour = (255, 255, 255, 255)
            if (dist_to_segment(x, y, 0.14, 0.86, 0.30, 0.70) < 0.045 or
                    dist_to_segment(x, y, 0.22, 0.68, 0.33, 0.67) < 0.035 or
                    dist_to_segment(x, y, 0.33, 0.67, 0.33, 0.79) < 0.035):
                colour = (40, 90, 200, 255)
    # Red cross, top right: the target is gone.
    if (dist_to_segment(x, y, 0.56, 0.10, 0.94, 0.48) < 0.075 or
            dist_to_segment(x, y, 0.94, 0.10, 0.56, 0.48) < 0.075):
        colour = (210, 30, 30, 255)
    return colour


def render(size, samples=4):
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(samples):
                for sx in range(samples):
                    r, g, b, a = shade((px + (sx + 0.5) / samples) / size,
                                       (py + (sy + 0.5) / samples) / size)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            n = samples * samples
            alpha = acc[3] / n
            if alpha > 0:
                row.append((round(acc[0] / acc[3]), round(acc[1] / acc[3]), round(acc[2] / acc[3]), round(alpha)))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def icon_image(size):
    rows = render(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b''.join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_row = ((size + 31) // 32) * 4
    mask = b''
    for row in reversed(rows):
        bits = bytearray(mask_row)
        for x, (_, _, _, a) in enumerate(row):
            if a < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    return header + pixels + mask


def main(path):
    sizes = (16, 24, 32, 48)
    images = [icon_image(s) for s in sizes]
    out = struct.pack('<HHH', 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, img in zip(sizes, images):
        out += struct.pack('<BBBBHHII', s, s, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    with open(path, 'wb') as f:
        f.write(out + b''.join(images))


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'vellmoor.ico')

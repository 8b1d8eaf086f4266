#!/usr/bin/env python3
"""findpicture.py SCREEN.ppm PICTURE.ppm: where PICTURE stands in SCREEN (binary PPMs), and
how many of its pixels are the same there. Prints "x y fraction" of the best place; exits 1
when it is nowhere."""
import sys


def read_ppm(path):
    data = open(path, 'rb').read()
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b'#':
            pos = data.index(b'\n', pos)
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    if fields[0] != b'P6' or fields[3] != b'255':  # a grey or black screen is stored as P5
        sys.exit(1)
    return int(fields[1]), int(fields[2]), data[pos + 1:]


sw, sh, screen = read_ppm(sys.argv[1])
pw, ph, picture = read_ppm(sys.argv[2])


def score(x, y):
    """The fraction of every 10th pixel of every 10th row that is the same at (x, y)."""
    same = total = 0
    for r in range(0, ph, 10):
        a = screen[(y + r) * sw * 3 + x * 3:(y + r) * sw * 3 + (x + pw) * 3]
        b = picture[r * pw * 3:(r + 1) * pw * 3]
        for i in range(0, pw * 3, 30):
            total += 1
            same += a[i:i + 3] == b[i:i + 3]
    return same / total


# Candidates: the places where a 40-pixel piece of the middle row stands exactly (text and
# antialiasing may differ a little between displays; the piece is away from the edges).
mid, left = ph // 2, pw // 3
key = picture[(mid * pw + left) * 3:(mid * pw + left + 40) * 3]
best = None
for y in range(mid, sh - (ph - mid) + 1):
    row = screen[y * sw * 3:(y + 1) * sw * 3]
    x = row.find(key)
    while x >= 0:
        px, py = x // 3 - left, y - mid
        if x % 3 == 0 and 0 <= px <= sw - pw:
            s = score(px, py)
            if best is None or s > best[2]:
                best = (px, py, s)
        x = row.find(key, x + 1)
if best is None:
    sys.exit(1)
print(best[0], best[1], '%.3f' % best[2])

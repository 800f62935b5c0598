#!/usr/bin/env python3
"""Independent reference for the generators' gray levels.

Written from the formulas of the generator descriptions, not from the C++ sources. Python
computes in double precision; every value the descriptions keep in single precision goes through
keep(step, value), which normally rounds to the nearest float32. The C++ tests hard-code what
this script prints.

    python3 generators/tests/reference_levels.py

For each case it prints the FNV-1a hash of the image's gray levels (row by row, top to bottom,
each row left to right), a few pixels, and for each single-precision step a pixel whose level
changes when that one step is left in double precision: those pixels catch a step kept in the
wrong precision. It also lists the pixels of the 256 x 256 Sine Wave image with initial values
whose value is exactly 186.5 (drawn 186, ties to even).
"""
import math
import struct


def f32(v):
    return struct.unpack('f', struct.pack('f', v))[0]


def single(step, v):
    return f32(v)


def coordinate(k, n):
    return f32((k * 50 / n - 25) / 5)


def gray(v):
    if v != v or v < 0:
        return 0
    return min(round(v), 255)  # round() settles ties to even, as CInt does


def phi(f, keep):
    return keep('phi', f + 1 if f > 0 else (f + 10) / 10)


# Each maker takes the slider values of the two frames (and the variant) and keep(), does the
# per-render preparation and returns the level function of (x, y).

def sine(op1, op2, variant, keep):
    b = keep('b', (op1[6] + 10) / 20)
    a = keep('a', 1 - b)
    factors = [(phi(o[2], keep), phi(o[3], keep)) for o in (op1, op2)]

    def operator(n, o, x, y):
        fx, fy = factors[n]
        return math.sin(fx * (x - o[0]) ** o[4] + fy * (y - o[1]) ** o[5])

    def level(x, y):
        t = keep('t1', a * operator(0, op1, x, y))
        t = keep('t2', b * operator(1, op2, x, y) + t)
        return keep('v', keep('v', t + 2) * 64)
    return level


def fourier(opx, opy, variant, keep):
    total = keep('A', sum(opx[0::2]) + sum(opy[0::2]))
    ax, px = opx[0::2], [keep('P', p * math.pi / 180) for p in opx[1::2]]
    ay, py = opy[0::2], [keep('P', p * math.pi / 180) for p in opy[1::2]]

    def level(x, y):
        if total == 0:
            return 0.0
        u = keep('u', ax[0] * math.sin(x + px[0]) + ax[1] * math.sin(x + x + px[1])
                 + ax[2] * math.sin(x * 3 + px[2]))
        w = keep('w', ay[0] * math.sin(y + py[0]) + u + ay[1] * math.sin(y + y + py[1])
                 + ay[2] * math.sin(y * 3 + py[2]))
        return keep('v', keep('v', keep('v', total + w) * 256) / keep('v', 2 * total))
    return level


def fault(op1, op2, variant, keep):
    f1, g1, f2, g2 = phi(op1[2], keep), phi(op1[3], keep), phi(op2[2], keep), phi(op2[3], keep)

    def field(x, y):
        s1 = math.sin(f1 * x + math.cos(g1 * y))
        t = keep('t', x ** op1[0] * s1 ** op1[1])
        s2 = math.sin(f2 * y + math.cos(g2 * x))
        return keep('h', y ** op2[0] * s2 ** op2[1] + t)
    return field


def fm(opx, opy, variant, keep):
    def level(x, y):
        phase_x = opx[2] * x ** opx[0]
        phase_y = opy[2] * y ** opy[0]
        sx = math.sin(opx[1] * x)
        sy = math.sin(opy[1] * y)
        if variant == 1:
            phase = phase_y + phase_x + sy * sx
        else:
            phase = phase_y + phase_x + sx + sy
        w = keep('w', math.sin(phase))
        return keep('v', keep('v', w + 1) * 128)
    return level


def exponential(opx, opy, variant, keep):
    def power(base, exponent):
        # zero to a negative power: the power term is taken as 0 (the C++ model's choice)
        return 0.0 if base == 0 and exponent < 0 else base ** exponent

    def level(x, y):
        h = keep('h1', opx[2] * math.exp(x / 5) / math.e)
        h = keep('h2', opy[2] * math.exp(y / 5) / math.e + h)
        sy = math.sin(opy[0] * power(y, opy[1]))
        sx = math.sin(opx[0] * power(x, opx[1]) + sy)
        h = keep('h3', abs(sx) + h)
        return keep('v', (h - 0.1353 * opx[2] - 0.1353 * opy[2]) * 256 / (opx[2] + opy[2] + 1))
    return level


MAKERS = {'sine': sine, 'fourier': fourier, 'fault': fault, 'fm': fm,
          'exponential': exponential}
STEPS = {'sine': ['phi', 'b', 'a', 't1', 't2', 'v'], 'fourier': ['A', 'P', 'u', 'w', 'v'],
         'fault': ['phi', 't', 'h', 'lohi', 'v'], 'fm': ['w', 'v'],
         'exponential': ['h1', 'h2', 'h3', 'v']}


def render(kind, op1, op2, variant, width, height, keep=single):
    xs = [coordinate(i, width) for i in range(width)]
    ys = [coordinate(j, height) for j in range(height)]
    level = MAKERS[kind](op1, op2, variant, keep)
    if kind == 'fault':
        field = level
        lo, hi = keep('lohi', 1e10), keep('lohi', -1e10)
        for x in xs:
            for y in ys:
                h = field(x, y)
                hi = max(hi, h)
                lo = min(lo, h)

        def level(x, y):
            if not hi > lo:
                return 128.0  # flat field: the C++ model's choice
            return keep('v', keep('v', keep('v', field(x, y) - lo) * 256) / keep('v', hi - lo))
    return [[level(x, y) for x in xs] for y in ys]


def fnv1a(data):
    h = 0x811C9DC5
    for byte in data:
        h = ((h ^ byte) * 0x01000193) & 0xFFFFFFFF
    return h


def gray_hash(levels):
    return fnv1a(g for row in levels for g in row)


def level_hash(raw):
    """Over the float32 bit patterns of the levels, each as 4 little-endian bytes."""
    return fnv1a(b for row in raw for v in row for b in struct.pack('<f', v))


CASES = [
    ('sine', [2, -3, 1, -4, 3, 2, 4], [-1, 5, -7, 2, 1, 4], 0, 97, 61),
    ('fourier', [3, 45, 0, -90, 7, 170], [1, -120, 5, 30, 2, 0], 0, 97, 61),
    ('fault', [3, 2, 4, -5], [1, 5, -8, 7], 0, 97, 61),
    ('fm', [3, -4, 2], [2, 6, 3], 1, 97, 61),
    ('fm', [2, 7, 4], [5, -2, 1], 0, 97, 61),
    ('exponential', [2, -3, 7], [4, 5, 2], 0, 97, 61),
    # even sizes: x = 0 in column 49 and y = 0 in row 30, both with negative amplitudes
    ('exponential', [3, -2, 4], [1, -5, 6], 0, 98, 60),
]


def probes(width, height):
    return [(0, 0), (width - 1, 0), (0, height - 1), (13, 47), (71, 9), (width // 2, height // 2)]


def main():
    for kind, op1, op2, variant, width, height in CASES:
        raw = render(kind, op1, op2, variant, width, height)
        levels = [[gray(v) for v in row] for row in raw]
        print(f'{kind} {op1} {op2} variant {variant} {width}x{height}')
        print(f'  gray hash 0x{gray_hash(levels):08X}, level hash 0x{level_hash(raw):08X}')
        for i, j in probes(width, height):
            print(f'  pixel ({i}, {j}) gray {levels[j][i]} level {raw[j][i]!r}')
        # What a step kept in double instead of single precision would change: how many levels
        # (caught by the level hash) and which gray levels.
        for step in STEPS[kind]:
            def loose(name, v, step=step):
                return v if name == step else f32(v)
            other = render(kind, op1, op2, variant, width, height, loose)
            changed = sum(1 for j in range(height) for i in range(width)
                          if f32(other[j][i]) != raw[j][i])
            moved = [(i, j, levels[j][i]) for j in range(height) for i in range(width)
                     if gray(other[j][i]) != levels[j][i]]
            print(f'  {step} in double: {changed} levels change, gray moves at {moved[:2]}')

    ties = render('sine', [0, 0, 0, 0, 2, 2, 0], [0, 0, 0, 0, 2, 2], 0, 256, 256)
    found = [(i, j) for j in range(256) for i in range(256) if ties[j][i] == 186.5]
    print('sine 256x256 initial, v == 186.5 at', found, f'({len(found)} in all)')


if __name__ == '__main__':
    main()

#!/usr/bin/python3
"""Writes icon, cursor and animated-cursor fixtures into the folder given as argument.

Icons and cursors are made by icotool from PNG images drawn here; the animated cursors are RIFF
files put together from those, since no animated-cursor writer exists on Linux. The tests know
what each file holds from the table at the end of this script.
"""
import os
import struct
import subprocess
import sys
import zlib


def png(path, w, h, pixel):
    rows = []
    for y in range(h):
        rows.append(b'\0' + b''.join(bytes(pixel(x, y)) for x in range(w)))

    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data) & 0xffffffff)

    with open(path, 'wb') as f:
        f.write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 6, 0, 0, 0)) +
                chunk(b'IDAT', zlib.compress(b''.join(rows))) + chunk(b'IEND', b''))


def icotool(out, *args):
    subprocess.run(['icotool', '-c', '-o', out] + list(args), check=True)
    with open(out, 'rb') as f:
        return f.read()


def chunk(kind, body):
    data = kind + struct.pack('<I', len(body)) + body
    return data + (b'\0' if len(body) % 2 else b'')


def riff_list(kind, chunks):
    return chunk(b'LIST', kind + b''.join(chunks))


def anih(frames, steps, rate, flags=1, extra=b''):
    body = struct.pack('<9I', 36, frames, steps, 0, 0, 0, 0, rate, flags) + extra
    return chunk(b'anih', body)


def ani(path, chunks):
    body = b'ACON' + b''.join(chunks)
    with open(path, 'wb') as f:
        f.write(b'RIFF' + struct.pack('<I', len(body)) + body)


def values(kind, numbers):
    return chunk(kind, struct.pack('<%dI' % len(numbers), *numbers))


def main(out):
    os.makedirs(out, exist_ok=True)
    p = lambda name: os.path.join(out, name)

    # Two images of one size: 16 colours and 256 colours (more than 16 used).
    png(p('c16.png'), 32, 32, lambda x, y: ((x // 8) * 80, (y // 8) * 80, 0, 255))
    png(p('c256.png'), 32, 32, lambda x, y: ((x * 8) % 256, (y // 4) * 32, 128, 255))
    icotool(p('pal16_first.ico'), '-b', '4', p('c16.png'), '-b', '8', p('c256.png'))
    icotool(p('pal256_first.ico'), '-b', '8', p('c256.png'), '-b', '4', p('c16.png'))

    png(p('big48.png'), 48, 48, lambda x, y: (200, 30, 30, 255 if (x + y) % 5 else 0))
    icotool(p('big48.ico'), p('big48.png'))

    # Frames: one colour each, a transparent corner.
    colours = [(255, 0, 0), (0, 160, 0), (0, 0, 255)]
    cursors, icons = [], []
    for i, c in enumerate(colours):
        png(p('f%d.png' % i), 32, 32, lambda x, y, c=c: c + ((0,) if x < 4 and y < 4 else (255,)))
        cursors.append(icotool(p('f%d.cur' % i), '--cursor', '-X', str(2 * i + 1), '-Y', str(2 * i + 2), '-b', '8',
                               p('f%d.png' % i)))
        png(p('s%d.png' % i), 16, 16, lambda x, y, c=c: c + (255,))
        icons.append(icotool(p('s%d.ico' % i), '-b', '8', p('s%d.png' % i)))

    info = riff_list(b'INFO', [chunk(b'INAM', b'Reloj de arena\0'),
                               chunk(b'IART', 'Despacho Núñez\0'.encode('latin-1'))])
    fram = lambda items: riff_list(b'fram', [chunk(b'icon', data) for data in items])

    # Cursor frames shown in four steps, each with its own rate.
    ani(p('steps.ani'), [anih(3, 4, 10), info, values(b'rate', [6, 12, 18, 24]), values(b'seq ', [0, 1, 2, 1]),
                         fram(cursors)])
    # Icon frames, a 40-byte header, a 300-byte title, an odd-sized unknown chunk.
    ani(p('icons.ani'), [anih(2, 2, 6, extra=b'\x11\x22\x33\x44'), chunk(b'junk', b'abc'),
                         riff_list(b'INFO', [chunk(b'INAM', b'T' * 299 + b'X')]), fram(icons[:2])])
    # One rate per chunk, in three chunks.
    ani(p('ratechunks.ani'), [anih(3, 3, 10), values(b'rate', [7]), values(b'rate', [8]), values(b'rate', [9]),
                              fram(cursors)])
    # More icons than the header's frames: the extra icon gets a frame of its own.
    ani(p('extra.ani'), [anih(1, 1, 4), fram(cursors[:2])])
    # True-colour icon frames: the image counts no colours, so its strip is reduced to 16.
    grads = []
    for i in range(2):
        png(p('g%d.png' % i), 32, 32, lambda x, y, i=i: ((x * 8) % 256, (y * 8) % 256, (x * y + 64 * i) % 256, 255))
        grads.append(icotool(p('g%d.ico' % i), '-b', '32', p('g%d.png' % i)))
    ani(p('truecolour.ani'), [anih(2, 2, 10), fram(grads)])
    # Failures.
    ani(p('noicons.ani'), [anih(2, 2, 10), fram([b'\0\0\1\0\1\0' + b'\xff' * 40])])
    ani(p('noflag.ani'), [anih(1, 1, 10, flags=0), fram(cursors[:1])])
    ani(p('nosteps.ani'), [anih(1, 0, 10), fram(cursors[:1])])
    with open(p('notriff.ani'), 'wb') as f:
        f.write(b'RIFX' + struct.pack('<I', 4) + b'ACON')


if __name__ == '__main__':
    main(sys.argv[1])

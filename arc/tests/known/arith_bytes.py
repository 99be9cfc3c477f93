#!/usr/bin/env python3
# Known arc.Arith streams, worked step by step from the coder's rules (counts,
# rebuild with carried fractions, 64-bit products, the clip before each
# shifted-out word). Prints the streams pinned in ArithTest.cpp.
def rebuild(count):
    total = sum(count); acc = 0; s = 0; start = [0] * 256; width = [0] * 256
    for j in range(256):
        start[j] = s
        b = count[j] * 0x0E000000 // total
        width[j] = 16 * ((b + acc + 65536) // 65536)
        acc = (acc + b) % 65536
        s = (s + width[j] + 16) % 65536
    return start, width

def encode(data, period=0):
    period = period or 255
    count = [1] * 256; start, width = rebuild(count); since = 0
    low = 0; rng = 0xFFFFFFFF; out = []
    for c in data:
        low += start[c] * rng // 65536
        rng = width[c] * rng // 65536
        if rng <= 4095:
            rng = min(rng, 65536 - low % 65536)
            out += [(low >> 16) & 255, low >> 24]
            rng *= 65536; low = low * 65536 % 2**32
        count[c] += 1; since += 1
        if since > period:
            since = 0; start, width = rebuild(count)
    for w in (low >> 16, low & 0xFFFF):
        out += [w & 255, w >> 8]
    return bytes(out).hex()

print(encode(b''), encode(b'A'), encode(b'aab', 1), encode(b'aab'))
print(encode(b'hello world, hello arithmetic coder', 2))
# Two clipped words (period 1).
print(encode(bytes.fromhex('ff0000000100000000ff0000007a00007a007a017a000000'), 1))
# FlatArc's "abcabc": (3, 0, 0), then (c, 0), (b, 0), (a, 0).
print(encode(bytes([3, 0, 0, 99, 0, 98, 0, 97, 0])))

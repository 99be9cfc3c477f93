#!/usr/bin/env python3
# An arc.LZA decoder written from the coder's rules, kept apart from the C++
# code (ranks held as a list of [character, frequency], the cumulative counts
# summed afresh for every symbol). Usage: lza_decode.py STREAM COUNT prints
# the decoded bytes' FNV-1a hash and the symbols; with no arguments it checks
# the stream of the halving test in LzaTest.cpp (read from half.lza, which
# that test can be made to write) and prints its length and FNV-1a hash.
import sys

Q1 = 0x8000; Q2 = 2 * Q1; Q3 = 3 * Q1; N = 4096; F = 60

def decode(data, count):
    pos = [0]
    def bit():
        i = pos[0]; pos[0] += 1
        return (data[i // 8] >> (i % 8)) & 1 if i < 8 * len(data) else 0
    ranks = [[c, 1] for c in range(314)]          # rank k + 1 is ranks[k]
    pcum = [0] * (N + 1)
    for i in range(N - 1, -1, -1):
        pcum[i] = pcum[i + 1] + 10000 // (i + 200)
    st = {'low': 0, 'high': 0x20000, 'val': 0}
    for _ in range(17):
        st['val'] = 2 * st['val'] + bit()

    def pick(cum, last):
        rng = st['high'] - st['low']
        x = ((st['val'] - st['low'] + 1) * cum[0] - 1) // rng
        k = 1
        while k < last and cum[k] > x:
            k += 1
        st['high'] = st['low'] + rng * cum[k - 1] // cum[0]
        st['low'] = st['low'] + rng * cum[k] // cum[0]
        while True:
            if st['low'] >= Q2: d = Q2
            elif st['low'] >= Q1 and st['high'] <= Q3: d = Q1
            elif st['high'] > Q2: break
            else: d = 0
            st['low'] = 2 * (st['low'] - d); st['high'] = 2 * (st['high'] - d)
            st['val'] = 2 * (st['val'] - d) + bit()
        return k

    ring = bytearray(b' ' * (N - F) + bytes(F)); r = N - F
    out = bytearray(); syms = []
    while len(out) < count:
        cum = [0] * 315
        for k in range(313, -1, -1):
            cum[k] = cum[k + 1] + ranks[k][1]
        k = pick(cum, 314)
        if cum[0] >= 32767:
            for e in ranks: e[1] = (e[1] + 1) // 2
        f = ranks[k - 1][1]; i = k
        while i > 1 and ranks[i - 2][1] == f:
            i -= 1
        ranks[i - 1], ranks[k - 1] = ranks[k - 1], ranks[i - 1]
        ranks[i - 1][1] += 1
        ch = ranks[i - 1][0]
        if ch < 256:
            syms.append(ch); copy = [ch]
        else:
            x = pick(pcum, N) - 1
            syms.append((ch - 253, x + 1))
            start = (r - x - 1) % N
            copy = []
            for j in range(ch - 253):
                b = ring[(start + j) % N]; ring[r] = b; r = (r + 1) % N; copy.append(b)
            r = (r - len(copy)) % N
        for b in copy:
            if len(out) == count: break
            out.append(b); ring[r] = b; r = (r + 1) % N
    return bytes(out), syms

def fnv(data):
    h = 0xcbf29ce484222325
    for b in data:
        h = ((h ^ b) * 0x100000001b3) % 2**64
    return h

if __name__ == '__main__':
    if len(sys.argv) == 3:
        out, syms = decode(open(sys.argv[1], 'rb').read(), int(sys.argv[2]))
        print(fnv(out), syms)
    else:
        s = 1; text = bytearray()
        for _ in range(40000):
            s = (s * 1103515245 + 12345) % 2**32
            text.append((s >> 16) % 40)
        packed = open('half.lza', 'rb').read()
        out, syms = decode(packed, len(text))
        assert out == bytes(text), 'the stream does not decode to the text'
        print(len(packed), fnv(packed), len(syms), 'symbols')

#!/usr/bin/env python3
# Known arc.LZA streams from symbol sequences worked out by hand: the
# adaptive character model (314 ranks, halving at 32,767, a symbol moving
# before its equals), the fixed distance model and the bit-wise coder with
# pending bits, bits packed from bit 0. Prints the streams pinned in
# LzaTest.cpp.
N = 4096; NCH = 314; Q1 = 0x8000; Q2 = 2 * Q1; Q3 = 3 * Q1; Q4 = 4 * Q1

class Coder:
    def __init__(self):
        self.freq = [0] + [1] * NCH           # by rank; rank 0 is a sentinel
        self.char = [None] + list(range(NCH))  # character of each rank
        self.cum = [NCH - k for k in range(NCH + 1)]
        self.pos = [0] * (N + 1)
        for i in range(N - 1, -1, -1):
            self.pos[i] = self.pos[i + 1] + 10000 // (i + 200)
        self.low = 0; self.high = Q4; self.pending = 0; self.bits = []

    def out(self, b):
        self.bits += [b] + [1 - b] * self.pending; self.pending = 0

    def narrow(self, c_high, c_low, total):
        r = self.high - self.low
        self.high = self.low + r * c_high // total
        self.low = self.low + r * c_low // total
        while True:
            if self.high <= Q2: self.out(0)
            elif self.low >= Q2: self.out(1); self.low -= Q2; self.high -= Q2
            elif self.low >= Q1 and self.high <= Q3:
                self.pending += 1; self.low -= Q1; self.high -= Q1
            else: break
            self.low *= 2; self.high *= 2

    def symbol(self, ch):
        k = self.char.index(ch)
        self.narrow(self.cum[k - 1], self.cum[k], self.cum[0])
        if self.cum[0] >= 32767:
            for i in range(1, NCH + 1): self.freq[i] = (self.freq[i] + 1) // 2
            for j in range(NCH - 1, -1, -1): self.cum[j] = self.cum[j + 1] + self.freq[j + 1]
        i = k
        while i > 1 and self.freq[i - 1] == self.freq[k]: i -= 1
        self.char[i], self.char[k] = self.char[k], self.char[i]
        self.freq[i] += 1
        for j in range(i): self.cum[j] += 1

    def distance(self, x):
        self.narrow(self.pos[x], self.pos[x + 1], self.pos[0])

    def end(self):
        self.pending += 1; self.out(0 if self.low < Q1 else 1)
        b = self.bits + [0] * (-len(self.bits) % 8)
        return bytes(sum(b[i + j] << j for j in range(8)) for i in range(0, len(b), 8)).hex()

c = Coder(); c.symbol(ord('A')); print(c.end())                      # "A"
c = Coder(); c.symbol(253 + 60); c.distance(59); print(c.end())     # 60 blanks
c = Coder(); c.symbol(ord('x'))                                     # 1,000 x
for _ in range(16): c.symbol(253 + 60); c.distance(0)
c.symbol(253 + 39); c.distance(0); print(c.end())

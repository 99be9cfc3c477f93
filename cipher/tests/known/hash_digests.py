#!/usr/bin/env python3
# The system's three digest variants written out plainly, apart from the C++
# code and from HashModel.h: hash.GOST (the GOST R 34.11-94 step on the
# system's GOST table, byte count in the length block, message blocks and
# digest turned around), hash.MD5 (big-endian message words, length words
# as numbers) and hash.SHA32 (no h term in T1, little-endian digest words;
# its constants derived here from the primes). Prints the figures given for
# "abc" and the empty message, then the two-block digests pinned in
# HashTest.cpp.
import struct
SB = [
[14,4,13,1,2,15,11,8,3,10,6,12,5,9,0,7],
[15,1,8,14,6,11,3,4,9,7,2,13,12,0,5,10],
[10,0,9,14,6,3,15,5,1,13,12,7,11,4,2,8],
[7,13,14,3,0,6,9,10,1,2,8,5,11,12,4,15],
[2,12,4,1,7,10,11,6,8,5,3,15,13,0,14,9],
[12,1,10,15,9,2,6,8,0,13,3,4,14,7,5,11],
[4,11,2,14,15,0,8,13,3,12,9,7,5,10,6,1],
[12,2,8,4,6,15,11,1,10,9,3,14,5,0,12,7]]
M32 = 0xFFFFFFFF
def f(x):
    y = 0
    for row in range(8):
        shift = 28 - 4 * row
        y |= SB[row][(x >> shift) & 15] << shift
    return ((y << 11) | (y >> 21)) & M32
def gost_enc(key32, blk8):
    K = struct.unpack('<8I', key32)
    n1, n2 = struct.unpack('<2I', blk8)
    order = list(range(8)) * 3 + list(range(7, -1, -1))
    for i, k in enumerate(order):
        if i % 2 == 0: n2 ^= f((n1 + K[k]) & M32)
        else: n1 ^= f((n2 + K[k]) & M32)
    return struct.pack('<2I', n2, n1)
def A(x): return bytes(a ^ b for a, b in zip(x[16:24], x[24:32])) + x[0:24]
def P(x):
    r = bytearray(32)
    for i in range(4):
        for k in range(8):
            r[31 - (4*k + i)] = x[31 - (8*i + k)]
    return bytes(r)
def xor(a, b): return bytes(p ^ q for p, q in zip(a, b))
C3 = bytes.fromhex('ff00ffff000000ffff0000ff00ffff0000ff00ff00ff00ffff00ff00ff00ff00')
def psi(x):
    pairs = [x[2*j:2*j+2] for j in range(16)]
    n = bytes(2)
    for j in (15, 14, 13, 12, 3, 0): n = xor(n, pairs[j])
    return n + x[0:30]
def step(M, H):
    U, V = H, M
    Ks = [P(xor(U, V))]
    for j in (2, 3, 4):
        U = xor(A(U), C3 if j == 3 else bytes(32)); V = A(A(V))
        Ks.append(P(xor(U, V)))
    ck = [b''.join(K[4*(7-g):4*(7-g)+4] for g in range(8)) for K in Ks]
    T = bytearray(H)
    for b, kk in zip(range(4), (3, 2, 1, 0)):
        T[8*b:8*b+8] = gost_enc(ck[kk], bytes(T[8*b:8*b+8]))
    T = bytes(T)
    for _ in range(12): T = psi(T)
    T = psi(xor(T, M))
    T = xor(H, T)
    for _ in range(61): T = psi(T)
    return T
def gost_hash(msg):
    H = bytes(32); S = 0; cnt = 0
    full = len(msg) // 32 * 32
    for o in range(0, full, 32):
        R = msg[o:o+32][::-1]; H = step(R, H); cnt += 32; S = (S + int.from_bytes(R, 'big')) % 2**256
    k = len(msg) - full
    if k:
        cnt += k; R = bytes(32 - k) + msg[full:][::-1]
        S = (S + int.from_bytes(R, 'big')) % 2**256; H = step(R, H)
    H = step(bytes(28) + cnt.to_bytes(4, 'big'), H)
    H = step(S.to_bytes(32, 'big'), H)
    return H[::-1]
# MD5 with big-endian words
import math
T = [int(abs(math.sin(i + 1)) * 2**32) & M32 for i in range(64)]
SH = [7,12,17,22]*4 + [5,9,14,20]*4 + [4,11,16,23]*4 + [6,10,15,21]*4
def rotl(x, c): return ((x << c) | (x >> (32 - c))) & M32
def md5be(msg):
    bits = len(msg) * 8
    m = msg + b'\x80'
    while len(m) % 64 != 56: m += b'\0'
    m += bytes(8)
    a0, b0, c0, d0 = 0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476
    for o in range(0, len(m), 64):
        X = list(struct.unpack('>16I', m[o:o+64]))
        if o + 64 == len(m): X[14] = bits & M32; X[15] = bits >> 32
        a, b, c, d = a0, b0, c0, d0
        for i in range(64):
            if i < 16: F = (b & c) | (~b & d); g = i
            elif i < 32: F = (d & b) | (~d & c); g = (5*i + 1) % 16
            elif i < 48: F = b ^ c ^ d; g = (3*i + 5) % 16
            else: F = c ^ (b | (~d & M32)); g = (7*i) % 16
            F &= M32
            a, d, c, b = d, c, b, (b + rotl((a + F + T[i] + X[g]) & M32, SH[i])) & M32
        a0 = (a0 + a) & M32; b0 = (b0 + b) & M32; c0 = (c0 + c) & M32; d0 = (d0 + d) & M32
    return struct.pack('<4I', a0, b0, c0, d0)
# SHA-256 without h in T1, little-endian output
K256 = []
def primes(n):
    p = []; x = 2
    while len(p) < n:
        if all(x % q for q in p): p.append(x)
        x += 1
    return p
def frac_root(p, e):
    # integer cube/sq root fractional bits via integer arithmetic
    import decimal
    decimal.getcontext().prec = 60
    r = decimal.Decimal(p) ** (decimal.Decimal(1) / e)
    return int((r - int(r)) * 2**32) & M32
K256 = [frac_root(p, 3) for p in primes(64)]
IV256 = [frac_root(p, 2) for p in primes(8)]
def rotr(x, c): return ((x >> c) | (x << (32 - c))) & M32
def sha32(msg):
    bits = len(msg) * 8
    m = msg + b'\x80'
    while len(m) % 64 != 56: m += b'\0'
    m += struct.pack('>Q', bits)
    Hs = IV256[:]
    for o in range(0, len(m), 64):
        W = list(struct.unpack('>16I', m[o:o+64]))
        for t in range(16, 64):
            s0 = rotr(W[t-15], 7) ^ rotr(W[t-15], 18) ^ (W[t-15] >> 3)
            s1 = rotr(W[t-2], 17) ^ rotr(W[t-2], 19) ^ (W[t-2] >> 10)
            W.append((W[t-16] + s0 + W[t-7] + s1) & M32)
        a, b, c, d, e, f_, g, h = Hs
        for t in range(64):
            T1 = ((rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25)) + ((e & f_) ^ (~e & g)) + K256[t] + W[t]) & M32
            T2 = ((rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c))) & M32
            h, g, f_, e, d, c, b, a = g, f_, e, (d + T1) & M32, c, b, a, (T1 + T2) & M32
        Hs = [(x + y) & M32 for x, y in zip(Hs, [a, b, c, d, e, f_, g, h])]
    return struct.pack('<8I', *Hs)
if __name__ == '__main__':
    print('GOST ""   ', gost_hash(b'').hex())
    print('GOST abc  ', gost_hash(b'abc').hex())
    print('MD5 ""    ', md5be(b'').hex())
    print('MD5 abc   ', md5be(b'abc').hex())
    print('SHA32 abc ', sha32(b'abc').hex())
    two = b'abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq'
    print('MD5 56    ', md5be(two).hex())
    print('SHA32 56  ', sha32(two).hex())
    print('GOST 56   ', gost_hash(two).hex())
    print('GOST 33   ', gost_hash(b'abcdefghijklmnopqrstuvwxyz0123456').hex())

#!/usr/bin/env python3
# Key storage, key file and signature file bytes worked out apart from the
# C++ code: the system's Blowfish (little-endian halves, interleaved S-box
# refill, tables from pi computed here), its byte-wise cipher feedback with
# the reversed register, positioned at byte 10 from the stored prefix, the
# masked prefix, the 52-byte header, CRC-16 (ARC) and CRC-32, SHA-1, and
# RSA on a fixed 512-bit key made from two fixed primes.
#
#   python3 key_files.py > ../KnownKeyFiles.h
#
# writes the header KeyFilesTest.cpp pins its bytes against.
import hashlib, struct, zlib

T = 1765432100          # the fixed clock: every time field, and the mask
MASK = T & 0xFFFF
PASSWORD = b"kiv-test"  # the storage password (8 bytes: used as the key itself)

# --- Blowfish as the system has it -----------------------------------------
def pi_hex_words(count):
    digits = 8 * count + 16
    bits = 4 * digits + 64
    one = 1 << bits
    def arctan_inv(x):
        total, term, n, sign = 0, one // x, 1, 1
        x2 = x * x
        while term:
            total += sign * (term // n)
            term //= x2
            n += 2
            sign = -sign
        return total
    pi = 16 * arctan_inv(5) - 4 * arctan_inv(239)
    frac = pi - (3 << bits)
    frac >>= bits - 32 * count
    return [(frac >> (32 * (count - 1 - i))) & 0xFFFFFFFF for i in range(count)]

PI = pi_hex_words(18 + 1024)
assert PI[0] == 0x243F6A88 and PI[1] == 0x85A308D3
M = 0xFFFFFFFF

class Blowfish:
    def __init__(self, key):
        self.P = PI[:18]
        self.S = [PI[18 + 256 * i: 18 + 256 * (i + 1)] for i in range(4)]
        pos = 0
        for i in range(18):
            w = 0
            for _ in range(4):
                w = (w << 8) | key[pos % len(key)]
                pos += 1
            self.P[i] ^= w
        L = R = 0
        for i in range(9):
            L, R = self._enc(L, R)
            self.P[2 * i], self.P[2 * i + 1] = L, R
        for k in range(128):
            for box in range(4):
                L, R = self._enc(L, R)
                self.S[box][2 * k], self.S[box][2 * k + 1] = L, R
    def _f(self, x):
        a, b, c, d = x >> 24, (x >> 16) & 255, (x >> 8) & 255, x & 255
        return ((((self.S[0][a] + self.S[1][b]) & M) ^ self.S[2][c]) + self.S[3][d]) & M
    def _enc(self, L, R):
        for i in range(16):
            L ^= self.P[i]
            R ^= self._f(L)
            L, R = R, L
        L, R = R, L
        R ^= self.P[16]
        L ^= self.P[17]
        return L, R
    def encrypt_block(self, b):
        L, R = struct.unpack('<2I', b)
        L, R = self._enc(L, R)
        return struct.pack('<2I', L, R)

assert Blowfish(bytes(8)).encrypt_block(bytes(8)).hex() == '06f24ac641890a28'

def cfb_from_ten(cipher, stored10, plain_rest):
    # The register after the 8 stored bytes 0-7 (reversed, latest first),
    # then bytes 8 and 9 taken in as ciphertext, then the rest encrypted.
    n = 8
    R = bytearray(reversed(stored10[:8]))
    c = n
    out = bytearray()
    def step(byte_in, decrypt):
        nonlocal R, c
        if c >= n:
            R = bytearray(cipher.encrypt_block(bytes(R)))
            c = 0
        k = R[n - 1]
        o = byte_in ^ k
        R = bytearray([byte_in if decrypt else o]) + R[:n - 1]
        c += 1
        return o
    for b in stored10[8:10]:
        step(b, True)
    for b in plain_rest:
        out.append(step(b, False))
    return bytes(out)

# --- prefix, header, CRCs ---------------------------------------------------
def crc16(data):
    crc = 0
    for b in data:
        crc ^= b
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc
assert crc16(b"123456789") == 0xBB3D

def prefix(byte5, kind):
    plain = bytearray(struct.pack('<H', MASK) + b"KV" + bytes([1, byte5, kind, 0]))
    plain += struct.pack('<H', crc16(plain))
    stored = bytearray(plain)
    for w in (2, 4, 6, 8):
        v = struct.unpack_from('<H', stored, w)[0] ^ MASK
        struct.pack_into('<H', stored, w, v)
    return bytes(plain), bytes(stored)

def header(fmt, length, digest):
    h = struct.pack('<IIII', T, T, fmt, length) + digest.ljust(32, b'\0') + bytes(2)
    return h + struct.pack('<H', crc16(h))

# --- the storage file without keys ------------------------------------------
def storage(password):
    plain, stored = prefix(1, 14)
    body = struct.pack('<II', 0, 0)
    inner = header(2, 0, hashlib.sha1(body).digest()) + body
    return stored + cfb_from_ten(Blowfish(password), stored, inner)

# --- a fixed key --------------------------------------------------------------
def is_prime(n):
    if n < 2: return False
    for p in (2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37):
        if n % p == 0: return n == p
    d, s = n - 1, 0
    while d % 2 == 0: d, s = d // 2, s + 1
    for a in (2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37):
        x = pow(a, d, n)
        if x in (1, n - 1): continue
        for _ in range(s - 1):
            x = x * x % n
            if x == n - 1: break
        else: return False
    return True

def next_prime(x):
    x |= 1
    while not is_prime(x) or (x - 1) % 65537 == 0: x += 2
    return x

p = next_prime((3 << 254) + 0x1234567)
q = next_prime((3 << 254) + 0x89ABCDEF0123)
assert p < q
n, e = p * q, 65537
assert n.bit_length() == 512
lam = (p - 1) * (q - 1) // __import__('math').gcd(p - 1, q - 1)
d = pow(e, -1, lam)
u = pow(p, -1, q)

def number(x):
    limbs = (x.bit_length() + 31) // 32
    return struct.pack('<H', limbs) + x.to_bytes(4 * limbs, 'little')

private_blob = b''.join(number(x) for x in (n, e, d, p, q, u))
public_blob = number(n) + number(e)

def owner(name, second, country, city):
    return b''.join(t.encode().ljust(33, b'\0') for t in (name, second, country, city))
OWNER = owner("Ann", "Lee", "Spain", "Madrid")

def record(size, blob):
    r = struct.pack('<II', T, 512) + OWNER + struct.pack('<H', len(blob)) + blob
    return r.ljust(size, b'\0')

def key_file(kind, rec):
    plain, stored = prefix(1, kind)
    inner = header(2, len(rec), hashlib.sha1(rec).digest()) + rec
    return stored + cfb_from_ten(Blowfish(plain), stored, inner)

pair_file = key_file(6, record(1950, private_blob))
public_file = key_file(5, record(662, public_blob))
assert len(pair_file) == 2012 and len(public_file) == 724

# --- a signature of a fixed file with hash index 2 (SHA-1) ------------------
SIGNED = b"Kivora signs this file.\n"
NAME = b"hello.txt"
block = bytearray(struct.pack('<I', T) + b"KIVS" + hashlib.sha1(SIGNED).digest().ljust(32, b'\0'))
block += struct.pack('<I', zlib.crc32(bytes(block)))
m = int.from_bytes(block, 'little')
s = pow(m, d, n)
sig = s.to_bytes(4 * ((s.bit_length() + 31) // 32), 'little')
S = struct.pack('<H', len(sig))
_, sig_prefix = prefix(0, 4)
sig_file = (sig_prefix + header(2, 2 + len(sig) + len(NAME), hashlib.sha1(S + sig + NAME).digest())
            + S + sig + NAME)

storage_file = storage(PASSWORD)
assert len(storage_file) == 70

def emit(name, data):
    print('inline const char %s[] =' % name)
    h = data.hex()
    for i in range(0, len(h), 96):
        print('    "%s"' % h[i:i + 96])
    print('    ;')

print('// Made by engine/tests/known/key_files.py (python3 key_files.py > ../KnownKeyFiles.h);')
print('// do not edit. Clock %d, storage password "%s", owner Ann / Lee / Spain / Madrid.' % (T, PASSWORD.decode()))
print('#pragma once')
print('#include <cstdint>')
print('namespace enginetest::known {')
print('inline constexpr uint32_t kClock = %du;' % T)
print('inline constexpr char kPassword[] = "%s";' % PASSWORD.decode())
print('inline constexpr char kSignedText[] = "Kivora signs this file.\\n";')
print('inline constexpr char kSignedName[] = "hello.txt";')
emit('kEmptyStorage', storage_file)
emit('kPairFile', pair_file)
emit('kPublicFile', public_file)
emit('kSignatureFile', sig_file)
emit('kPublicBlob', public_blob)
print('}  // namespace known')

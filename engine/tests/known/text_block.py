#!/usr/bin/env python3
"""Works out one text encoder block apart from the C++ code.

The block: masked outer prefix (mask, "KV", version 1, cipher index,
content type 16, 0, CRC-16/ARC of bytes 0-7; words at 2, 4, 6, 8 XORed with
the mask), then in cipher feedback (all-zero register, the register shifted
up one byte per byte and the ciphertext byte put in at byte 0, the key
byte taken from the register's last byte) the inner header (hash index,
compressed flag, u32 length, "KV", CRC-16 of bytes 0-7), the digest and the
text. Armour: Base64 with CR LF after every 64 characters.

Cipher AES-256 (index 4; FIPS-197, written out below and checked against
its published vector): a password shorter than 32 bytes is the key padded
with zero bytes. Hash SHA-1 (index 2).

Usage: python3 text_block.py   (prints the armoured block as a C string)
"""
import base64
import hashlib
import struct

TIME = 0x6571A2B3       # the clock the test sets
TEXT = b"Kivora pins this block of text."
PASSWORD = b"pin password"
CIPHER_INDEX = 4        # cipher.AES32
HASH_INDEX = 2          # hash.SHA


def _sbox():
    box = [0] * 256
    p = q = 1
    while True:
        p = p ^ ((p << 1) & 0xFF) ^ (0x1B if p & 0x80 else 0)
        q ^= q << 1
        q ^= q << 2
        q ^= q << 4
        q &= 0xFF
        if q & 0x80:
            q ^= 0x09
        r = q ^ ((q << 1 | q >> 7) & 0xFF) ^ ((q << 2 | q >> 6) & 0xFF)
        r ^= ((q << 3 | q >> 5) & 0xFF) ^ ((q << 4 | q >> 4) & 0xFF)
        box[p] = r ^ 0x63
        if p == 1:
            break
    box[0] = 0x63
    return box


SBOX = _sbox()


def _xtime(a):
    return ((a << 1) ^ 0x1B) & 0xFF if a & 0x80 else a << 1


def aes256_round_keys(key):
    words = [list(key[i:i + 4]) for i in range(0, 32, 4)]
    rcon = 1
    for i in range(8, 60):
        t = list(words[i - 1])
        if i % 8 == 0:
            t = [SBOX[b] for b in t[1:] + t[:1]]
            t[0] ^= rcon
            rcon = _xtime(rcon)
        elif i % 8 == 4:
            t = [SBOX[b] for b in t]
        words.append([a ^ b for a, b in zip(words[i - 8], t)])
    return [sum(words[r * 4:r * 4 + 4], []) for r in range(15)]


def aes_encrypt(round_keys, block):
    s = [a ^ b for a, b in zip(block, round_keys[0])]
    for rnd in range(1, 15):
        s = [SBOX[b] for b in s]
        s = [s[(i + 4 * (i % 4)) % 16] for i in range(16)]  # ShiftRows
        if rnd < 14:
            m = []
            for c in range(4):
                a = s[4 * c:4 * c + 4]
                t = a[0] ^ a[1] ^ a[2] ^ a[3]
                m += [a[i] ^ t ^ _xtime(a[i] ^ a[(i + 1) % 4]) for i in range(4)]
            s = m
        s = [a ^ b for a, b in zip(s, round_keys[rnd])]
    return bytes(s)


# FIPS-197 appendix C.3.
assert aes_encrypt(aes256_round_keys(bytes(range(32))),
                   bytes.fromhex("00112233445566778899aabbccddeeff")).hex() == \
    "8ea2b7ca516745bfeafc49904b496089"


def crc16(data):
    crc = 0
    for b in data:
        crc ^= b
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def prefix(mask, b4, b5, b6, b7):
    p = bytearray(struct.pack("<H", mask) + b"KV" + bytes([b4, b5, b6, b7]))
    p += struct.pack("<H", crc16(p))
    for at in (2, 4, 6, 8):
        word = struct.unpack_from("<H", p, at)[0] ^ mask
        struct.pack_into("<H", p, at, word)
    return bytes(p)


def cfb_encrypt(key, data):
    keys = aes256_round_keys(key)
    n = 16
    reg = bytearray(n)
    used = n
    out = bytearray()
    for p in data:
        if used >= n:
            reg = bytearray(aes_encrypt(keys, bytes(reg)))
            used = 0
        k = reg[n - 1]
        c = p ^ k
        reg = bytearray([c]) + reg[: n - 1]
        out.append(c)
        used += 1
    return bytes(out)


def armour(data):
    text = base64.b64encode(data).decode()
    lines = [text[i:i + 64] for i in range(0, len(text), 64)]
    out = "\r\n".join(lines)
    if len(text) % 64 == 0 and text:
        out += "\r\n"
    return out


def main():
    inner = bytearray([HASH_INDEX, 0]) + struct.pack("<I", len(TEXT)) + b"KV"
    inner += struct.pack("<H", crc16(inner))
    body = bytes(inner) + hashlib.sha1(TEXT).digest() + TEXT
    key = PASSWORD + bytes(32 - len(PASSWORD))
    block = prefix(TIME & 0xFFFF, 1, CIPHER_INDEX, 16, 0) + cfb_encrypt(key, body)
    print(armour(block).replace("\r\n", "\\r\\n"))


if __name__ == "__main__":
    main()

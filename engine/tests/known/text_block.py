#!/usr/bin/env python3
"""Works out one text encoder block apart from the C++ code.

The block: masked outer prefix (mask, "KV", version 1, cipher index,
content type 16, 0, CRC-16/ARC of bytes 0-7; words at 2, 4, 6, 8 XORed with
the mask), then in cipher feedback (all-zero register, the register shifted
up one byte per byte and the ciphertext byte put in at byte 0, the key
byte taken from the register's last byte) the inner header (hash index,
compressed flag, u32 length, "KV", CRC-16 of bytes 0-7), the digest and the
text. Armour: Base64 with CR LF after every 64 characters.

Cipher AES-256 (index 4): a password shorter than 32 bytes is the key
padded with zero bytes. Hash SHA-1 (index 2).

Usage: python3 text_block.py   (prints the armoured block as a C string)
"""
import base64
import hashlib
import struct

from cryptography.hazmat.primitives.ciphers import Cipher, algorithms, modes

TIME = 0x6571A2B3       # the clock the test sets
TEXT = b"Kivora pins this block of text."
PASSWORD = b"pin password"
CIPHER_INDEX = 4        # cipher.AES32
HASH_INDEX = 2          # hash.SHA


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
    ecb = Cipher(algorithms.AES(key), modes.ECB()).encryptor()
    n = 16
    reg = bytearray(n)
    used = n
    out = bytearray()
    for p in data:
        if used >= n:
            reg = bytearray(ecb.update(bytes(reg)))
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

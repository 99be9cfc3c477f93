#!/usr/bin/env python3
"""Builds expected secret files from the format's description alone.

A secret file of a stored (uncompressed) file content is: the masked
prefix, then one cipher-feedback text from offset 0 whose first 10 bytes are
the prefix as stored, carrying the 52-byte header and the content (18-byte
info block, name, data). Only the block cipher, its keying from the password
and the hashes other than SHA-1 are taken from the toolkit (zk5cipher.so,
called through ctypes); prefix, header, CRC-16, iv, the feedback register and
the content layout are computed here.

Run from the repository after building, to (re)make the fixture:

    python3 engine/tests/secret_model.py build/bin > engine/tests/fixtures/secret_model.txt
"""
import ctypes
import hashlib
import struct
import sys

CIPHERS = {1: b"cipher.Blowfish", 2: b"cipher.IDEA", 3: b"cipher.RC5", 4: b"cipher.AES32",
           5: b"cipher.GOST", 6: b"cipher.3Way", 7: b"cipher.CAST128"}
HASHES = {1: b"hash.MD5", 2: b"hash.SHA", 3: b"hash.SHA32", 4: b"hash.GOST"}

# (cipher, hash, time, mask, password, file name, data) of each case.
CASES = [
    (1, 2, 0x5F5E1000, 0x1234, b"pass word", b"notes.txt", bytes(range(256))),
    (2, 4, 0x60000001, 0xFFFF, b"k", b"a", b"x" * 100),
    (3, 2, 0x65432100, 0x0000, b"a much longer password than most", b"data.bin", bytes(range(255, -1, -1)) * 2),
    (4, 1, 0x70000000, 0xA5A5, b"aes key", b"aes.dat", bytes((i * 7) & 255 for i in range(300))),
    (5, 3, 0x5A5A5A5A, 0x0102, b"gost", b"g", b"GOST" * 33),
    (6, 3, 0x61616161, 0xBEEF, b"three way", b"3way.txt", b"hello, three-way\n" * 5),
    (7, 4, 0x7FFFFFFF, 0x8001, b"cast password", b"cast", bytes(range(256)) + b"tail"),
    (1, 1, 0x50000000, 0x4242, b"empty", None, b""),
]


class Toolkit:
    def __init__(self, folder):
        ctypes.CDLL(folder + "/zk5main.so", mode=ctypes.RTLD_GLOBAL)
        self.main = ctypes.CDLL(folder + "/zk5main.so")
        ctypes.CDLL(folder + "/zk5cipher.so")
        self.main.zk_CreateInstance.argtypes = [ctypes.c_char_p, ctypes.POINTER(ctypes.c_void_p)]
        self.main.zk_CreateInstance.restype = ctypes.c_int32

    def create(self, class_id, interface_id):
        base = ctypes.c_void_p()
        assert self.main.zk_CreateInstance(class_id, ctypes.byref(base)) == 0 and base.value
        face = ctypes.c_void_p()
        self.call(base, 0, ctypes.c_int32, [ctypes.c_char_p, ctypes.POINTER(ctypes.c_void_p)],
                  interface_id, ctypes.byref(face))
        self.call(base, 2, ctypes.c_int32, [])
        assert face.value
        return face

    @staticmethod
    def call(obj, slot, restype, argtypes, *args):
        table = ctypes.cast(obj, ctypes.POINTER(ctypes.POINTER(ctypes.c_void_p)))[0]
        fn = ctypes.CFUNCTYPE(restype, ctypes.c_void_p, *argtypes)(table[slot])
        return fn(obj, *args)

    def keyed_cipher(self, index, password):
        cipher = self.create(CIPHERS[index], b"crypto.IBlockCipher")
        setter = self.create(b"cipher.SetPassword", b"crypto.IPassword")
        pw = ctypes.create_string_buffer(password, len(password))
        st = self.call(setter, 5, ctypes.c_int32, [ctypes.c_void_p, ctypes.c_void_p, ctypes.c_uint32],
                       cipher, pw, len(password))
        assert st == 0
        return cipher

    def block_size(self, cipher):
        return self.call(cipher, 5, ctypes.c_uint32, [])

    def encrypt_block(self, cipher, block):
        buf = ctypes.create_string_buffer(bytes(block), len(block))
        assert self.call(cipher, 9, ctypes.c_int32, [ctypes.c_void_p, ctypes.c_uint32], buf, len(block)) == 0
        return buf.raw

    def digest(self, index, data):
        if index == 2:
            return hashlib.sha1(data).digest()
        h = self.create(HASHES[index], b"crypto.IHash")
        size = self.call(h, 5, ctypes.c_uint32, [])
        self.call(h, 7, ctypes.c_int32, [])
        buf = ctypes.create_string_buffer(data, len(data))
        self.call(h, 8, ctypes.c_int32, [ctypes.c_void_p, ctypes.c_uint32], buf, len(data))
        out = ctypes.create_string_buffer(32)
        assert self.call(h, 9, ctypes.c_int32, [ctypes.c_void_p, ctypes.c_uint32], out, 32) == 0
        return out.raw[:size]


def crc16(data):
    """CRC-16/ARC: reflected polynomial 0xA001, start 0."""
    crc = 0
    for b in data:
        crc ^= b
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def prefix(mask, cipher, content_type, flags):
    plain = struct.pack("<H", mask) + b"KV" + bytes([1, cipher, content_type, flags])
    plain += struct.pack("<H", crc16(plain))
    words = struct.unpack("<5H", plain)
    return struct.pack("<5H", words[0], *(w ^ mask for w in words[1:]))


def cfb(toolkit, cipher, stored_prefix, plain, stored_count):
    """Cipher feedback from offset 0: the register holds the iv reversed and
    then the last block's ciphertext reversed; keystream bytes come from the
    encrypted register's last byte to its first. The first stored_count bytes
    are taken as they are (they are the ciphertext there)."""
    n = toolkit.block_size(cipher)
    iv = (stored_prefix + bytes(32))[:n] if n > 10 else stored_prefix[:n]
    register = bytes(reversed(iv))
    out = bytearray()
    for start in range(0, len(plain), n):
        ks = toolkit.encrypt_block(cipher, register)
        block = bytearray()
        for j, p in enumerate(plain[start:start + n]):
            at = start + j
            block.append(p if at < stored_count else p ^ ks[n - 1 - j])
        out += block
        register = bytes(reversed(bytes(block)))
    return bytes(out)


def secret(toolkit, cipher_index, hash_index, now, mask, password, name, data):
    if name is None:
        content = bytes(18)  # no file: an empty info block
    else:
        content = struct.pack("<IIIIH", len(data), 0, now, now, len(name)) + name + data
    digest = toolkit.digest(hash_index, content)
    header = struct.pack("<IIBBBBI", now, now, hash_index, 0, 1, 0, len(content))
    header += (digest + bytes(32))[:32] + b"KV"
    header += struct.pack("<H", crc16(header))
    pre = prefix(mask, cipher_index, 2, 0)
    cipher = toolkit.keyed_cipher(cipher_index, password)
    return cfb(toolkit, cipher, pre, pre + header + content, 10)


def main():
    toolkit = Toolkit(sys.argv[1] if len(sys.argv) > 1 else "build/bin")
    print("# cipher hash time mask password-hex name-hex data-hex secret-hex")
    print("# made by: python3 engine/tests/secret_model.py build/bin > engine/tests/fixtures/secret_model.txt")
    for c, h, now, mask, pw, name, data in CASES:
        s = secret(toolkit, c, h, now, mask, pw, name, data)
        print(c, h, "%08x" % now, "%04x" % mask, pw.hex(), "-" if name is None else name.hex(),
              data.hex() or "-", s.hex())


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
# Seeds of the key storage's fuzz targets (run from the repository's top):
#   python3 engine/tests/known/fuzz_seeds.py
# The first byte of a seed is the target's mode: 0 the file as it stands,
# 5 the plain text behind a valid prefix, header CRC and digest made right.
import os, re, struct
h = open('engine/tests/KnownKeyFiles.h').read()
def get(name):
    m = re.search(r'inline const char %s\[\] =\n((?:\s+"[0-9a-f]*"\n)+)\s+;' % name, h)
    return bytes.fromhex(''.join(re.findall(r'"([0-9a-f]*)"', m.group(1))))
# One public record: owner "x", an empty blob.
rec = (struct.pack('<II', 0, 512) + b'x'.ljust(33, b'\0') + bytes(99) + struct.pack('<H', 0)).ljust(662, b'\0')
hdr = struct.pack('<IIII', 0, 0, 2, 662) + bytes(36)
seeds = {
    'fuzz_keys_storage': {'empty_raw': b'\0' + get('kEmptyStorage'),
                          'one_public': b'\x05' + hdr + struct.pack('<II', 0, 1) + rec},
    'fuzz_keys_import': {'pair_raw': b'\0' + get('kPairFile'), 'public_raw': b'\0' + get('kPublicFile'),
                         'public_fixup': b'\x05' + hdr + rec},
    'fuzz_keys_signature': {'known_raw': b'\0' + get('kSignatureFile')},
}
for d, files in seeds.items():
    os.makedirs('fuzz/seeds/' + d, exist_ok=True)
    for n, b in files.items():
        open('fuzz/seeds/%s/%s' % (d, n), 'wb').write(b)

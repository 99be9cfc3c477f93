#!/usr/bin/env python3
"""Computes, apart from the engine's code, the stored bytes of the nested safe
that SafeCatalogueTest.NestedSafeIsPinned builds: the catalogue in flow 1 and
the whole packed container (one-sector blocks, no prefix, no block limit).

    python3 engine/tests/safe_layout.py > engine/tests/data/nested_safe.hex

Output: two lines of hex, the catalogue and then the container.
"""
import struct

BLOCK = 512
LONG = "L" * 400  # a folder name that makes the catalogue pass one block


def pattern(n, seed):
    # The same generator as the test's Pattern(): x = x * 1103515245 + 12345.
    x = (seed * 2654435761 + 12345) & 0xFFFFFFFF
    out = bytearray()
    for _ in range(n):
        x = (x * 1103515245 + 12345) & 0xFFFFFFFF
        out.append((x >> 16) & 0xFF)
    return bytes(out)


def key(name):
    # ASCII-only case fold, then bytes as unsigned.
    return bytes(c + 32 if 65 <= c <= 90 else c for c in name.encode())


# The tree after the test's steps: folders hold (files, subfolders);
# a file is (name, size, flags, time, flow).
T = 1700000000
files_disk = {
    "report.txt": b"Quarterly report\n",
    "a.bin": pattern(700, 3),
    "Zeta": b"",
    "_under": b"under",
}
tree = {
    "name": "\\",
    "files": [("a.bin", 700, 0x10, T + 2, 3), ("_under", 5, 0, T + 4, 5)],
    "folders": [
        {"name": "Docs",
         "files": [("report.txt", 17, 0, T + 1, 2)],
         "folders": [{"name": "Old", "files": [("Zeta", 0, 0, T + 3, 4)], "folders": []}]},
        {"name": "b_x", "files": [], "folders": []},
        {"name": LONG, "files": [], "folders": []},
    ],
}


def folder_record(f):
    out = bytearray()
    name = f["name"].encode()
    out += struct.pack("<H", len(name)) + name
    files = sorted(f["files"], key=lambda e: key(e[0]))
    out += struct.pack("<I", len(files))
    for (n, size, flags, t, flow) in files:
        nb = n.encode()
        out += struct.pack("<IIIIIH", size, flags, t, t, flow, len(nb)) + nb
    subs = sorted(f["folders"], key=lambda s: key(s["name"]))
    out += struct.pack("<I", len(subs))
    for s in subs:
        out += folder_record(s)
    return bytes(out)


catalogue = folder_record(tree)

# The container: blocks are taken first free, else appended; flows in the
# order they were written.
chain = []       # entry per block: next block, 0xFFFFFFFF last, 0 free
blocks = []      # content per block
flows = {}       # number -> list of blocks


def write_flow(number, data):
    """Writes data at the start of a flow, growing it block by block."""
    have = flows.setdefault(number, [])
    need = (len(data) + BLOCK - 1) // BLOCK
    while len(have) < need:
        chain.append(0xFFFFFFFF)
        blocks.append(bytearray(BLOCK))
        b = len(chain)
        if have:
            chain[have[-1] - 1] = b
        have.append(b)
    for i, b in enumerate(have[:need]):
        piece = data[i * BLOCK:(i + 1) * BLOCK]
        blocks[b - 1][:len(piece)] = piece


empty = folder_record({"name": "\\", "files": [], "folders": []})
assert empty.hex() == "01005c0000000000000000"
write_flow(1, empty)                        # SaveCatalogue
write_flow(2, files_disk["report.txt"])     # AddFile \Docs report.txt
write_flow(3, files_disk["a.bin"])          # AddFile \ a.bin, flags 0x10
write_flow(4, files_disk["Zeta"])           # AddFile \Docs\Old Zeta (no block)
write_flow(5, files_disk["_under"])         # AddFile \ _under
write_flow(1, catalogue)                    # Commit: the catalogue over the old one
sizes = {1: len(catalogue), 2: 17, 3: 700, 4: 0, 5: 5}

# Pack: no block is free here, so numbers stay.
assert all(e != 0 for e in chain)
out = bytearray(struct.pack("<IIII", len(flows), len(chain), 0, 1))
for n in sorted(flows):
    first = flows[n][0] if flows[n] else 0xFFFFFFFF
    out += struct.pack("<IIII", n, first, sizes[n] & 0xFFFFFFFF, sizes[n] >> 32)
out += struct.pack("<I", len(chain))
for e in chain:
    out += struct.pack("<I", e)
for b in blocks:
    out += b

print(catalogue.hex())
print(out.hex())

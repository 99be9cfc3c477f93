#!/usr/bin/env python3
# Writes the seeds of fuzz_message_socket (run from the source root):
#   python3 fuzz/message_socket_seeds.py
# Each seed is one byte (bit 0: the sender has closed) and then 12-byte
# records {message, wParam, lParam}, little-endian 32-bit values.
import os
import struct

def name(n):
    b = n.encode() + b"\0"
    b += b"\0" * (-len(b) % 8)
    return b"".join(struct.pack("<III", 1044, *struct.unpack("<II", b[i:i + 8]))
                    for i in range(0, len(b), 8))

def command(m):
    return struct.pack("<III", m, 0, 0)

seeds = {
    # Two names and "open"; then a name of exactly 8 bytes still waiting.
    "two_names_open": b"\0" + name("/tmp/a.kvs") + name("/tmp/b c.bmp") + command(1046)
                      + name("12345678"),
    # Names without a command, the sender gone; a half record at the end.
    "closed_without_command": b"\1" + name("/home/u/x.mp3") + command(1049) + name("left")
                              + b"\x14\x04\0",
    # A message outside the interface between the chunks of a name.
    "foreign_message": b"\0" + name("/tmp/long name of a file")[:24] + command(1037)
                       + name("/tmp/long name of a file")[24:] + command(1047),
}
folder = os.path.join(os.path.dirname(__file__), "seeds", "fuzz_message_socket")
os.makedirs(folder, exist_ok=True)
for n, b in seeds.items():
    with open(os.path.join(folder, n), "wb") as f:
        f.write(b)

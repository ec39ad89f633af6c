#!/usr/bin/env python3
"""Writes the damaged tables in damaged/ from the valid log60.db (60 rows,
two data blocks). Each file breaks one thing a reader must check; every one
of them must be refused with a message. Run again after changing the list."""
import os
import random
import struct

here = os.path.dirname(os.path.abspath(__file__))
seed = open(os.path.join(here, "log60.db"), "rb").read()
out = os.path.join(here, "damaged")
HEADER = 0x800


def patch(data, offset, fmt, value):
    b = bytearray(data)
    struct.pack_into("<" + fmt, b, offset, value)
    return bytes(b)


names_at = seed.index(b"No\0Time")
cases = {
    "empty.db": b"",
    "text.db": b"No\tTime\tDC/AC\tValue\tUnit\tAUTO\r\n1\t14:03:27\tDC\t3.999\tV\tAUTO\r\n",
    "header_cut_100.db": seed[:100],
    "header_cut_2000.db": seed[:2000],
    "block_cut.db": seed[:HEADER + 1000],
    "second_block_cut.db": seed[:HEADER + 2048 + 100],
    "header_size_beyond_file.db": patch(seed, 0x02, "H", 0xF000),
    "header_size_tiny.db": patch(seed, 0x02, "H", 0x10),
    "record_size_zero.db": patch(seed, 0x00, "H", 0),
    "record_size_max.db": patch(seed, 0x00, "H", 0xFFFF),
    "record_size_mismatch.db": patch(seed, 0x00, "H", 41),
    "block_factor_zero.db": patch(seed, 0x05, "B", 0),
    "block_factor_max.db": patch(seed, 0x05, "B", 0xFF),
    "field_count_zero.db": patch(seed, 0x21, "H", 0),
    "field_count_max.db": patch(seed, 0x21, "H", 0xFFFF),
    "field_size_zero.db": patch(seed, 0x78 + 5, "B", 0),
    "field_size_long_255.db": patch(seed, 0x78 + 1, "B", 0xFF),
    "record_count_max.db": patch(seed, 0x06, "I", 0xFFFFFFFF),
    "record_count_short.db": patch(seed, 0x06, "I", 10),
    "record_count_long.db": patch(seed, 0x06, "I", 61),
    "first_block_beyond_file.db": patch(seed, 0x0E, "H", 0xFFFF),
    "no_first_block.db": patch(seed, 0x0E, "H", 0),
    "block_chain_loop.db": patch(seed, HEADER + 2048, "H", 1),
    "block_chain_self.db": patch(seed, HEADER, "H", 1),
    "block_last_offset_odd.db": patch(seed, HEADER + 4, "h", 43),
    "block_last_offset_max.db": patch(seed, HEADER + 4, "h", 0x7FFF),
    "field_names_unterminated.db": seed[:names_at] + b"A" * (HEADER - names_at) + seed[HEADER:],
    "password_protected.db": patch(seed, 0x5C, "I", 0x12345678),
    "primary_index_file.db": patch(seed, 0x04, "B", 1),
    "secondary_index_file.db": patch(seed, 0x04, "B", 8),
}
rng = random.Random(5082)
cases["random_4k.db"] = bytes(rng.randrange(256) for _ in range(4096))
noisy = bytearray(seed)
for i in range(0x20, 0x78):
    noisy[i] = rng.randrange(256)
cases["random_header.db"] = bytes(noisy)

os.makedirs(out, exist_ok=True)
for name, data in cases.items():
    with open(os.path.join(out, name), "wb") as f:
        f.write(data)

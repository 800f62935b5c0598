#!/usr/bin/env python3
"""Puts the library identifier back into a type library written by widl 7.

widl 7.0 (Debian 12) writes the LIBID's last byte wrong (0x0D in place of 0xF5 here), so the
library would register under a different identifier. Every entry whose first fifteen bytes are
the LIBID's gets its sixteenth byte back; a correct file is left as it is.
    fix_tlb_guid.py file.tlb 6A1D4C02-5B3E-4F11-9C27-1E8B30D4A6F5
"""
import sys
import uuid


def main(path, guid):
    want = uuid.UUID(guid).bytes_le
    data = bytearray(open(path, "rb").read())
    start = 0
    fixed = 0
    while True:
        at = data.find(want[:15], start)
        if at < 0:
            break
        if data[at + 15] != want[15]:
            data[at + 15] = want[15]
            fixed += 1
        start = at + 1
    if fixed:
        open(path, "wb").write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))

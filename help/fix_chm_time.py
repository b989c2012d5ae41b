#!/usr/bin/env python3
"""Makes a CHM from chmcmd reproducible: its compiler stamps the build time into the ITSF
header and into #SYSTEM's time record (code 10); both are set to 0, as nothing reads them.
Usage: fix_chm_time.py FILE"""
import struct
import sys


def encint(data, at):
    value = 0
    while True:
        b = data[at]
        at += 1
        value = (value << 7) | (b & 0x7F)
        if b < 0x80:
            return value, at


def main(path):
    data = bytearray(open(path, 'rb').read())
    if data[:4] != b'ITSF' or struct.unpack_from('<I', data, 4)[0] != 3:
        sys.exit('fix_chm_time: %s is not a version 3 CHM' % path)
    stamp = 0
    struct.pack_into('<I', data, 0x10, stamp)
    section0 = struct.unpack_from('<Q', data, 0x58)[0]
    name = b'\x08/#SYSTEM'
    at = data.find(name)
    if at < 0:
        sys.exit('fix_chm_time: no #SYSTEM in %s' % path)
    section, at = encint(data, at + len(name))
    offset, at = encint(data, at)
    length, at = encint(data, at)
    if section != 0:
        sys.exit('fix_chm_time: #SYSTEM is compressed')
    system = section0 + offset
    at = system + 4
    while at < system + length:
        code, size = struct.unpack_from('<HH', data, at)
        if code == 10 and size == 4:
            struct.pack_into('<I', data, at + 4, stamp)
        at += 4 + size
    open(path, 'wb').write(data)


if __name__ == '__main__':
    main(sys.argv[1])

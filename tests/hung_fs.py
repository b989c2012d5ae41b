#!/usr/bin/env python3
"""A file system that stands for a drive or server that does not answer: every lookup below
its root waits DELAY seconds, then finds nothing. Usage: hung_fs.py MOUNTPOINT DELAY"""
import errno, stat, sys, time

try:
    from fusepy import FUSE, FuseOSError, Operations  # Debian's name
except ImportError:
    from fuse import FUSE, FuseOSError, Operations


class Hung(Operations):
    def __init__(self, delay):
        self.delay = delay

    def getattr(self, path, fh=None):
        if path == '/':
            return {'st_mode': stat.S_IFDIR | 0o755, 'st_nlink': 2}
        time.sleep(self.delay)
        raise FuseOSError(errno.ENOENT)

    def readdir(self, path, fh):
        time.sleep(self.delay)
        return ['.', '..']

    def statfs(self, path):
        time.sleep(self.delay)
        return {'f_bsize': 4096, 'f_blocks': 1, 'f_bavail': 0, 'f_bfree': 0}


if __name__ == '__main__':
    FUSE(Hung(float(sys.argv[2])), sys.argv[1], foreground=True, nothreads=False, ro=True)

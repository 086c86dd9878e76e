#!/usr/bin/python3
"""A file system that keeps every name in lower case, as FAT without long names does: names
ignore letter case, and a rename to "Song.mp3" leaves "song.mp3". Passes through to BACKING.
No hard links and no RENAME_NOREPLACE, as on FAT.
Usage: lower_case_fs.py BACKING MOUNTPOINT (returns once mounted; fusermount -u to end)"""
import errno
import os
import sys

from fusepy import FUSE, FuseOSError, Operations


class LowerCase(Operations):
    def __init__(self, backing):
        self.backing = backing

    def _path(self, path):
        return os.path.join(self.backing, path.lstrip("/").lower())

    def getattr(self, path, fh=None):
        info = os.lstat(self._path(path))
        keys = ("st_mode", "st_nlink", "st_uid", "st_gid", "st_size", "st_atime", "st_mtime",
                "st_ctime")
        return {key: getattr(info, key) for key in keys}

    def readdir(self, path, fh):
        return [".", ".."] + os.listdir(self._path(path))

    def access(self, path, mode):
        if not os.access(self._path(path), mode):
            raise FuseOSError(errno.EACCES)

    def chmod(self, path, mode):
        os.chmod(self._path(path), mode)

    def chown(self, path, uid, gid):
        os.chown(self._path(path), uid, gid)

    def utimens(self, path, times=None):
        os.utime(self._path(path), times)

    def mkdir(self, path, mode):
        os.mkdir(self._path(path), mode)

    def rmdir(self, path):
        os.rmdir(self._path(path))

    def unlink(self, path):
        os.unlink(self._path(path))

    def rename(self, old, new):
        os.rename(self._path(old), self._path(new))

    def link(self, target, source):
        raise FuseOSError(errno.EPERM)

    def statfs(self, path):
        info = os.statvfs(self._path(path))
        keys = ("f_bavail", "f_bfree", "f_blocks", "f_bsize", "f_favail", "f_ffree", "f_files",
                "f_flag", "f_frsize", "f_namemax")
        return {key: getattr(info, key) for key in keys}

    def open(self, path, flags):
        return os.open(self._path(path), flags)

    def create(self, path, mode, fi=None):
        return os.open(self._path(path), os.O_WRONLY | os.O_CREAT | os.O_TRUNC, mode)

    def read(self, path, length, offset, fh):
        return os.pread(fh, length, offset)

    def write(self, path, data, offset, fh):
        return os.pwrite(fh, data, offset)

    def truncate(self, path, length, fh=None):
        os.truncate(self._path(path), length)

    def flush(self, path, fh):
        return 0

    def release(self, path, fh):
        os.close(fh)

    def fsync(self, path, datasync, fh):
        os.fsync(fh)

    def fsyncdir(self, path, datasync, fh):
        return 0


if __name__ == "__main__":
    FUSE(LowerCase(sys.argv[1]), sys.argv[2], foreground=False, nothreads=True)

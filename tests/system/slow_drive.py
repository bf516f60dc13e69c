"""A slow place to write to, for the tests of a conversion that takes its time: a folder whose
writes go through a file system in user space (FUSE) that lets only so many bytes a second
through, as a share on a slow network would. Everything else passes straight to a backing
folder, where the tests read what was written at full speed. It can also fail every flush
of a file's data (fsync) or every close (flush), as a share that reports write errors only
then would.

The file system runs in a process of its own under Debian's Python, which has fusepy
(python3-fusepy); the tests' Python only starts and stops it. It must run as root, which may
mount a FUSE file system without fusermount.
"""

import contextlib
import os
import subprocess
import sys
import threading
import time
import unittest

SYSTEM_PYTHON = "/usr/bin/python3"


@contextlib.contextmanager
def mounted(backing, mount_point, bytes_per_second, failing="nothing", timeout=30):
    """The slow file system at mount_point for the time of the block; failing is "fsync" or
    "flush" for an operation that fails with EIO."""
    server = subprocess.Popen([SYSTEM_PYTHON, __file__, str(backing), str(mount_point),
                               str(bytes_per_second), failing],
                              stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    try:
        deadline = time.monotonic() + timeout
        while not os.path.ismount(mount_point):
            if server.poll() is not None:
                raise unittest.SkipTest("no slow drive here: "
                                        + server.stderr.read().decode("utf-8", "replace"))
            if time.monotonic() > deadline:
                raise AssertionError("the slow drive was not mounted")
            time.sleep(0.05)
        yield
    finally:
        # libfuse unmounts on SIGTERM before it exits.
        server.terminate()
        server.wait(timeout=timeout)
        server.stderr.close()


class _Throttle:
    """Lets writes through at a steady rate; time left unused while idle is not saved up."""

    def __init__(self, bytes_per_second):
        self.bytes_per_second = bytes_per_second
        self.lock = threading.Lock()
        self.free_at = 0.0

    def wait_for(self, size):
        with self.lock:
            now = time.monotonic()
            start = max(self.free_at, now)
            self.free_at = start + size / self.bytes_per_second
        time.sleep(start - now)


def _serve(backing, mount_point, bytes_per_second, failing):
    import errno
    from fusepy import FUSE, FuseOSError, Operations

    throttle = _Throttle(bytes_per_second)

    class SlowPassThrough(Operations):
        def __call__(self, operation, path, *arguments):
            try:
                return super().__call__(operation, self.real(path), *arguments)
            except OSError as error:
                raise FuseOSError(error.errno or errno.EIO)

        @staticmethod
        def real(path):
            return os.path.join(backing, path.lstrip("/"))

        def access(self, path, mode):
            if not os.access(path, mode):
                raise FuseOSError(errno.EACCES)

        def getattr(self, path, handle=None):
            status = os.lstat(path)
            return {key: getattr(status, key) for key in (
                "st_atime", "st_ctime", "st_gid", "st_mode", "st_mtime", "st_nlink", "st_size",
                "st_uid")}

        def readdir(self, path, handle):
            return [".", "..", *os.listdir(path)]

        def statfs(self, path):
            status = os.statvfs(path)
            return {key: getattr(status, key) for key in (
                "f_bavail", "f_bfree", "f_blocks", "f_bsize", "f_favail", "f_ffree", "f_files",
                "f_flag", "f_frsize", "f_namemax")}

        def create(self, path, mode, info=None):
            return os.open(path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, mode)

        def rename(self, old, new):
            os.rename(old, self.real(new))

        def truncate(self, path, length, handle=None):
            os.truncate(path, length)

        def utimens(self, path, times=None):
            os.utime(path, times)

        def read(self, path, size, offset, handle):
            return os.pread(handle, size, offset)

        def write(self, path, data, offset, handle):
            throttle.wait_for(len(data))
            return os.pwrite(handle, data, offset)

        def fsync(self, path, datasync, handle):
            if failing == "fsync":
                raise FuseOSError(errno.EIO)
            os.fsync(handle)

        def flush(self, path, handle):
            if failing == "flush":
                raise FuseOSError(errno.EIO)
            return 0

        def release(self, path, handle):
            os.close(handle)

        chmod = os.chmod
        chown = os.chown
        mkdir = os.mkdir
        open = os.open
        rmdir = os.rmdir
        unlink = os.unlink

    FUSE(SlowPassThrough(), mount_point, foreground=True, big_writes=True)


if __name__ == "__main__":
    _serve(sys.argv[1], sys.argv[2], float(sys.argv[3]), sys.argv[4])

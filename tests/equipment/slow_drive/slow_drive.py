#!/usr/bin/python3
"""A drive that answers slowly, or not at all, for the tests: an empty FUSE
file system whose requests wait as long as its control file says before
they answer. Test equipment only, never shipped.

    slow_drive.py MOUNT_POINT CONTROL_FILE PROGRAM_PREFIX

CONTROL_FILE holds the delay in seconds (0, or no file: a healthy drive; 60:
a dead one), read again while a request waits, so that a test can change it
while the program runs. The file beside it named .held for .delay holds how
many of the program's requests wait now, so that a test knows when the
program is held by the drive. Only requests of processes whose name starts with
PROGRAM_PREFIX wait: under Wine the wineserver queries a drive too when a
file on it is opened, and every Wine program would stall with it, whereas on
Windows only the calling thread waits.
"""
import errno
import os
import stat
import sys
import threading
import time

from fusepy import FUSE, FuseOSError, Operations, fuse_get_context

BLOCK = 4096
BLOCKS = 25600  # 100 MiB, half of it free


def process_name(thread_id):
    """The name of the process that the calling thread belongs to."""
    try:
        with open(f"/proc/{thread_id}/status") as status:
            group = next(line.split()[1] for line in status if line.startswith("Tgid:"))
        with open(f"/proc/{group}/comm") as comm:
            return comm.read().strip()
    except (OSError, StopIteration):
        return ""


class SlowDrive(Operations):
    def __init__(self, control, prefix):
        self.control = control
        self.prefix = prefix
        self.started = time.time()
        self.held_file = os.path.splitext(control)[0] + ".held"
        self.held = 0
        self.held_lock = threading.Lock()
        self.count_held(0)

    def count_held(self, change):
        with self.held_lock:
            self.held += change
            with open(self.held_file + ".new", "w") as held:
                held.write(f"{self.held}\n")
            os.replace(self.held_file + ".new", self.held_file)

    def delay(self):
        try:
            with open(self.control) as control:
                return float(control.read().strip() or 0)
        except (OSError, ValueError):
            return 0

    def wait(self):
        if not process_name(fuse_get_context()[2]).startswith(self.prefix):
            return
        # The delay is looked at again while waiting: a drive brought back
        # to life answers the requests it held at once.
        start = time.monotonic()
        if self.delay() <= 0:
            return
        self.count_held(1)
        try:
            while time.monotonic() - start < self.delay():
                time.sleep(0.05)
        finally:
            self.count_held(-1)

    def __call__(self, op, *args):
        # The root's attributes answer at once: Wine looks at the root of
        # every drive whenever it needs one drive's volume, which on Windows
        # would not reach this drive at all.
        if op != "getattr":
            self.wait()
        return super().__call__(op, *args)

    def getattr(self, path, fh=None):
        if path != "/":
            raise FuseOSError(errno.ENOENT)
        return {"st_mode": stat.S_IFDIR | 0o755, "st_nlink": 2, "st_ctime": self.started,
                "st_mtime": self.started, "st_atime": self.started}

    def readdir(self, path, fh):
        return [".", ".."]

    def statfs(self, path):
        return {"f_bsize": BLOCK, "f_frsize": BLOCK, "f_blocks": BLOCKS, "f_bfree": BLOCKS // 2,
                "f_bavail": BLOCKS // 2, "f_namemax": 255}


if __name__ == "__main__":
    mount_point, control, prefix = sys.argv[1:4]
    FUSE(SlowDrive(control, prefix), mount_point, foreground=True, nothreads=False)

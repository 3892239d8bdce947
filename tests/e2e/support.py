"""What the end-to-end suites share: the project's Wine facts, a Wine prefix
of their own, a real volume that can be filled, and the records of the
recording stand-in SCHTASKS."""

import os
import subprocess
import sys
import time
from pathlib import Path


def read_wine_env(path):
    """The project's Wine facts: NAME=value lines of cmake/wine.env."""
    facts = {}
    for line in Path(path).read_text(encoding="utf-8").splitlines():
        name, sep, value = line.partition("=")
        if sep and name.startswith("TAVRIN_"):
            facts[name] = value
    return facts


WINE = read_wine_env(Path(__file__).resolve().parents[2] / "cmake" / "wine.env")
WINE64 = WINE["TAVRIN_WINE64"]
WINESERVER = WINE["TAVRIN_WINESERVER"]

class Prefix:
    """A Wine prefix for the end-to-end cases, copied once from the build's."""

    def __init__(self, root):
        self.root = Path(root).resolve()
        self.user = self.root / "drive_c" / "users" / "root"
        self.env = dict(os.environ,
                        WINEPREFIX=str(self.root), WINEDEBUG=WINE["TAVRIN_WINEDEBUG"], HOME=str(self.root / "home"),
                        WINEDLLOVERRIDES=WINE["TAVRIN_WINEDLLOVERRIDES"] + ";schtasks.exe=n")
        self.env.pop("WINELOADER", None)

    def create(self, make_prefix_script):
        subprocess.run(["sh", make_prefix_script, str(self.root)], check=True)

    def start_server(self):
        subprocess.run([WINESERVER, "-p"], env=self.env, check=True,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # Wine's background services start with the first program and keep its
        # output pipes open: let them inherit nothing.
        subprocess.run([WINE64, "cmd", "/c", "exit", "0"], env=self.env, check=True, timeout=120,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def stop_server(self):
        subprocess.run([WINESERVER, "-k"], env=self.env, check=False,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def wine(self, argv, check=True):
        return subprocess.run([WINE64] + argv, env=self.env, check=check, stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)

    def unix(self, windows_path):
        """Unix path of a C:\\ path inside this prefix, or of a path on another
        drive letter linked in its dosdevices folder."""
        drive = windows_path[:3].lower()
        assert len(drive) == 3 and drive[0].isalpha() and drive[1:] == ":\\", windows_path
        base = self.root / "drive_c" if drive == "c:\\" else self.root / "dosdevices" / drive[:2]
        return base / windows_path[3:].replace("\\", "/")

    def reg_add(self, key, name, value, kind="REG_SZ"):
        argv = ["reg", "add", key, "/f", "/t", kind, "/d", value]
        argv[3:3] = ["/ve"] if name is None else ["/v", name]
        self.wine(argv)

    def reg_delete(self, key, name=None):
        argv = ["reg", "delete", key, "/f"] + (["/v", name] if name else [])
        self.wine(argv, check=False)


def chattr(path, flag):
    subprocess.run(["chattr", flag, str(path)], check=True)


# Waits for a line on stdin, then appends to one file until the volume is
# full, says "full" once, and keeps taking every block that becomes free,
# without pausing, until it is stopped.
FILLER = r"""
import errno, os, sys
sys.stdin.readline()
fd = os.open(sys.argv[1], os.O_WRONLY | os.O_CREAT | os.O_APPEND, 0o600)
block = b"\0" * 4096
said = False
while True:
    try:
        os.write(fd, block)
    except OSError as error:
        if error.errno != errno.ENOSPC:
            raise
        if not said:
            print("full", flush=True)
            said = True
"""


class SmallVolume:
    """A real disk that can be filled: a tmpfs of a few blocks, mounted inside
    the prefix and linked as a drive letter. Needs root. Leaving the block
    stops the filler, removes the drive letter and unmounts, whatever happened."""

    def __init__(self, prefix, letter="f", size="64k"):
        self.root = prefix.root / ("volume-" + letter)
        self.drive = prefix.root / "dosdevices" / (letter + ":")
        self.size = size
        self.filler = None
        self.mounted = False

    def __enter__(self):
        self.root.mkdir(exist_ok=True)
        try:
            subprocess.run(["mount", "-t", "tmpfs", "-o", "size=" + self.size, "tmpfs", str(self.root)], check=True)
            self.mounted = True
            if self.drive.is_symlink() or self.drive.exists():
                self.drive.unlink()
            self.drive.symlink_to(self.root)
        except BaseException:
            self.__exit__(None, None, None)
            raise
        return self

    def __exit__(self, *exc):
        self.stop_filling()
        if self.drive.is_symlink():
            self.drive.unlink()
        if self.mounted:
            # The tool has ended, but Wine may take a moment to let go of the drive.
            for _ in range(40):
                if subprocess.run(["umount", str(self.root)], stderr=subprocess.DEVNULL).returncode == 0:
                    break
                time.sleep(0.25)
            else:
                subprocess.run(["umount", "-l", str(self.root)], check=True)
            self.mounted = False
        if self.root.is_dir():
            self.root.rmdir()
        return False

    def prepare_filler(self):
        """Starts the filler ahead, so that fill() takes no start-up time."""
        if self.filler is None:
            self.filler = subprocess.Popen([sys.executable, "-c", FILLER, str(self.root / "filler")],
                                           stdin=subprocess.PIPE, stdout=subprocess.PIPE)

    def fill(self):
        """Fills the volume and keeps it full until stop_filling()."""
        self.prepare_filler()
        self.filler.stdin.write(b"go\n")
        self.filler.stdin.flush()
        if self.filler.stdout.readline().strip() != b"full":
            raise AssertionError("the filler ended before the volume was full")
        if os.statvfs(self.root).f_bavail != 0:
            raise AssertionError("the volume still has free blocks")

    def stop_filling(self):
        if self.filler is None:
            return
        self.filler.terminate()
        try:
            self.filler.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.filler.kill()
            self.filler.wait()
        self.filler.stdin.close()
        self.filler.stdout.close()
        self.filler = None
        filler_file = self.root / "filler"
        if filler_file.exists():
            filler_file.unlink()


def parse_schtasks_log(data):
    """Records of the stand-in SCHTASKS: "<key> <value>" lines, and for text
    "<key> <byte count> <utf-8 text>", between "begin" and "end"."""
    calls, pos = [], 0
    while pos < len(data):
        end = data.index(b" ", pos) if data[pos:pos + 6] != b"begin\n" and data[pos:pos + 4] != b"end\n" \
            else data.index(b"\n", pos)
        key = data[pos:end].decode()
        if key == "begin":
            calls.append([])
            pos = end + 1
        elif key == "end":
            pos = end + 1
        elif key in ("program", "commandline", "arg"):
            size_end = data.index(b" ", end + 1)
            size = int(data[end + 1:size_end])
            text = data[size_end + 1:size_end + 1 + size].decode("utf-8")
            if key == "arg":
                calls[-1].append(text)
            pos = size_end + 1 + size + 1
        else:
            pos = data.index(b"\n", end) + 1
    return calls

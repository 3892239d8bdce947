"""What the end-to-end suites share: the project's Wine facts, a Wine prefix
of their own, a PC prepared for one case (Case), a real volume that can be
filled, the records of the recording stand-in SCHTASKS, and the rows of the
README's fault table the cases declare."""

import argparse
import contextlib
import hashlib
import os
import shutil
import signal
import socket
import socketserver
import subprocess
import sys
import threading
import time
from pathlib import Path, PureWindowsPath


def read_wine_env(path):
    """The project's Wine facts: NAME=value lines of cmake/wine.env."""
    facts = {}
    for line in Path(path).read_text(encoding="utf-8").splitlines():
        name, sep, value = line.partition("=")
        if sep and name.startswith("TAVRIN_"):
            facts[name] = value
    return facts


CHECKOUT = Path(__file__).resolve().parents[2]
WINE = read_wine_env(CHECKOUT / "cmake" / "wine.env")
WINE64 = WINE["TAVRIN_WINE64"]
WINESERVER = WINE["TAVRIN_WINESERVER"]

# The unit addresses of the cases; tools/in-test-netns.sh puts them all on the
# namespace's loopback. Every one but REFUSING is served by UnitServer.
SERVED = ("192.168.1.1", "192.168.1.10", "192.168.10.200", "10.0.0.254", "10.1.2.3", "10.9.9.9",
          "192.168.1.20", "192.168.1.21", "192.168.1.22", "192.168.1.23", "192.168.1.24")
REFUSING = "192.168.1.30"     # on loopback, nothing listens: the connection is refused
UNREACHABLE = "192.168.77.7"  # not in the namespace at all: no route


class UnitServer:
    """The units' web servers: port 80 on each SERVED address, inside the
    tests' network namespace. Each address answers as the case says: an HTTP
    status (200 unless told otherwise; 3xx with a Location), or "hang" (the
    connection is accepted and never answered). Every request is recorded as
    (address, request line, header lines)."""

    def __init__(self):
        self.lock = threading.Lock()
        self.requests = []
        self.answers = {}
        self.release = threading.Event()
        self.servers = []
        units = self

        class Handler(socketserver.StreamRequestHandler):
            def handle(self):
                address = self.server.server_address[0]
                head = []
                while True:
                    line = self.rfile.readline(65537)
                    if not line or line in (b"\r\n", b"\n"):
                        break
                    head.append(line.decode("latin-1").rstrip("\r\n"))
                with units.lock:
                    units.requests.append((address, head[0] if head else "", head[1:]))
                    answer = units.answers.get(address, (200, None))
                    release = units.release
                if answer == "hang":
                    release.wait(60)
                    return
                status, location = answer
                body = b"<html><body>unit</body></html>"
                lines = ["HTTP/1.1 %d Test" % status, "Content-Type: text/html",
                         "Content-Length: %d" % len(body), "Connection: close"]
                if location:
                    lines.append("Location: " + location)
                self.wfile.write(("\r\n".join(lines) + "\r\n\r\n").encode("ascii") + body)

        class Server(socketserver.ThreadingTCPServer):
            daemon_threads = True
            allow_reuse_address = True

        for address in SERVED:
            server = Server((address, 80), Handler)
            threading.Thread(target=server.serve_forever, daemon=True).start()
            self.servers.append(server)

    def reset(self):
        """Every address answers 200 again; hung connections are let go; no requests recorded."""
        with self.lock:
            self.release.set()
            self.release = threading.Event()
            self.answers = {}
            self.requests = []

    def answer(self, address, status, location=None):
        with self.lock:
            self.answers[address] = (status, location)

    def hang(self, address):
        with self.lock:
            self.answers[address] = "hang"

    def requests_to(self, address):
        with self.lock:
            return [request for request in self.requests if request[0] == address]

    def stop(self):
        self.reset()
        for server in self.servers:
            server.shutdown()
            server.server_close()


def use_wow64_wine(root):
    """Runs every Wine program of the suite with the WoW64 Wine in `root` (made
    by tools/make-wow64-root.sh), through cmake/wow64/: the host's Wine 8 runs
    64-bit programs only."""
    global WINE64, WINESERVER
    os.environ["TAVRIN_WOW64_ROOT"] = str(root)
    WINE64 = str(CHECKOUT / "cmake" / "wow64" / "wine")
    WINESERVER = str(CHECKOUT / "cmake" / "wow64" / "wineserver")


def pe_machine(path):
    """The machine a Windows program is built for: "i686" or "x86_64"."""
    data = Path(path).read_bytes()
    header = int.from_bytes(data[0x3C:0x40], "little")
    assert data[header:header + 4] == b"PE\0\0", path
    machine = int.from_bytes(data[header + 4:header + 6], "little")
    return {0x14C: "i686", 0x8664: "x86_64"}[machine]

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

    def start_task_scheduler(self):
        """Starts Wine's Task Scheduler service. A new prefix, or a new
        wineserver, does not run it; the first try may find the service
        database locked."""
        for _ in range(10):
            result = self.wine(["net", "start", "schedule"], check=False)
            out = result.stdout.decode("utf-8", "replace")
            if result.returncode == 0 or "already running" in out:
                return
            time.sleep(1)
        raise AssertionError("net start schedule failed: %s" % out)

    SCHEDULE_SERVICE = r"HKLM\System\CurrentControlSet\Services\Schedule"

    def restart_server(self):
        """Ends every Wine process of this prefix and starts its wineserver
        again; the units' web servers keep running."""
        self.kill_server()
        subprocess.run([WINESERVER, "-w"], env=self.env, check=False, timeout=60)
        self.start_server()

    def disable_task_scheduler(self):
        """Leaves the Task Scheduler service stopped and unable to start, as on a
        PC where it was stopped and disabled: Wine's service does not take the
        stop control, and a stopped one is started again by the first program
        that connects to it, so it is disabled and the prefix started again."""
        self.reg_add(self.SCHEDULE_SERVICE, "Start", "4", "REG_DWORD")
        self.restart_server()

    def enable_task_scheduler(self):
        self.reg_add(self.SCHEDULE_SERVICE, "Start", "3", "REG_DWORD")
        self.restart_server()
        self.start_task_scheduler()

    def processes_mapping(self, image_name):
        """Linux PIDs of this prefix's Wine processes (by their WINEPREFIX)
        that have a file of this name mapped: Wine's builtin DLLs come from
        the system's Wine, so the prefix tells them apart from other suites'."""
        wanted = ("WINEPREFIX=%s" % self.root).encode()
        pids = []
        for entry in Path("/proc").iterdir():
            if not entry.name.isdigit() or int(entry.name) == os.getpid():
                continue
            try:
                if wanted not in (entry / "environ").read_bytes().split(b"\0"):
                    continue
                if ("/" + image_name).encode() in (entry / "maps").read_bytes():
                    pids.append(int(entry.name))
            except OSError:
                continue
        return pids

    @contextlib.contextmanager
    def task_scheduler_not_answering(self):
        """Inside the block this prefix's Task Scheduler service takes requests
        and never answers them: the process that runs it is stopped (SIGSTOP),
        and goes on (SIGCONT) when the block ends."""
        self.start_task_scheduler()
        pids = self.processes_mapping("schedsvc.dll")
        if not pids:
            raise AssertionError("no Task Scheduler service runs in %s" % self.root)
        for pid in pids:
            os.kill(pid, signal.SIGSTOP)
        try:
            yield pids
        finally:
            for pid in pids:
                try:
                    os.kill(pid, signal.SIGCONT)
                except ProcessLookupError:
                    pass

    def kill_server(self):
        """Ends every Wine process of this prefix; the units' web servers keep running."""
        subprocess.run([WINESERVER, "-k"], env=self.env, check=False,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def stop_server(self):
        subprocess.run([WINESERVER, "-k"], env=self.env, check=False,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if getattr(self, "units", None):
            self.units.stop()
            self.units = None

    def wine(self, argv, check=True):
        result = subprocess.run([WINE64] + argv, env=self.env, check=False, stdin=subprocess.DEVNULL,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
        if check and result.returncode != 0:
            raise AssertionError("%s ended with %d\nstdout: %s\nstderr: %s" % (
                " ".join(argv), result.returncode, result.stdout.decode("utf-8", "replace"),
                result.stderr.decode("utf-8", "replace")))
        return result

    @contextlib.contextmanager
    def separate_app_paths_views(self):
        """Inside the block, the prefix's 32-bit registry view has an App Paths
        key of its own, as on a Windows where the two views differ: Wine makes
        Wow6432Node\\...\\App Paths a link to the 64-bit key, and the link
        is left out of a copy of system.reg. The prefix's own registry is back
        afterwards."""
        link = "[Software\\\\Wow6432Node\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\App Paths]"
        system_reg = self.root / "system.reg"
        kept = self.root / "system.reg.shared-views"
        self.kill_server()
        shutil.copyfile(system_reg, kept)
        try:
            text = system_reg.read_text(encoding="utf-8")
            start = text.index("\n" + link + " ") + 1
            end = text.index("\n\n", start) + 2
            assert "#link" in text[start:end], text[start:end]
            system_reg.write_text(text[:start] + text[end:], encoding="utf-8")
            self.start_server()
            yield
        finally:
            self.kill_server()
            shutil.copyfile(kept, system_reg)
            kept.unlink()
            self.start_server()

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
        # Setting up the PC, not testing the tool: once, on a heavily loaded
        # machine, Wine's reg ended with 1 right after a key was deleted. Try
        # a second time before giving up, and say so.
        if self.wine(argv, check=False).returncode != 0:
            print("reg add %s failed once; trying again" % key, file=sys.stderr)
            time.sleep(1)
            self.wine(argv)

    def reg_delete(self, key, name=None):
        argv = ["reg", "delete", key, "/f"] + (["/v", name] if name else [])
        self.wine(argv, check=False)


def open_prefix(root, make_prefix_script, tool_unix, tool):
    """The suite's prefix, made if needed, with the tool copied to its Windows
    path `tool` (it runs from inside the prefix, as it would from a PC's disk)
    and the prefix's wineserver running. Stop it with stop_server()."""
    prefix = Prefix(root)
    prefix.create(make_prefix_script)
    installed = prefix.unix(tool)
    installed.parent.mkdir(parents=True, exist_ok=True)
    shutil.copyfile(tool_unix, installed)
    prefix.units = UnitServer()
    prefix.start_server()
    # Children of the tool do not see WINEDLLOVERRIDES; the registry reaches them.
    prefix.reg_add(r"HKCU\Software\Wine\DllOverrides", "schtasks.exe", "native")
    prefix.start_task_scheduler()
    return prefix


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


def parse_schtasks_log(data, wanted="arg"):
    """Records of the stand-in SCHTASKS: "<key> <value>" lines, and for text
    "<key> <byte count> <utf-8 text>", between "begin" and "end". For each run
    the texts recorded under `wanted`: its argv ("arg"), the file that ran
    ("program"), or the task document /XML named ("document"; None when it
    could not be read)."""
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
        elif key in ("program", "commandline", "arg", "held", "document"):
            size_end = min(i for i in (data.find(b" ", end + 1), data.find(b"\n", end + 1)) if i >= 0)
            size = int(data[end + 1:size_end])
            if size < 0:  # a document that could not be read
                text, pos = None, size_end + 1
            else:
                text = data[size_end + 1:size_end + 1 + size].decode("utf-8")
                pos = size_end + 1 + size + 1
            if key == wanted:
                calls[-1].append(text)
        else:
            pos = data.index(b"\n", end) + 1
    return calls


KIOSK_LNK = "LAN対応ユニット.lnk"
EDGE_PATH = r"C:\Program Files (x86)\Microsoft\Edge\Application\msedge.exe"


def link_for(address, size):
    return "http://%s/display.htm?size=%d" % (address, size + 1)


def fault_row(situation, messages, afterwards):
    """Declares what a case shows a technician: one row of the README's fault
    table ("What the tool does when things go wrong"). Stack several for a
    case that covers several rows; they keep the order they are written in.
    tests/e2e/fault_table.py makes the README table from these rows and checks
    that it has not drifted from them."""
    def mark(method):
        method.fault_rows = [(situation, messages, afterwards)] + getattr(method, "fault_rows", [])
        return method
    return mark


class Case:
    """One technician session: how the PC looks, then what is pressed."""

    def __init__(self, prefix, tool, schtasks, driver=None):
        self.prefix = prefix
        self.tool = tool
        self.schtasks = schtasks  # the stand-in SCHTASKS (Unix path); also stands in for Edge
        self.driver = driver      # the dialog driver (Unix path)
        self.caption = PureWindowsPath(tool).stem
        self.immutable = []
        self.documents = r"C:\users\root\Documents"
        self.desktop = r"C:\users\root\Desktop"
        self.startup = r"C:\users\root\AppData\Roaming\Microsoft\Windows\Start Menu\Programs\StartUp"
        self.schtasks_log = self.prefix.root / "schtasks-log.txt"
        # Where Wine's Task Scheduler keeps its tasks; the stand-in registers there.
        self.tasks_folder = self.prefix.root / "drive_c" / "windows" / "system32" / "tasks"
        self.schtasks_env = {}  # more TAVRIN_SCHTASKS_* settings for the stand-in
        self.units = prefix.units  # the units' web servers; reset() has every one answer 200
        self.units.reset()

    # -- preparing the PC ---------------------------------------------------
    def reset(self, version="win7", edge=True, schtasks_exit=0, schtasks=True, edge_value=None,
              schtasks_sleep=None):
        self.units.reset()
        for folder in (self.documents, self.desktop, self.startup):
            path = self.prefix.unix(folder)
            if path.is_symlink():
                # Wine makes a missing Documents a link to $HOME when it creates it.
                path.unlink()
            elif path.exists():
                subprocess.run(["chattr", "-R", "-i", str(path)], check=False)
                shutil.rmtree(path)
            path.mkdir(parents=True)
        shell_folders = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders"
        self.prefix.reg_add(shell_folders, "Personal", r"%USERPROFILE%\Documents", "REG_EXPAND_SZ")
        self.prefix.reg_add(shell_folders, "Desktop", r"%USERPROFILE%\Desktop", "REG_EXPAND_SZ")
        app_paths = r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\msedge.exe"
        if edge:
            edge_file = self.prefix.unix(EDGE_PATH)
            edge_file.parent.mkdir(parents=True, exist_ok=True)
            shutil.copyfile(self.schtasks, edge_file)
            self.prefix.reg_delete(app_paths)
            kind, data = edge_value if edge_value else ("REG_SZ", EDGE_PATH)
            self.prefix.reg_add(app_paths, None, data, kind)
        else:
            self.prefix.reg_delete(app_paths)
        self.prefix.reg_add(r"HKCU\Software\Wine\AppDefaults\%s" % PureWindowsPath(self.tool).name, "Version", version)
        self.reset_schtasks(schtasks)
        self.schtasks_exit = schtasks_exit
        self.schtasks_sleep = schtasks_sleep
        self.schtasks_env = {}
        if self.schtasks_log.exists():
            self.schtasks_log.unlink()
        self.tasks_folder.mkdir(parents=True, exist_ok=True)
        task = self.task_file()
        if task.exists():
            subprocess.run(["chattr", "-i", str(task)], check=False)
            task.unlink()

    def system_folders(self):
        """The system folders of the prefix: system32, and syswow64 in a WoW64
        prefix, where a 32-bit program that starts system32\\schtasks.exe gets
        syswow64\\schtasks.exe, as on Windows."""
        windows = self.prefix.root / "drive_c" / "windows"
        return [folder for folder in (windows / "system32", windows / "syswow64") if folder.is_dir()]

    def reset_schtasks(self, present):
        """The stand-in SCHTASKS in every system folder, or no SCHTASKS at all."""
        for folder in self.system_folders():
            target = folder / "schtasks.exe"
            if present:
                shutil.copyfile(self.schtasks, target)
            elif target.exists():
                target.unlink()

    def use_documents(self, windows_path):
        self.prefix.unix(windows_path).mkdir(parents=True, exist_ok=True)
        self.prefix.reg_add(r"HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders",
                            "Personal", windows_path, "REG_SZ")
        self.documents = windows_path

    def use_desktop(self, windows_path):
        self.prefix.unix(windows_path).mkdir(parents=True, exist_ok=True)
        self.prefix.reg_add(r"HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders",
                            "Desktop", windows_path, "REG_SZ")
        self.desktop = windows_path

    def freeze(self, windows_path):
        """Makes a file read-only, or a folder unwritable, as Windows would.
        Root ignores mode bits, so the Unix file is also made immutable; Wine
        reads the missing write bits as the read-only attribute."""
        path = self.prefix.unix(windows_path)
        if path.is_file():
            path.chmod(0o444)
        chattr(path, "+i")
        self.immutable.append(path)

    def thaw(self):
        for path in self.immutable:
            chattr(path, "-i")
            if path.is_file():
                path.chmod(0o644)
        self.immutable = []

    # -- running the tool ---------------------------------------------------
    def schtasks_environment(self):
        """The prefix's environment with the stand-in SCHTASKS set up as reset() asked."""
        env = dict(self.prefix.env)
        env["TAVRIN_SCHTASKS_LOG"] = "Z:" + str(self.schtasks_log).replace("/", "\\")
        if self.schtasks_exit is not None:
            env["TAVRIN_SCHTASKS_EXIT"] = str(self.schtasks_exit)
        else:
            # No forced status: the stand-in keeps a list of registered tasks
            # and answers as the real SCHTASKS would.
            env["TAVRIN_SCHTASKS_TASKS"] = r"C:\windows\system32\tasks"
        env.pop("TAVRIN_SCHTASKS_SLEEP_MS", None)
        if self.schtasks_sleep is not None:
            env["TAVRIN_SCHTASKS_SLEEP_MS"] = str(self.schtasks_sleep)
        env.update(self.schtasks_env)
        return env

    def run(self, *steps):
        """Drives the tool's dialog (see Driver.cpp); what the driver saw."""
        result = subprocess.run([WINE64, self.driver, self.tool] + list(steps), env=self.schtasks_environment(),
                                stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                timeout=300)
        out = result.stdout.decode("utf-8", "replace")
        if result.returncode != 0:
            raise AssertionError("driver failed: %s\n%s" % (out, result.stderr.decode("utf-8", "replace")))
        return self.session(out)

    @staticmethod
    def finish_driver_output(process, timeout=300):
        """Waits for a driver started with start_driver(); its output as text."""
        out, err = process.communicate(timeout=timeout)
        if process.returncode != 0:
            raise AssertionError("driver failed: %s\n%s" % (out.decode("utf-8", "replace"),
                                                            err.decode("utf-8", "replace")))
        return out.decode("utf-8", "replace")

    @staticmethod
    def session(out):
        """What the driver saw, from its output (see run())."""
        session = {"messages": [], "labels": [], "dialog": None, "exit": None,
                   "probes": [], "second": [], "processes": [], "questions": [], "focus": []}
        for line in out.splitlines():
            kind, _, rest = line.partition("\t")
            if kind == "PROBE":
                session["probes"].append(tuple(rest.split("\t")))
            elif kind == "SECOND":
                state, code, ms, windows, front = rest.split("\t")
                session["second"].append({"state": state, "exit": int(code), "ms": int(ms),
                                          "windows": int(windows), "front": front})
            elif kind == "PROCESSES":
                name, _, count = rest.partition("\t")
                session["processes"].append((name, int(count)))
            elif kind == "QUESTION":
                caption, text, default, reply = rest.split("\t")
                session["questions"].append({"caption": caption, "text": text.replace("\\n", "\n"),
                                             "default": default, "reply": reply})
            elif kind == "FOCUS":
                session["focus"].append(rest)
            elif kind == "MESSAGE":
                caption, _, text = rest.partition("\t")
                session["messages"].append((caption, text.replace("\\n", "\n")))
            elif kind == "LABEL":
                session["labels"].append(rest)
            elif kind == "DIALOG":
                session["dialog"] = rest
            elif kind == "START":
                shown, copies, ms = rest.split("\t")
                session["start"] = {"dialog": shown == "dialog", "copies_before": int(copies), "ms": int(ms)}
            elif kind == "EXIT":
                session["exit"] = rest
        start = session.get("start")
        if start and not start["dialog"] and not session["messages"]:
            # Every start shows the dialog or says why: tell the ways apart.
            raise AssertionError("the tool ended its start without a window or a message: exit code %s after %d ms; "
                                 "%d copies of it were running when it was started"
                                 % (session["exit"], start["ms"], start["copies_before"]))
        return session

    def run_tool(self, *arguments, stdout="file", timeout=180, without_display=False):
        """Runs the tool itself with these arguments, its standard output
        redirected to a file ("file", as `tavrin.exe /status > out.txt` does)
        or to a pipe ("pipe"), with or without the X display; the exit code
        and the bytes it wrote."""
        argv = [WINE64, self.tool] + list(arguments)
        env = self.schtasks_environment()
        if without_display:
            env.pop("DISPLAY", None)
        if stdout == "pipe":
            result = subprocess.run(argv, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                    stderr=subprocess.DEVNULL, timeout=timeout)
            return ToolRun(result.returncode, result.stdout)
        out_path = self.prefix.root / "tool-stdout.txt"
        with open(out_path, "wb") as out:
            result = subprocess.run(argv, env=env, stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.DEVNULL,
                                    timeout=timeout)
        return ToolRun(result.returncode, out_path.read_bytes())

    def start_tool(self, *arguments):
        """Starts the tool with these arguments and goes on; its standard output
        goes to a file of its own. finish_tool() waits for it."""
        out_path = self.prefix.root / "tool-stdout-background.txt"
        out = open(out_path, "wb")
        process = subprocess.Popen([WINE64, self.tool] + list(arguments), env=self.schtasks_environment(),
                                   stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.DEVNULL)
        out.close()
        process.out_path = out_path
        return process

    @staticmethod
    def finish_tool(process, timeout=180):
        code = process.wait(timeout=timeout)
        return ToolRun(code, process.out_path.read_bytes())

    def start_driver(self, *steps):
        """Starts the dialog driver (see run()) and goes on; finish_driver() waits."""
        return subprocess.Popen([WINE64, self.driver, self.tool] + list(steps), env=self.schtasks_environment(),
                                stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE)

    @staticmethod
    def finish_driver(process, timeout=300):
        out, err = process.communicate(timeout=timeout)
        if process.returncode != 0:
            raise AssertionError("driver failed: %s\n%s" % (out.decode("utf-8", "replace"),
                                                            err.decode("utf-8", "replace")))
        return [tuple(line.split("\t")) for line in out.decode("utf-8").splitlines()]

    def wait_for_schtasks(self, timeout=60):
        """Waits until the stand-in SCHTASKS has run (it records itself first)."""
        deadline = time.monotonic() + timeout
        while not self.schtasks_log.exists():
            if time.monotonic() > deadline:
                raise AssertionError("SCHTASKS never ran")
            time.sleep(0.02)

    def standin_pids(self):
        """Linux PIDs of the processes that run this prefix's stand-in SCHTASKS.
        Wine shows such a process's command line as the tool gave it
        (`SCHTASKS /Create ...`, no `.exe`), so a process is known by the image
        mapped into it: the stand-in's file in this prefix's system folders.
        Other prefixes' stand-ins (other suites, other users) never match."""
        windows = self.prefix.root / "drive_c" / "windows"
        images = {str(windows / folder / "schtasks.exe").encode() for folder in ("system32", "syswow64")}
        pids = []
        for entry in Path("/proc").iterdir():
            if not entry.name.isdigit() or int(entry.name) == os.getpid():
                continue
            try:
                maps = (entry / "maps").read_bytes()
            except OSError:
                continue
            # Inside the WoW64 Wine's root the same file shows under that root's path.
            mapped = {line.split(None, 5)[5] for line in maps.splitlines() if len(line.split(None, 5)) == 6}
            if any(path.endswith(image) for path in mapped for image in images):
                pids.append(int(entry.name))
        return pids

    # -- what is on the PC afterwards -----------------------------------------
    def task_file(self, name="Quorvix画面リフレッシュ（root）"):
        """The file Wine's Task Scheduler keeps a task in (UTF-16 task XML)."""
        return self.tasks_folder / name

    def file(self, folder, name):
        return self.prefix.unix(folder + "\\" + name)

    def schtasks_calls(self):
        """The argv of each SCHTASKS run, oldest first."""
        if not self.schtasks_log.exists():
            return []
        return parse_schtasks_log(self.schtasks_log.read_bytes())

    def shortcut(self, folder, name=KIOSK_LNK):
        path = self.file(folder, name)
        out = subprocess.run(["lnkinfo", str(path)], check=True, stdout=subprocess.PIPE).stdout.decode("utf-8")
        fields = {}
        for line in out.splitlines():
            key, sep, value = line.strip().partition(":")
            if sep:
                fields[key.strip()] = value.strip()
        return fields


class ToolRun:
    """What one run of the tool gave: its exit code and its output, as bytes
    and as lines. Every line must end with CR LF."""

    def __init__(self, code, output):
        self.code = code
        self.output = output
        text = output.decode("utf-8")
        if text and not text.endswith("\r\n"):
            raise AssertionError("output does not end with CR LF: %r" % text[-20:])
        self.lines = text[:-2].split("\r\n") if text else []
        if any("\n" in line or "\r" in line for line in self.lines):
            raise AssertionError("a line break other than CR LF: %r" % text)

    def __repr__(self):
        return "ToolRun(%d, %r)" % (self.code, self.lines)


def require_test_network():
    """Ends the suite unless it runs inside the tests' network namespace
    (tools/in-test-netns.sh): there the only interface is loopback, so the
    tool's requests cannot leave this machine."""
    with open("/proc/self/net/dev", encoding="ascii") as dev:
        interfaces = [line.split(":")[0].strip() for line in dev.read().splitlines()[2:]]
    if interfaces != ["lo"]:
        sys.exit("Refusing to run: the end-to-end suites run only inside the tests' network namespace "
                 "(sh tools/in-test-netns.sh ...); here the tool could reach a real network (interfaces: %s)"
                 % ", ".join(interfaces))


def parse_suite_arguments():
    """The programs a suite drives, from its command line (as CTest passes
    them); the rest of the arguments are unittest's. The tool is run from
    C:\\tavrin inside the prefix, as it would be from a PC's disk."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--tool", required=True, help="the tool's .exe (Unix path)")
    parser.add_argument("--driver", required=True, help="the driver .exe (Unix path)")
    parser.add_argument("--schtasks", required=True, help="the stand-in SCHTASKS .exe (Unix path)")
    parser.add_argument("--wtsapi", help="the stand-in wtsapi32.dll with another logged-on user (Unix path)")
    parser.add_argument("--make-prefix", required=True, help="the script that makes a test prefix")
    parser.add_argument("--prefix", required=True)
    parser.add_argument("--wow64-root", help="run under the WoW64 Wine built in this folder")
    args, rest = parser.parse_known_args()
    require_test_network()
    args.machine = pe_machine(args.tool)
    # Which file ran, by its bytes: the release zips the same one.
    digest = hashlib.sha256(Path(args.tool).read_bytes()).hexdigest()
    if args.wow64_root:
        use_wow64_wine(args.wow64_root)
        where = "the WoW64 Wine in %s (Debian 13, Wine 10, new WoW64 mode)" % args.wow64_root
    else:
        where = WINE64
    print("Running the %s tool %s (SHA-256 %s) under %s" % (args.machine, args.tool, digest, where), file=sys.stderr)
    args.tool_unix = str(Path(args.tool).resolve())
    args.driver = str(Path(args.driver).resolve())
    args.schtasks = str(Path(args.schtasks).resolve())
    if args.wtsapi:
        args.wtsapi = str(Path(args.wtsapi).resolve())
    args.tool = "C:\\tavrin\\" + Path(args.tool).name
    return args, rest

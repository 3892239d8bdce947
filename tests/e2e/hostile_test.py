#!/usr/bin/env python3
"""End-to-end tests of what a hostile PC can plant for the elevated tool: links
at the paths it writes, a DLL beside it, a link at its log, a noisy SCHTASKS,
leftovers of a killed run, a squatted single-copy name. The built tool is run
with arguments under Wine, in a prefix of its own, as a roll-out script runs it.
"""

import os
import re
import shutil
import subprocess
import sys
import time
import unittest
from pathlib import PureWindowsPath

from support import (KIOSK_LNK, WINE64, Case, SmallVolume, fault_row, open_prefix,
                     parse_suite_arguments)

ARGS = None  # set in main()

CREATED = "ショートカットを作成しました"
STARTUP_FAILED = "スタートアップへのショートカット作成に失敗しました"
DESKTOP_FAILED = "デスクトップへのショートカット作成に失敗しました"
REMOVED = "タスクとショートカットの削除に成功しました。"
ANOTHER_COPY = "このツールはすでに実行中です。終わってからもう一度実行してください。"
PRECIOUS = r"C:\precious.txt"
PRECIOUS_BYTES = b"precious bytes, not a shortcut\r\n"
MUTEX_NAME = r"Local\Tavrin.KioskSetup.RunningCopy"
SEAM_TOOL = r"C:\tavrin\tavrin_swap_seam.exe"
SCRIPT = "LAU_Refresh.vbs"
OLD_SCRIPT = b"' an older script\r\n"
# The first line of every command-line run: the tool, the computer, the account.
HEADER = re.compile(r"Quorvix画面設定ツール [0-9.]+、コンピューター: [^、]+、アカウント: .+、コマンド: .*")


def exit_line(code):
    return "終了コード: %d" % code


class HostilePc(unittest.TestCase):
    prefix = None

    @classmethod
    def setUpClass(cls):
        cls.prefix = open_prefix(ARGS.prefix, ARGS.make_prefix, ARGS.tool_unix, ARGS.tool)

        # The tool with another program's moves at the instant before a swap
        # (tests/e2e/SwapSeamAttack.cpp), beside the tool.
        shutil.copyfile(ARGS.swap_seam_tool, cls.prefix.unix(SEAM_TOOL))

    @classmethod
    def tearDownClass(cls):
        cls.prefix.stop_server()

    def setUp(self):
        self.case = Case(self.prefix, ARGS.tool, ARGS.schtasks, ARGS.driver)
        self.precious = self.prefix.unix(PRECIOUS)
        self.precious.write_bytes(PRECIOUS_BYTES)
        self.helpers = []

    def body(self, run):
        """The lines of a command-line run after its first line, which is
        checked, as is the key line of /register and /remove (left out here)."""
        self.assertTrue(run.lines and HEADER.fullmatch(run.lines[0]), run)
        return run.without_result_keys(run.lines[1:])

    def tearDown(self):
        self.case.thaw()
        for process in self.helpers:
            process.kill()
            process.wait()
        for pid in self.case.standin_pids():
            try:
                os.kill(pid, 9)
            except OSError:
                pass

    # -- the three shortcut paths, each with what a refused save there reports --
    def shortcut_paths(self):
        c = self.case
        return [
            # (name, Windows version, folder, file, lines when the save there is refused)
            ("Startup kiosk", "win7", c.startup, KIOSK_LNK, [STARTUP_FAILED, CREATED, exit_line(4)]),
            ("Desktop kiosk", "win7", c.desktop, KIOSK_LNK, [DESKTOP_FAILED, CREATED, exit_line(4)]),
            ("Startup DeskTop.lnk", "win81", c.startup, "DeskTop.lnk", [STARTUP_FAILED, exit_line(4)]),
        ]

    def assert_precious_untouched(self):
        self.assertEqual(self.precious.read_bytes(), PRECIOUS_BYTES)

    def assert_no_work_files(self):
        c = self.case
        for folder in (c.documents, c.startup, c.desktop):
            left = [name for name in os.listdir(c.prefix.unix(folder)) if name.endswith((".new", ".old"))]
            self.assertEqual(left, [], folder)

    @fault_row('Command line: a symbolic link at `Startup\\LAN対応ユニット.lnk`, `Desktop\\LAN対応ユニット.lnk` or (6.2) `Startup\\DeskTop.lnk`, pointing at `C:\\precious.txt`',
               'that shortcut\'s existing save failure (スタートアップへの… / デスクトップへのショートカット作成に失敗しました), 終了コード: 4',
               'exit 4; `C:\\precious.txt` unchanged; the link stays a link; the other steps as usual')
    def test_symbolic_link_at_a_shortcut_path(self):
        c = self.case
        for name, version, folder, file_name, lines in self.shortcut_paths():
            with self.subTest(name):
                path = c.file(folder, file_name)
                c.reset(version=version)
                self.precious.write_bytes(PRECIOUS_BYTES)
                path.symlink_to(self.precious)
                run = c.run_tool("/register", "/address", "10.0.0.254")
                self.assertEqual((run.code, self.body(run)), (4, lines))
                self.assert_precious_untouched()
                self.assertTrue(path.is_symlink())
                self.assertTrue(c.file(c.documents, "LAU_Refresh.vbs").exists())
                self.assert_no_work_files()

    @fault_row('Command line: a dangling symbolic link at any of the three shortcut paths',
               'that shortcut\'s existing save failure, 終了コード: 4',
               'exit 4; nothing is created at the link\'s target')
    def test_dangling_link_at_a_shortcut_path(self):
        c = self.case
        target = self.prefix.unix(r"C:\planted-target.lnk")
        for name, version, folder, file_name, lines in self.shortcut_paths():
            with self.subTest(name):
                path = c.file(folder, file_name)
                c.reset(version=version)
                if target.exists():
                    target.unlink()
                path.symlink_to(target)
                run = c.run_tool("/register", "/address", "10.0.0.254")
                self.assertEqual((run.code, self.body(run)), (4, lines))
                self.assertFalse(target.exists())
                self.assertTrue(path.is_symlink())
                self.assert_no_work_files()

    @fault_row('Command line: a hard link to `C:\\precious.txt` at any of the three shortcut paths',
               'ショートカットを作成しました, 終了コード: 0',
               'exit 0; the shortcut takes the name\'s place; `C:\\precious.txt` keeps its bytes')
    def test_hard_link_at_a_shortcut_path(self):
        c = self.case
        for name, version, folder, file_name, lines in self.shortcut_paths():
            with self.subTest(name):
                path = c.file(folder, file_name)
                c.reset(version=version)
                self.precious.write_bytes(PRECIOUS_BYTES)
                os.link(self.precious, path)
                run = c.run_tool("/register", "/address", "10.0.0.254")
                self.assertEqual((run.code, self.body(run)), (0, [CREATED, exit_line(0)]))
                self.assert_precious_untouched()
                self.assertEqual(self.precious.stat().st_nlink, 1)
                self.assertEqual(path.stat().st_nlink, 1)
                self.assertTrue(path.read_bytes().startswith(b"L\0\0\0"))
                fields = c.shortcut(folder, file_name)
                self.assertEqual(fields.get("Description"), "LAN対応ユニット キオスクモード" if file_name == KIOSK_LNK
                                 else "デスクトップの表示")
                self.assert_no_work_files()

    # -- DLLs ----------------------------------------------------------------------
    @fault_row('Command line: `WTSAPI32.dll` planted beside the exe, Wine told to prefer it (`wtsapi32=n,b`)',
               'the usual lines (`/status`: アカウント: …, 終了コード: 10)',
               'the planted DLL is never loaded')
    def test_planted_dll_beside_the_exe(self):
        c = self.case
        c.reset(schtasks_exit=None)
        beside = c.prefix.unix(c.tool).parent / "wtsapi32.dll"
        shutil.copyfile(ARGS.planted_dll, beside)
        record = c.prefix.root / "planted-log.txt"
        if record.exists():
            record.unlink()
        c.schtasks_env = {"TAVRIN_PLANTED_LOG": "Z:" + str(record).replace("/", "\\")}
        overrides = c.prefix.env["WINEDLLOVERRIDES"]
        try:
            c.prefix.env["WINEDLLOVERRIDES"] = overrides + ";wtsapi32=n,b"
            # The planted DLL works: loaded on purpose, it says so.
            planted = str(PureWindowsPath(c.tool).parent / "wtsapi32.dll")
            subprocess.run([WINE64, "rundll32", planted + ",WTSFreeMemory"], env=c.schtasks_environment(),
                           check=False, timeout=120,
                           stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            self.assertTrue(record.exists(), "the planted DLL does not record its loading")
            record.unlink()
            for arguments in (["/status"], ["/register", "/address", "10.0.0.254"], ["/remove"]):
                run = c.run_tool(*arguments)
                self.assertEqual(run.lines[-1], exit_line(run.code), run)
                self.assertIn(run.code, (0, 10), run)
                self.assertFalse(record.exists(), "%s: loaded %s" % (arguments[0], record.read_bytes()
                                                                     if record.exists() else b""))
        finally:
            c.prefix.env["WINEDLLOVERRIDES"] = overrides
            beside.unlink()

    # -- known folders pointed at folders of every user -------------------------------
    @fault_row('Command line: the user\'s Startup redirected to the all-users Startup, Desktop to the public Desktop (also by another spelling: other case, a trailing backslash), Documents to the public Documents, into `C:\\windows` or `C:\\Program Files`; `/register` and `/remove`',
               'ショートカットの保存先が見つかりませんでした, アプリケーションを終了します, 終了コード: 3',
               'exit 3; nothing written into, nor deleted from, the folder of every user; no SCHTASKS run. A folder that only begins with such a name (`C:\\Program Files Old\\docs`) is the user\'s own: registered as usual')
    def test_known_folder_redirected_to_every_users_folder(self):
        c = self.case
        common_startup = r"C:\ProgramData\Microsoft\Windows\Start Menu\Programs\StartUp"
        cases = [
            # (name, User Shell Folders value, the folder, a file planted there that 削除 would delete)
            ("all-users Startup", "Startup", common_startup, KIOSK_LNK),
            ("public Desktop", "Desktop", r"C:\users\Public\Desktop", KIOSK_LNK),
            ("public Desktop, other case and a trailing backslash", "Desktop", "C:\\USERS\\public\\desktop\\", KIOSK_LNK),
            ("public Documents", "Personal", r"C:\users\Public\Documents", SCRIPT),
            ("inside the Windows folder", "Personal", r"C:\windows\kiosk", SCRIPT),
            ("inside Program Files", "Personal", r"C:\Program Files\kiosk", SCRIPT),
        ]
        shell_folders = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders"
        defaults = {"Startup": r"%USERPROFILE%\AppData\Roaming\Microsoft\Windows\Start Menu\Programs\StartUp",
                    "Desktop": r"%USERPROFILE%\Desktop", "Personal": r"%USERPROFILE%\Documents"}
        try:
            for name, value, folder, planted in cases:
                for arguments in (["/register", "/address", "10.0.0.254"], ["/remove"]):
                    with self.subTest(name=name, run=arguments[0]):
                        c.reset()
                        unix_folder = self.prefix.unix(folder.rstrip("\\"))
                        unix_folder.mkdir(parents=True, exist_ok=True)
                        before = sorted(os.listdir(unix_folder))
                        (unix_folder / planted).write_bytes(b"every user's file\r\n")
                        self.prefix.reg_add(shell_folders, value, folder, "REG_EXPAND_SZ")
                        run = c.run_tool(*arguments)
                        self.prefix.reg_add(shell_folders, value, defaults[value], "REG_EXPAND_SZ")
                        self.assertEqual((run.code, self.body(run)),
                                         (3, ["ショートカットの保存先が見つかりませんでした", "アプリケーションを終了します",
                                              exit_line(3)]))
                        self.assertEqual((unix_folder / planted).read_bytes(), b"every user's file\r\n")
                        (unix_folder / planted).unlink()
                        self.assertEqual(sorted(os.listdir(unix_folder)), before)
                        self.assertEqual(c.schtasks_calls(), [])
            # Only whole names count: a folder beside Program Files is the user's own.
            c.reset()
            own = r"C:\Program Files Old\docs"
            self.prefix.unix(own).mkdir(parents=True, exist_ok=True)
            self.prefix.reg_add(shell_folders, "Personal", own, "REG_EXPAND_SZ")
            run = c.run_tool("/register", "/address", "10.0.0.254")
            self.assertEqual((run.code, self.body(run)), (0, [CREATED, exit_line(0)]))
            self.assertTrue(self.prefix.unix(own + "\\" + SCRIPT).exists())
        finally:
            for value, default in defaults.items():
                self.prefix.reg_add(shell_folders, value, default, "REG_EXPAND_SZ")

    # -- the log -------------------------------------------------------------------
    @fault_row('Command line: `/log` names a symbolic link (to `C:\\precious.txt`, or dangling), or a hard link to it',
               'ログ ファイルを開けません: …（何もしていません）, 終了コード: 1',
               'exit 1; nothing done, no SCHTASKS run; the target unchanged (not created)')
    def test_log_at_a_link(self):
        c = self.case
        log = self.prefix.unix(r"C:\tavrin-link.log")
        missing = self.prefix.unix(r"C:\no-such-target.log")
        cases = [
            ("symbolic link", lambda: log.symlink_to(self.precious)),
            ("dangling link", lambda: log.symlink_to(missing)),
            ("hard link", lambda: os.link(self.precious, log)),
        ]
        for name, plant in cases:
            with self.subTest(name):
                c.reset()
                for leftover in (log, missing):
                    if leftover.is_symlink() or leftover.exists():
                        leftover.unlink()
                plant()
                run = c.run_tool("/register", "/address", "10.0.0.254", "/log", r"C:\tavrin-link.log")
                self.assertEqual((run.code, self.body(run)),
                                 (1, [r"ログ ファイルを開けません: C:\tavrin-link.log（何もしていません。フォルダーがあるか、"
                                      "パスが正しいか、書き込めるかを確認してください）", exit_line(1)]))
                self.assert_precious_untouched()
                self.assertFalse(missing.exists())
                self.assertEqual(c.schtasks_calls(), [])
                self.assertEqual(os.listdir(c.prefix.unix(c.documents)), [])
        log.unlink()

    @fault_row('Command line: `/log` with a full path of 260 characters or more (its folder there)',
               'ログ ファイルを開けません: …（何もしていません）, 終了コード: 1',
               'exit 1; nothing done, no SCHTASKS run; no log file made (it used to stay behind, empty)')
    def test_log_path_too_long(self):
        c = self.case
        c.reset()
        folder = "C:\\" + "\\".join(["d" * 60] * 4)
        path = folder + "\\" + "l" * (270 - len(folder) - 5) + ".log"
        self.assertGreaterEqual(len(path), 260)
        unix_folder = self.prefix.unix(folder)
        if unix_folder.exists():
            shutil.rmtree(self.prefix.unix("C:\\" + "d" * 60))
        unix_folder.mkdir(parents=True)
        run = c.run_tool("/register", "/address", "10.0.0.254", "/log", path)
        self.assertEqual((run.code, self.body(run)),
                         (1, ["ログ ファイルを開けません: %s（何もしていません。フォルダーがあるか、"
                              "パスが正しいか、書き込めるかを確認してください）" % path, exit_line(1)]))
        self.assertEqual(os.listdir(unix_folder), [])
        self.assertEqual(c.schtasks_calls(), [])
        self.assertEqual(os.listdir(c.prefix.unix(c.documents)), [])

    @fault_row('Command line: Documents given with a trailing backslash (`C:\\tdocs\\`), `/register` then `/status`',
               'ショートカットを作成しました, 終了コード: 0; then registered=complete, 終了コード: 0',
               'SCHTASKS receives `C:\\tdocs\\LAU_Refresh.vbs` (one separator), the lines name it so; the verdict reads complete')
    def test_known_folder_with_a_trailing_backslash(self):
        c = self.case
        c.reset(schtasks_exit=None)
        docs = self.prefix.unix(r"C:\tdocs")
        if docs.exists():
            shutil.rmtree(docs)
        c.use_documents("C:\\tdocs\\")
        try:
            run = c.run_tool("/register", "/address", "10.0.0.254")
            self.assertEqual((run.code, self.body(run)), (0, [CREATED, exit_line(0)]))
            (create,) = c.schtasks_calls()
            action = create[create.index("/TR") + 1]
            self.assertIn("C:\\tdocs\\LAU_Refresh.vbs", action)
            self.assertNotIn("\\\\", action)
            status = c.run_tool("/status")
            lines = self.body(status)
            self.assertEqual(status.code, 0, lines)
            self.assertTrue(lines[-2].startswith("registered=complete "), lines)
            self.assertFalse(any("\\\\LAU_Refresh" in line for line in lines), lines)
            self.assertTrue(any("C:\\tdocs\\LAU_Refresh.vbs" in line for line in lines), lines)
        finally:
            c.prefix.reg_add(r"HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders",
                             "Personal", r"%USERPROFILE%\Documents", "REG_EXPAND_SZ")
            c.documents = r"C:\users\root\Documents"

    @fault_row('Command line: `/log` given as a relative path',
               'the first line, ログ ファイル: <its full path>, then the usual lines',
               'the log is in the current folder, and the line after the first names it')
    def test_relative_log_path(self):
        c = self.case
        c.reset(schtasks_exit=None)
        log = self.prefix.unix(r"C:\relative.log")
        if log.exists():
            log.unlink()
        # The tool's current folder is C:\ (Wine maps the Unix one).
        cwd = os.getcwd()
        os.chdir(self.prefix.unix("C:\\"))
        try:
            run = c.run_tool("/status", "/log", "relative.log")
        finally:
            os.chdir(cwd)
        self.assertEqual(self.body(run)[0], r"ログ ファイル: C:\relative.log")
        self.assertEqual(run.lines[-1], exit_line(10))
        logged = [line.split("\t", 1)[1] for line in log.read_bytes().decode("utf-8").split("\r\n") if line]
        self.assertEqual(logged, run.lines)

    @fault_row('Command line: `/log` on a full volume (kept full)',
               'the usual lines, and once (after the first) 警告: ログ ファイルに書き込めません: F:\\tavrin.log（これ以降の行はログに残りません）',
               'the exit code the steps give (`/status`: 10); the log stays empty')
    def test_log_on_a_full_volume(self):
        c = self.case
        c.reset(schtasks_exit=None)
        with SmallVolume(c.prefix) as volume:
            volume.fill()
            run = c.run_tool("/status", "/log", r"F:\tavrin.log")
            log = c.prefix.unix(r"F:\tavrin.log")
            self.assertEqual(log.read_bytes(), b"")
        warning = r"警告: ログ ファイルに書き込めません: F:\tavrin.log（これ以降の行はログに残りません）"
        self.assertEqual(run.code, 10, run)
        # Right after the first line, the one that could not be added.
        self.assertEqual(self.body(run)[0], warning)
        self.assertEqual(run.lines.count(warning), 1)
        self.assertEqual(run.lines[-3], "状態: 登録されていません")
        self.assertRegex(run.lines[-2], r"^registered=none address=- size=- hour=- user=[^\\ ]+\\root$")
        self.assertEqual(run.lines[-1], exit_line(10))

    # -- SCHTASKS's own output ----------------------------------------------------------
    @fault_row('Command line: SCHTASKS writes lines of its own, `/status` and `/register` redirected to a file and to a pipe',
               'only the tool\'s own lines',
               'SCHTASKS\'s output goes to NUL; it inherits no handle of the tool (not its output file or pipe); the output stays UTF-8 lines of the tool')
    def test_noisy_schtasks(self):
        c = self.case
        c.reset()
        # The noise is real: the stand-in run directly writes it to its output.
        env = dict(c.schtasks_environment(), TAVRIN_SCHTASKS_NOISE="SCHTASKS-NOISE")
        direct = subprocess.run([WINE64, r"C:\windows\system32\schtasks.exe", "/query"], env=env, timeout=120,
                                stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.assertEqual(direct.stdout, b"SCHTASKS-NOISE (stdout)\r\n")
        for stdout in ("file", "pipe"):
            with self.subTest(stdout):
                c.reset(schtasks_exit=None)
                c.schtasks_env = {"TAVRIN_SCHTASKS_NOISE": "SCHTASKS-NOISE"}
                run = c.run_tool("/status", stdout=stdout)
                self.assertEqual(run.code, 10, run)
                self.assertNotIn(b"NOISE", run.output)
                run = c.run_tool("/register", "/address", "10.0.0.254", stdout=stdout)
                self.assertEqual((run.code, self.body(run)), (0, [CREATED, exit_line(0)]))
                # /status asks the Task Scheduler itself; /register runs SCHTASKS once.
                self.assertEqual(len(c.schtasks_calls()), 1)
                # Its own standard handles, on NUL, and nothing of the tool's:
                # neither its output file or pipe nor any other file.
                record = c.schtasks_log.read_bytes()
                self.assertEqual(re.findall(rb"stdhandles (.*)\n", record), [b"char char char"])
                self.assertEqual(re.findall(rb"held \d+ (.*)\n", record), [])

    # -- smaller ones ---------------------------------------------------------------------
    @fault_row('Command line: `/status` with no Documents and no Startup folder',
               'both folders\' files なし, 終了コード: 10',
               'exit 10; the folders are still missing afterwards')
    def test_status_creates_no_folder(self):
        c = self.case
        c.reset(schtasks_exit=None)
        for folder in (c.documents, c.startup):
            shutil.rmtree(c.prefix.unix(folder))
        run = c.run_tool("/status")
        self.assertEqual(run.code, 10, run)
        self.assertIn("スクリプト「%s\\LAU_Refresh.vbs」: なし" % c.documents, run.lines)
        self.assertIn("スタートアップのショートカット「%s\\%s」: なし" % (c.startup, KIOSK_LNK), run.lines)
        for folder in (c.documents, c.startup):
            self.assertFalse(c.prefix.unix(folder).exists(), folder)
        # 登録 creates them, as the dialog does.
        self.assertEqual(c.run_tool("/register", "/address", "10.0.0.254").code, 0)
        self.assertTrue(c.file(c.startup, KIOSK_LNK).exists())

    @fault_row('Command line: work files of a killed run (`LAU_Refresh.vbs.<pid>-<n>.new`, `.old`, also of the shortcuts) beside the files, with look-alikes',
               'ショートカットを作成しました / タスクとショートカットの削除に成功しました。',
               'the next `/register` and `/remove` each remove exactly those work files; the look-alikes stay')
    def test_leftover_work_files(self):
        c = self.case
        leftovers = [(c.documents, "LAU_Refresh.vbs.4242-1.new"), (c.documents, "LAU_Refresh.vbs.4242-2.old"),
                     (c.documents, "DeskTop.scf.77-3.new"), (c.startup, KIOSK_LNK + ".4242-3.new"),
                     (c.desktop, KIOSK_LNK + ".9-12.old"), (c.startup, "DeskTop.lnk.9-1.new")]
        lookalikes = [(c.documents, "LAU_Refresh.vbs.4242-1.new.keep"), (c.documents, "LAU_Refresh.vbs.bak"),
                      (c.documents, "other.txt.4242-1.new"), (c.desktop, KIOSK_LNK + ".x-1.old"),
                      (c.startup, "LAU_Refresh.vbs.1-1.new")]
        for arguments, lines in ((["/register", "/address", "10.0.0.254"], [CREATED, exit_line(0)]),
                                 (["/remove"], [REMOVED, exit_line(0)])):
            with self.subTest(arguments[0]):
                c.reset(schtasks_exit=None)
                for folder, name in leftovers + lookalikes:
                    c.file(folder, name).write_bytes(b"left over\r\n")
                run = c.run_tool(*arguments)
                self.assertEqual((run.code, self.body(run)), (0, lines))
                for folder, name in leftovers:
                    self.assertFalse(c.file(folder, name).exists(), name)
                for folder, name in lookalikes:
                    self.assertEqual(c.file(folder, name).read_bytes(), b"left over\r\n", name)

    # -- the instant before a new file takes its name ---------------------------
    def seam_run(self, mode, name=SCRIPT, old_script=True, hold_ms=None):
        """/register by the seam build, whose stand-in program acts on `name`
        at the instant before its swap; the run and what the stand-in did."""
        c = Case(self.prefix, SEAM_TOOL, ARGS.schtasks, ARGS.driver)
        self.case = c  # torn down as the suite's own
        c.reset()
        self.precious.write_bytes(PRECIOUS_BYTES)
        if old_script:
            c.file(c.documents, SCRIPT).write_bytes(OLD_SCRIPT)
        seam_log = self.prefix.root / "swap-seam-log.txt"
        if seam_log.exists():
            seam_log.unlink()
        c.schtasks_env = {"TAVRIN_SWAP_SEAM": mode, "TAVRIN_SWAP_SEAM_NAME": name,
                          "TAVRIN_SWAP_SEAM_LOG": "Z:" + str(seam_log).replace("/", "\\")}
        if hold_ms is not None:
            c.schtasks_env["TAVRIN_SWAP_SEAM_HOLD_MS"] = str(hold_ms)
        run = c.run_tool("/register", "/address", "10.0.0.254")
        return run, (seam_log.read_text().splitlines() if seam_log.exists() else [])

    def assert_generated_script(self):
        script = self.case.file(self.case.documents, SCRIPT)
        data = script.read_bytes()
        self.assertIn(b'Addr = "http://10.0.0.254/', data)
        self.assertEqual(script.stat().st_nlink, 1)

    @fault_row('Command line (a test build of the tool): at the instant before the new script takes its name, another program deletes the work file `LAU_Refresh.vbs.<pid>-<n>.new` and puts a hard link to `C:\\precious.txt` there; with and without an older script',
               'ショートカットを作成しました, 終了コード: 0',
               'exit 0; the work file cannot be deleted (held open without delete sharing until it is renamed by handle); the script is the generated one, one link; `C:\\precious.txt` unchanged, one link; no work file left')
    def test_hard_link_at_the_work_file_before_the_swap(self):
        for old_script in (False, True):
            with self.subTest(old_script=old_script):
                run, seam = self.seam_run("hardlink", old_script=old_script)
                self.assertEqual(len(seam), 1, seam)
                self.assertTrue(seam[0].startswith("hardlink "), seam)
                self.assertEqual((run.code, self.body(run)), (0, [CREATED, exit_line(0)]))
                self.assert_generated_script()
                self.assert_precious_untouched()
                self.assertEqual(self.precious.stat().st_nlink, 1)
                self.assert_no_work_files()

    @fault_row('Command line (a test build of the tool): a scanner stand-in opens the new script, or when it cannot the old one, at the instant before the swap and holds it for 300 ms',
               'ショートカットを作成しました, 終了コード: 0',
               'exit 0: the swap is tried again about 100 ms apart; the new script in place, no work file left')
    def test_scanner_holds_the_file_at_the_swap(self):
        run, seam = self.seam_run("scanner")
        self.assertEqual(len(seam), 1, seam)
        self.assertNotEqual(seam[0], "scanner held=nothing")
        self.assertEqual((run.code, self.body(run)), (0, [CREATED, exit_line(0)]))
        self.assert_generated_script()
        self.assert_no_work_files()

    @fault_row('Command line (a test build of the tool): a scanner stand-in holds the old script open for 5 s from the instant before the swap',
               '`C:\\users\\root\\Documents\\LAU_Refresh.vbs へのアクセスが拒否されました。` (the cause the system gave: a file open elsewhere cannot be replaced; no longer "disk full"), 終了コード: 4',
               'exit 4 after about half a second of tries; the old script unchanged; no work file left; no task, no shortcut')
    def test_scanner_holds_the_file_too_long(self):
        run, seam = self.seam_run("scanner", hold_ms=5000)
        self.assertEqual(seam, ["scanner held=target"])
        c = self.case
        self.assertEqual((run.code, self.body(run)),
                         (4, [c.documents + "\\" + SCRIPT + " へのアクセスが拒否されました。", exit_line(4)]))
        self.assertEqual(c.file(c.documents, SCRIPT).read_bytes(), OLD_SCRIPT)
        self.assertEqual(c.schtasks_calls(), [])
        self.assertFalse(c.file(c.startup, KIOSK_LNK).exists())
        self.assert_no_work_files()

    @fault_row('Command line: the single-copy mutex\'s name taken by another kind of object (an event)',
               'このツールはすでに実行中です。終わってからもう一度実行してください。, 終了コード: 2',
               'exit 2; nothing done; once the squatter has gone, the next run works')
    def test_squatted_single_copy_name(self):
        c = self.case
        c.reset()
        env = dict(c.prefix.env, TAVRIN_SCHTASKS_HOLD_EVENT=MUTEX_NAME, TAVRIN_SCHTASKS_SLEEP_MS="forever")
        env.pop("TAVRIN_SCHTASKS_LOG", None)
        squatter = subprocess.Popen([WINE64, r"C:\windows\system32\schtasks.exe", "squat"], env=env,
                                    stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.helpers.append(squatter)
        deadline = time.monotonic() + 60
        while not c.standin_pids():
            self.assertLess(time.monotonic(), deadline, "the squatter never started")
            time.sleep(0.1)
        time.sleep(1)
        run = c.run_tool("/register", "/address", "10.0.0.254")
        self.assertEqual((run.code, self.body(run)), (2, [ANOTHER_COPY, exit_line(2)]))
        self.assertEqual(c.schtasks_calls(), [])
        self.assertEqual(os.listdir(c.prefix.unix(c.documents)), [])
        for pid in c.standin_pids():
            os.kill(pid, 9)
        squatter.wait(timeout=60)
        self.assertEqual(c.standin_pids(), [])
        self.assertEqual(c.run_tool("/register", "/address", "10.0.0.254").code, 0)


def main():
    global ARGS
    import argparse
    parser = argparse.ArgumentParser()
    parser.add_argument("--planted-dll", required=True)
    parser.add_argument("--swap-seam-tool", required=True)
    own, rest = parser.parse_known_args()
    sys.argv = [sys.argv[0]] + rest
    ARGS, rest = parse_suite_arguments()
    ARGS.planted_dll = own.planted_dll
    ARGS.swap_seam_tool = own.swap_seam_tool
    unittest.main(argv=[sys.argv[0], "-v"] + rest)


if __name__ == "__main__":
    main()

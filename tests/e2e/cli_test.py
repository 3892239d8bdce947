#!/usr/bin/env python3
"""End-to-end tests of the command line: the built tool run as
`tavrin.exe /register ...`, `/remove`, `/status` and `/?` under Wine, with its
standard output redirected, as a roll-out script runs it.

Each case prepares the PC as the dialog suite does (support.Case), runs the
tool, and checks the exit code, every output line and log line as text, what
is on disk and what the stand-in SCHTASKS received; where the dialog does the
same thing, the results are compared with the dialog's, driven by Driver.cpp.
"""

import contextlib
import os
import re
import subprocess
import sys
import time
import unittest

import support
from support import (EDGE_PATH, KIOSK_LNK, Case, SmallVolume, fault_row, link_for, open_prefix,
                     parse_schtasks_log, parse_suite_arguments)

ARGS = None  # set in main()

CREATED = "ショートカットを作成しました"
TASK_FAILED = "タスクスケジューラの登録に失敗しました"
STARTUP_FAILED = "スタートアップへのショートカット作成に失敗しました"
REMOVED = "タスクとショートカットの削除に成功しました。"
NO_EDGE = ["Microsoft Edgeが見つかりません。", "Microsoft Edgeをインストールして再度実行してください。"]
ANOTHER_COPY = "このツールは別に実行中です。終わってからもう一度実行してください。"
TASK_NAME = "Quorvix画面リフレッシュ（root）"
KIOSK_ARGUMENTS = '--ie-mode-test --inprivate --edge-kiosk-type=fullscreen --kiosk "%s"'
USAGE = [
    "使い方:",
    "  tavrin.exe /register /address A.B.C.D [/size hd|fullhd] [/hour H] [/log FILE]",
    "  tavrin.exe /remove [/log FILE]",
    "  tavrin.exe /status [/log FILE]",
    "  tavrin.exe /?",
    "  /register  ダイアログの「登録」と同じ設定をします。",
    "  /address   LAN対応ユニットの IP アドレス（例: 192.168.1.10）",
    "  /size      画面サイズ: hd = ハイビジョン（既定）、fullhd = フルハイビジョン",
    "  /hour      毎日のリフレッシュ時刻（時）: 0、1、4～23 のどれか（既定 0）",
    "  /remove    ダイアログの「削除」と同じく、タスク、スクリプトとショートカットを削除します。",
    "  /status    登録の状態を表示します（何も変更しません）。",
    "  /log       表示する内容を日時付きでファイル FILE にも追記します。",
    "  終了コード: 0 完了、1 使い方の誤り、2 別に実行中、3 起動時の確認で終了、4 手順の失敗、",
    "              10 登録されていない、11 一部だけ登録されているか不一致",
]
SHORTCUT_TEXTS = ("Local path", "Command line arguments", "Working directory", "Description")
LOG = r"C:\tavrin-cli.log"
LOG_LINE = re.compile(r"(\d{4})-(\d\d)-(\d\d) (\d\d):(\d\d):(\d\d)\t(.*)")


def exit_line(code):
    return "終了コード: %d" % code


class CommandLine(unittest.TestCase):
    prefix = None

    @classmethod
    def setUpClass(cls):
        cls.prefix = open_prefix(ARGS.prefix, ARGS.make_prefix, ARGS.tool_unix, ARGS.tool)

    @classmethod
    def tearDownClass(cls):
        cls.prefix.stop_server()

    def setUp(self):
        self.case = Case(self.prefix, ARGS.tool, ARGS.schtasks, ARGS.driver)
        self.log = self.prefix.unix(LOG)
        if self.log.exists():
            self.log.unlink()

    def tearDown(self):
        self.case.thaw()
        for pid in self.case.standin_pids():
            try:
                os.kill(pid, 9)
            except OSError:
                pass

    # -- what the PC holds ------------------------------------------------------
    def files(self):
        """Every file in the three folders the tool writes into, with its bytes;
        a shortcut with the four texts it holds, as lnkinfo reads them (its
        bytes also hold the times of the file it points to)."""
        c = self.case
        found = {}
        for label, folder in (("Documents", c.documents), ("Startup", c.startup), ("Desktop", c.desktop)):
            for name in sorted(os.listdir(c.prefix.unix(folder))):
                if name.endswith(".lnk"):
                    fields = c.shortcut(folder, name)
                    found[label + "/" + name] = [fields.get(key) for key in SHORTCUT_TEXTS]
                else:
                    found[label + "/" + name] = c.file(folder, name).read_bytes()
        return found

    def schtasks_records(self):
        """Command line and argv of each SCHTASKS run."""
        if not self.case.schtasks_log.exists():
            return []
        data = self.case.schtasks_log.read_bytes()
        lines = re.findall(rb"commandline \d+ (.*)\n", data)
        return list(zip([line.decode("utf-8") for line in lines], parse_schtasks_log(data)))

    def status_lines(self, task, script, startup, desktop, scf, scf_link, verdict):
        c = self.case
        return [
            "タスク「%s」: %s" % (TASK_NAME, task),
            "%s\\LAU_Refresh.vbs: %s" % (c.documents, script),
            "%s\\%s: %s" % (c.startup, KIOSK_LNK, startup),
            "%s\\%s: %s" % (c.desktop, KIOSK_LNK, desktop),
            "%s\\DeskTop.scf: %s" % (c.documents, scf),
            "%s\\DeskTop.lnk: %s" % (c.startup, scf_link),
            "状態: " + verdict,
        ]

    def assert_account_line(self, line):
        # Under Wine the process runs as root, in a domain named after the machine.
        self.assertRegex(line, r"^アカウント: [^\\]+\\root$")

    def log_lines(self, started, ended):
        """The texts of the log's lines; each stamped with a local time within the run."""
        data = self.log.read_bytes()
        self.assertTrue(data.endswith(b"\r\n"), data[-20:])
        texts = []
        for line in data.decode("utf-8")[:-2].split("\r\n"):
            match = LOG_LINE.fullmatch(line)
            self.assertIsNotNone(match, line)
            stamp = time.mktime(tuple(int(part) for part in match.groups()[:6]) + (0, 0, -1))
            self.assertGreaterEqual(stamp, int(started) - 1, line)
            self.assertLessEqual(stamp, ended + 1, line)
            texts.append(match.group(7))
        return texts

    # -- register, as the dialog does it -------------------------------------------
    @fault_row('Command line: `/register /address 192.168.1.1` (reporting 6.1); `/register /address 10.0.0.254 /size fullhd /hour 5 /log C:\\tavrin-cli.log` (6.2)',
               'ショートカットを作成しました, 終了コード: 0',
               'exit 0; the same files, shortcuts and SCHTASKS command line as 登録 in the dialog with those settings; the log holds the same lines, time-stamped')
    def test_register_every_step_passes_as_the_dialog_does(self):
        c = self.case
        cases = [
            ("defaults, 6.1", "win7", [], ["/register", "/address", "192.168.1.1"]),
            ("10.0.0.254, Full HD, 5 時, 6.2", "win81", ["--address", "10.0.0.254", "--size", "1", "--hour", "5"],
             ["-REGISTER", "-Address", "10.0.0.254", "/size", "FullHD", "/Hour", "5", "/log", LOG]),
        ]
        for name, version, dialog_steps, arguments in cases:
            with self.subTest(name):
                c.reset(version=version)
                session = c.run(*dialog_steps, "--press", "register")
                self.assertEqual(session["messages"], [(c.caption, CREATED)])
                by_dialog = (self.files(), self.schtasks_records())

                c.reset(version=version)
                started = time.time()
                run = c.run_tool(*arguments)
                ended = time.time()
                self.assertEqual(run.code, 0, run)
                self.assertEqual(run.lines, [CREATED, exit_line(0)])
                self.assertEqual((self.files(), self.schtasks_records()), by_dialog)
                if "/log" in arguments:
                    self.assertEqual(self.log_lines(started, ended), run.lines)
                else:
                    self.assertFalse(self.log.exists())
        # The second case's results, spelled out.
        link = link_for("10.0.0.254", 1)
        self.assertIn(('\r\nAddr = "%s"\r\n' % link).encode(), c.file(c.documents, "LAU_Refresh.vbs").read_bytes())
        self.assertEqual(c.shortcut(c.desktop).get("Command line arguments"), KIOSK_ARGUMENTS % link)
        self.assertEqual(c.shortcut(c.startup).get("Local path"), EDGE_PATH)
        self.assertEqual(self.schtasks_records()[0][1],
                         ["SCHTASKS", "/Create", "/TN", TASK_NAME, "/TR",
                          '%%windir%%\\SysWOW64\\wscript.exe "%s\\LAU_Refresh.vbs"' % c.documents,
                          "/SC", "DAILY", "/ST", "05:00:00", "/IT", "/F"])

    # -- steps that fail ----------------------------------------------------------
    @fault_row('Command line: `/register`, SCHTASKS exits 1',
               'タスクスケジューラの登録に失敗しました, 終了コード: 4',
               'exit 4; script stays; no shortcut')
    def test_register_when_schtasks_fails(self):
        c = self.case
        c.reset(schtasks_exit=1)
        run = c.run_tool("/register", "/address", "10.0.0.254", "/log", LOG)
        self.assertEqual(run.code, 4, run)
        self.assertEqual(run.lines, [TASK_FAILED, exit_line(4)])
        self.assertEqual(self.log_lines(0, time.time()), run.lines)
        self.assertEqual(len(self.schtasks_records()), 1)
        self.assertEqual(os.listdir(c.prefix.unix(c.documents)), ["LAU_Refresh.vbs"])
        self.assertEqual(os.listdir(c.prefix.unix(c.startup)), [])
        self.assertEqual(os.listdir(c.prefix.unix(c.desktop)), [])

    @fault_row('Command line: `/register`, Startup folder not writable (6.1)',
               'スタートアップへのショートカット作成に失敗しました, ショートカットを作成しました, 終了コード: 4',
               'exit 4 although the dialog would close: a step failed; Desktop shortcut saved')
    def test_register_with_one_shortcut_failing(self):
        c = self.case
        c.reset()
        c.freeze(c.startup)
        run = c.run_tool("/register", "/address", "10.0.0.254")
        self.assertEqual(run.code, 4, run)
        self.assertEqual(run.lines, [STARTUP_FAILED, CREATED, exit_line(4)])
        self.assertEqual(c.shortcut(c.desktop).get("Command line arguments"),
                         KIOSK_ARGUMENTS % link_for("10.0.0.254", 0))
        self.assertEqual(os.listdir(c.prefix.unix(c.startup)), [])

    @fault_row('Command line: `/register`, Documents on a full disk (kept full)',
               '`F:\\Docs\\LAU_Refresh.vbs へのアクセス中にディスクがいっぱいになりました。`, 終了コード: 4',
               'exit 4; no message box; old script unchanged; no task, no shortcut')
    def test_register_on_a_full_disk(self):
        c = self.case
        c.reset()
        with SmallVolume(c.prefix) as volume:
            c.use_documents(r"F:\Docs")
            script = c.file(c.documents, "LAU_Refresh.vbs")
            old = b"' an older refresh script\r\n"
            script.write_bytes(old)
            volume.fill()
            run = c.run_tool("/register", "/address", "10.0.0.254", "/log", LOG)
            self.assertEqual(run.code, 4, run)
            self.assertEqual(run.lines, [r"F:\Docs\LAU_Refresh.vbs へのアクセス中にディスクがいっぱいになりました。",
                                         exit_line(4)])
            self.assertEqual(self.log_lines(0, time.time()), run.lines)
            self.assertEqual(script.read_bytes(), old)
            self.assertEqual(self.schtasks_records(), [])
            self.assertEqual(os.listdir(c.prefix.unix(c.startup)), [])

    @fault_row('Command line: `/register` or `/status`, Edge not installed',
               'Microsoft Edgeが見つかりません。, Microsoft Edgeをインストールして再度実行してください。, 終了コード: 3',
               'exit 3; nothing written, no SCHTASKS run')
    def test_start_up_checks_fail(self):
        c = self.case
        for arguments in (["/register", "/address", "10.0.0.254"], ["/status"]):
            with self.subTest(arguments[0]):
                c.reset(edge=False)
                run = c.run_tool(*arguments, stdout="pipe")
                self.assertEqual(run.code, 3, run)
                self.assertEqual(run.lines, NO_EDGE + [exit_line(3)])
                self.assertEqual(self.files(), {})
                self.assertEqual(self.schtasks_records(), [])

    # -- remove and status ---------------------------------------------------------
    @fault_row('Command line: `/status` on a clean PC, after `/register`, after the script was deleted by hand, after `/remove`',
               'one line for the account, the task, each file (with the link address it holds), then the verdict; 終了コード',
               'exit 10, 0, 11, 10; /status runs only `schtasks /query` and changes nothing; /remove exits 0 and leaves DeskTop.scf/.lnk')
    def test_status_register_remove(self):
        c = self.case
        c.reset(version="win81", schtasks_exit=None)
        absent = "なし"
        link = link_for("10.0.0.254", 1)
        held = "あり（リンク先 %s）" % link

        run = c.run_tool("/status", "/log", LOG)
        self.assertEqual(run.code, 10, run)
        self.assert_account_line(run.lines[0])
        self.assertEqual(run.lines[1:], self.status_lines("登録されていません", absent, absent, absent, absent, absent,
                                                          "登録されていません") + [exit_line(10)])
        self.assertEqual(self.log_lines(0, time.time()), run.lines)
        self.assertEqual(self.files(), {})

        self.assertEqual(c.run_tool("/register", "/address", "10.0.0.254", "/size", "fullhd").code, 0)
        before = self.files()
        calls = len(self.schtasks_records())
        run = c.run_tool("/Status", stdout="pipe")
        self.assertEqual(run.code, 0, run)
        self.assertEqual(run.lines[1:], self.status_lines("登録されています", held, held, held, "あり", "あり",
                                                          "すべて登録されています") + [exit_line(0)])
        self.assertEqual(self.files(), before)
        self.assertEqual([record[1] for record in self.schtasks_records()[calls:]],
                         [["schtasks", "/query", "/tn", TASK_NAME]])

        c.file(c.documents, "LAU_Refresh.vbs").unlink()
        run = c.run_tool("/status")
        self.assertEqual(run.code, 11, run)
        self.assertEqual(run.lines[1:], self.status_lines("登録されています", absent, held, held, "あり", "あり",
                                                          "一部だけ登録されているか、リンク先が一致しません")
                         + [exit_line(11)])

        run = c.run_tool("/remove", "/log", LOG)
        self.assertEqual(run.code, 0, run)
        self.assertEqual(run.lines, [REMOVED, exit_line(0)])
        self.assertEqual(self.schtasks_records()[-1][1], ["schtasks", "/delete", "/f", "/tn", TASK_NAME])
        self.assertEqual(sorted(self.files()), ["Documents/DeskTop.scf", "Startup/DeskTop.lnk"])
        self.assertEqual(c.run_tool("/status").code, 10)
        # Every run with /log appended its lines; the ones without left none.
        log = self.log_lines(0, time.time())
        self.assertEqual(log[-2:], [REMOVED, exit_line(0)])
        self.assertEqual(log.count(exit_line(10)), 1)

    @fault_row('Command line: a shortcut that holds another address than the script',
               '… あり（リンク先 http://10.9.9.9/…）, 状態: 一部だけ登録されているか、リンク先が一致しません, 終了コード: 11',
               'exit 11')
    def test_status_with_addresses_that_disagree(self):
        c = self.case
        c.reset(schtasks_exit=None)
        self.assertEqual(c.run_tool("/register", "/address", "10.0.0.254").code, 0)
        desktop_shortcut = c.file(c.desktop, KIOSK_LNK).read_bytes()
        self.assertEqual(c.run_tool("/register", "/address", "10.9.9.9").code, 0)
        c.file(c.desktop, KIOSK_LNK).write_bytes(desktop_shortcut)
        run = c.run_tool("/status")
        self.assertEqual(run.code, 11, run)
        self.assertEqual(run.lines[2:5], [
            "%s\\LAU_Refresh.vbs: あり（リンク先 %s）" % (c.documents, link_for("10.9.9.9", 0)),
            "%s\\%s: あり（リンク先 %s）" % (c.startup, KIOSK_LNK, link_for("10.9.9.9", 0)),
            "%s\\%s: あり（リンク先 %s）" % (c.desktop, KIOSK_LNK, link_for("10.0.0.254", 0)),
        ])

    # -- the command line itself -------------------------------------------------------
    @fault_row('Command line: unknown option, missing or repeated value, bad address/size/hour, no or two commands, an option the command does not take',
               'what is wrong, the usage text, 終了コード: 1',
               'exit 1; nothing written, no SCHTASKS run, no log file')
    @fault_row('Command line: `/?`', 'the usage text', 'exit 0')
    @fault_row('Command line: `/log` in a folder that does not exist',
               'ログ ファイルを開けません: …（何もしていません）, 終了コード: 1', 'exit 1; nothing done')
    def test_usage(self):
        c = self.case
        c.reset()
        refused = [
            (["/register"], "/register には /address でユニットの IP アドレスを指定してください。"),
            (["/register", "/address", "1.2.3.4", "/log", LOG, "/bogus"], "不明な指定です: /bogus"),
            (["/register", "/address"], "/address の後に値を指定してください。"),
            (["/register", "/address", "1.2.3.4", "/address", "1.2.3.4"], "/address が 2 回以上指定されています。"),
            (["/register", "/address", "1.2.3.04"],
             "IP アドレスが正しくありません: 1.2.3.04（0～255 の数 4 つをピリオドで区切って指定してください）"),
            (["/register", "/address", "1.2.3.4.5"],
             "IP アドレスが正しくありません: 1.2.3.4.5（0～255 の数 4 つをピリオドで区切って指定してください）"),
            (["/register", "/address", "1.2.3.4", "/size", "uhd"],
             "画面サイズが正しくありません: uhd（hd または fullhd を指定してください）"),
            (["/register", "/address", "1.2.3.4", "/hour", "2", "/log", LOG],
             "時刻が正しくありません: 2（0、1、4～23 のどれかを指定してください）"),
            (["/remove", "/status"], "/register、/remove、/status、/? のうち 1 つだけを指定してください。"),
            (["/log", LOG], "/register、/remove、/status、/? のうち 1 つだけを指定してください。"),
            (["/remove", "/address", "1.2.3.4"], "/address は /remove と一緒には使えません。"),
        ]
        for arguments, problem in refused:
            with self.subTest(" ".join(arguments)):
                run = c.run_tool(*arguments)
                self.assertEqual(run.code, 1, run)
                self.assertEqual(run.lines, [problem] + USAGE + [exit_line(1)])
                self.assertEqual(self.files(), {})
                self.assertEqual(self.schtasks_records(), [])
                self.assertFalse(self.log.exists())

        run = c.run_tool("/?")
        self.assertEqual((run.code, run.lines), (0, USAGE))

        missing = r"C:\no such folder\tavrin.log"
        run = c.run_tool("/status", "/log", missing)
        self.assertEqual(run.code, 1, run)
        self.assertEqual(run.lines, ["ログ ファイルを開けません: %s（何もしていません）" % missing, exit_line(1)])
        self.assertEqual(self.schtasks_records(), [])

    # -- one copy at a time ----------------------------------------------------------
    @fault_row('Command line: `/status` while a `/register` waits on SCHTASKS (6 s); `/remove` while the dialog does',
               'このツールは別に実行中です。終わってからもう一度実行してください。, 終了コード: 2',
               'exit 2; nothing done, no SCHTASKS run; the first copy finishes as usual (exit 0, ショートカットを作成しました)')
    def test_second_copy(self):
        c = self.case
        c.reset(schtasks_sleep=6000)
        first = c.start_tool("/register", "/address", "10.0.0.254", "/log", LOG)
        try:
            c.wait_for_schtasks()
            second = c.run_tool("/status", "/log", LOG)
        finally:
            done = c.finish_tool(first)
        self.assertEqual(second.code, 2, second)
        self.assertEqual(second.lines, [ANOTHER_COPY, exit_line(2)])
        self.assertEqual((done.code, done.lines), (0, [CREATED, exit_line(0)]))
        self.assertEqual(len(self.schtasks_records()), 1)
        # Both runs left their lines in the one log.
        self.assertEqual(sorted(self.log_lines(0, time.time())), sorted(second.lines + done.lines))

        c.reset(schtasks_sleep=6000)
        driver = c.start_driver("--click", "register", "--await-process", "schtasks.exe", "--answer", "60000")
        try:
            c.wait_for_schtasks()
            second = c.run_tool("/remove")
        finally:
            seen = c.finish_driver(driver)
        self.assertEqual(second.code, 2, second)
        self.assertEqual(second.lines, [ANOTHER_COPY, exit_line(2)])
        self.assertIn(("MESSAGE", c.caption, CREATED), seen)
        self.assertEqual(len(self.schtasks_records()), 1)
        self.assertTrue(c.file(c.documents, "LAU_Refresh.vbs").exists())
        # Once the first copy has ended, the next run is the running copy.
        c.schtasks_sleep = None
        self.assertEqual(c.run_tool("/remove").code, 0)

    # -- what a 32-bit process sees under WoW64 ---------------------------------------------
    @fault_row('Command line: `/register` by the 32-bit product on 64-bit Windows (WoW64)',
               'ショートカットを作成しました, 終了コード: 0',
               'the SCHTASKS that runs is `SysWOW64\\schtasks.exe` (the 64-bit test build: `system32`); the task runs `%windir%\\SysWOW64\\wscript.exe`')
    def test_schtasks_and_script_host_of_the_tools_bitness(self):
        """The 32-bit product, starting <system folder>\\schtasks.exe, gets the
        one in SysWOW64 (the file system redirection of WoW64); the task
        action names the 32-bit script host whatever the build."""
        c = self.case
        c.reset()
        self.assertEqual(c.run_tool("/register", "/address", "10.0.0.254").code, 0)
        folder = {"i686": "syswow64", "x86_64": "system32"}[ARGS.machine]
        programs = parse_schtasks_log(c.schtasks_log.read_bytes(), wanted="program")
        self.assertEqual([[program.lower() for program in run] for run in programs],
                         [[r"c:\windows\%s\schtasks.exe" % folder]])
        self.assertIn(r"%windir%\SysWOW64\wscript.exe", self.schtasks_records()[0][1][5])

    @fault_row("Command line: `/status`, Edge's App Paths entry only in the 32-bit or only in the 64-bit registry view",
               'Microsoft Edgeが見つかりません。… (終了コード: 3) only when the view the tool reads has no entry',
               "one key for both views (Wine's prefixes): found either way; separate views: the 32-bit product finds only the 32-bit entry, the 64-bit test build only the 64-bit one")
    def test_edge_is_read_from_the_registry_view_of_the_tools_bitness(self):
        """Where App Paths is one key for both views (Wine's prefixes; the
        link is what Wine makes), Edge is found whichever view it was written
        through; where the views differ, only in the tool's own view: the
        32-bit product reads the 32-bit one."""
        c = self.case
        own = {"i686": "32", "x86_64": "64"}[ARGS.machine]
        app_paths = r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\msedge.exe"

        def edge_found(view):
            c.reset(schtasks_exit=None)  # the stand-in Edge file is there
            for other in ("32", "64"):
                c.prefix.wine(["reg", "delete", app_paths, "/f", "/reg:" + other], check=False)
            c.prefix.wine(["reg", "add", app_paths, "/ve", "/t", "REG_SZ", "/d", EDGE_PATH, "/f", "/reg:" + view])
            run = c.run_tool("/status")
            self.assertIn(run.code, (3, 10), run)
            self.assertEqual(run.code == 3, run.lines[:2] == NO_EDGE, run)
            return run.code == 10

        for views in ("shared", "separate"):
            with c.prefix.separate_app_paths_views() if views == "separate" else contextlib.nullcontext():
                for view in ("32", "64"):
                    with self.subTest(views=views, written_to=view):
                        self.assertEqual(edge_found(view), views == "shared" or view == own)

    # -- a console instead of redirected output ---------------------------------------------
    @fault_row('Command line: started from a console (cmd on a terminal), directly in a batch file and with `start /wait`',
               'the same lines, in that console', 'ERRORLEVEL is the exit code')
    def test_output_reaches_the_console_it_was_started_from(self):
        c = self.case
        c.reset(edge=False)
        batch = c.prefix.unix(r"C:\cli-test.bat")
        batch.write_bytes(("@echo off\r\n"
                           "start /wait %s /status\r\n"
                           "echo start-wait %%ERRORLEVEL%%\r\n"
                           "%s /?\r\n"
                           "echo direct %%ERRORLEVEL%%\r\n" % (c.tool, c.tool)).encode("ascii"))
        # `script` gives Wine a terminal, and so cmd a console.
        command = "%s cmd /c %s" % (support.WINE64, r"C:\\cli-test.bat")
        result = subprocess.run(["script", "-qec", command, "/dev/null"], env=c.schtasks_environment(),
                                stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                timeout=120)
        text = re.sub(r"\x1b\[[0-9;?]*[A-Za-z]", "", result.stdout.decode("utf-8", "replace"))
        lines = [line.strip() for line in text.replace("\r", "\n").split("\n") if line.strip()]
        self.assertEqual(lines, [line.strip() for line in NO_EDGE + [exit_line(3), "start-wait 3"] + USAGE
                                 + ["direct 0"]])


def main():
    global ARGS
    ARGS, rest = parse_suite_arguments()
    unittest.main(argv=[sys.argv[0], "-v"] + rest)


if __name__ == "__main__":
    main()

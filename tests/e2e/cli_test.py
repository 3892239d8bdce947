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
import pathlib
import re
import shutil
import subprocess
import sys
import time
import unittest
from xml.etree import ElementTree

import support
from support import (EDGE_PATH, KIOSK_LNK, REFUSING, UNREACHABLE, Case, SmallVolume, fault_row, link_for,
                     open_prefix, parse_schtasks_log, parse_suite_arguments)

ARGS = None  # set in main()

CREATED = "ショートカットを作成しました"
TASK_FAILED = "タスクスケジューラの登録に失敗しました"
STARTUP_FAILED = "スタートアップへのショートカット作成に失敗しました"
REMOVED = "タスクとショートカットの削除に成功しました。"
NO_EDGE = ["Microsoft Edgeが見つかりません。", "Microsoft Edgeをインストールして再度実行してください。"]
ANOTHER_COPY = "このツールはすでに実行中です。終わってからもう一度実行してください。"
TASK_NAME = "Quorvix画面リフレッシュ（root）"
KIOSK_ARGUMENTS = '--ie-mode-test --inprivate --edge-kiosk-type=fullscreen --kiosk "%s"'
USAGE = [
    "使い方:",
    "  tavrin.exe /register /address A.B.C.D [/size hd|fullhd] [/hour H]",
    "      [/user DOMAIN\\name] [/account current] [/log FILE]",
    "  tavrin.exe /remove [/user DOMAIN\\name] [/account current] [/log FILE]",
    "  tavrin.exe /status [/user DOMAIN\\name] [/account current] [/log FILE]",
    "  tavrin.exe /?",
    "  /register  設定画面の「登録」と同じ設定をします。/address は必ず指定します。",
    "  /address   LAN対応ユニットのIPアドレス（例: 192.168.1.10）",
    "  /size      画面サイズ: hd = ハイビジョン（既定）、fullhd = フルハイビジョン",
    "  /hour      毎日のリフレッシュ時刻（時）: 0、1、4～23 のどれか（既定 0）",
    "  /remove    設定画面の「削除」と同じく、タスク、スクリプト、ショートカットを",
    "             削除します。",
    "  /status    登録の状態を表示します（何も変更しません）。",
    "  /user      DOMAIN\\name: 画面の前のユーザーがこのユーザーのときだけ実行",
    "             します（違えば何もせずに終了コード 5）。",
    "  /account current",
    "             画面の前のユーザーではなく、実行中のアカウントに設定します",
    "             （/status はそのアカウントの状態を表示します）。",
    "  /log       表示する行を日時付きでファイル FILE にも追記します。",
    "  終了コードの意味: 0 完了、1 使い方の誤りか、ログ ファイルを開けない、",
    "    2 すでに実行中、3 起動時の確認で終了、4 手順の失敗、",
    "    5 画面の前のユーザーに設定できない（ログオンしていない、確認できない、",
    "      /user と違う。後で実行し直す）、",
    "    10 登録されていない、11 一部だけ登録されているか不一致",
    "    （1、2、3、5 のときは何もしていません）",
]
# The tool's version, as the one header that defines it says.
VERSION = ".".join(re.findall(r"#define TAVRIN_VERSION_(?:MAJOR|MINOR|BUILD|REVISION) (\d+)",
                              (pathlib.Path(__file__).resolve().parents[2] / "app" / "Version.h").read_text()))
# The first line of every run but /?. Under Wine the process runs as root, in
# a domain named after the machine; then the user set up and the command as given.
HEADER = re.compile(r"Quorvix画面設定ツール %s、コンピューター: (?P<computer>[^、\\]+)、アカウント: (?P<domain>[^\\]+)\\root"
                    r"、対象ユーザー: (?P<target>[^、]+)、コマンド: (?P<command>.*)" % re.escape(VERSION))
PARTIAL = "一部だけ登録されているか、内容が一致しません（もう一度登録してください。すべて置き換わります）"
SHORTCUT_TEXTS = ("Local path", "Command line arguments", "Working directory", "Description")
PAGE_UNCHECKED = "表示画面: 確認していません（リンク先が登録されていません）"
STATUS_REASON = "ユニットは応答しましたが、表示画面ではなく HTTP ステータス %d でした"
NOT_HTTP_REASON = "ユニットは応答しましたが、Web ページではありませんでした"
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

    def status_lines(self, task, script, startup, desktop, scf, scf_link, verdict, settings=None, keys=None, page=None):
        """The lines of /status after the first line; `page` is the link address
        whose page answers, None when nothing holds one."""
        c = self.case
        lines = [
            "タスク「%s」: %s" % (TASK_NAME, task),
            "スクリプト「%s\\LAU_Refresh.vbs」: %s" % (c.documents, script),
            "スタートアップのショートカット「%s\\%s」: %s" % (c.startup, KIOSK_LNK, startup),
            "デスクトップのショートカット「%s\\%s」: %s" % (c.desktop, KIOSK_LNK, desktop),
            "デスクトップ表示ファイル「%s\\DeskTop.scf」: %s" % (c.documents, scf),
            "デスクトップ表示のショートカット「%s\\DeskTop.lnk」: %s" % (c.startup, scf_link),
            PAGE_UNCHECKED if page is None else "表示画面「%s」: 開けます" % page,
            "状態: " + verdict,
        ]
        if settings:
            lines.append("設定: " + settings)
        return lines + [self.keys(keys or "registered=none address=- size=- hour=-")]

    root = None  # "DOMAIN\\root", the account the tests run as, from the first header seen

    def assert_header(self, line, arguments=None, target=None):
        """The first line; `target` is the user set up, root by default;
        `arguments`, when given, the command as given."""
        match = HEADER.fullmatch(line)
        self.assertIsNotNone(match, line)
        # The computer's name, which is also the account's domain here.
        self.assertEqual(match.group("computer"), match.group("domain"))
        if arguments is not None:
            self.assertEqual(match.group("command"), support.command_as_given(arguments))
        CommandLine.root = match.group("domain") + "\\root"
        self.assertEqual(match.group("target"), target or CommandLine.root)

    def keys(self, line):
        """A registered=… line with the user it was read for: root."""
        self.assertIsNotNone(CommandLine.root, "no header seen yet")
        return line + " user=" + CommandLine.root

    def body(self, run):
        """The lines of a run after its first line, which is checked, as is
        the key line of /register and /remove (left out here)."""
        self.assertTrue(run.lines, run)
        self.assert_header(run.lines[0], run.arguments)
        return run.without_result_keys(run.lines[1:])

    def log_lines(self, started, ended):
        """The texts of the log's lines; each stamped with a local time within the run."""
        data = self.log.read_bytes()
        # One byte-order mark, at the start, however many runs appended.
        self.assertTrue(data.startswith(b"\xef\xbb\xbf"), data[:20])
        data = data[3:]
        self.assertNotIn(b"\xef\xbb\xbf", data)
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
               'the first line (Quorvix画面設定ツール <version>、コンピューター: …、アカウント: …), ショートカットを作成しました, 終了コード: 0',
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
                self.assertEqual(self.body(run), [CREATED, exit_line(0)])
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

    # -- the unit's page -------------------------------------------------------------
    @fault_row('Command line: `/register`, the unit\'s page does not open (404, 500, refused, unreachable, no answer in 5 s, a reply that is not HTTP)',
               '警告: ユニットの表示画面 http://…/display.htm?size=1 を開けませんでした（reason）。, ショートカットを作成しました, 終了コード: 0',
               'exit 0: the run goes on and registers; `/status` shows `表示画面「…」: 開けません（reason）` and keeps its verdict and exit code')
    def test_register_and_status_ask_the_units_page(self):
        c = self.case
        served = "192.168.1.20"
        cases = [
            # name, address, how the unit answers, reason (None: the page answers)
            ("200", served, lambda units: None, None),
            ("301 to the same host", served,
             lambda units: units.answer(served, 301, "http://%s/other.htm" % served), None),
            ("301 to another host, not followed", served,
             lambda units: units.answer(served, 302, "http://192.168.1.21/display.htm?size=1"), None),
            ("404", served, lambda units: units.answer(served, 404), STATUS_REASON % 404),
            ("500", served, lambda units: units.answer(served, 500), STATUS_REASON % 500),
            ("accepted, never answered", "192.168.1.22", lambda units: units.hang("192.168.1.22"),
             "5 秒以内に応答がありません"),
            ("nothing listens", REFUSING, lambda units: None, "接続を拒否されました"),
            ("no route", UNREACHABLE, lambda units: None, "ネットワークの経路がなく、ユニットに届きません"),
            ("not HTTP at all", served, lambda units: units.reply(served, b"SSH-2.0-unit\r\n"), NOT_HTTP_REASON),
            ("100 Continue, then silence", served,
             lambda units: units.reply(served, b"HTTP/1.1 100 Continue\r\n\r\n", then_hang=True), NOT_HTTP_REASON),
        ]
        for name, address, arrange, reason in cases:
            with self.subTest(name):
                c.reset(schtasks_exit=None)
                arrange(c.units)
                link = link_for(address, 0)
                started = time.monotonic()
                run = c.run_tool("/register", "/address", address)
                took = time.monotonic() - started
                warning = [] if reason is None else ["警告: ユニットの表示画面 %s を開けませんでした（%s）。" % (link, reason)]
                self.assertEqual(self.body(run), warning + [CREATED, exit_line(0)])
                self.assertEqual(run.code, 0)
                self.assertTrue(c.file(c.documents, "LAU_Refresh.vbs").exists())
                if address == "192.168.1.22":
                    self.assertGreaterEqual(took, 4.5)
                    self.assertLess(took, 15)
                # One plain GET of exactly the link, straight to the unit: no
                # proxy, no credentials, no redirect followed.
                requests = c.units.requests_to(address)
                self.assertEqual([request[1] for request in requests],
                                 [] if address in (REFUSING, UNREACHABLE) else ["GET /display.htm?size=1 HTTP/1.1"])
                for _, _, headers in requests:
                    names = [header.split(":")[0].lower() for header in headers]
                    self.assertIn("host: %s" % address, [header.lower() for header in headers])
                    self.assertFalse({"authorization", "proxy-authorization", "cookie"} & set(names), headers)
                self.assertEqual(c.units.requests_to("192.168.1.21"), [])

                run = c.run_tool("/status")
                self.assertEqual(run.code, 0, run)
                self.assertEqual(self.body(run)[6:9], [
                    "表示画面「%s」: %s" % (link, "開けます" if reason is None else "開けません（%s）" % reason),
                    "状態: すべて登録されています",
                    "設定: アドレス %s、画面サイズ ハイビジョン、リフレッシュ 毎日 0 時" % address])
                self.assertEqual(run.lines[-1], exit_line(0))

    # -- steps that fail ----------------------------------------------------------
    @fault_row('Command line: `/register`, SCHTASKS exits 1',
               'タスクスケジューラの登録に失敗しました, 終了コード: 4',
               'exit 4; script stays; no shortcut')
    def test_register_when_schtasks_fails(self):
        c = self.case
        c.reset(schtasks_exit=1)
        run = c.run_tool("/register", "/address", "10.0.0.254", "/log", LOG)
        self.assertEqual(run.code, 4, run)
        self.assertEqual(self.body(run), [TASK_FAILED, exit_line(4)])
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
        self.assertEqual(self.body(run), [STARTUP_FAILED, CREATED, exit_line(4)])
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
            self.assertEqual(self.body(run), [r"F:\Docs\LAU_Refresh.vbs へのアクセス中にディスクがいっぱいになりました。",
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
                self.assertEqual(self.body(run), NO_EDGE + [exit_line(3)])
                self.assertEqual(self.files(), {})
                self.assertEqual(self.schtasks_records(), [])

    # -- remove and status ---------------------------------------------------------
    @fault_row('Command line: `/status` on a clean PC, after `/register`, after the script was deleted by hand, after `/remove`',
               'the first line naming the account, one labelled line for the task and each file (スクリプト「…」: あり（リンク先 …）), the verdict, the settings and a key=value line; 終了コード',
               'exit 10, 0, 11 (the verdict says to register again), 10; a new log starts with one byte-order mark, appended runs add none; /status runs no SCHTASKS (it asks the Task Scheduler) and changes nothing; /remove exits 0 and leaves DeskTop.scf/.lnk')
    def test_status_register_remove(self):
        c = self.case
        c.reset(version="win81", schtasks_exit=None)
        absent = "なし"
        link = link_for("10.0.0.254", 1)
        held = "あり（リンク先 %s）" % link

        run = c.run_tool("/status", "/log", LOG)
        self.assertEqual(run.code, 10, run)
        self.assertEqual(self.body(run), self.status_lines("登録されていません", absent, absent, absent, absent, absent,
                                                          "登録されていません") + [exit_line(10)])
        self.assertEqual(self.log_lines(0, time.time()), run.lines)
        self.assertEqual(self.files(), {})

        self.assertEqual(c.run_tool("/register", "/address", "10.0.0.254", "/size", "fullhd").code, 0)
        before = self.files()
        calls = len(self.schtasks_records())
        run = c.run_tool("/Status", stdout="pipe")
        self.assertEqual(run.code, 0, run)
        settings = "アドレス 10.0.0.254、画面サイズ フルハイビジョン、リフレッシュ 毎日 0 時"
        self.assertEqual(self.body(run), self.status_lines(
            "登録されています（毎日 0 時）", held, held, held, "あり", "あり", "すべて登録されています", settings,
            "registered=complete address=10.0.0.254 size=fullhd hour=0", link) + [exit_line(0)])
        self.assertEqual(self.files(), before)
        # Looking runs no SCHTASKS: the Task Scheduler itself is asked.
        self.assertEqual(self.schtasks_records()[calls:], [])

        c.file(c.documents, "LAU_Refresh.vbs").unlink()
        run = c.run_tool("/status")
        self.assertEqual(run.code, 11, run)
        self.assertEqual(self.body(run), self.status_lines(
            "登録されています（毎日 0 時）", absent, held, held, "あり", "あり", PARTIAL, settings,
            "registered=partial address=10.0.0.254 size=fullhd hour=0", link) + [exit_line(11)])

        run = c.run_tool("/remove", "/log", LOG)
        self.assertEqual(run.code, 0, run)
        self.assertEqual(self.body(run), [REMOVED, exit_line(0)])
        self.assertEqual(self.schtasks_records()[-1][1], ["schtasks", "/delete", "/f", "/tn", TASK_NAME])
        self.assertEqual(sorted(self.files()), ["Documents/DeskTop.scf", "Startup/DeskTop.lnk"])
        self.assertEqual(c.run_tool("/status").code, 10)
        # Every run with /log appended its lines; the ones without left none.
        log = self.log_lines(0, time.time())
        self.assertEqual(log[-3:], [REMOVED, "result=done exit=0", exit_line(0)])
        self.assertEqual(log.count(exit_line(10)), 1)

    @fault_row('Command line: a shortcut that holds another address than the script',
               '… あり（リンク先 http://10.0.0.254/…、スクリプトと違います）, 状態: 一部だけ登録されているか、内容が一致しません（もう一度登録してください。…）, 終了コード: 11',
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
        self.assertEqual(self.body(run)[1:4], [
            "スクリプト「%s\\LAU_Refresh.vbs」: あり（リンク先 %s）" % (c.documents, link_for("10.9.9.9", 0)),
            "スタートアップのショートカット「%s\\%s」: あり（リンク先 %s）" % (c.startup, KIOSK_LNK, link_for("10.9.9.9", 0)),
            "デスクトップのショートカット「%s\\%s」: あり（リンク先 %s、スクリプトと違います）" % (c.desktop, KIOSK_LNK, link_for("10.0.0.254", 0)),
        ])
        self.assertEqual(self.body(run)[7], "状態: " + PARTIAL)
        self.assertEqual(run.lines[-1], exit_line(11))

    # -- nothing read from a file steers a request or a line ---------------------------------
    def set_shortcut_link(self, folder, link):
        """Puts `link` in place of the kiosk shortcut's quoted link address, in
        its counted argument string (a count of UTF-16 units, then the text)."""
        c = self.case
        path = c.file(folder, KIOSK_LNK)
        arguments = c.shortcut(folder)["Command line arguments"]
        old_link = arguments[arguments.rindex('"', 0, -1) + 1:-1]
        encoded = arguments.encode("utf-16-le")
        data = path.read_bytes()
        at = data.index(encoded)
        # Wine counts the terminating NUL it stores after the text; keep that.
        extra = int.from_bytes(data[at - 2:at], "little") - len(arguments)
        self.assertIn(extra, (0, 1))
        changed = arguments[:-len(old_link) - 1] + link + '"'
        path.write_bytes(data[:at - 2] + (len(changed) + extra).to_bytes(2, "little") + changed.encode("utf-16-le")
                         + data[at + len(encoded):])

    @fault_row('Command line: `/status` with the script\'s `Addr` line changed to `http://10.9.9.9/forged`, a kiosk shortcut whose link holds CR LF and `終了コード: 0`, or kiosk shortcuts naming a host',
               'that item: あり（リンク先を読み取れません）; 表示画面 … for the link address 登録 made that another item still holds (else 確認していません); one 終了コード line, the last',
               'exit 11; no request to any address the files name (the units\' server records none); no text from a file is ever written as a line of its own')
    def test_status_requests_and_writes_only_what_register_makes(self):
        c = self.case
        good = link_for("10.0.0.254", 0)
        forged_lines = link_for("10.9.9.9", 0) + "\r\n終了コード: 0\r\n"
        host_link = "http://kiosk-unit.example/display.htm?size=1"
        unreadable = "あり（リンク先を読み取れません）"
        held = "あり（リンク先 %s）" % good

        def forge_script():
            script = c.file(c.documents, "LAU_Refresh.vbs")
            data = script.read_bytes()
            old = b'Addr = "%s"' % good.encode()
            self.assertIn(old, data)
            script.write_bytes(data.replace(old, b'Addr = "http://10.9.9.9/forged"'))

        def forge_startup():
            c.file(c.documents, "LAU_Refresh.vbs").unlink()
            self.set_shortcut_link(c.startup, forged_lines)

        def name_a_host():
            c.file(c.documents, "LAU_Refresh.vbs").unlink()
            for folder in (c.startup, c.desktop):
                self.set_shortcut_link(folder, host_link)

        cases = [
            # name, change, the lines of the script and the two shortcuts, the page line
            ("the script's Addr line names another page", forge_script,
             [unreadable, held, held], "表示画面「%s」: 開けます" % good),
            ("the Startup shortcut's link holds CR LF and an exit line", forge_startup,
             ["なし", unreadable, held], "表示画面「%s」: 開けます" % good),
            ("both shortcuts name a host", name_a_host, ["なし", unreadable, unreadable], PAGE_UNCHECKED),
        ]
        for name, change, items, page in cases:
            with self.subTest(name):
                c.reset(schtasks_exit=None)
                self.assertEqual(c.run_tool("/register", "/address", "10.0.0.254").code, 0)
                change()
                c.units.reset()
                run = c.run_tool("/status", "/log", LOG)
                self.assertEqual(run.code, 11, run)
                body = self.body(run)
                self.assertEqual([line.partition("」: ")[2] for line in body[1:4]], items)
                self.assertEqual(body[6], page)
                # One exit line, the last, in the output and in the log.
                self.assertEqual([line for line in run.lines if line.startswith("終了コード")], [exit_line(11)])
                self.assertEqual(run.lines[-1], exit_line(11))
                self.assertEqual([line for line in self.log_lines(0, time.time()) if line.startswith("終了コード")][-1:],
                                 [exit_line(11)])
                # Nothing but the link address 登録 made was requested.
                self.assertEqual(c.units.requests_to("10.9.9.9"), [])
                requested = [request[0] for request in c.units.requests]
                self.assertEqual(requested, [] if page == PAGE_UNCHECKED else ["10.0.0.254"])

    # -- another account than the logged-on user ------------------------------------------
    @fault_row('Command line: `/register /account current` and `/status /account current` run as another account than the logged-on user (a stand-in wtsapi32.dll reports `KIOSK\\display` logged on)',
               'the first line names the running account as the user set up; 警告: ログオン中のユーザー「KIOSK\\display」ではなく「…\\root」として実行されています。…, then the usual lines',
               'one warning line, no question; the run goes on for the running account (`/register` exit 0, `/status` exit 0); the log holds the same lines')
    def test_another_account_is_one_warning_line(self):
        c = self.case
        c.reset(schtasks_exit=None)
        self.other_session_user("KIOSK\\display")
        register = c.run_tool("/register", "/address", "10.0.0.254", "/account", "current", "/log", LOG)
        status = c.run_tool("/status", "/account", "current", "/log", LOG)
        for run, code, last in ((register, 0, CREATED), (status, 0, "registered=complete address=10.0.0.254 size=hd hour=0")):
            with self.subTest(run=run.lines[:1]):
                self.assertEqual(run.code, code, run)
                self.assert_header(run.lines[0])
                if last.startswith("registered="):
                    last = self.keys(last)
                domain = HEADER.fullmatch(run.lines[0]).group("domain")
                self.assertEqual(run.lines[1],
                                 "警告: ログオン中のユーザー「KIOSK\\display」ではなく「{0}\\root」として実行されています。"
                                 "設定し、調べるのは「{0}\\root」のドキュメント、スタートアップ、デスクトップとタスクです。"
                                 .format(domain))
                self.assertEqual(sum("警告" in line for line in run.lines), 1, run)
                self.assertEqual(self.body(run)[-2:], [last, exit_line(code)])
        self.assertEqual(self.log_lines(0, time.time()), register.lines + status.lines)
        # Without the stand-in the same PC gives no warning, and root is the user at the screen.
        self.no_other_session_user()
        self.assertNotIn("警告", " ".join(c.run_tool("/status").lines))
        self.assertEqual(c.run_tool("/status").code, 0)

    @fault_row('Command line: `/status` after a good `/register`, then each piece changed alone: the script\'s Run line with another address, the script cut after its Addr line or 800 KB appended, both kiosk shortcuts or one on notepad.exe, other shortcut arguments, DeskTop.scf, the task\'s program, its start at 3 時',
               'the line of that piece names what differs (内容が違います, 起動するものが違います, 引数が違います, 実行する内容が違います, 開始時刻か繰り返しが違います), 状態: 一部だけ登録されているか、内容が一致しません, the settings, 終了コード: 11',
               'exit 11 each time; unchanged, exit 0 with `registered=complete address=10.0.0.254 size=fullhd hour=5`')
    def test_status_names_every_difference(self):
        c = self.case
        link = link_for("10.0.0.254", 1)
        script_line = "スクリプト「%s\\LAU_Refresh.vbs」: " % c.documents
        startup_line = "スタートアップのショートカット「%s\\%s」: " % (c.startup, KIOSK_LNK)
        desktop_line = "デスクトップのショートカット「%s\\%s」: " % (c.desktop, KIOSK_LNK)
        task_line = "タスク「%s」: " % TASK_NAME
        register = ["/register", "/address", "10.0.0.254", "/size", "fullhd", "/hour", "5"]

        # Kiosk shortcuts that start notepad.exe, with the same arguments.
        c.reset(version="win81", schtasks_exit=None, edge_value=("REG_SZ", r"C:\windows\notepad.exe"))
        self.assertEqual(c.run_tool(*register).code, 0)
        notepad = {folder: c.file(folder, KIOSK_LNK).read_bytes() for folder in (c.startup, c.desktop)}

        def edit(path, old, new, encoding=None):
            data = path.read_bytes()
            old_bytes, new_bytes = (old.encode(encoding), new.encode(encoding)) if encoding else (old, new)
            self.assertIn(old_bytes, data)
            path.write_bytes(data.replace(old_bytes, new_bytes))

        def script():
            return c.file(c.documents, "LAU_Refresh.vbs")

        def cut_after_addr():
            data = script().read_bytes()
            script().write_bytes(data[:data.index(b"\r\n", data.index(b"Addr = ")) + 2])

        cases = [
            ("Run opens another address",
             lambda: edit(script(), b'""%s""' % link.encode(), b'""%s""' % link_for("10.6.6.6", 1).encode()),
             {1: script_line + "あり（リンク先 %s、内容が違います）" % link}),
            ("script cut after its Addr line", cut_after_addr,
             {1: script_line + "あり（リンク先 %s、内容が違います）" % link}),
            ("800 KB appended to the script",
             lambda: script().write_bytes(script().read_bytes() + b"x" * 800 * 1024),
             {1: script_line + "あり（リンク先 %s、内容が違います）" % link}),
            ("both kiosk shortcuts on notepad.exe",
             lambda: [c.file(folder, KIOSK_LNK).write_bytes(data) for folder, data in notepad.items()],
             {2: startup_line + "あり（リンク先 %s、起動するものが違います）" % link,
              3: desktop_line + "あり（リンク先 %s、起動するものが違います）" % link}),
            ("the Startup shortcut on notepad.exe",
             lambda: c.file(c.startup, KIOSK_LNK).write_bytes(notepad[c.startup]),
             {2: startup_line + "あり（リンク先 %s、起動するものが違います）" % link}),
            ("other arguments in the Desktop shortcut",
             lambda: edit(c.file(c.desktop, KIOSK_LNK), "--inprivate", "--inPrivate", "utf-16-le"),
             {3: desktop_line + "あり（リンク先 %s、引数が違います）" % link}),
            ("DeskTop.scf changed",
             lambda: c.file(c.documents, "DeskTop.scf").write_bytes(
                 c.file(c.documents, "DeskTop.scf").read_bytes() + b"\r\n"),
             {4: "デスクトップ表示ファイル「%s\\DeskTop.scf」: あり（内容が違います）" % c.documents}),
            ("the task runs cscript.exe",
             lambda: edit(c.task_file(), "wscript.exe", "cscript.exe", "utf-16-le"),
             {0: task_line + "登録されています（実行する内容が違います）"}),
            ("the task starts at 3 時",
             lambda: edit(c.task_file(), "T05:00:00", "T03:00:00", "utf-16-le"),
             {0: task_line + "登録されています（開始時刻か繰り返しが違います）"}),
        ]
        c.reset(version="win81", schtasks_exit=None)
        self.assertEqual(c.run_tool(*register).code, 0)
        good = self.files(), c.task_file().read_bytes()
        run = c.run_tool("/status")
        self.assertEqual(run.code, 0, run)
        self.assert_header(run.lines[0])
        self.assertEqual(run.lines[-3:], ["設定: アドレス 10.0.0.254、画面サイズ フルハイビジョン、リフレッシュ 毎日 5 時",
                                          self.keys("registered=complete address=10.0.0.254 size=fullhd hour=5"),
                                          exit_line(0)])
        for name, change, differing in cases:
            with self.subTest(name):
                c.reset(version="win81", schtasks_exit=None)
                self.assertEqual(c.run_tool(*register).code, 0)
                self.assertEqual((self.files(), c.task_file().read_bytes()), good)
                change()
                run = c.run_tool("/status")
                self.assertEqual(run.code, 11, run)
                items = run.lines[1:7]
                for index, line in enumerate(items):
                    if index in differing:
                        self.assertEqual(line, differing[index])
                    else:
                        self.assertNotIn("違います", line)
                self.assertEqual(run.lines[8], "状態: " + PARTIAL)
                self.assertTrue(run.lines[10].startswith("registered=partial address=10.0.0.254 size=fullhd"), run)

    @fault_row('Command line: `/status` and `/remove` while the task is registered and the Task Scheduler service is stopped and disabled (SCHTASKS refuses the delete)',
               'タスク「…」: 確認できません（タスク スケジューラからタスクを読み取れません）, 状態: タスクを読み取れないため判断できません（Task Scheduler サービスが実行中か確かめてください）, 終了コード: 4; タスクの削除に失敗しました。, 終了コード: 4',
               'exit 4 both; the task stays. With the task truly absent and SCHTASKS failing: /remove exit 0, /status exit 10')
    @fault_row('Command line: `/remove`, the task already gone (SCHTASKS exits 1, the Task Scheduler answers "no such task")',
               'タスクとショートカットの削除に成功しました。', 'exit 0')
    def test_scheduler_that_cannot_answer(self):
        c = self.case
        c.reset(schtasks_exit=None)
        self.assertEqual(c.run_tool("/register", "/address", "10.0.0.254").code, 0)
        c.schtasks_env = {"TAVRIN_SCHTASKS_EXIT_DELETE": "1"}
        c.prefix.disable_task_scheduler()
        try:
            run = c.run_tool("/status")
            self.assertEqual(run.code, 4, run)
            self.assertEqual(run.lines[1], "タスク「%s」: 確認できません（タスク スケジューラからタスクを読み取れません）" % TASK_NAME)
            self.assertEqual(run.lines[8], "状態: タスクを読み取れないため判断できません（Task Scheduler サービスが実行中か確かめてください）")
            run = c.run_tool("/remove")
            self.assertEqual(run.code, 4, run)
            self.assertEqual(self.body(run), ["タスクの削除に失敗しました。", exit_line(4)])
            self.assertTrue(c.task_file().exists())
        finally:
            c.prefix.enable_task_scheduler()
        # Truly absent: SCHTASKS still exits 1, the Task Scheduler says there is no such task.
        c.task_file().unlink()
        run = c.run_tool("/remove")
        self.assertEqual((run.code, self.body(run)), (0, [REMOVED, exit_line(0)]))
        self.assertEqual(self.schtasks_records()[-1][1], ["schtasks", "/delete", "/f", "/tn", TASK_NAME])
        self.assertEqual(c.run_tool("/status").code, 10)

    @fault_row('Command line: `/status` after a good `/register`, then the task made one that will not run: disabled (`Settings/Enabled` false), its trigger disabled (false, or 0), its trigger ended (an end boundary in 2020), its start five years ahead',
               'タスク「…」: 登録されています（開始時刻か繰り返しが違います）, 状態: 一部だけ登録されているか、内容が一致しません…, 終了コード: 11',
               'exit 11 each time (before: a disabled task, a trigger disabled as 0, an ended or far-off trigger read as complete, exit 0)')
    def test_status_a_task_that_will_not_run(self):
        c = self.case
        task_line = "タスク「%s」: 登録されています（開始時刻か繰り返しが違います）" % TASK_NAME

        def edit(old, new):
            data = c.task_file().read_bytes()
            self.assertTrue(data.startswith(b"\xff\xfe"))
            text = data[2:].decode("utf-16-le")
            self.assertIn(old, text)
            c.task_file().write_bytes(b"\xff\xfe" + text.replace(old, new, 1).encode("utf-16-le"))

        def start_years_ahead():
            text = c.task_file().read_bytes()[2:].decode("utf-16-le")
            year = int(re.search(r"<StartBoundary>(\d{4})-", text).group(1))
            edit("<StartBoundary>%d-" % year, "<StartBoundary>%d-" % (year + 5))

        cases = [
            ("the task disabled", lambda: edit("<Actions", "<Settings><Enabled>false</Enabled></Settings>\r\n  <Actions")),
            # (A task disabled as 0 is refused by Wine's own task service, so
            # it reads as "cannot tell" here; the reader's Wine tests cover it.)
            ("the trigger disabled", lambda: edit("<Enabled>true</Enabled>", "<Enabled>false</Enabled>")),
            ("the trigger disabled, as 0", lambda: edit("<Enabled>true</Enabled>", "<Enabled>0</Enabled>")),
            ("the trigger ended", lambda: edit("</StartBoundary>",
                                               "</StartBoundary>\r\n      <EndBoundary>2020-01-01T00:00:00</EndBoundary>")),
            ("the trigger starts five years ahead", start_years_ahead),
        ]
        register = ["/register", "/address", "10.0.0.254", "/hour", "5"]
        for name, change in cases:
            with self.subTest(name):
                c.reset(schtasks_exit=None)
                self.assertEqual(c.run_tool(*register).code, 0)
                self.assertEqual(c.run_tool("/status").code, 0)
                change()
                run = c.run_tool("/status")
                self.assertEqual(run.code, 11, run)
                self.assertEqual(run.lines[1], task_line)
                self.assertEqual(run.lines[8], "状態: " + PARTIAL)
                self.assertTrue(run.lines[10].startswith("registered=partial address=10.0.0.254 size=hd hour="), run)

    @fault_row('Command line: `/register` with Documents at a path that makes the task\'s /TR 262 characters long (SCHTASKS takes at most 261)',
               'タスクスケジューラの登録に失敗しました, 終了コード: 4',
               'exit 4; nothing written, SCHTASKS not run (before: the script written, then SCHTASKS refused the /TR: a script and no task). One character shorter: registered, exit 0')
    def test_register_with_a_task_run_schtasks_refuses(self):
        c = self.case
        # %windir%\SysWOW64\wscript.exe "<Documents>\LAU_Refresh.vbs": 48 characters besides Documents.
        for length, fits in ((213, True), (214, False)):
            with self.subTest(length):
                c.reset(schtasks_exit=None)
                # The prefix outlives the suite: no script of an earlier run may be waiting there.
                shutil.rmtree(c.prefix.unix("C:\\tlong"), ignore_errors=True)
                c.use_documents("C:\\tlong\\" + "d" * (length - len("C:\\tlong\\")))
                self.assertEqual(len(c.documents), length)
                run = c.run_tool("/register", "/address", "10.0.0.254")
                if fits:
                    self.assertEqual(run.code, 0, run)
                    ((_, argv),) = self.schtasks_records()
                    self.assertEqual(len(argv[argv.index("/TR") + 1]), 261)
                    self.assertTrue(c.task_file().exists())
                    continue
                self.assertEqual(run.code, 4, run)
                self.assertEqual(self.body(run), [TASK_FAILED, exit_line(4)])
                self.assertEqual(self.schtasks_records(), [])
                self.assertEqual(os.listdir(c.prefix.unix(c.documents)), [])
                self.assertFalse(c.task_file().exists())

    @fault_row('Command line: `/status` while the Task Scheduler service takes the request and never answers (its process stopped)',
               'タスク「…」: 確認できません（タスク スケジューラからタスクを読み取れません）, 状態: タスクを読み取れないため判断できません（Task Scheduler サービスが実行中か確かめてください）, 終了コード: 4, after 60 s',
               'exit 4, the run ends without waiting for the question left behind; the next /status runs (no "already running") and, the service answering again, reads complete (before: /status never ended, and every later run was "already running")')
    def test_status_when_the_task_scheduler_never_answers(self):
        c = self.case
        c.reset(schtasks_exit=None)
        self.assertEqual(c.run_tool("/register", "/address", "10.0.0.254").code, 0)
        with c.prefix.task_scheduler_not_answering():
            started = time.monotonic()
            run = c.run_tool("/status", timeout=150)
            elapsed = time.monotonic() - started
            self.assertEqual(run.code, 4, run)
            self.assertGreaterEqual(elapsed, 60)
            self.assertLess(elapsed, 120)
            self.assertEqual(run.lines[1], "タスク「%s」: 確認できません（タスク スケジューラからタスクを読み取れません）" % TASK_NAME)
            self.assertEqual(run.lines[8], "状態: タスクを読み取れないため判断できません（Task Scheduler サービスが実行中か確かめてください）")
            self.assertEqual(run.lines[-1], exit_line(4))
        run = c.run_tool("/status")
        self.assertEqual(run.code, 0, run)
        self.assertNotIn(ANOTHER_COPY, run.lines)

    # -- whose set-up ----------------------------------------------------------------
    def other_session_user(self, user):
        """The next runs see `user` ("DOMAIN\\name", "-" for nobody, None for
        unreadable) logged on to their session, through the stand-in
        wtsapi32.dll in the system folder, the only folder the tool loads
        it from."""
        c = self.case
        self.assertTrue(ARGS.wtsapi, "--wtsapi is needed")
        self.assertEqual(support.pe_machine(ARGS.wtsapi), ARGS.machine, "the stand-in must match the tool's bitness")
        system_dll = self.system_wtsapi()
        saved = system_dll.with_name("wtsapi32.dll.wine")
        absent = system_dll.with_name("wtsapi32.dll.absent")  # a WoW64 prefix's syswow64 may have none
        if not saved.exists() and not absent.exists():
            if system_dll.exists():
                shutil.copyfile(system_dll, saved)
            else:
                absent.touch()
            self.addCleanup(self.no_other_session_user)
        shutil.copyfile(ARGS.wtsapi, system_dll)
        c.schtasks_env = {"WINEDLLOVERRIDES": c.prefix.env["WINEDLLOVERRIDES"] + ";wtsapi32=n"}
        if user is not None:
            c.schtasks_env["TAVRIN_SESSION_USER"] = user

    def system_wtsapi(self):
        """The wtsapi32.dll the tool loads: the system folder of its bitness
        (a 32-bit tool's system folder is syswow64)."""
        folder = "syswow64" if ARGS.machine == "i686" else "system32"
        return self.case.prefix.root / "drive_c" / "windows" / folder / "wtsapi32.dll"

    def no_other_session_user(self):
        """The next runs see the session as Wine reports it again."""
        c = self.case
        system_dll = self.system_wtsapi()
        saved = system_dll.with_name("wtsapi32.dll.wine")
        absent = system_dll.with_name("wtsapi32.dll.absent")
        if saved.exists():
            shutil.copyfile(saved, system_dll)
            saved.unlink()
        elif absent.exists():
            system_dll.unlink(missing_ok=True)
            absent.unlink()
        c.schtasks_env = {}

    # -- the user at the screen is another account ----------------------------------------
    DISPLAY_SID = "S-1-5-21-1111111111-2222222222-3333333333-1001"
    DISPLAY_USER = "KIOSKPC\\kiosk"
    DISPLAY_PROFILE = r"C:\users\kiosk"

    def display_user(self, folders=None):
        """A second user who exists only in the registry, logged on to the
        session the tool runs in (the stand-in wtsapi32.dll names it): its
        loaded hive under HKU with `User Shell Folders` and `Volatile
        Environment`, a `ProfileList` entry, and its folders on disk.
        `folders` overrides `User Shell Folders` values: name -> (kind, data),
        (None, None) to leave the value out. Returns the three folders."""
        c = self.case
        hive = "HKU\\" + self.DISPLAY_SID
        shell_folders = hive + r"\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders"
        c.prefix.reg_delete(hive)
        values = {"Desktop": ("REG_EXPAND_SZ", r"%USERPROFILE%\Desktop"),
                  "Personal": ("REG_EXPAND_SZ", r"%USERPROFILE%\Documents"),
                  # APPDATA is left to the profile folder: the logon below does not list it.
                  "Startup": ("REG_EXPAND_SZ", r"%APPDATA%\Microsoft\Windows\Start Menu\Programs\Startup")}
        values.update(folders or {})
        for name, (kind, data) in values.items():
            if kind is not None:
                c.prefix.reg_add(shell_folders, name, data, kind)
        volatile = hive + r"\Volatile Environment"
        c.prefix.reg_add(volatile, "USERNAME", "kiosk")
        c.prefix.reg_add(volatile, "USERDOMAIN", "KIOSKPC")
        c.prefix.reg_add("HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\" + self.DISPLAY_SID,
                         "ProfileImagePath", r"%SystemDrive%\users\kiosk", "REG_EXPAND_SZ")
        profile = c.prefix.unix(self.DISPLAY_PROFILE)
        if profile.exists():
            shutil.rmtree(profile)
        found = (self.DISPLAY_PROFILE + r"\Desktop", self.DISPLAY_PROFILE + r"\Documents",
                 self.DISPLAY_PROFILE + r"\AppData\Roaming\Microsoft\Windows\Start Menu\Programs\Startup")
        for folder in found:
            c.prefix.unix(folder).mkdir(parents=True)
        task = c.task_file("Quorvix画面リフレッシュ（kiosk）")
        if task.exists():
            task.unlink()
        self.addCleanup(c.prefix.reg_delete, hive)
        self.other_session_user(self.DISPLAY_USER)
        return found

    def display_user_files(self):
        """Every file under the display user's profile folder, with its bytes."""
        root = self.case.prefix.unix(self.DISPLAY_PROFILE)
        return {str(path.relative_to(root)): path.read_bytes() for path in sorted(root.rglob("*")) if path.is_file()}

    @fault_row('Command line: `/register`, `/status`, `/remove` run by another account (root) while a second user who exists only in the registry (`HKU\\S-1-5-21-…-1001`, `Volatile Environment`, `ProfileList`) is logged on to its session',
               'the first line: アカウント: …\\root、対象ユーザー: KIOSKPC\\kiosk; ショートカットを作成しました; /status: タスク「Quorvix画面リフレッシュ（kiosk）」, the user\'s files, `registered=complete … user=KIOSKPC\\kiosk`',
               'exit 0 each; everything in the user\'s Documents, Startup and Desktop (from its `User Shell Folders`, expanded with its own variables), the task named after it; nothing in root\'s folders; /remove takes it all away')
    def test_the_user_at_the_screen_is_set_up(self):
        c = self.case
        c.reset(schtasks_exit=None)
        desktop, documents, startup = self.display_user()
        task = "Quorvix画面リフレッシュ（kiosk）"
        register = c.run_tool("/register", "/address", "10.0.0.254", "/user", "kioskpc\\KIOSK")
        self.assertEqual(register.code, 0, register)
        self.assert_header(register.lines[0], target=self.DISPLAY_USER)
        self.assertEqual(register.without_result_keys(register.lines[1:]), [CREATED, exit_line(0)])
        written = self.display_user_files()
        self.assertEqual(sorted(written), ["AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Startup/" + KIOSK_LNK,
                                           "Desktop/" + KIOSK_LNK, "Documents/LAU_Refresh.vbs"])
        self.assertIn(b'"http://10.0.0.254/display.htm?size=1"', written["Documents/LAU_Refresh.vbs"])
        self.assertEqual(self.files(), {})  # nothing for root
        (create,) = [argv for _, argv in self.schtasks_records()]
        self.assertEqual(create[1:5] + create[6:], ["/Create", "/TN", task, "/XML", "/F"])
        self.assertFalse(c.prefix.unix(create[5]).exists())  # the document is gone after
        # The document SCHTASKS read: the user's identifier with an interactive
        # token, and the action and daily start the /TR line would register.
        (document,) = parse_schtasks_log(c.schtasks_log.read_bytes(), "document")[0]
        ns = {"t": "http://schemas.microsoft.com/windows/2004/02/mit/task"}
        xml = ElementTree.fromstring(document.encode("utf-16"))
        self.assertEqual([xml.findtext("t:Principals/t:Principal/t:" + key, namespaces=ns)
                          for key in ("UserId", "LogonType", "RunLevel")],
                         [self.DISPLAY_SID, "InteractiveToken", "LeastPrivilege"])
        self.assertEqual([xml.findtext("t:Actions/t:Exec/t:" + key, namespaces=ns) for key in ("Command", "Arguments")],
                         [r"%windir%\SysWOW64\wscript.exe", '"%s\\LAU_Refresh.vbs"' % documents])
        start = xml.findtext("t:Triggers/t:CalendarTrigger/t:StartBoundary", namespaces=ns)
        self.assertEqual(start, time.strftime("%Y-%m-%dT00:00:00"))
        self.assertEqual(xml.findtext("t:Triggers/t:CalendarTrigger/t:ScheduleByDay/t:DaysInterval", namespaces=ns),
                         "1")
        self.assertTrue(c.task_file(task).exists())
        self.assertFalse(c.task_file().exists())

        status = c.run_tool("/status")
        self.assertEqual(status.code, 0, status)
        self.assert_header(status.lines[0], target=self.DISPLAY_USER)
        self.assertEqual(status.lines[1], "タスク「%s」: 登録されています（毎日 0 時）" % task)
        self.assertEqual(status.lines[2], "スクリプト「%s\\LAU_Refresh.vbs」: あり（リンク先 %s）"
                         % (documents, link_for("10.0.0.254", 0)))
        self.assertEqual(status.lines[-2],
                         "registered=complete address=10.0.0.254 size=hd hour=0 user=" + self.DISPLAY_USER)

        remove = c.run_tool("/remove")
        self.assertEqual((remove.code, remove.without_result_keys(remove.lines[1:])), (0, [REMOVED, exit_line(0)]), remove)
        self.assertEqual(self.display_user_files(), {})
        self.assertFalse(c.task_file(task).exists())
        self.assertEqual(self.schtasks_records()[-1][1], ["schtasks", "/delete", "/f", "/tn", task])
        self.assertEqual(c.run_tool("/status").code, 10)

    @fault_row('Command line: `/register` or `/remove` with nobody logged on, the logged-on user unreadable, or `/user` naming someone else than the user at the screen',
               'one line: 画面の前にログオンしているユーザーがいません。… / 画面の前のユーザーを確認できません（…）。何もしていません。 / /user のユーザー「…」は、設定する画面の前のユーザー「…」ではありません。…, 終了コード: 5',
               'exit 5 (an agent retries later); nothing written or removed, no SCHTASKS run')
    def test_nobody_to_set_up(self):
        c = self.case
        c.reset(schtasks_exit=None)
        self.display_user()
        self.assertEqual(c.run_tool("/register", "/address", "10.0.0.254").code, 0)
        registered = self.display_user_files()
        calls = len(self.schtasks_records())
        unknown = "画面の前のユーザーを確認できません（このツールは「%s」として実行されています）。何もしていません。"
        cases = [
            ("nobody logged on", "-", ["/remove", "/log", LOG], "（なし）",
             "画面の前にログオンしているユーザーがいません。何もしていません（ユーザーがログオンしてから実行し直してください）。"),
            ("the logged-on user cannot be read", None, ["/register", "/address", "10.9.9.9"], "（読み取れません）",
             unknown),
            ("a user the registry does not know", "KIOSKPC\\stranger", ["/remove"], "KIOSKPC\\stranger", unknown),
            ("/user names someone else", self.DISPLAY_USER, ["/remove", "/user", "KIOSKPC\\other"], self.DISPLAY_USER,
             "/user のユーザー「KIOSKPC\\other」は、設定する画面の前のユーザー「KIOSKPC\\kiosk」ではありません。何もしていません。"),
        ]
        for name, user, arguments, target, line in cases:
            with self.subTest(name):
                self.other_session_user(user)
                run = c.run_tool(*arguments)
                self.assertEqual(run.code, 5, run)
                self.assert_header(run.lines[0], target=target)
                self.assertEqual(run.without_result_keys(run.lines[1:]), [line % CommandLine.root if "%s" in line else line, exit_line(5)])
                self.assertEqual(self.display_user_files(), registered)
                self.assertEqual(self.files(), {})
                self.assertEqual(len(self.schtasks_records()), calls)
                self.assertTrue(c.task_file("Quorvix画面リフレッシュ（kiosk）").exists())

    @fault_row('Command line: `/register` for a user at the screen whose `Personal` (Documents) value is blank, relative, a REG_DWORD, a UNC path, missing, names a variable the user does not have, or a folder that is not there',
               'ショートカットの保存先が見つかりませんでした, アプリケーションを終了します, 終了コード: 3',
               'exit 3; nothing written anywhere, no SCHTASKS run')
    def test_a_folder_of_the_user_at_the_screen_that_cannot_be_used(self):
        c = self.case
        cases = [
            ("blank", ("REG_EXPAND_SZ", "")),
            ("relative", ("REG_SZ", r"kiosk\Documents")),
            ("a number", ("REG_DWORD", "5")),
            ("UNC", ("REG_SZ", r"\\server\share\Documents")),
            ("missing", (None, None)),
            ("the administrator's variable", ("REG_EXPAND_SZ", r"%TEMP%\Documents")),
            ("not there", ("REG_SZ", r"C:\users\kiosk\Nowhere")),
        ]
        for name, value in cases:
            with self.subTest(name):
                c.reset(schtasks_exit=None)
                self.display_user({"Personal": value})
                run = c.run_tool("/register", "/address", "10.0.0.254")
                self.assertEqual(run.code, 3, run)
                self.assert_header(run.lines[0], target=self.DISPLAY_USER)
                self.assertEqual(run.without_result_keys(run.lines[1:]), ["ショートカットの保存先が見つかりませんでした", "アプリケーションを終了します",
                                                 exit_line(3)])
                self.assertEqual(self.display_user_files(), {})
                self.assertEqual(self.files(), {})
                self.assertEqual(self.schtasks_records(), [])

    # -- the command line itself -------------------------------------------------------
    @fault_row('Command line: unknown option, missing or repeated value, bad address/size/hour, no or two commands, an option the command does not take',
               'the first line, what is wrong (an address without `/address`: 認識できない引数です: …), the usage text, 終了コード: 1',
               'exit 1; nothing written, no SCHTASKS run, no log file')
    @fault_row('Command line: `/?`', 'the usage text (within 80 columns; its legend 終了コードの意味: … is no 終了コード: line)', 'exit 0')
    @fault_row('Command line: `/log` in a folder that does not exist',
               'ログ ファイルを開けません: …（何もしていません。フォルダーがあるか、…を確認してください）, 終了コード: 1', 'exit 1; nothing done')
    def test_usage(self):
        c = self.case
        c.reset()
        refused = [
            (["/register"], "/register には /address でユニットのIPアドレスを指定してください。"),
            (["/register", "/address", "1.2.3.4", "/log", LOG, "/bogus"],
             "認識できない引数です: /bogus（オプションは / で始めます。IPアドレスは /address の後に指定します）"),
            (["/register", "192.168.1.10"],
             "認識できない引数です: 192.168.1.10（オプションは / で始めます。IPアドレスは /address の後に指定します）"),
            (["/register", "/address"], "/address の後に値を指定してください。"),
            (["/register", "/address", "1.2.3.4", "/address", "1.2.3.4"], "/address が 2 回以上指定されています。"),
            (["/register", "/address", "1.2.3.04"],
             "IPアドレスが正しくありません: 1.2.3.04（0～255 の数 4 つをピリオドで区切り、010 のような先頭の 0 は"
             "付けずに指定してください。例: 192.168.1.10）"),
            (["/register", "/address", "1.2.3.4.5"],
             "IPアドレスが正しくありません: 1.2.3.4.5（0～255 の数 4 つをピリオドで区切り、010 のような先頭の 0 は"
             "付けずに指定してください。例: 192.168.1.10）"),
            (["/register", "/address", "1.2.3.4", "/size", "uhd"],
             "画面サイズが正しくありません: uhd（hd または fullhd を指定してください）"),
            (["/register", "/address", "1.2.3.4", "/hour", "2", "/log", LOG],
             "時刻が正しくありません: 2（0、1、4～23 のどれかを、04 のような先頭の 0 を付けずに指定してください。"
             "例: /hour 4）"),
            (["/remove", "/status"], "/register、/remove、/status、/? のうち 1 つだけを指定してください。"),
            (["/log", LOG], "/register、/remove、/status、/? のうち 1 つだけを指定してください。"),
            (["/remove", "/address", "1.2.3.4"], "/address は /remove と一緒には使えません。"),
        ]
        for arguments, problem in refused:
            with self.subTest(" ".join(arguments)):
                run = c.run_tool(*arguments)
                self.assertEqual(run.code, 1, run)
                self.assertEqual(self.body(run), [problem] + USAGE + [exit_line(1)])
                self.assertEqual(self.files(), {})
                self.assertEqual(self.schtasks_records(), [])
                self.assertFalse(self.log.exists())

        run = c.run_tool("/?")
        self.assertEqual((run.code, run.lines), (0, USAGE))
        # Every line fits an 80-column console (a Japanese character takes two
        # columns), and no line of it reads like the last line of a run.
        for line in USAGE:
            self.assertLess(sum(2 if ord(ch) >= 0x1100 else 1 for ch in line), 80, line)
        self.assertFalse([line for line in run.lines if "終了コード: " in line])

        missing = r"C:\no such folder\tavrin.log"
        run = c.run_tool("/status", "/log", missing)
        self.assertEqual(run.code, 1, run)
        self.assertEqual(self.body(run), ["ログ ファイルを開けません: %s（何もしていません。フォルダーがあるか、パスが正しいか、"
                                          "書き込めるかを確認してください）" % missing, exit_line(1)])
        self.assertEqual(self.schtasks_records(), [])

    # -- one copy at a time ----------------------------------------------------------
    @fault_row('Command line: `/status` while a `/register` waits on SCHTASKS (6 s); `/remove` while the dialog does',
               'このツールはすでに実行中です。終わってからもう一度実行してください。, 終了コード: 2',
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
        self.assertEqual(self.body(second), [ANOTHER_COPY, exit_line(2)])
        self.assertEqual((done.code, self.body(done)), (0, [CREATED, exit_line(0)]))
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
        self.assertEqual(self.body(second), [ANOTHER_COPY, exit_line(2)])
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
            self.assertEqual(run.code == 3, self.body(run)[:2] == NO_EDGE, run)
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
        self.assertTrue(lines, text)
        self.assert_header(lines[0])
        self.assertEqual(lines[1:], [line.strip() for line in NO_EDGE + [exit_line(3), "start-wait 3"] + USAGE
                                     + ["direct 0"]])


def main():
    global ARGS
    ARGS, rest = parse_suite_arguments()
    unittest.main(argv=[sys.argv[0], "-v"] + rest)


if __name__ == "__main__":
    main()

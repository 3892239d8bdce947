#!/usr/bin/env python3
"""End-to-end tests: the built tool, driven through its dialog under Wine.

Each case prepares a Wine prefix of its own (user folders, App Paths for a
stand-in Edge, a recording stand-in SCHTASKS, the Windows version the tool
sees), runs the driver program, which starts the tool, fills in the dialog,
presses its buttons and answers every message box, and then checks what is on
disk, what SCHTASKS received and which messages the technician saw.
"""

import os
import shutil
import sys
import threading
import time
import unittest

from support import (EDGE_PATH, KIOSK_LNK, REFUSING, UNREACHABLE, Case, SmallVolume, fault_row, link_for,
                     open_prefix, parse_suite_arguments)

ARGS = None  # set in main()

CREATED = "ショートカットを作成しました"
SCRIPT_FAILED = "スクリプトファイルの作成に失敗しました"
TASK_FAILED = "タスクスケジューラの登録に失敗しました"
STARTUP_FAILED = "スタートアップへのショートカット作成に失敗しました"
DESKTOP_FAILED = "デスクトップへのショートカット作成に失敗しました"
REMOVED = "タスクとショートカットの削除に成功しました。"
REMOVE_FAILED = "ショートカットの削除に失敗しました。"
TASK_REMOVE_FAILED = "タスクの削除に失敗しました。"
ADDRESS_INCOMPLETE = "IPアドレスを正しく入力してください。"
DISK_FULL = "%s へのアクセス中にディスクがいっぱいになりました。"
NO_EDGE = "Microsoft Edgeが見つかりません。\nMicrosoft Edgeをインストールして再度実行してください。"
ANOTHER_COPY = "このツールはすでに実行中です。終わってからもう一度実行してください。"
SINGLE_COPY_NAME = r"Local\Tavrin.KioskSetup.RunningCopy"
KIOSK_SWITCHES = "--ie-mode-test --inprivate --edge-kiosk-type=fullscreen --kiosk"
PAGE_QUESTION = ("ユニットの表示画面 %s が応答しません（%s）。\n"
                 "IP アドレスが正しいか、ユニットがネットワークにつながっているか確認してください。\n"
                 "このまま登録しますか？（ユニットをまだ接続していないときなど）")
SHOW_DESKTOP_BYTES = (b"[Shell]\r\nCommand=2\r\nIconFile=explorer.exe,3\r\n"
                      b"[Taskbar]\r\nCommand=ToggleDesktop\r\n")


class EndToEnd(unittest.TestCase):
    prefix = None

    @classmethod
    def setUpClass(cls):
        cls.prefix = open_prefix(ARGS.prefix, ARGS.make_prefix, ARGS.tool_unix, ARGS.tool)

    @classmethod
    def tearDownClass(cls):
        cls.prefix.stop_server()

    def setUp(self):
        self.case = Case(self.prefix, ARGS.tool, ARGS.schtasks, ARGS.driver)

    def tearDown(self):
        self.case.thaw()
        # A stand-in told to hang must not outlive a failed case.
        for pid in self.case.standin_pids():
            try:
                os.kill(pid, 9)
            except OSError:
                pass

    def messages(self, *texts):
        return [(self.case.caption, text) for text in texts]

    def assert_script(self, folder, link):
        data = self.case.file(folder, "LAU_Refresh.vbs").read_bytes()
        self.assertEqual(len(data), 720 + 2 * len(link))
        self.assertTrue(data.startswith(b"Option Explicit\r\n"))
        self.assertTrue(data.endswith(b"WScript.Quit\r\n"))
        self.assertIn(('\r\nAddr = "%s"\r\n' % link).encode(), data)
        self.assertIn(('%s ""%s""")\r\n' % (KIOSK_SWITCHES, link)).encode(), data)

    def assert_kiosk_shortcut(self, folder, link):
        fields = self.case.shortcut(folder)
        self.assertEqual(fields.get("Local path"), EDGE_PATH)
        self.assertEqual(fields.get("Command line arguments"), '%s "%s"' % (KIOSK_SWITCHES, link))
        self.assertEqual(fields.get("Working directory"), "%HOMEDRIVE%%HOMEPATH%")
        self.assertEqual(fields.get("Description"), "LAN対応ユニット キオスクモード")

    def assert_create_call(self, call, hour, documents):
        self.assertEqual(call, ["SCHTASKS", "/Create", "/TN", "Quorvix画面リフレッシュ（root）", "/TR",
                                '%%windir%%\\SysWOW64\\wscript.exe "%s\\LAU_Refresh.vbs"' % documents,
                                "/SC", "DAILY", "/ST", "%02d:00:00" % hour, "/IT", "/F"])

    # -- the main paths -------------------------------------------------------
    @fault_row('Register, defaults, Windows reporting 6.1',
               'ショートカットを作成しました',
               'tool ends; script 794 bytes; task at 00:00:00 with `%windir%\\SysWOW64\\wscript.exe`; kiosk shortcuts in Startup and on the Desktop; no DeskTop.scf')
    def test_register_defaults_on_61(self):
        c = self.case
        c.reset(version="win7")
        s = c.run("--press", "register")
        self.assertEqual(s["messages"], self.messages(CREATED))
        self.assertEqual(s["dialog"], "gone")
        self.assertEqual(len(c.file(c.documents, "LAU_Refresh.vbs").read_bytes()), 794)
        self.assert_script(c.documents, link_for("192.168.1.1", 0))
        calls = c.schtasks_calls()
        self.assertEqual(len(calls), 1)
        self.assert_create_call(calls[0], 0, c.documents)
        self.assertFalse(c.file(c.documents, "DeskTop.scf").exists())
        self.assertFalse(c.file(c.startup, "DeskTop.lnk").exists())
        for folder in (c.startup, c.desktop):
            self.assert_kiosk_shortcut(folder, link_for("192.168.1.1", 0))

    @fault_row('Register 10.0.0.254, Full HD, 5 時, reporting 6.2',
               'ショートカットを作成しました',
               'also DeskTop.scf (79 bytes) and DeskTop.lnk')
    @fault_row('Remove after Register',
               'タスクとショートカットの削除に成功しました。',
               'task deleted; script and both kiosk shortcuts gone; DeskTop.scf/.lnk stay; dialog stays open')
    def test_register_full_hd_on_62_then_remove(self):
        c = self.case
        c.reset(version="win81")
        s = c.run("--address", "10.0.0.254", "--size", "1", "--hour", "5", "--press", "register")
        self.assertEqual(s["labels"], ["/display.htm?size=2"])
        self.assertEqual(s["messages"], self.messages(CREATED))
        self.assertEqual(s["dialog"], "gone")
        link = link_for("10.0.0.254", 1)
        self.assert_script(c.documents, link)
        self.assert_create_call(c.schtasks_calls()[0], 5, c.documents)
        self.assertEqual(c.file(c.documents, "DeskTop.scf").read_bytes(), SHOW_DESKTOP_BYTES)
        scf_link = c.shortcut(c.startup, "DeskTop.lnk")
        self.assertEqual(scf_link.get("Local path"), c.documents + "\\DeskTop.scf")
        self.assertEqual(scf_link.get("Description"), "デスクトップの表示")
        self.assertEqual(scf_link.get("Command line arguments", ""), "")
        for folder in (c.startup, c.desktop):
            self.assert_kiosk_shortcut(folder, link)

        s = c.run("--press", "remove")
        self.assertEqual(s["messages"], self.messages(REMOVED))
        self.assertEqual(s["dialog"], "open")
        self.assertEqual(c.schtasks_calls()[-1],
                         ["schtasks", "/delete", "/f", "/tn", "Quorvix画面リフレッシュ（root）"])
        self.assertFalse(c.file(c.documents, "LAU_Refresh.vbs").exists())
        self.assertFalse(c.file(c.startup, KIOSK_LNK).exists())
        self.assertFalse(c.file(c.desktop, KIOSK_LNK).exists())
        self.assertTrue(c.file(c.documents, "DeskTop.scf").exists())
        self.assertTrue(c.file(c.startup, "DeskTop.lnk").exists())

    @fault_row('Register twice, other settings',
               'ショートカットを作成しました (each time)',
               'only the second address, hour and shortcuts remain; same task name')
    def test_register_twice_leaves_only_the_second_set_up(self):
        c = self.case
        c.reset()
        c.run("--address", "192.168.10.200", "--size", "1", "--hour", "23", "--press", "register")
        s = c.run("--address", "10.1.2.3", "--hour", "4", "--press", "register")
        self.assertEqual(s["messages"], self.messages(CREATED))
        link = link_for("10.1.2.3", 0)
        self.assert_script(c.documents, link)
        calls = c.schtasks_calls()
        self.assertEqual(len(calls), 2)
        self.assert_create_call(calls[1], 4, c.documents)
        self.assertEqual(calls[0][3], calls[1][3])  # same task name: /F replaces it
        for folder in (c.startup, c.desktop):
            self.assert_kiosk_shortcut(folder, link)
        self.assertEqual(sorted(os.listdir(c.prefix.unix(c.startup))), [KIOSK_LNK])

    @fault_row('Executable renamed `kiosk-setup.exe`',
               'captions read "kiosk-setup"',
               '')
    def test_message_caption_follows_the_executable_name(self):
        c = self.case
        renamed = c.prefix.root / "drive_c" / "kiosk-setup.exe"
        shutil.copyfile(ARGS.tool_unix, renamed)
        c.tool = r"C:\kiosk-setup.exe"
        c.caption = "kiosk-setup"
        c.reset()
        s = c.run("--press", "remove")
        self.assertEqual(s["messages"], [("kiosk-setup", REMOVED)])

    # -- the fault table --------------------------------------------------------
    @fault_row('Script file read-only',
               'スクリプトファイルの作成に失敗しました',
               'old script unchanged; no task, no shortcut; dialog open')
    def test_script_read_only(self):
        c = self.case
        c.reset()
        script = c.file(c.documents, "LAU_Refresh.vbs")
        script.write_bytes(b"old")
        c.freeze(c.documents + "\\LAU_Refresh.vbs")
        s = c.run("--press", "register")
        self.assertEqual(s["messages"], self.messages(SCRIPT_FAILED))
        self.assertEqual(s["dialog"], "open")
        self.assertEqual(script.read_bytes(), b"old")
        self.assertEqual(c.schtasks_calls(), [])
        self.assertFalse(c.file(c.startup, KIOSK_LNK).exists())

    @fault_row('Script file held open by another program',
               'スクリプトファイルの作成に失敗しました',
               'no task, no shortcut; dialog open')
    def test_script_held_open(self):
        c = self.case
        c.reset()
        script = c.documents + "\\LAU_Refresh.vbs"
        s = c.run("--hold", script, "--press", "register")
        self.assertEqual(s["messages"], self.messages(SCRIPT_FAILED))
        self.assertEqual(s["dialog"], "open")
        self.assertEqual(c.schtasks_calls(), [])

    @fault_row('Documents on a full disk (kept full), an older script there',
               '`F:\\Docs\\LAU_Refresh.vbs へのアクセス中にディスクがいっぱいになりました。`',
               'old script unchanged, byte for byte; nothing else in Documents; no task, no shortcut; dialog open. With room again, 登録 replaces the script')
    def test_script_on_a_full_disk_keeps_the_old_script(self):
        c = self.case
        c.reset()
        with SmallVolume(c.prefix) as volume:
            c.use_documents(r"F:\Docs")
            script = c.file(c.documents, "LAU_Refresh.vbs")
            old = b"' an older refresh script\r\nWScript.Quit\r\n"
            script.write_bytes(old)
            volume.fill()
            s = c.run("--press", "register")
            self.assertEqual(s["messages"], self.messages(DISK_FULL % (c.documents + "\\LAU_Refresh.vbs")))
            self.assertEqual(s["dialog"], "open")
            self.assertEqual(script.read_bytes(), old)
            self.assertEqual(os.listdir(c.prefix.unix(c.documents)), ["LAU_Refresh.vbs"])
            self.assertEqual(c.schtasks_calls(), [])
            self.assertFalse(c.file(c.startup, KIOSK_LNK).exists())
            self.assertFalse(c.file(c.desktop, KIOSK_LNK).exists())

            # With room again, the same press replaces the old script.
            volume.stop_filling()
            s = c.run("--press", "register")
            self.assertEqual(s["messages"], self.messages(CREATED))
            self.assert_script(c.documents, link_for("192.168.1.1", 0))
            self.assertEqual(os.listdir(c.prefix.unix(c.documents)), ["LAU_Refresh.vbs"])

    @fault_row('Disk fills up while SCHTASKS runs (6.2), an older DeskTop.scf',
               '`F:\\Docs\\DeskTop.scf へのアクセス中にディスクがいっぱいになりました。`',
               'new script and task; old DeskTop.scf unchanged; nothing else in Documents; no DeskTop.lnk, no kiosk shortcut; dialog open')
    def test_show_desktop_file_on_a_disk_that_fills_during_schtasks(self):
        c = self.case
        c.reset(version="win81")
        with SmallVolume(c.prefix) as volume:
            c.use_documents(r"F:\Docs")
            c.file(c.documents, "LAU_Refresh.vbs").write_bytes(b"' an older refresh script\r\n")
            scf = c.file(c.documents, "DeskTop.scf")
            old_scf = b"[Shell]\r\nCommand=2\r\nIconFile=explorer.exe,3\r\n"
            scf.write_bytes(old_scf)
            # SCHTASKS runs between the script and DeskTop.scf: the disk fills
            # up while it does, and stays full. (A second at most: the driver
            # takes a dialog that answers nothing for 2 s for a message box.)
            c.schtasks_env["TAVRIN_SCHTASKS_SLEEP_MS"] = "1000"
            volume.prepare_filler()
            problems = []

            def fill_once_schtasks_runs():
                try:
                    deadline = time.monotonic() + 120
                    while not c.schtasks_log.exists():
                        if time.monotonic() > deadline:
                            raise AssertionError("SCHTASKS never ran")
                        time.sleep(0.005)
                    volume.fill()
                except BaseException as error:  # reported by the test thread
                    problems.append(error)

            filler_thread = threading.Thread(target=fill_once_schtasks_runs, daemon=True)
            filler_thread.start()
            s = c.run("--address", "10.0.0.254", "--press", "register")
            filler_thread.join(timeout=130)
            self.assertEqual(problems, [])
            self.assertEqual(s["messages"], self.messages(DISK_FULL % (c.documents + "\\DeskTop.scf")))
            self.assertEqual(s["dialog"], "open")
            self.assertEqual(scf.read_bytes(), old_scf)
            self.assert_script(c.documents, link_for("10.0.0.254", 0))
            self.assertEqual(sorted(os.listdir(c.prefix.unix(c.documents))), ["DeskTop.scf", "LAU_Refresh.vbs"])
            calls = c.schtasks_calls()
            self.assertEqual(len(calls), 1)
            self.assert_create_call(calls[0], 0, c.documents)
            self.assertEqual(os.listdir(c.prefix.unix(c.startup)), [])
            self.assertFalse(c.file(c.desktop, KIOSK_LNK).exists())

    @fault_row('Desktop so deep that `<Desktop>\\LAN対応ユニット.lnk` is 260 characters',
               'デスクトップへのショートカット作成に失敗しました, ショートカットを作成しました',
               'tool ends; Startup shortcut saved, nothing on that Desktop; Remove then finds nothing left')
    def test_desktop_shortcut_path_of_260_characters(self):
        c = self.case
        c.reset()
        shutil.rmtree(c.prefix.unix("C:\\users\\root\\" + "D" * 120), ignore_errors=True)
        c.use_desktop("C:\\users\\root\\" + "D" * 120 + "\\" + "e" * 111)
        self.assertEqual(len(c.desktop + "\\" + KIOSK_LNK), 260)
        s = c.run("--press", "register")
        self.assertEqual(s["messages"], self.messages(DESKTOP_FAILED, CREATED))
        self.assertEqual(s["dialog"], "gone")
        self.assertEqual(os.listdir(c.prefix.unix(c.desktop)), [])
        self.assert_kiosk_shortcut(c.startup, link_for("192.168.1.1", 0))

        # Remove sees what Register saved: nothing on that Desktop.
        s = c.run("--press", "remove")
        self.assertEqual(s["messages"], self.messages(REMOVED))
        self.assertFalse(c.file(c.startup, KIOSK_LNK).exists())
        self.assertEqual(os.listdir(c.prefix.unix(c.desktop)), [])

    @fault_row('Documents folder `R&D ^x %USERNAME% (テスト) 한글`',
               'ショートカットを作成しました',
               'script in that folder; SCHTASKS receives the path intact as one argument')
    def test_documents_with_characters_the_shell_would_change(self):
        c = self.case
        c.reset()
        c.use_documents(r"C:\users\root\R&D ^x %USERNAME% (テスト) 한글")
        s = c.run("--press", "register")
        self.assertEqual(s["messages"], self.messages(CREATED))
        self.assert_script(c.documents, link_for("192.168.1.1", 0))
        calls = c.schtasks_calls()
        self.assertEqual(len(calls), 1)
        self.assert_create_call(calls[0], 0, c.documents)

    @fault_row('SCHTASKS exits 1',
               'タスクスケジューラの登録に失敗しました',
               'script stays; no shortcut; dialog open')
    def test_schtasks_fails(self):
        c = self.case
        c.reset(schtasks_exit=1)
        s = c.run("--press", "register")
        self.assertEqual(s["messages"], self.messages(TASK_FAILED))
        self.assertEqual(s["dialog"], "open")
        self.assertTrue(c.file(c.documents, "LAU_Refresh.vbs").exists())
        self.assertFalse(c.file(c.startup, KIOSK_LNK).exists())
        self.assertFalse(c.file(c.desktop, KIOSK_LNK).exists())

    @fault_row('No SCHTASKS at all',
               'タスクスケジューラの登録に失敗しました',
               'no shortcut; dialog open')
    def test_no_schtasks(self):
        c = self.case
        c.reset(schtasks=False)
        s = c.run("--press", "register")
        self.assertEqual(s["messages"], self.messages(TASK_FAILED))
        self.assertEqual(s["dialog"], "open")
        self.assertFalse(c.file(c.startup, KIOSK_LNK).exists())

    @fault_row('Startup folder not writable (6.1)',
               'スタートアップへのショートカット作成に失敗しました, ショートカットを作成しました',
               'Desktop shortcut saved; tool ends')
    def test_startup_not_writable(self):
        c = self.case
        c.reset()
        c.freeze(c.startup)
        s = c.run("--press", "register")
        self.assertEqual(s["messages"], self.messages(STARTUP_FAILED, CREATED))
        self.assertEqual(s["dialog"], "gone")
        self.assertFalse(c.file(c.startup, KIOSK_LNK).exists())
        self.assert_kiosk_shortcut(c.desktop, link_for("192.168.1.1", 0))

    @fault_row('Startup folder not writable (6.2)',
               'スタートアップへのショートカット作成に失敗しました',
               'stops at DeskTop.lnk; no kiosk shortcut; dialog open')
    def test_startup_not_writable_stops_at_show_desktop_shortcut(self):
        c = self.case
        c.reset(version="win81")
        c.freeze(c.startup)
        s = c.run("--press", "register")
        self.assertEqual(s["messages"], self.messages(STARTUP_FAILED))
        self.assertEqual(s["dialog"], "open")
        self.assertTrue(c.file(c.documents, "DeskTop.scf").exists())
        self.assertFalse(c.file(c.desktop, KIOSK_LNK).exists())

    @fault_row('Startup and Desktop not writable',
               'スタートアップへの…失敗しました, デスクトップへの…失敗しました',
               'no success message; dialog open')
    def test_both_kiosk_folders_not_writable(self):
        c = self.case
        c.reset()
        c.freeze(c.startup)
        c.freeze(c.desktop)
        s = c.run("--press", "register")
        self.assertEqual(s["messages"], self.messages(STARTUP_FAILED, DESKTOP_FAILED))
        self.assertEqual(s["dialog"], "open")

    @fault_row('Edge not installed',
               'Microsoft Edgeが見つかりません。…',
               'tool ends; nothing written, no task')
    def test_edge_missing(self):
        c = self.case
        c.reset(edge=False)
        s = c.run("--press", "register")
        self.assertEqual(s["messages"], self.messages(NO_EDGE))
        self.assertEqual(s["dialog"], "gone")
        self.assertEqual(os.listdir(c.prefix.unix(c.documents)), [])
        self.assertEqual(c.schtasks_calls(), [])

    @fault_row('Remove, SCHTASKS refuses the delete and the task is still there',
               'タスクの削除に失敗しました。',
               'script and both kiosk shortcuts removed; dialog open')
    def test_remove_when_schtasks_refuses_and_the_task_stays(self):
        c = self.case
        c.reset(schtasks_exit=None)
        c.run("--press", "register")
        self.assertTrue(c.task_file().exists())
        c.schtasks_env = {"TAVRIN_SCHTASKS_EXIT_DELETE": "1"}
        s = c.run("--press", "remove")
        self.assertEqual(s["messages"], self.messages(TASK_REMOVE_FAILED))
        self.assertEqual(s["dialog"], "open")
        # The Task Scheduler itself is asked afterwards, not SCHTASKS.
        self.assertEqual([call[1].lower() for call in c.schtasks_calls()], ["/create", "/delete"])
        self.assertTrue(c.task_file().exists())
        # The files still go; only the task is reported as left behind.
        self.assertFalse(c.file(c.documents, "LAU_Refresh.vbs").exists())
        self.assertFalse(c.file(c.startup, KIOSK_LNK).exists())
        self.assertFalse(c.file(c.desktop, KIOSK_LNK).exists())

    @fault_row('Remove while the Task Scheduler service takes the request and never answers (its process stopped), SCHTASKS refusing the delete',
               'タスクの削除に失敗しました。, after 60 s',
               'meanwhile the dialog answers and repaints; script and both kiosk shortcuts removed; the task stays; dialog open (before: the dialog hung for good)')
    def test_remove_while_the_task_scheduler_never_answers(self):
        c = self.case
        c.reset(schtasks_exit=None)
        c.run("--press", "register")
        self.assertTrue(c.task_file().exists())
        c.schtasks_env = {"TAVRIN_SCHTASKS_EXIT_DELETE": "1"}
        with c.prefix.task_scheduler_not_answering():
            started = time.monotonic()
            s = c.run("--click", "remove", "--sleep", "3000", "--probe", "2000", "--sleep", "20000", "--probe", "2000",
                      "--answer", "90000")
            elapsed = time.monotonic() - started
        self.assertEqual([probe[0] for probe in s["probes"]], ["answered"] * 2, s["probes"])
        self.assertEqual([probe[2] for probe in s["probes"]], ["painted"] * 2, s["probes"])
        self.assertEqual(s["messages"], self.messages(TASK_REMOVE_FAILED))
        self.assertGreaterEqual(elapsed, 60)
        self.assertEqual(s["dialog"], "open")
        self.assertTrue(c.task_file().exists())
        self.assertFalse(c.file(c.documents, "LAU_Refresh.vbs").exists())
        self.assertFalse(c.file(c.startup, KIOSK_LNK).exists())
        self.assertFalse(c.file(c.desktop, KIOSK_LNK).exists())

    @fault_row('Remove, no SCHTASKS at all, the task registered',
               'タスクの削除に失敗しました。',
               'script removed; the task stays; dialog open')
    def test_remove_without_schtasks(self):
        c = self.case
        c.reset(schtasks_exit=None)
        c.run("--press", "register")
        c.reset_schtasks(present=False)
        s = c.run("--press", "remove")
        self.assertEqual(s["messages"], self.messages(TASK_REMOVE_FAILED))
        self.assertEqual(s["dialog"], "open")
        self.assertFalse(c.file(c.documents, "LAU_Refresh.vbs").exists())
        self.assertTrue(c.task_file().exists())

    @fault_row('Remove, task refused and script read-only',
               'タスクの削除に失敗しました。, ショートカットの削除に失敗しました。',
               'a second Remove after the fault is gone reports success')
    def test_remove_registered_task_with_a_truthful_scheduler(self):
        c = self.case
        c.reset(schtasks_exit=None)
        c.run("--press", "register")
        c.freeze(c.documents + "\\LAU_Refresh.vbs")
        c.schtasks_env = {"TAVRIN_SCHTASKS_EXIT_DELETE": "1"}
        s = c.run("--press", "remove")
        # Both failures are reported, the task first.
        self.assertEqual(s["messages"], self.messages(TASK_REMOVE_FAILED, REMOVE_FAILED))
        c.thaw()
        c.schtasks_env = {}
        s = c.run("--press", "remove")
        self.assertEqual(s["messages"], self.messages(REMOVED))
        self.assertFalse(c.task_file().exists())

    @fault_row("Edge's App Paths value blank, a number, a missing file, with arguments, or `%…%` in a plain text value",
               'Microsoft Edgeが見つかりません。…',
               'tool ends; nothing written, no task')
    @fault_row("Edge's App Paths value quoted, with blanks around it, or expandable (`%ProgramFiles(x86)%\\…`)",
               'ショートカットを作成しました',
               'shortcuts point to the plain path')
    def test_edge_app_paths_values(self):
        c = self.case
        expandable = r"%ProgramFiles(x86)%\Microsoft\Edge\Application\msedge.exe"
        usable = [
            ("quoted", ("REG_SZ", '"%s"' % EDGE_PATH)),
            ("blanks and quotes around it", ("REG_SZ", '  "%s" ' % EDGE_PATH)),
            ("expandable", ("REG_EXPAND_SZ", expandable)),
        ]
        unusable = [
            ("blank", ("REG_SZ", "   ")),
            ("a number", ("REG_DWORD", "1")),
            ("a file that is not there", ("REG_SZ", EDGE_PATH.replace("msedge.exe", "msedge2.exe"))),
            ("arguments after the path", ("REG_SZ", '"%s" --kiosk' % EDGE_PATH)),
            ("references in a plain text value", ("REG_SZ", expandable)),
        ]
        for name, value in usable:
            with self.subTest(name):
                c.reset(edge_value=value)
                s = c.run("--press", "register")
                self.assertEqual(s["messages"], self.messages(CREATED))
                for folder in (c.startup, c.desktop):
                    self.assert_kiosk_shortcut(folder, link_for("192.168.1.1", 0))
        for name, value in unusable:
            with self.subTest(name):
                c.reset(edge_value=value)
                s = c.run("--press", "register")
                self.assertEqual(s["messages"], self.messages(NO_EDGE))
                self.assertEqual(s["dialog"], "gone")
                self.assertEqual(os.listdir(c.prefix.unix(c.documents)), [])
                self.assertEqual(os.listdir(c.prefix.unix(c.startup)), [])
                self.assertEqual(c.schtasks_calls(), [])

    @fault_row('Address with a blank field (all, all but the first, the last)',
               'IPアドレスを正しく入力してください。',
               'nothing written, no task; dialog open with the focus in the address')
    @fault_row('Address 0.0.0.0 typed in full',
               'the question whether to register anyway (はい), ショートカットを作成しました',
               'script holds `http://0.0.0.0/…`')
    def test_address_with_blank_fields(self):
        c = self.case
        for name, first_blank in (("all fields blank", "0"), ("only the first field typed", "1"),
                                  ("last field blank", "3")):
            with self.subTest(name):
                c.reset()
                s = c.run("--address", "10.20.30.40", "--blank-address", first_blank, "--press", "register")
                self.assertEqual(s["messages"], self.messages(ADDRESS_INCOMPLETE))
                self.assertEqual(s["dialog"], "open")
                self.assertEqual(os.listdir(c.prefix.unix(c.documents)), [])
                self.assertEqual(os.listdir(c.prefix.unix(c.desktop)), [])
                self.assertEqual(c.schtasks_calls(), [])
        c.reset()
        # No unit can have 0.0.0.0: its page does not answer, and "はい" goes on.
        s = c.run("--address", "0.0.0.0", "--reply", "yes", "--press", "register")
        self.assertEqual(len(s["questions"]), 1)
        self.assertEqual(s["messages"], self.messages(CREATED))
        self.assert_script(c.documents, link_for("0.0.0.0", 0))

    @fault_row('Register, the unit\'s page answers (200, a 301 to the same host)', 'ショートカットを作成しました',
               'no question; exactly one GET of the link address, no redirect followed')
    @fault_row('Register, the unit\'s page answers 404 (or 500)',
               'ユニットの表示画面 http://…/display.htm?size=1 が応答しません（HTTP ステータス 404）。 IP アドレスが正しいか…確認してください。 このまま登録しますか？… (はい/いいえ, warning icon, いいえ the default)',
               'いいえ: nothing written, no task; dialog open with the focus in the address. はい: registers as usual')
    @fault_row('Register, nothing listens at the unit\'s address (connection refused)',
               'the same question, reason 接続を拒否されました', 'as for 404')
    @fault_row('Register, no route to the unit\'s address (unreachable)',
               'the same question, reason ユニットに到達できません（ネットワークの経路がありません）', 'as for 404')
    @fault_row('Register, the unit accepts the connection and never answers',
               'the same question after 5 s, reason 5 秒以内に応答がありません', 'as for 404')
    def test_register_asks_the_units_page_first(self):
        c = self.case
        served = "192.168.1.20"
        cases = [
            # name, address, how the unit answers, reason (None: the page answers)
            ("200", served, lambda units: None, None),
            ("301 to the same host", served,
             lambda units: units.answer(served, 301, "http://%s/other.htm" % served), None),
            ("404", served, lambda units: units.answer(served, 404), "HTTP ステータス 404"),
            ("500", served, lambda units: units.answer(served, 500), "HTTP ステータス 500"),
            ("accepted, never answered", "192.168.1.22", lambda units: units.hang("192.168.1.22"),
             "5 秒以内に応答がありません"),
            ("nothing listens", REFUSING, lambda units: None, "接続を拒否されました"),
            ("no route", UNREACHABLE, lambda units: None, "ユニットに到達できません（ネットワークの経路がありません）"),
        ]
        for name, address, arrange, reason in cases:
            for reply in (("yes", "no") if reason else ("none",)):
                with self.subTest(name, reply=reply):
                    c.reset()
                    arrange(c.units)
                    link = link_for(address, 0)
                    s = c.run("--address", address, "--reply", reply, "--press", "register", "--focus")
                    served_requests = [request[1] for request in c.units.requests_to(address)]
                    self.assertEqual(served_requests, [] if address in (REFUSING, UNREACHABLE)
                                     else ["GET /display.htm?size=1 HTTP/1.1"])
                    if reason is None:
                        self.assertEqual(s["questions"], [])
                    else:
                        self.assertEqual(s["questions"], [{"caption": c.caption, "text": PAGE_QUESTION % (link, reason),
                                                           "default": "no", "reply": reply}])
                    if reply == "no":
                        self.assertEqual(s["messages"], [])
                        self.assertEqual(s["dialog"], "open")
                        self.assertEqual(s["focus"], ["address"])
                        for folder in (c.documents, c.startup, c.desktop):
                            self.assertEqual(os.listdir(c.prefix.unix(folder)), [])
                        self.assertEqual(c.schtasks_calls(), [])
                    else:
                        self.assertEqual(s["messages"], self.messages(CREATED))
                        self.assertEqual(s["dialog"], "gone")
                        self.assert_script(c.documents, link)
                        self.assert_kiosk_shortcut(c.desktop, link)

    @fault_row('Register, the dialog closed while the unit\'s page is asked (a unit that never answers)', '',
               'meanwhile the dialog answers and repaints and 登録 does nothing; the close box ends the check and the dialog at once; nothing written, no task')
    def test_closing_the_dialog_ends_the_check(self):
        c = self.case
        c.reset()
        c.units.hang("192.168.1.22")
        started = time.monotonic()
        s = c.run("--address", "192.168.1.22", "--click", "register", "--probe", "1000",
                  "--command", "register", "--command", "close", "--await-gone", "tavrin.exe")
        elapsed = time.monotonic() - started
        self.assertEqual(s["probes"], [("answered", "enabled", "painted")])
        self.assertEqual(s["questions"], [])
        self.assertEqual(s["messages"], [])
        self.assertEqual(s["dialog"], "gone")
        self.assertEqual(len(c.units.requests_to("192.168.1.22")), 1)
        for folder in (c.documents, c.startup, c.desktop):
            self.assertEqual(os.listdir(c.prefix.unix(folder)), [])
        self.assertEqual(c.schtasks_calls(), [])
        # Well before the 5 s the check would take by itself, plus the tool's start.
        self.assertLess(elapsed, 8)

    @fault_row('Remove with a read-only script',
               'ショートカットの削除に失敗しました。',
               'script stays; both kiosk shortcuts removed')
    def test_remove_with_read_only_script(self):
        c = self.case
        c.reset()
        c.run("--press", "register")
        c.freeze(c.documents + "\\LAU_Refresh.vbs")
        s = c.run("--press", "remove")
        self.assertEqual(s["messages"], self.messages(REMOVE_FAILED))
        self.assertTrue(c.file(c.documents, "LAU_Refresh.vbs").exists())
        self.assertFalse(c.file(c.startup, KIOSK_LNK).exists())
        self.assertFalse(c.file(c.desktop, KIOSK_LNK).exists())

    @fault_row('Remove, nothing registered (SCHTASKS fails)',
               'タスクとショートカットの削除に成功しました。',
               'the Task Scheduler confirms there is no task; dialog stays open')
    def test_remove_when_nothing_is_registered(self):
        c = self.case
        c.reset(schtasks_exit=1)
        s = c.run("--press", "remove")
        self.assertEqual(s["messages"], self.messages(REMOVED))
        self.assertEqual(s["dialog"], "open")

    # -- one copy at a time; a scheduler that does not answer --------------------
    def renamed_copy(self):
        renamed = self.case.prefix.root / "drive_c" / "kiosk-setup.exe"
        shutil.copyfile(ARGS.tool_unix, renamed)
        return r"C:\kiosk-setup.exe"

    def assert_second_copy_only_showed_the_first(self, second):
        self.assertEqual(second["state"], "ended")
        self.assertEqual(second["exit"], 0)
        self.assertEqual(second["windows"], 0, "the second copy showed a window")
        self.assertLess(second["ms"], 10000)
        self.assertIn(second["front"], ("dialog", "box"), "the first copy was not brought to the front")

    @fault_row('Second copy started while the first is open (same file, or renamed)',
               'none from the second copy; ショートカットを作成しました from the first',
               "the second ends at once without a window and runs no SCHTASKS; the first's dialog comes to the front and registers as usual; a start after the first has ended works")
    def test_second_copy_while_the_first_is_open(self):
        c = self.case
        for name, second_tool in (("same file", c.tool), ("renamed", self.renamed_copy())):
            with self.subTest(name):
                c.reset()
                s = c.run("--second", second_tool, "--probe", "2000", "--press", "register")
                self.assertEqual(len(s["second"]), 1)
                self.assert_second_copy_only_showed_the_first(s["second"][0])
                # The first copy goes on as if nothing had happened.
                self.assertEqual(s["probes"], [("answered", "enabled", "painted")])
                self.assertEqual(s["messages"], self.messages(CREATED))
                self.assertEqual(s["dialog"], "gone")
                calls = c.schtasks_calls()
                self.assertEqual(len(calls), 1)
                self.assert_create_call(calls[0], 0, c.documents)
                self.assert_script(c.documents, link_for("192.168.1.1", 0))
                # Once the first has ended, a new start is the running copy.
                s = c.run("--press", "remove")
                self.assertEqual(s["messages"], self.messages(REMOVED))
                self.assertEqual(len(c.schtasks_calls()), 2)

    @fault_row('Second copy started while the first waits on SCHTASKS (8 s)',
               'ショートカットを作成しました (first copy only)',
               'the second ends while SCHTASKS still runs, without a window; one SCHTASKS run')
    def test_second_copy_while_the_first_waits_on_schtasks(self):
        c = self.case
        c.reset(schtasks_sleep=8000)
        # SCHTASKS gets a console window of its own (Wine 10 shows it, a
        # moment after the process starts): it is up before the second copy
        # starts, so that what comes to the front afterwards is the second
        # copy's doing.
        s = c.run("--click", "register", "--await-process", "schtasks.exe", "--sleep", "1500",
                  "--second", c.tool, "--processes", "schtasks.exe", "--probe", "2000", "--answer", "60000")
        self.assertEqual(len(s["second"]), 1)
        self.assert_second_copy_only_showed_the_first(s["second"][0])
        # It ended while the first copy's SCHTASKS still ran.
        self.assertEqual(s["processes"], [("schtasks.exe", 1)])
        self.assertEqual(s["probes"], [("answered", "disabled", "painted")])
        self.assertEqual(s["messages"], self.messages(CREATED))
        self.assertEqual(s["dialog"], "gone")
        calls = c.schtasks_calls()
        self.assertEqual(len(calls), 1)
        self.assert_create_call(calls[0], 0, c.documents)
        for folder in (c.startup, c.desktop):
            self.assert_kiosk_shortcut(folder, link_for("192.168.1.1", 0))

    @fault_row('Started while something else holds the single-copy name (a copy still starting, or hung, or another program): no window to bring forward after 5 s',
               'このツールはすでに実行中です。終わってからもう一度実行してください。',
               'exit code 2; no dialog; nothing written, no SCHTASKS run')
    def test_start_while_the_single_copy_name_is_held_without_a_window(self):
        c = self.case
        c.reset()
        started = time.monotonic()
        s = c.run("--squat", SINGLE_COPY_NAME)
        self.assertEqual(s["messages"], self.messages(ANOTHER_COPY))
        self.assertEqual((s["dialog"], s["exit"]), ("gone", "2"))
        self.assertGreaterEqual(time.monotonic() - started, 5)
        self.assertEqual(c.schtasks_calls(), [])
        self.assertEqual(os.listdir(c.prefix.unix(c.documents)), [])

    @fault_row('The dialog cannot be created (here: no display, error 1400)',
               '設定画面を表示できませんでした。 with the system\'s text and number (`（エラー 1400）`); here no display shows it',
               'exit code 6; nothing written, no SCHTASKS run')
    def test_dialog_that_cannot_be_created(self):
        c = self.case
        c.reset()
        # Wine's session without a display stays so for the programs after
        # it: a wineserver of its own for this run.
        c.prefix.kill_server()
        try:
            run = c.run_tool(without_display=True)
        finally:
            c.prefix.kill_server()
            c.prefix.start_server()
        self.assertEqual(run.code, 6)
        self.assertEqual(c.schtasks_calls(), [])
        self.assertEqual(os.listdir(c.prefix.unix(c.documents)), [])

    @fault_row('SCHTASKS never exits',
               'タスクスケジューラの登録に失敗しました, after 60 s',
               'meanwhile the dialog answers and repaints, is disabled, and 登録, 削除, キャンセル or the close box do nothing; no SCHTASKS process left; script stays; no shortcut; dialog open')
    def test_schtasks_that_never_exits(self):
        c = self.case
        c.reset(schtasks_sleep="forever")
        started = time.monotonic()
        driver = c.start_driver("--click", "register", "--await-process", "schtasks.exe", "--probe", "2000",
                                # Presses and closes meanwhile start nothing and end nothing.
                                "--click", "register", "--command", "register", "--command", "remove",
                                "--command", "cancel", "--command", "close", "--probe", "2000",
                                "--answer", "90000", "--processes", "schtasks.exe")
        try:
            c.wait_for_schtasks()
            # While it hangs the stand-in is found, so "none left" below can fail.
            self.assertEqual(len(c.standin_pids()), 1)
        finally:
            s = c.session(c.finish_driver_output(driver))
        elapsed = time.monotonic() - started
        self.assertEqual(s["probes"], [("answered", "disabled", "painted")] * 2)
        self.assertEqual(s["messages"], self.messages(TASK_FAILED))
        self.assertGreaterEqual(elapsed, 60)
        self.assertEqual(s["dialog"], "open")
        self.assertEqual(len(c.schtasks_calls()), 1)
        self.assertEqual(s["processes"], [("schtasks.exe", 0)])
        self.assertEqual(c.standin_pids(), [])
        self.assertTrue(c.file(c.documents, "LAU_Refresh.vbs").exists())
        self.assertFalse(c.file(c.startup, KIOSK_LNK).exists())
        self.assertFalse(c.file(c.desktop, KIOSK_LNK).exists())

    @fault_row('Tool killed while SCHTASKS hangs',
               '',
               'no SCHTASKS process left; the next start works')
    def test_tool_killed_while_schtasks_hangs(self):
        c = self.case
        c.reset(schtasks_sleep="forever")
        # Killed once the stand-in has written its record: it is running (no
        # longer just created) and so already in the tool's job.
        log = "Z:" + str(c.schtasks_log).replace("/", "\\")
        s = c.run("--click", "register", "--await-file", log, "--kill",
                  "--await-gone", "schtasks.exe", "--processes", "schtasks.exe")
        self.assertEqual(s["dialog"], "gone")
        self.assertEqual(s["processes"], [("schtasks.exe", 0)])
        self.assertEqual(c.standin_pids(), [])
        # The killed copy does not block the next start.
        c.schtasks_sleep = None
        s = c.run("--press", "remove")
        self.assertEqual(s["messages"], self.messages(REMOVED))
        self.assertEqual(s["dialog"], "open")


def main():
    global ARGS
    ARGS, rest = parse_suite_arguments()
    unittest.main(argv=[sys.argv[0], "-v"] + rest)


if __name__ == "__main__":
    main()

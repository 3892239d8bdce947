#!/usr/bin/env python3
"""The technicians' guide as the release ships it (お読みください.txt in the
zip that tools/pack-release.sh makes): plain text that Notepad shows well at
80 columns, starting with the tool's name and version, naming every fixed
message the tool can show, and using the glossary's one word for each thing.
    check-guide.py SOURCE_DIR WORK_DIR
"""

import pathlib
import re
import shutil
import subprocess
import sys
import unicodedata
import zipfile

GUIDE_NAME = "お読みください.txt"
MARKDOWN = ("`", "**", "](", "<!--", "|---", "~~~")


def columns(line):
    """Columns Notepad gives a line with a Japanese font: two for wide and
    ambiguous characters (■, …, ①)."""
    return sum(2 if unicodedata.east_asian_width(ch) in "WFA" else 1 for ch in line)


def fixed_messages(messages_header):
    """Every text constant named k…Message in texts/Messages.h, as the tool
    shows it; those with parts filled in (%1) are left to the guide's
    judgement."""
    source = messages_header.read_text(encoding="utf-8")
    found = {}
    for name, literals in re.findall(r'inline constexpr const wchar_t\* (k\w+Message) =\s*((?:L"(?:[^"\\]|\\.)*"\s*)+);',
                                      source):
        text = "".join(re.findall(r'L"((?:[^"\\]|\\.)*)"', literals))
        text = text.replace("\\n", "\n").replace("\\\\", "\\").replace('\\"', '"')
        if "%" not in text:
            found[name] = text
    return found


# One word for each thing: the glossary near the top of the guide names the
# term (the dialog's own word where it has one), and no other name for the same
# thing appears in the guide or in any text of texts/Messages.h.
GLOSSARY = {
    "設定画面": ("ダイアログ", "設定ウィンドウ"),
    "表示画面": ("表示ページ", "表示用ページ", "ユニットの画面"),
    "リンク先": ("「リンク先」",),  # only the page address, never the shortcut's field
    # The verb 開き直す stays plain Japanese; the noun is the name of the thing.
    "リフレッシュ": (re.compile(r"開き直し(?![まてた])"), "再表示処理"),
    "表示用ユーザー": ("表示ユーザー", "キオスク ユーザー", "キオスクユーザー"),
    "IPアドレス": ("IP アドレス",),
}


def glossary_failures(lines, messages_header):
    failures = []
    start = next((n for n, line in enumerate(lines) if line.startswith("この説明では、次の言葉を使います")), None)
    if start is None:
        return ["the guide has no glossary (この説明では、次の言葉を使います…)"]
    end = next(n for n in range(start, len(lines)) if lines[n].startswith("====="))
    glossary = lines[start:end]
    defined = {line.strip() for line in glossary if line.startswith("  ") and not line.startswith("   ")}
    messages = "".join(re.findall(r'L"((?:[^"\\]|\\.)*)"', messages_header.read_text(encoding="utf-8")))
    for term, others in GLOSSARY.items():
        if term not in defined:
            failures.append("the glossary does not define %s" % term)
        for other in others:
            found = (lambda text: other.search(text) is not None) if hasattr(other, "search") else \
                (lambda text: other in text)
            shown = getattr(other, "pattern", other)
            for number, line in enumerate(lines, 1):
                if found(line):
                    failures.append("line %d names %s as %s: %s" % (number, term, shown, line))
            if found(messages):
                failures.append("texts/Messages.h names %s as %s" % (term, shown))
    return failures


def main():
    source = pathlib.Path(sys.argv[1]).resolve()
    work = pathlib.Path(sys.argv[2])
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir(parents=True)
    exe = work / "stand-in.exe"
    exe.write_bytes(b"MZ")
    subprocess.run(["sh", str(source / "tools" / "pack-release.sh"), str(exe), str(work / "dist")], check=True,
                   stdout=subprocess.DEVNULL)
    version = ".".join(re.findall(r"#define TAVRIN_VERSION_(?:MAJOR|MINOR|BUILD|REVISION) (\d+)",
                                  (source / "app" / "Version.h").read_text()))
    (zip_path,) = (work / "dist").glob("*.zip")
    failures = []
    with zipfile.ZipFile(zip_path) as archive:
        # Read as UTF-8 only when marked so; Windows reads an unmarked name in
        # its OEM code page, and the technician sees a garbled file name.
        entries = [entry for entry in archive.infolist() if entry.filename.endswith("/" + GUIDE_NAME)]
        if len(entries) != 1:
            print("no %s marked as a UTF-8 name in %s: %s" % (GUIDE_NAME, zip_path.name, archive.namelist()))
            return 1
        data = archive.read(entries[0])
    if not data.startswith(b"\xef\xbb\xbf") or b"\xef\xbb\xbf" in data[3:]:
        failures.append("the guide must start with one UTF-8 byte-order mark")
    text = data[3:].decode("utf-8")
    if not text.endswith("\r\n") or "\n" in text.replace("\r\n", "") or "\r" in text.replace("\r\n", ""):
        failures.append("every line must end with CR LF")
    lines = text.replace("\r\n", "\n").split("\n")[:-1]
    expected_first = "Quorvix画面設定ツール バージョン " + version
    if not lines or lines[0] != expected_first:
        failures.append("first line %r, expected %r" % (lines[:1], expected_first))
    for number, line in enumerate(lines, 1):
        if columns(line) > 80:
            failures.append("line %d is %d columns wide: %s" % (number, columns(line), line))
        if line.lstrip().startswith("#") or any(marker in line for marker in MARKDOWN) or "@VERSION@" in line:
            failures.append("line %d is not plain text: %s" % (number, line))
        if line != line.rstrip():
            failures.append("line %d ends with blanks" % number)

    # A message is found however the guide wraps it.
    flat = re.sub(r"\s+", "", text)
    for name, message in sorted(fixed_messages(source / "texts" / "Messages.h").items()):
        if re.sub(r"\s+", "", message) not in flat:
            failures.append("the guide does not name %s: %r" % (name, message))

    failures += glossary_failures(lines, source / "texts" / "Messages.h")

    for failure in failures:
        print(failure)
    if failures:
        return 1
    print("%s: %d lines, plain text within 80 columns" % (GUIDE_NAME, len(lines)))
    shutil.rmtree(work)
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""The executables' static imports name only DLLs that Windows always takes
from the system folder. Any other DLL named there is looked for in the
executable's own folder first (a USB stick, a share, Downloads), where a
planted copy would run with the tool's administrator rights; such DLLs are
loaded at run time from the system folder instead (platform/SystemLibrary).

  check_imports.py OBJDUMP EXE...
"""

import subprocess
import sys

# Known DLLs: listed under Session Manager\KnownDLLs on every supported
# Windows (7 to 11), so always mapped from the system folder.
KNOWN_DLLS = {
    "advapi32.dll", "comdlg32.dll", "gdi32.dll", "imm32.dll", "kernel32.dll", "msvcrt.dll", "ole32.dll",
    "oleaut32.dll", "rpcrt4.dll", "shell32.dll", "shlwapi.dll", "user32.dll",
}
# Not a known DLL, but bound by the manifest's dependency on the common
# controls 6: the side-by-side store decides, never the exe's folder.
THROUGH_THE_MANIFEST = {"comctl32.dll"}


def imported_dlls(objdump, exe):
    out = subprocess.run([objdump, "-p", exe], check=True, stdout=subprocess.PIPE).stdout.decode("utf-8", "replace")
    return [line.split(":", 1)[1].strip() for line in out.splitlines() if line.strip().startswith("DLL Name:")]


def main():
    objdump, exes = sys.argv[1], [exe for exe in sys.argv[2:] if exe]
    failures = []
    if not exes:
        failures.append("no executable given")
    for exe in exes:
        names = imported_dlls(objdump, exe)
        # kernel32 is imported by every program: an empty list means the reading failed.
        if not any(name.lower() == "kernel32.dll" for name in names):
            failures.append("%s: no import table read (%r)" % (exe, names))
        for name in names:
            allowed = name.lower() in KNOWN_DLLS or name.lower() in THROUGH_THE_MANIFEST
            print("%-8s %s imports %s" % ("ok" if allowed else "REFUSED", exe, name))
            if not allowed:
                failures.append("%s imports %s, which is not a known DLL: load it with LoadSystemLibrary" % (exe, name))
    for failure in failures:
        print(failure)
    print("%d passed, %d failed" % (0 if failures else 1, 1 if failures else 0))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

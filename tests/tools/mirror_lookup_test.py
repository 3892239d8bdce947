"""tools/make-wow64-root.sh takes its Debian mirror only from the machine's
own apt sources: sample source folders in a temporary directory, read with
the script's --print-mirrors (which builds and fetches nothing)."""

import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

SCRIPT = Path(__file__).resolve().parents[2] / "tools" / "make-wow64-root.sh"

DEB822_BOOKWORM = """\
Types: deb
# http://snapshot.debian.org/archive/debian/20250520T000000Z
URIs: http://mirror.example.jp/debian/
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: http://security.example.jp/debian-security
Suites: bookworm-security
Components: main
"""


class MirrorLookup(unittest.TestCase):
    def mirrors(self, files):
        with tempfile.TemporaryDirectory() as apt:
            (Path(apt) / "sources.list.d").mkdir()
            for name, text in files.items():
                (Path(apt) / name).write_text(text, encoding="utf-8")
            result = subprocess.run(["sh", str(SCRIPT), "--print-mirrors", apt], stdout=subprocess.PIPE,
                                    stderr=subprocess.PIPE, timeout=30)
        self.assertEqual(result.returncode, 0, result.stderr)
        return result.stdout.decode().strip()

    def test_sources_that_name_a_mirror(self):
        cases = [
            ("deb822, with its own security entry", {"sources.list.d/debian.sources": DEB822_BOOKWORM},
             "http://mirror.example.jp/debian http://security.example.jp/debian-security"),
            ("one-line format, options in brackets, no security entry",
             {"sources.list": "# deb http://commented.example/debian bookworm main\n"
                              "deb-src http://source-only.example/debian bookworm main\n"
                              "deb [arch=amd64 signed-by=/usr/share/keyrings/d.gpg] https://mirror.example.org/debian bookworm main\n"},
             "https://mirror.example.org/debian https://mirror.example.org/debian-security"),
            ("options with blanks inside the brackets",
             {"sources.list.d/a.list": "deb [ arch=amd64 ] http://mirror.example.net/debian/ bookworm main\n"},
             "http://mirror.example.net/debian http://mirror.example.net/debian-security"),
            ("sources.list comes before sources.list.d",
             {"sources.list": "deb http://first.example/debian bookworm main\n",
              "sources.list.d/b.list": "deb http://second.example/debian bookworm main\n"},
             "http://first.example/debian http://first.example/debian-security"),
            ("a disabled stanza, a source-only stanza and other repositories are passed over",
             {"sources.list.d/a.sources": "Types: deb\nURIs: http://disabled.example/debian\nSuites: bookworm\n"
                                          "Enabled: no\n\nTypes: deb-src\nURIs: http://src.example/debian\n"
                                          "Suites: bookworm\n",
              "sources.list.d/b.list": "deb https://packages.example.com/apt cloud-sdk-bookworm main\n",
              "sources.list.d/c.sources": "types: deb\nuris: http://used.example/debian\nsuites: bookworm\n"},
             "http://used.example/debian http://used.example/debian-security"),
            ("a file apt does not read is not read",
             {"sources.list.d/old.list.disabled": "deb http://ignored.example/debian bookworm main\n",
              "sources.list.d/debian.sources": DEB822_BOOKWORM},
             "http://mirror.example.jp/debian http://security.example.jp/debian-security"),
        ]
        for name, files, expected in cases:
            with self.subTest(name):
                self.assertEqual(self.mirrors(files), expected)

    def test_sources_without_a_debian_mirror(self):
        cases = [
            ("no sources at all", {}),
            ("only other repositories", {"sources.list.d/n.sources": "Types: deb\nURIs: https://deb.example.com/node_20.x\n"
                                                                    "Suites: nodistro\n"}),
            ("only disabled or commented entries", {"sources.list": "#deb http://a.example/debian bookworm main\n",
                                                    "sources.list.d/d.sources": "Enabled: no\nTypes: deb\n"
                                                    "URIs: http://b.example/debian\nSuites: bookworm\n"}),
        ]
        for name, files in cases:
            with self.subTest(name):
                self.assertEqual(self.mirrors(files), "")


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0]] + sys.argv[1:])

#!/usr/bin/env python3
"""The include checker finds each kind of wrong include in a small made-up tree."""
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from check_includes import check  # noqa: E402


def tree(files):
    root = tempfile.mkdtemp()
    for path, text in files.items():
        full = os.path.join(root, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "w") as f:
            f.write(text)
    return root


class CheckIncludes(unittest.TestCase):
    def test_a_sound_tree_passes(self):
        src = tree({
            "core/a.h": "#include <string>\n",
            "toolkit/b.h": '#include "core/a.h"\n#include <QWidget>\n',
            "features/search/s.h": '#include "toolkit/b.h"\n#include "features/modules/m.h"\n',
            "features/modules/m.h": '#include "core/a.h"\n',
            "toolkit/t.h": "#include <QTimer>\n",
            "session/s.h": '#include "toolkit/t.h"\n#include <QObject>\n',
            "windows/w.h": '#include "session/s.h"\n',
            "app/main.cpp": '#include "features/search/s.h"\n#include "cobalin_version.h"\n',
        })
        self.assertEqual(check(src), [])

    def test_each_fault_is_named(self):
        cases = [
            ({"core/a.h": '#include "toolkit/b.h"\n', "toolkit/b.h": ""}, "higher layer 'toolkit'"),
            ({"core/a.h": "#include <QString>\n"}, "Qt header <QString>"),
            ({"driver/d.h": '#include "app/x.h"\n', "app/x.h": ""}, "higher layer 'app'"),
            ({"windows/w.h": '#include "core/missing.h"\n'}, "does not exist"),
            ({"features/a/a.h": '#include "features/b/b.h"\n',
              "features/b/b.h": '#include "features/c/c.h"\n',
              "features/c/c.h": '#include "features/a/a.h"\n'}, "cycle: a -> b -> c -> a"),
            ({"ui/old.h": ""}, "is not a layer"),
            ({"session/s.h": '#include "toolkit/b.h"\n', "toolkit/b.h": "#include <QWidget>\n"},
             "session/s.h: reaches the widget or GUI header <QWidget>"),
            ({"toolkit/b.h": '#include "session/s.h"\n', "session/s.h": ""}, "higher layer 'session'"),
        ]
        for files, message in cases:
            with self.subTest(message=message):
                errors = check(tree(files))
                self.assertTrue(any(message in e for e in errors), errors)


if __name__ == "__main__":
    unittest.main()

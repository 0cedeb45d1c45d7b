#!/usr/bin/env python3
"""The Ansible module's own pieces, without Ansible running it and without a
network: the plan it writes on the command's standard input, what it takes
as a change and as a failure, the diff, and the plan file it refuses."""
import csv
import io
import os
import re
import sys
import tempfile
import types
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
PATH = os.path.join(HERE, "..", "..", "ansible", "plugins", "modules", "cobalin_configure.py")
# The module is a file Ansible copies, not a package: it is loaded from its path.
module = types.ModuleType("cobalin_configure")
module.__file__ = PATH
with open(PATH, encoding="utf-8") as source:
    exec(compile(source.read(), PATH, "exec"), module.__dict__)

REPORT = [
    {"mac": "02:7E:3A:0A:00:01", "status": "updated", "changed": ["name", "new_password"]},
    {"mac": "02:7E:3A:0A:00:02", "status": "unchanged", "changed": []},
    {"mac": "02:7E:3A:0A:00:03", "status": "refused", "changed": [], "reason": "the password does not match the device's"},
    {"mac": "02:7E:3A:0A:00:04", "status": "not_verified", "changed": ["ip"], "reason": "not found after the update"},
    {"mac": "02:7E:3A:0A:00:05", "status": "would_change", "changed": ["baud_rate"]},
    {"mac": "02:7E:3A:0A:00:06", "status": "not_found", "changed": []},
]


class Plan(unittest.TestCase):
    def test_rows_become_the_commands_csv(self):
        text = module.plan_text([
            {"mac": "02:7E:3A:0A:00:01", "password": 'a,b"c', "name": 'Hall, "A"', "baud_rate": 19200, "ip": None},
            {"mac": "02:7E:3A:0A:00:02", "password": "x", "name": None, "baud_rate": None, "ip": None,
             "new_password": "line\nbreak"},
        ])
        self.assertTrue(text.endswith("\r\n"))
        rows = list(csv.reader(io.StringIO(text, newline="")))
        # Only the columns some row uses, in the report's order; the others stay out.
        self.assertEqual(rows, [
            ["mac", "password", "name", "new_password", "baud_rate"],
            ["02:7E:3A:0A:00:01", 'a,b"c', 'Hall, "A"', "", "19200"],
            ["02:7E:3A:0A:00:02", "x", "", "line\nbreak", ""],
        ])

    def test_a_restore_row_names_its_backup_by_an_absolute_path(self):
        text = module.plan_text([
            {"mac": "02:7E:3A:0A:00:01", "password": "x", "from_backup": "/srv/backups/02-7E-3A-0A-00-01.ini", "ip": "192.168.1.9"},
        ])
        rows = list(csv.reader(io.StringIO(text, newline="")))
        self.assertEqual(rows[0], ["mac", "password", "ip", "from_backup"])
        self.assertEqual(rows[1][3], "/srv/backups/02-7E-3A-0A-00-01.ini")
        with self.assertRaises(ValueError) as e:
            module.plan_text([{"mac": "02:7E:3A:0A:00:01", "password": "x", "from_backup": "backups/a.ini"}])
        self.assertIn("absolute path", str(e.exception))

    def test_values_a_plan_cannot_take_as_text_are_refused(self):
        for key, value in (("dhcp", True), ("name", ["a"]), ("ip", {"a": 1})):
            with self.subTest(key=key), self.assertRaises(ValueError) as e:
                module.cell(key, value)
            self.assertIn(key, str(e.exception))
        self.assertEqual(module.cell("serial_timeout", 0), "0")
        self.assertEqual(module.cell("name", None), "")

    def test_macs_take_the_reports_form(self):
        for given in ("02-7e-3a-0a-00-01", "027E3A0A0001", "02:7e:3a:0a:00:01"):
            self.assertEqual(module.normal_mac(given), "02:7E:3A:0A:00:01")

    def test_the_keys_are_the_commands_in_its_order(self):
        # A key the command learns must become an option too, or the module refuses it.
        with open(os.path.join(HERE, "..", "..", "src", "core", "configure_plan_reader.h")) as f:
            header = f.read()
        table = header[header.index("kPlanKeys[] = {"):]
        table = table[:table.index("};")]
        self.assertEqual(list(module.VALUE_KEYS), re.findall(r'\{"(\w+)", PagedRow::', table))

    def test_every_plan_key_is_an_option_and_only_passwords_are_hidden(self):
        options = module.row_options()
        self.assertEqual(set(options), {"mac", "password", "from_backup"} | set(module.VALUE_KEYS))
        self.assertEqual({k for k, o in options.items() if o.get("no_log")}, {"password", "new_password"})


class Report(unittest.TestCase):
    def test_what_counts_as_changed_and_as_failed(self):
        cases = [  # check mode, changed statuses, failing rows
            (False, {"updated", "not_verified"}, ["02:7E:3A:0A:00:03: refused: the password does not match the device's",
                                                  "02:7E:3A:0A:00:04: not_verified: not found after the update",
                                                  "02:7E:3A:0A:00:05: would_change",
                                                  "02:7E:3A:0A:00:06: not_found"]),
            (True, {"would_change"}, ["02:7E:3A:0A:00:01: updated",
                                      "02:7E:3A:0A:00:03: refused: the password does not match the device's",
                                      "02:7E:3A:0A:00:04: not_verified: not found after the update",
                                      "02:7E:3A:0A:00:06: not_found"]),
        ]
        for check, changed, failing in cases:
            with self.subTest(check=check):
                self.assertEqual(set(module.CHANGED_STATUS[check]), changed)
                self.assertEqual(module.failures(REPORT, check), failing)

    def test_the_diff_names_the_changed_keys_and_masks_passwords(self):
        devices = [{"mac": "02:7E:3A:0A:00:01", "password": "old", "name": "Hall-A", "new_password": "N3w-secret"},
                   {"mac": "02:7E:3A:0A:00:04", "password": "old", "ip": "192.168.1.9"}]
        diffs = module.device_diffs(REPORT, devices, False)
        self.assertEqual([d["after"] for d in diffs], ["name: Hall-A\nnew_password: ********\n", "ip: 192.168.1.9\n"])
        self.assertEqual(diffs[0]["before_header"], "02:7E:3A:0A:00:01 on the device")
        self.assertNotIn("N3w-secret", repr(diffs))
        self.assertEqual([d["after"] for d in module.device_diffs(REPORT, devices, True)], ["baud_rate: (changed)\n"])


class Outcome(unittest.TestCase):
    def test_a_run_that_ends_without_a_report_may_have_written_devices(self):
        import json
        report = json.dumps(REPORT[:2])
        may = "devices may have been written"
        cases = [  # check mode, exit status, standard output, standard error: failed, changed, words in msg
            (False, 0, report, "", False, True, None),
            (False, 1, json.dumps(REPORT), "", True, True, "02:7E:3A:0A:00:03: refused"),
            (False, 2, "", "line 2, column ip: not an address", True, False, "line 2, column ip"),
            (False, -9, "", "", True, True, may),                        # killed
            (False, -11, '[{"mac": "02:7E', "", True, True, may),        # crashed in the middle of its report
            (False, 134, "", "terminate called", True, True, may),       # aborted
            (False, 1, "", "cannot write the report", True, True, may),
            (True, -9, "", "", True, False, "signal 9"),                # check mode writes nothing
            (True, 0, json.dumps(REPORT[4:5]), "", False, True, None),
        ]
        for check, rc, out, err, failed, changed, words in cases:
            with self.subTest(check=check, rc=rc, out=out[:10]):
                got_failed, result = module.outcome(rc, out, err, check)
                self.assertEqual((got_failed, result["changed"], result["rc"]), (failed, changed, rc))
                if words is None:
                    self.assertNotIn("msg", result)
                else:
                    self.assertIn(words, result["msg"])
                if changed and "devices" not in result and not check:
                    self.assertIn(may, result["msg"])


class PlanFile(unittest.TestCase):
    def test_a_plan_file_others_may_read_is_refused(self):
        with tempfile.TemporaryDirectory() as d:
            path = os.path.join(d, "plan.csv")
            with open(path, "w") as f:
                f.write("mac,password\r\n02:7E:3A:0A:00:01,x\r\n")
            os.chmod(path, 0o600)
            self.assertEqual(module.read_plan_file(path), "mac,password\r\n02:7E:3A:0A:00:01,x\r\n")
            for mode in (0o640, 0o604):
                os.chmod(path, mode)
                with self.subTest(mode=oct(mode)), self.assertRaises(ValueError) as e:
                    module.read_plan_file(path)
                self.assertIn("chmod 600", str(e.exception))


if __name__ == "__main__":
    sys.exit(0 if unittest.main(exit=False, verbosity=2).result.wasSuccessful() else 1)

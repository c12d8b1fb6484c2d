"""Where a failing run's notice goes, as VARNO_NOTICE_TO says: the report is
written in every case; the datagram is broadcast, not sent, or sent to one
host. Listeners are bound inside the test's network namespace only; the one
host's address is one no other test listens on, since a datagram sent to it
reaches one socket bound there, not each."""

import os
import re
import socket
import unittest
from unittest import mock

from list_layout import entry, header, list_text
from varno_e2e import VarnoTestCase


# The report's name, which the notice carries, comes from the clock. Other
# tests' failing runs, side by side with these and heard by every listener on
# all addresses, run at the tests' usual moment: these runs have one of their own.
OWN_TIME = "2025-10-05 10:20:30"


def listener(address):
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    sock.bind((address, 514))
    sock.settimeout(0.2)
    return sock


def notices_of(sock, marker, seconds):
    """The datagrams holding `marker` that arrive within `seconds`; other
    tests' notices are passed over."""
    found = []
    for _ in range(int(seconds / 0.2)):
        try:
            datagram = sock.recv(65536).decode("latin-1")
        except socket.timeout:
            if found:
                break
            continue
        if marker in datagram:
            found.append(datagram)
    return found


class FailureNotice(VarnoTestCase):
    def setUp(self):
        super().setUp()
        # "NextID" that is not a number fails the load: a report and a notice.
        text = list_text(header(next_id=3), [entry(1, 1, "002", "One"), entry(2, 2, "004", "Two")])
        self.folder.write("list.json", text.replace('"NextID":3,', '"NextID":three,'))
        self.everyone = listener("0.0.0.0")
        self.only = listener("127.0.0.4")
        self.addCleanup(self.everyone.close)
        self.addCleanup(self.only.close)

    def fail_run(self, setting):
        with mock.patch.dict(os.environ, {"VARNO_NOTICE_TO": setting}):
            proc = self.folder.run("list.json", time=OWN_TIME, check_status=1)
        reports = [n for n in self.folder.files() if re.fullmatch(r"E!Varno-\d{17}\.xml", n)]
        self.assertEqual(reports, ["E!Varno-20251005102030000.xml"], self.console(proc))
        return reports[0]

    def test_empty_setting_broadcasts_as_before(self):
        report = self.fail_run("")
        self.assertEqual(len(notices_of(self.everyone, report, 10)), 1)
        self.assertEqual(notices_of(self.only, report, 0.4), [])

    def test_off_sends_nothing(self):
        report = self.fail_run("off")
        self.assertEqual(notices_of(self.everyone, report, 1), [])
        self.assertEqual(notices_of(self.only, report, 0.2), [])

    def test_a_host_gets_the_one_notice(self):
        report = self.fail_run("127.0.0.4")
        # A broadcast never reaches a socket bound to one address.
        notices = notices_of(self.only, report, 10)
        self.assertEqual(len(notices), 1)
        self.assertTrue(notices[0].startswith("<0>VARNO:00001 EXCEPTION:Func=Main() Trace=1040"),
                        notices[0])
        self.assertEqual(notices_of(self.everyone, report, 0.4), [])

    def test_a_wrong_setting_sends_nothing_and_says_why(self):
        report = self.fail_run("127.0.0.4:0")
        self.assertEqual(notices_of(self.everyone, report, 1), [])
        self.assertEqual(notices_of(self.only, report, 0.2), [])
        self.assertIn(' Failure notice not sent: VARNO_NOTICE_TO="127.0.0.4:0" is not "off", '
                      'a host or a host:PORT (PORT 1 to 65535).', self.folder.log_messages())


if __name__ == "__main__":
    unittest.main()

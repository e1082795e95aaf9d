"""Tests of the benchmark driver's own arithmetic and process bookkeeping (not of any figures)."""

import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bench  # noqa: E402


class SummaryTest(unittest.TestCase):
    def test_median_spread_and_quartiles(self):
        s = bench.summary([5, 1, 9, 3, 7])
        self.assertEqual((s["median"], s["min"], s["max"], s["n"]), (5, 1, 9, 5))
        self.assertEqual((s["q1"], s["q3"]), (3, 7))

    def test_even_count_and_single_value(self):
        self.assertEqual(bench.summary([4, 1, 3, 2])["median"], 2.5)
        one = bench.summary([42])
        self.assertEqual((one["median"], one["q1"], one["q3"]), (42, 42, 42))

    def test_format_names_median_range_and_iqr(self):
        text = bench.fmt(bench.summary([1.0, 2.0, 3.0, 4.0, 5.0]), 1)
        self.assertEqual(text, "3.0 (1.0–5.0, IQR 2.0–4.0)")


class ParseTest(unittest.TestCase):
    ROLLUP = """55d0c0a00000-7ffd2d1f8000 ---p 00000000 00:00 0                          [rollup]
Rss:              120000 kB
Pss:               80000 kB
Pss_Anon:          30000 kB
Shared_Clean:      40000 kB
Private_Clean:      5000 kB
Private_Dirty:     25000 kB
Swap:                  0 kB
"""

    def test_rollup_pss_and_private(self):
        self.assertEqual(bench.parse_rollup(self.ROLLUP), (80000, 30000))

    def test_rollup_without_fields_counts_nothing(self):
        self.assertEqual(bench.parse_rollup(""), (0, 0))


class ProcessTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp()
        self.procs = []

    def tearDown(self):
        # Each test process leads its own group, so its children end with it.
        for p in self.procs:
            try:
                os.killpg(p.pid, 9)
            except ProcessLookupError:
                pass
            p.wait()
        shutil.rmtree(self.dir)

    def spawn(self, args):
        p = subprocess.Popen(args, start_new_session=True)
        self.procs.append(p)
        return p

    def test_stat_of_a_command_name_with_spaces_and_parentheses(self):
        odd = os.path.join(self.dir, "a b) c")
        shutil.copy(shutil.which("sleep"), odd)
        p = self.spawn([odd, "30"])
        time.sleep(0.2)
        ppid, ticks = bench.read_stat(p.pid)
        self.assertEqual(ppid, os.getpid())
        self.assertGreaterEqual(ticks, 0)

    def test_tree_holds_children_and_grandchildren_only(self):
        # A shell that starts a sleeping grandchild and waits for it.
        p = self.spawn(["sh", "-c", "sleep 30 & sleep 30; wait"])
        other = self.spawn(["sleep", "30"])
        deadline = time.monotonic() + 5
        while len(bench.process_tree(p.pid)) < 3 and time.monotonic() < deadline:
            time.sleep(0.05)
        tree = bench.process_tree(p.pid)
        self.assertEqual(len(tree), 3)
        self.assertIn(p.pid, tree)
        self.assertNotIn(other.pid, tree)
        self.assertNotIn(os.getpid(), tree)

    def test_memory_of_a_tree_adds_its_processes(self):
        p = self.spawn(["sh", "-c", "sleep 30 & sleep 30; wait"])
        time.sleep(0.3)
        pss, private = bench.memory_kb(p.pid)
        self.assertGreater(pss, 0)
        self.assertGreater(private, 0)
        with open("/proc/%d/smaps_rollup" % p.pid) as f:
            alone = bench.parse_rollup(f.read())[0]
        self.assertGreater(pss, alone)

    def test_cpu_between_readings(self):
        before = {1: 100, 2: 50}
        after = {1: 130, 2: 50, 3: 20}  # process 3 was born in between and counts whole
        self.assertAlmostEqual(bench.cpu_ms_between(before, after), 50 * 1000.0 / bench.CLK_TCK)

    def test_busy_process_shows_cpu_and_idle_one_none(self):
        busy = self.spawn([sys.executable, "-c", "while True: pass"])
        idle = self.spawn(["sleep", "30"])
        time.sleep(0.1)
        b0, i0 = bench.cpu_ticks(busy.pid), bench.cpu_ticks(idle.pid)
        time.sleep(0.5)
        self.assertGreater(bench.cpu_ms_between(b0, bench.cpu_ticks(busy.pid)), 50)
        self.assertEqual(bench.cpu_ms_between(i0, bench.cpu_ticks(idle.pid)), 0)


class PortTest(unittest.TestCase):
    def test_port_in_use_is_not_free(self):
        server = bench.start_server(0, bench.Events())
        port = server.server_address[1]
        self.assertFalse(bench.port_free(port))
        self.assertNotEqual(bench.pick_port(port), port)
        server.shutdown()
        server.server_close()

    def test_port_of_an_ended_server_is_free_despite_time_wait(self):
        # The server side closes first, as a server that ends does: its end of the connection
        # stays in TIME_WAIT for a minute, yet a new server may listen there at once.
        listener = socket.socket()
        listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)  # as the page server does
        listener.bind(("127.0.0.1", 0))
        listener.listen()
        port = listener.getsockname()[1]
        client = socket.create_connection(("127.0.0.1", port))
        accepted, _ = listener.accept()
        accepted.close()
        client.recv(1)
        client.close()
        listener.close()
        self.assertTrue(bench.port_free(port))


class EventsTest(unittest.TestCase):
    def test_wait_counts_only_events_after_the_mark(self):
        events = bench.Events()
        events.add("loaded")
        mark = events.mark()
        events.add("painted")
        events.add("loaded")
        self.assertEqual(len(events.wait("loaded", 1, mark, 1)), 1)
        with self.assertRaises(TimeoutError):
            events.wait("loaded", 2, mark, 0.1)


if __name__ == "__main__":
    unittest.main()

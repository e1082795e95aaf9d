#!/usr/bin/env python3
"""Benchmark: Zarnic! against a bare-engine baseline (bench/baseline.cpp).

Builds both into their own build folder, with Zarnic!'s home address pointing at a page this
script serves on 127.0.0.1, then runs them interleaved under one Xvfb (no window manager) and
measures, for each program:

  * start-up: from process start to the request the page sends from its load event (for
    Zarnic! minus its fixed 500 ms splash);
  * memory: total PSS (and private memory) of the program and all its descendant processes,
    with one window and with four;
  * idle CPU: utime + stime of all those processes over 5 s of idleness after the page has
    painted.

Optionally (--twenty) it opens twenty more windows in Zarnic!, closes them again and compares
the memory left with one window's. Prints a Markdown table; nothing here fails on the figures.
"""

import argparse
import ctypes
import http.server
import json
import os
import random
import shutil
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import threading
import time

SPLASH_MS = 500          # Zarnic!'s fixed splash time, taken off its start-up figure
IDLE_SECONDS = 5.0       # length of the idle CPU measurement
SETTLE_SECONDS = 2.0     # pause before a memory reading after new windows have painted
DEFAULT_PORT = 18473
CLIENT_HEIGHT = 750      # the browser window's client area below its menu bar, in pixels
BUTTON_WIDTH, BUTTON_HEIGHT, TOOLBAR_TOP = 69, 44, 45
NEW_WINDOW_BUTTON = 6    # index of "New Window" on the toolbar
CLK_TCK = os.sysconf("SC_CLK_TCK")

PAGE = """<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Bench page</title>
<style>body{font-family:'Liberation Sans',Arial,sans-serif;margin:40px;color:#1d2733}
h1{color:#17365d}p{max-width:40em;line-height:1.5}</style></head>
<body><h1>Bench page</h1>
<p>This page tells the benchmark when it has loaded and when it has painted.</p>
<p>Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor incididunt
ut labore et dolore magna aliqua. Ut enim ad minim veniam, quis nostrud exercitation ullamco
laboris nisi ut aliquip ex ea commodo consequat.</p>
<script>
addEventListener("load", function () {
  fetch("/loaded?" + Math.random(), {cache: "no-store"});
  requestAnimationFrame(function () {
    requestAnimationFrame(function () { fetch("/painted?" + Math.random(), {cache: "no-store"}); });
  });
});
</script></body></html>
"""


# --- figures -------------------------------------------------------------------------------

def summary(values):
    """Median, min, max and quartiles of a non-empty list of numbers."""
    values = sorted(values)
    if len(values) >= 2:
        q1, _, q3 = statistics.quantiles(values, n=4, method="inclusive")
    else:
        q1 = q3 = values[0]
    return {"median": statistics.median(values), "min": values[0], "max": values[-1],
            "q1": q1, "q3": q3, "n": len(values)}


def fmt(s, digits=0):
    f = "{:.%df}" % digits
    return "%s (%s–%s, IQR %s–%s)" % (f.format(s["median"]), f.format(s["min"]),
                                       f.format(s["max"]), f.format(s["q1"]), f.format(s["q3"]))


# --- processes -------------------------------------------------------------------------------

def read_stat(pid):
    """(ppid, utime + stime in clock ticks) of a process, or None when it is gone."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            text = f.read()
    except OSError:
        return None
    # The command name is in parentheses and may itself hold spaces and parentheses.
    fields = text[text.rindex(")") + 2:].split()
    return int(fields[1]), int(fields[11]) + int(fields[12])


def process_tree(root):
    """root and every process below it."""
    children = {}
    for name in os.listdir("/proc"):
        if name.isdigit():
            stat = read_stat(int(name))
            if stat:
                children.setdefault(stat[0], []).append(int(name))
    tree, todo = [], [root]
    while todo:
        pid = todo.pop()
        tree.append(pid)
        todo.extend(children.get(pid, []))
    return tree


def parse_rollup(text):
    """Pss and private memory (kB) from the text of /proc/PID/smaps_rollup."""
    values = {}
    for line in text.splitlines():
        parts = line.split()
        if len(parts) >= 2 and parts[0].endswith(":") and parts[1].isdigit():
            values[parts[0][:-1]] = int(parts[1])
    return values.get("Pss", 0), values.get("Private_Clean", 0) + values.get("Private_Dirty", 0)


def memory_kb(root):
    """Total (PSS, private) in kB over root and its descendants."""
    pss = private = 0
    for pid in process_tree(root):
        try:
            with open("/proc/%d/smaps_rollup" % pid) as f:
                p, u = parse_rollup(f.read())
        except OSError:
            continue
        pss += p
        private += u
    return pss, private


def cpu_ticks(root):
    """utime + stime of root and each descendant, by pid."""
    ticks = {}
    for pid in process_tree(root):
        stat = read_stat(pid)
        if stat:
            ticks[pid] = stat[1]
    return ticks


def cpu_ms_between(before, after):
    """CPU time used between two cpu_ticks readings; a process born in between counts whole."""
    total = sum(t - before.get(pid, 0) for pid, t in after.items())
    return total * 1000.0 / CLK_TCK


# --- the page server -------------------------------------------------------------------------

class Events:
    """What the pages reported, in order: (kind, monotonic time)."""

    def __init__(self):
        self.cond = threading.Condition()
        self.items = []

    def add(self, kind):
        with self.cond:
            self.items.append((kind, time.monotonic()))
            self.cond.notify_all()

    def mark(self):
        with self.cond:
            return len(self.items)

    def wait(self, kind, count, since, timeout):
        """Times of the first `count` events of `kind` after mark `since`; raises on timeout."""
        deadline = time.monotonic() + timeout
        with self.cond:
            while True:
                times = [t for k, t in self.items[since:] if k == kind]
                if len(times) >= count:
                    return times[:count]
                left = deadline - time.monotonic()
                if left <= 0:
                    raise TimeoutError("waited %.0f s for %d '%s' reports, got %d"
                                       % (timeout, count, kind, len(times)))
                self.cond.wait(left)


def start_server(port, events):
    class Handler(http.server.BaseHTTPRequestHandler):
        def do_GET(self):
            path = self.path.split("?")[0]
            if path == "/page.html":
                body = PAGE.encode()
                self.send_response(200)
                self.send_header("Content-Type", "text/html; charset=utf-8")
                self.send_header("Content-Length", str(len(body)))
                self.send_header("Cache-Control", "no-store")
                self.end_headers()
                self.wfile.write(body)
            elif path in ("/loaded", "/painted"):
                events.add(path[1:])
                self.send_response(204)
                self.send_header("Cache-Control", "no-store")
                self.end_headers()
            else:
                self.send_error(404)

        def log_message(self, *args):
            pass

    server = http.server.ThreadingHTTPServer(("127.0.0.1", port), Handler)
    server.daemon_threads = True
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def port_free(port):
    with socket.socket() as s:
        # As the server itself does: connections of an earlier run in TIME_WAIT do not count.
        s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        try:
            s.bind(("127.0.0.1", port))
            return True
        except OSError:
            return False


def pick_port(preferred):
    if port_free(preferred):
        return preferred
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


# --- X server and windows --------------------------------------------------------------------

def start_xvfb():
    read_fd, write_fd = os.pipe()
    proc = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1280x1024x24",
                             "-nolisten", "tcp"], pass_fds=[write_fd],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_fd)
    with os.fdopen(read_fd) as f:
        number = f.readline().strip()
    if not number:
        proc.kill()
        raise RuntimeError("Xvfb did not start")
    return proc, ":" + number


def xdotool(display, *args):
    out = subprocess.run(["xdotool", *args], env=dict(os.environ, DISPLAY=display),
                         capture_output=True, text=True)
    return out.stdout


def visible_windows(display, pid):
    """The program's browser windows (by size: a tooltip is a visible window too)."""
    windows = []
    for w in xdotool(display, "search", "--onlyvisible", "--pid", str(pid)).split():
        try:
            _, _, width, height = geometry(display, int(w))
        except KeyError:
            continue  # gone meanwhile
        if width >= 800 and height > CLIENT_HEIGHT:
            windows.append(int(w))
    return windows


def geometry(display, window):
    values = {}
    for line in xdotool(display, "getwindowgeometry", "--shell", str(window)).splitlines():
        key, _, value = line.partition("=")
        values[key] = int(value)
    return values["X"], values["Y"], values["WIDTH"], values["HEIGHT"]


def click_new_window(display, window):
    """Clicks the browser window's New Window toolbar button, found from the window's size."""
    x, y, _, height = geometry(display, window)
    menu_bar = height - CLIENT_HEIGHT
    bx = x + NEW_WINDOW_BUTTON * BUTTON_WIDTH + BUTTON_WIDTH // 2
    by = y + menu_bar + TOOLBAR_TOP + BUTTON_HEIGHT // 2
    xdotool(display, "mousemove", str(bx), str(by), "click", "1")
    # Away from the button again, so that no tooltip opens.
    xdotool(display, "mousemove", "0", "0")


class XClose:
    """Asks windows to close as a window manager's close box does (WM_DELETE_WINDOW)."""

    class ClientMessage(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                    ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                    ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                    ("data", ctypes.c_long * 5)]

    def __init__(self, display):
        self.x = ctypes.CDLL("libX11.so.6")
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x.XInternAtom.restype = ctypes.c_ulong
        self.x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        self.x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                      ctypes.c_void_p]
        self.x.XFlush.argtypes = [ctypes.c_void_p]
        self.x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.dpy = self.x.XOpenDisplay(display.encode())
        if not self.dpy:
            raise RuntimeError("cannot open display " + display)
        self.protocols = self.x.XInternAtom(self.dpy, b"WM_PROTOCOLS", 0)
        self.delete = self.x.XInternAtom(self.dpy, b"WM_DELETE_WINDOW", 0)

    def close(self, window):
        event = (ctypes.c_long * 24)()
        msg = XClose.ClientMessage.from_buffer(event)
        msg.type = 33  # ClientMessage
        msg.window = window
        msg.message_type = self.protocols
        msg.format = 32
        msg.data[0] = self.delete
        self.x.XSendEvent(self.dpy, window, 0, 0, ctypes.addressof(event))
        self.x.XFlush(self.dpy)

    def __del__(self):
        if getattr(self, "dpy", None):
            self.x.XCloseDisplay(self.dpy)


# --- one run of a program --------------------------------------------------------------------

class Run:
    """One program started with a fresh HOME and runtime folder and the tests' environment."""

    def __init__(self, command, display, log_dir, label):
        self.home = tempfile.mkdtemp(prefix="zarnic-bench-home-")
        self.runtime = tempfile.mkdtemp(prefix="zarnic-bench-run-")
        env = {k: v for k, v in os.environ.items()
               if not k.startswith("XDG_") and k not in ("WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS")}
        env.update(HOME=self.home, XDG_RUNTIME_DIR=self.runtime, DISPLAY=display,
                   GDK_BACKEND="x11", DBUS_SESSION_BUS_ADDRESS="disabled:", NO_AT_BRIDGE="1")
        self.log = open(os.path.join(log_dir, label + ".log"), "w")
        self.start = time.monotonic()
        self.proc = subprocess.Popen(command, env=env, cwd=self.home, stdout=self.log,
                                     stderr=subprocess.STDOUT)
        self.pid = self.proc.pid
        self.seen = set()

    def remember_tree(self):
        self.seen.update(process_tree(self.pid))

    def stop(self):
        self.remember_tree()
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        # The engine's processes end with the program; any left over are ended here.
        deadline = time.monotonic() + 5
        for pid in self.seen - {self.pid}:
            while read_stat(pid) and time.monotonic() < deadline:
                time.sleep(0.05)
            if read_stat(pid):
                try:
                    os.kill(pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
        self.log.close()
        shutil.rmtree(self.home, ignore_errors=True)
        shutil.rmtree(self.runtime, ignore_errors=True)


def idle_cpu_and_memory(run):
    """CPU over the idle period that starts now, then memory at its end."""
    before = cpu_ticks(run.pid)
    time.sleep(IDLE_SECONDS)
    after = cpu_ticks(run.pid)
    run.remember_tree()
    pss, private = memory_kb(run.pid)
    return cpu_ms_between(before, after), pss, private


def run_zarnic(b):
    mark = b.events.mark()
    run = Run([b.zarnic], b.display, b.log_dir, "zarnic-%d" % b.counter())
    try:
        loaded = b.events.wait("loaded", 1, mark, 60)[0]
        b.events.wait("painted", 1, mark, 60)
        cpu, pss1, priv1 = idle_cpu_and_memory(run)
        result = {"start_ms": (loaded - run.start) * 1000 - SPLASH_MS, "idle_cpu_ms": cpu,
                  "pss1_kb": pss1, "private1_kb": priv1, "processes1": len(process_tree(run.pid))}
        windows = visible_windows(b.display, run.pid)
        for n in range(2, 5):
            click_new_window(b.display, windows[0])
            b.events.wait("loaded", n, mark, 60)
        b.events.wait("painted", 4, mark, 60)
        time.sleep(SETTLE_SECONDS)
        result["pss4_kb"], result["private4_kb"] = memory_kb(run.pid)
        result["windows4"] = len(visible_windows(b.display, run.pid))
        return result
    finally:
        run.stop()


def run_baseline(b, windows):
    mark = b.events.mark()
    run = Run([b.baseline, b.address, str(windows)], b.display, b.log_dir,
              "baseline%d-%d" % (windows, b.counter()))
    try:
        loaded = b.events.wait("loaded", windows, mark, 60)
        b.events.wait("painted", windows, mark, 60)
        if windows == 1:
            cpu, pss, private = idle_cpu_and_memory(run)
            return {"start_ms": (loaded[0] - run.start) * 1000, "idle_cpu_ms": cpu,
                    "pss1_kb": pss, "private1_kb": private,
                    "processes1": len(process_tree(run.pid))}
        time.sleep(SETTLE_SECONDS)
        pss, private = memory_kb(run.pid)
        return {"pss4_kb": pss, "private4_kb": private}
    finally:
        run.stop()


def run_twenty(b):
    """Opens twenty more windows in Zarnic!, closes them, and reads memory before and after."""
    mark = b.events.mark()
    run = Run([b.zarnic], b.display, b.log_dir, "zarnic-twenty-%d" % b.counter())
    closer = XClose(b.display)
    try:
        b.events.wait("loaded", 1, mark, 60)
        b.events.wait("painted", 1, mark, 60)
        _, pss1, priv1 = idle_cpu_and_memory(run)
        processes1 = len(process_tree(run.pid))
        first = visible_windows(b.display, run.pid)[0]
        for n in range(2, 22):
            click_new_window(b.display, first)
            b.events.wait("loaded", n, mark, 90)
        b.events.wait("painted", 21, mark, 90)
        time.sleep(SETTLE_SECONDS)
        run.remember_tree()
        pss21, priv21 = memory_kb(run.pid)
        processes21 = len(process_tree(run.pid))
        for window in visible_windows(b.display, run.pid):
            if window != first:
                closer.close(window)
        deadline = time.monotonic() + 30
        while len(visible_windows(b.display, run.pid)) > 1 and time.monotonic() < deadline:
            time.sleep(0.2)
        left = len(visible_windows(b.display, run.pid))
        time.sleep(IDLE_SECONDS)
        pss_after, priv_after = memory_kb(run.pid)
        return {"pss1_kb": pss1, "private1_kb": priv1, "pss21_kb": pss21, "private21_kb": priv21,
                "pss_after_kb": pss_after, "private_after_kb": priv_after,
                "processes1": processes1, "processes21": processes21, "processes_after": len(process_tree(run.pid)),
                "windows_after": left}
    finally:
        run.stop()


# --- the whole bench -------------------------------------------------------------------------

class Bench:
    def __init__(self, args, address, display, events):
        self.zarnic = os.path.abspath(os.path.join(args.build_dir, "zarnic"))
        self.baseline = os.path.abspath(os.path.join(args.build_dir, "bench", "bench_baseline"))
        self.address = address
        self.display = display
        self.events = events
        self.log_dir = os.path.join(args.build_dir, "bench-logs")
        os.makedirs(self.log_dir, exist_ok=True)
        self._count = 0

    def counter(self):
        self._count += 1
        return self._count


def build(build_dir, address, jobs):
    subprocess.run(["cmake", "-S", ".", "-B", build_dir, "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
                    "-DZARNIC_TESTS=OFF", "-DZARNIC_HOME_ADDRESS=" + address],
                   check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", build_dir, "-j", str(jobs), "--target", "zarnic",
                    "bench_baseline"], check=True)


def table(zarnic, baseline, twenty):
    rows = [
        ("Start-up to page loaded (ms)¹", "start_ms", 1, 0, "≤ 1.05"),
        ("Total PSS, one window (MB)", "pss1_kb", 1 / 1024, 1, "≤ 1.05"),
        ("Total PSS, four windows (MB)", "pss4_kb", 1 / 1024, 1, ""),
        ("Private memory, one window (MB)²", "private1_kb", 1 / 1024, 1, ""),
        ("Private memory, four windows (MB)²", "private4_kb", 1 / 1024, 1, ""),
        ("Idle CPU over 5 s (ms)", "idle_cpu_ms", 1, 0, "≈ 0"),
    ]
    lines = ["| Measure | Zarnic! median (min–max, IQR) | Baseline median (min–max, IQR) "
             "| Ratio of medians | Target |",
             "|---|---|---|---|---|"]
    verdicts = []
    for title, key, scale, digits, target in rows:
        z = summary([r[key] * scale for r in zarnic])
        base = summary([r[key] * scale for r in baseline if key in r])
        ratio = z["median"] / base["median"] if base["median"] else float("nan")
        lines.append("| %s | %s | %s | %s | %s |" % (title, fmt(z, digits), fmt(base, digits),
                                                   "%.2f" % ratio if base["median"] else "–",
                                                   target))
        if target.startswith("≤"):
            verdicts.append("%s: %s (ratio %.2f)" % (title.rstrip("¹²"),
                                                     "met" if ratio <= 1.05 else "MISSED", ratio))
    lines.append("")
    lines.append("¹ Zarnic! minus its fixed %d ms splash. ² Private_Clean + Private_Dirty, "
                 "immune to other programs sharing the same libraries." % SPLASH_MS)
    lines.append("")
    lines.append("Runs: %d of Zarnic!, %d and %d of the baseline with one and four windows."
                 % (len(zarnic), sum("start_ms" in r for r in baseline),
                    sum("pss4_kb" in r for r in baseline)))
    if twenty:
        lines += ["", "Twenty windows opened and closed in Zarnic! (%d runs, medians):" % len(twenty), "",
                  "| | One window | 21 windows | After closing 20 | After − one window |",
                  "|---|---|---|---|---|"]
        for name, key in (("Total PSS (MB)", "pss"), ("Private memory (MB)", "private")):
            one = statistics.median(r[key + "1_kb"] for r in twenty) / 1024
            many = statistics.median(r[key + "21_kb"] for r in twenty) / 1024
            after = statistics.median(r[key + "_after_kb"] for r in twenty) / 1024
            lines.append("| %s | %.1f | %.1f | %.1f | %+.1f |" % (name, one, many, after, after - one))
        lines.append("| Processes | %d | %d | %d | |" % (
            statistics.median(r["processes1"] for r in twenty),
            statistics.median(r["processes21"] for r in twenty),
            statistics.median(r["processes_after"] for r in twenty)))
    return "\n".join(lines), verdicts


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build-dir", default="build-bench")
    parser.add_argument("--runs", type=int, default=10, help="runs of each program (default 10)")
    parser.add_argument("--twenty", type=int, default=3,
                        help="runs of the twenty-window test (0: none; default 3)")
    parser.add_argument("--port", type=int, default=DEFAULT_PORT)
    parser.add_argument("--no-build", action="store_true")
    parser.add_argument("--jobs", type=int, default=2)
    args = parser.parse_args()

    if args.no_build:
        # The program was built for this port; another would leave it without its page.
        if not port_free(args.port):
            sys.exit("port %d is in use; run without --no-build to pick another" % args.port)
        port = args.port
    else:
        port = pick_port(args.port)
    address = "http://127.0.0.1:%d/page.html" % port
    if not args.no_build:
        build(args.build_dir, address, args.jobs)
    events = Events()
    server = start_server(port, events)
    xvfb, display = start_xvfb()
    bench = Bench(args, address, display, events)
    zarnic, baseline, twenty = [], [], []
    try:
        # Interleaved: every round runs each kind once, in a shuffled order, so drifts in the
        # machine's load fall on both programs alike.
        rng = random.Random(1)
        for i in range(args.runs):
            kinds = ["zarnic", "base1", "base4"]
            rng.shuffle(kinds)
            for kind in kinds:
                if kind == "zarnic":
                    zarnic.append(run_zarnic(bench))
                else:
                    baseline.append(run_baseline(bench, 1 if kind == "base1" else 4))
            z = zarnic[-1]
            print("round %d/%d: zarnic start %.0f ms, pss1 %.1f MB, pss4 %.1f MB, cpu %.0f ms"
                  % (i + 1, args.runs, z["start_ms"], z["pss1_kb"] / 1024, z["pss4_kb"] / 1024,
                     z["idle_cpu_ms"]), flush=True)
        for i in range(args.twenty):
            twenty.append(run_twenty(bench))
            print("twenty-window run %d/%d done" % (i + 1, args.twenty), flush=True)
    finally:
        xvfb.terminate()
        xvfb.wait()
        server.shutdown()

    text, verdicts = table(zarnic, baseline, twenty)
    with open(os.path.join(args.build_dir, "bench-results.json"), "w") as f:
        json.dump({"zarnic": zarnic, "baseline": baseline, "twenty": twenty}, f, indent=1)
    with open(os.path.join(args.build_dir, "bench-results.md"), "w") as f:
        f.write(text + "\n")
    print()
    print(text)
    print()
    for v in verdicts:
        print(v)
    return 0


if __name__ == "__main__":
    sys.exit(main())

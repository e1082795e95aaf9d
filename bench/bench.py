#!/usr/bin/env python3
"""Benchmark: Zarnic! against bare-engine baselines (bench/baseline.cpp).

Builds Zarnic! and the baseline into their own build folder, with Zarnic!'s home address
pointing at a page this script serves on 127.0.0.1, then runs them interleaved under one Xvfb
(no window manager) and measures, for each program:

  * start-up: from process start to the request the page sends from its load event (for
    Zarnic! minus its fixed 500 ms splash), on a styled page that scrolls and on a heavy page
    (about 2 MB of HTML, 80,000 elements);
  * memory: total PSS (and private memory) of the program and all its descendant processes at
    the styled page's load event with one window, and 2 s after the fourth window's load event;
  * CPU: utime + stime of all those processes over the 10 s after the load event, in spans,
    and per thread over the whole 10 s, to see where the time goes.

Programs: Zarnic!; the engine with its default context and settings in a 1024 x 768 window
(the baseline the targets are set against); the engine set up as Zarnic! sets it up
(bench_baseline --mirror). With --sandbox, Zarnic! also runs with WebKit's sandbox off, for
the sandbox's cost. Optionally (--twenty) it opens twenty more windows in Zarnic!, closes them
again and compares the memory left with one window's.

The soak (--soak N, 1,000 by default; 0 for none) then runs Zarnic! and the engine defaults one
after the other, twice (--soak-runs): one window, N navigations through a fixed list of real
pages (Debian's Node.js API documentation, package nodejs-doc), each started by the page when
the previous one has shown, with the PSS of the tree and of each process every 50 navigations,
and then, after a reader's pause on the last page, Back and Forward three times each. It plots PSS against navigations (matplotlib).

Prints a Markdown table; nothing here fails on the figures.
"""

import argparse
import ctypes
import http.server
import json
import os
import random
import re
import shutil
import signal
import socket
import queue
import statistics
import struct
import subprocess
import sys
import tempfile
import threading
import time
import zlib

SPLASH_MS = 500          # Zarnic!'s fixed splash time, taken off its start-up figures
CPU_MARKS = (0.0, 2.0, 6.0, 10.0)  # seconds after the load event at which CPU time is read
SETTLE_SECONDS = 2.0     # pause after the fourth window's load event before reading memory
DEFAULT_PORT = 18473
CLIENT_HEIGHT = 750      # the browser window's client area below its menu bar, in pixels
SCREEN_WIDTH, SCREEN_HEIGHT = 1280, 1024  # the bench's own Xvfb
HEAVY_ROW = (0xF2, 0xF4, 0xF8)  # the background of the heavy page's odd rows
BUTTON_WIDTH, BUTTON_HEIGHT, TOOLBAR_TOP = 69, 44, 45
NEW_WINDOW_BUTTON = 6    # index of "New Window" on the toolbar
CLK_TCK = os.sysconf("SC_CLK_TCK")
SANDBOX_COMMANDS = ("bwrap", "xdg-dbus-proxy")
SOAK_PAGES_DIR = "/usr/share/doc/nodejs/api"  # Debian's nodejs-doc
SOAK_EVERY = 50          # navigations between two memory readings in the soak
SOAK_HISTORY = 3         # pages gone Back, then Forward, at the end of the soak
SOAK_PAUSE = 5.0         # seconds spent on the last page, as a reader would, before Back
WEB_PROCESS = "WebKitWebProces"

# Tells the bench when the page's load event has fired.
BEACON = """<script>
addEventListener("load", function () { fetch("/loaded?" + Math.random(), {cache: "no-store"}); });
</script>"""

# Added to every page of the soak: once the page has shown (loaded, or come back from the
# back/forward cache), it tells the bench and asks where to go next; the bench answers when it
# has taken its readings.
SOAK_SCRIPT = """<script>
addEventListener("pageshow", function (e) {
  fetch("/soak/next?shown=" + (e.persisted ? 1 : 0) + "&" + Math.random(), {cache: "no-store"})
    .then(function (r) { return r.text(); })
    .then(function (to) {
      if (to == "back") history.back(); else if (to == "forward") history.forward();
      else if (to) location.href = to;
    });
});
</script>"""


def soak_pages():
    """The soak's pages: every page of Debian's Node.js API documentation, by name."""
    try:
        return sorted(n for n in os.listdir(SOAK_PAGES_DIR) if n.endswith(".html"))
    except OSError:
        return []


# A page as pages are made today, taller than the window: rounded boxes with shadows, an inline
# SVG with a gradient, a PNG picture, four paragraphs and a few lines of script.
STYLED_PAGE = """<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Bench page</title>
<style>
body{font-family:'Liberation Sans',Arial,sans-serif;margin:0;background:#eef2f7;color:#1d2733}
header{background:linear-gradient(#2b5797,#17365d);color:#fff;padding:20px 40px}
.card{background:#fff;margin:28px 40px;padding:20px 24px;border-radius:12px;
      box-shadow:0 4px 18px rgba(0,0,0,.2);overflow:hidden}
.card img{float:right;border-radius:8px;margin:0 0 8px 16px}
p{line-height:1.7;max-width:42em}
#note{color:#5a6878;margin:0 40px 400px}
</style></head>
<body><header><h1>Bench page</h1>
<svg width="240" height="40" role="img" aria-label="bar"><defs>
<linearGradient id="g" x1="0" x2="1"><stop offset="0" stop-color="#ffd34e"/>
<stop offset="1" stop-color="#3cb371"/></linearGradient></defs>
<rect width="240" height="40" rx="20" fill="url(#g)"/></svg></header>
%s
<p id="note"></p>
<script>
var cards = document.querySelectorAll(".card");
document.getElementById("note").textContent =
  cards.length + " boxes, laid out in " + Math.round(performance.now()) + " ms.";
</script>
""" % "\n".join(
    '<div class="card"><img src="picture.png" width="64" height="64" alt="">'
    "<h2>Part %d</h2><p>Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod "
    "tempor incididunt ut labore et dolore magna aliqua. Ut enim ad minim veniam, quis nostrud "
    "exercitation ullamco laboris nisi ut aliquip ex ea commodo consequat. Duis aute irure dolor "
    "in reprehenderit in voluptate velit esse cillum dolore eu fugiat nulla pariatur.</p></div>"
    % n for n in range(1, 5)) + BEACON + "</body></html>\n"


def heavy_page():
    """About 2 MB of HTML holding 80,000 elements: 16,000 rows of five."""
    rows = "".join(
        '<div class="r"><b>%05d</b><a href="#r%d">Row %d of the list</a>'
        "<i>lorem ipsum dolor sit amet</i><span>consectetur</span></div>\n"
        % (n, n, n) for n in range(16000))
    return ("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Heavy page</title>"
            "<style>.r{padding:2px 8px}.r:nth-child(odd){background:#%02x%02x%02x}" % HEAVY_ROW
            + "b{margin-right:8px}i{margin:0 8px;color:#566}</style></head><body>\n"
            + rows + BEACON + "</body></html>\n")


def png(size):
    """A size x size PNG picture: a diagonal gradient, opaque."""
    raw = b"".join(b"\0" + bytes(c for x in range(size)
                                  for c in (40 + 3 * x, 90 + 2 * y, 200 - x - y))
                   for y in range(size))

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


PAGES = {"styled": STYLED_PAGE.encode(), "heavy": heavy_page().encode()}
PICTURE = png(64)


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

def read_stat(path):
    """(command, ppid, utime + stime in clock ticks) from a /proc stat file, or None when gone."""
    try:
        with open(path) as f:
            text = f.read()
    except OSError:
        return None
    # The command name is in parentheses and may itself hold spaces and parentheses.
    fields = text[text.rindex(")") + 2:].split()
    return text[text.index("(") + 1:text.rindex(")")], int(fields[1]), int(fields[11]) + int(fields[12])


def process_tree(root):
    """root and every process below it."""
    children = {}
    for name in os.listdir("/proc"):
        if name.isdigit():
            stat = read_stat("/proc/%s/stat" % name)
            if stat:
                children.setdefault(stat[1], []).append(int(name))
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
    """Total PSS and private memory in kB over root and its descendants, the PSS of the
    sandbox's own processes (bwrap, xdg-dbus-proxy) among them, and PSS by process command."""
    pss = private = sandbox = 0
    commands = {}
    tree = process_tree(root)
    for pid in tree:
        stat = read_stat("/proc/%d/stat" % pid)
        try:
            with open("/proc/%d/smaps_rollup" % pid) as f:
                p, u = parse_rollup(f.read())
        except OSError:
            continue
        pss += p
        private += u
        command = "program" if pid == root else stat[0] if stat else "?"
        commands[command] = commands.get(command, 0) + p
        if command in SANDBOX_COMMANDS:
            sandbox += p
    return {"pss_kb": pss, "private_kb": private, "sandbox_pss_kb": sandbox,
            "by_command_kb": commands, "processes": len(tree)}


def web_process_maps_kb(root):
    """PSS (kB) of the web processes below root by kind of mapping: the C heap ([heap]), other
    anonymous memory (the engine's own allocators, JavaScript's heap, graphics buffers), files
    (libraries, fonts), shared memory (drawn pages on their way to the program) and the rest."""
    kinds = {}
    for pid in process_tree(root):
        stat = read_stat("/proc/%d/stat" % pid)
        if not stat or stat[0] != WEB_PROCESS:
            continue
        try:
            with open("/proc/%d/smaps" % pid) as f:
                text = f.read()
        except OSError:
            continue
        kind = "other"
        for line in text.splitlines():
            first = line.split(None, 1)[0]
            if "-" in first and not first.endswith(":"):
                fields = line.split()
                name = fields[5] if len(fields) > 5 else ""
                kind = ("heap" if name == "[heap]" else "anonymous" if not name
                        else "shared" if name.startswith(("/memfd:", "/dev/shm/", "/SYSV"))
                        else "file" if name.startswith("/") else "other")
            elif first == "Pss:":
                kinds[kind] = kinds.get(kind, 0) + int(line.split()[1])
    return kinds


def thread_name(process, thread):
    """A name for a thread that holds across runs: the process's command and the thread's,
    with their numbers dropped (llvmpipe-3 -> llvmpipe-#)."""
    return "%s / %s" % (process, re.sub(r"\d+", "#", thread))


def cpu_ticks(root):
    """utime + stime of every thread of root and its descendants, by (pid, tid)."""
    ticks = {}
    for pid in process_tree(root):
        process = read_stat("/proc/%d/stat" % pid)
        try:
            tids = os.listdir("/proc/%d/task" % pid)
        except OSError:
            continue
        for tid in tids:
            stat = read_stat("/proc/%d/task/%s/stat" % (pid, tid))
            if process and stat:
                ticks[(pid, int(tid))] = (thread_name(process[0], stat[0]), stat[2])
    return ticks


def cpu_ms_between(before, after):
    """CPU time used between two cpu_ticks readings; a thread born in between counts whole."""
    total = sum(t - before.get(key, ("", 0))[1] for key, (_, t) in after.items())
    return total * 1000.0 / CLK_TCK


def cpu_by_thread(before, after):
    """CPU time (ms) used between two readings, by thread name; threads of one name summed."""
    names = {}
    for key, (name, t) in after.items():
        used = (t - before.get(key, ("", 0))[1]) * 1000.0 / CLK_TCK
        if used:
            names[name] = names.get(name, 0) + used
    return names


# --- the page server -------------------------------------------------------------------------

class Events:
    """What the pages reported, in order: (kind, monotonic time)."""

    def __init__(self):
        self.cond = threading.Condition()
        self.items = []
        self.soak_next = queue.Queue()  # the bench's answers to the soak pages' "where next?"

    def add(self, kind):
        with self.cond:
            self.items.append((kind, time.monotonic()))
            self.cond.notify_all()

    def mark(self):
        with self.cond:
            return len(self.items)

    def times(self, kind, since):
        """Times of the events of `kind` after mark `since`, so far."""
        with self.cond:
            return [t for k, t in self.items[since:] if k == kind]

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
    """Serves the page of events.page at /page.html, its picture, and the load beacon."""
    class Handler(http.server.BaseHTTPRequestHandler):
        def do_GET(self):
            path = self.path.split("?")[0]
            if path in ("/page.html", "/picture.png"):
                if path == "/picture.png":
                    body = PICTURE
                elif events.page == "soak":  # where the soak starts
                    body = PAGES["styled"].replace(BEACON.encode(), SOAK_SCRIPT.encode())
                else:
                    body = PAGES[events.page]
                self.send_response(200)
                self.send_header("Content-Type", "text/html; charset=utf-8"
                                 if path == "/page.html" else "image/png")
                self.send_header("Content-Length", str(len(body)))
                self.send_header("Cache-Control", "no-store")
                self.end_headers()
                self.wfile.write(body)
            elif path == "/loaded":
                events.add("loaded")
                self.send_response(204)
                self.send_header("Cache-Control", "no-store")
                self.end_headers()
            elif path == "/soak/next":
                events.add("soak-cached" if "shown=1" in self.path else "soak")
                try:
                    body = events.soak_next.get(timeout=900).encode()
                except queue.Empty:
                    body = b""
                self.reply(body, "text/plain", "no-store")
            elif path.startswith("/soak/") and ".." not in path:
                self.soak_file(path[len("/soak/"):])
            else:
                self.send_error(404)

        def reply(self, body, content_type, cache):
            self.send_response(200)
            self.send_header("Content-Type", content_type)
            self.send_header("Content-Length", str(len(body)))
            self.send_header("Cache-Control", cache)
            self.end_headers()
            self.wfile.write(body)

        def soak_file(self, name):
            """A file of the soak's pages; the pages get the soak's script."""
            try:
                with open(os.path.join(SOAK_PAGES_DIR, name), "rb") as f:
                    body = f.read()
            except OSError:
                self.send_error(404)
                return
            types = {".html": "text/html; charset=utf-8", ".css": "text/css",
                     ".js": "text/javascript", ".svg": "image/svg+xml"}
            kind = types.get(os.path.splitext(name)[1], "application/octet-stream")
            if name.endswith(".html"):
                body = body.replace(b"</body>", SOAK_SCRIPT.encode() + b"</body>", 1)
            # As a documentation site serves them: cached for a while.
            self.reply(body, kind, "max-age=3600")

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
    proc = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0",
                             "%dx%dx24" % (SCREEN_WIDTH, SCREEN_HEIGHT),
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


class XConnection:
    """A connection to the display through Xlib, closed when the object goes."""

    def __init__(self, display):
        self.x = ctypes.CDLL("libX11.so.6")
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.dpy = self.x.XOpenDisplay(display.encode())
        if not self.dpy:
            raise RuntimeError("cannot open display " + display)

    def __del__(self):
        if getattr(self, "dpy", None):
            self.x.XCloseDisplay(self.dpy)


class XClose(XConnection):
    """Asks windows to close as a window manager's close box does (WM_DELETE_WINDOW)."""

    class ClientMessage(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                    ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                    ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                    ("data", ctypes.c_long * 5)]

    def __init__(self, display):
        super().__init__(display)
        self.x.XInternAtom.restype = ctypes.c_ulong
        self.x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        self.x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                      ctypes.c_void_p]
        self.x.XFlush.argtypes = [ctypes.c_void_p]
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


class XScreen(XConnection):
    """Reads one column of the screen, to see when a page's first rows have been drawn."""

    class Image(ctypes.Structure):
        _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                    ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_ubyte)),
                    ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                    ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                    ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int)]

    def __init__(self, display):
        super().__init__(display)
        self.x.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x.XGetImage.restype = ctypes.POINTER(XScreen.Image)
        self.x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                     ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        self.x.XFree.argtypes = [ctypes.c_void_p]
        self.root = self.x.XDefaultRootWindow(self.dpy)

    def column_shows(self, x, height, rgb):
        """Whether any pixel of column x, from the top down to `height`, has colour rgb."""
        image = self.x.XGetImage(self.dpy, self.root, x, 0, 1, height, 0xFFFFFFFF, 2)  # ZPixmap
        if not image:
            return False
        data, stride = image.contents.data, image.contents.bytes_per_line
        column = ctypes.string_at(data, stride * height)
        # 24-bit visuals keep a pixel as B, G, R, unused; one pixel per line here.
        pixel = bytes((rgb[2], rgb[1], rgb[0]))
        at = column.find(pixel)
        while at >= 0 and at % stride:
            at = column.find(pixel, at + 1)
        found = at >= 0
        self.x.XFree(ctypes.cast(data, ctypes.c_void_p))
        self.x.XFree(image)
        return found


# --- one run of a program --------------------------------------------------------------------

class Run:
    """One program started with a fresh HOME and runtime folder and the tests' environment."""

    def __init__(self, command, display, log_dir, label, extra_env=None):
        self.home = tempfile.mkdtemp(prefix="zarnic-bench-home-")
        self.runtime = tempfile.mkdtemp(prefix="zarnic-bench-run-")
        env = {k: v for k, v in os.environ.items()
               if not k.startswith("XDG_") and k not in ("WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS")}
        # The cache folder is named too: Mesa takes the home folder from the password file,
        # and would keep the baseline's shader cache in the real one, warm for the next run.
        env.update(HOME=self.home, XDG_RUNTIME_DIR=self.runtime,
                   XDG_CACHE_HOME=os.path.join(self.home, ".cache"), DISPLAY=display,
                   GDK_BACKEND="x11", DBUS_SESSION_BUS_ADDRESS="disabled:", NO_AT_BRIDGE="1")
        env.update(extra_env or {})
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
            while read_stat("/proc/%d/stat" % pid) and time.monotonic() < deadline:
                time.sleep(0.05)
            if read_stat("/proc/%d/stat" % pid):
                try:
                    os.kill(pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
        self.log.close()
        shutil.rmtree(self.home, ignore_errors=True)
        shutil.rmtree(self.runtime, ignore_errors=True)


def sleep_until(moment):
    time.sleep(max(0.0, moment - time.monotonic()))


def run_styled(b, kind):
    """The styled page in one window: start-up, memory at the load event, CPU over the 10 s
    after it; for Zarnic! then three more windows through its New Window button."""
    b.events.page = "styled"
    mark = b.events.mark()
    run = b.start(kind)
    try:
        loaded = b.events.wait("loaded", 1, mark, 60)[0]
        ticks = [cpu_ticks(run.pid)]
        memory = memory_kb(run.pid)
        for second in CPU_MARKS[1:]:
            sleep_until(loaded + second)
            ticks.append(cpu_ticks(run.pid))
        run.remember_tree()
        late = memory_kb(run.pid)
        result = {"start_ms": (loaded - run.start) * 1000 - b.splash_ms(kind),
                  "pss1_kb": memory["pss_kb"], "private1_kb": memory["private_kb"],
                  "sandbox1_kb": memory["sandbox_pss_kb"], "pss1_late_kb": late["pss_kb"],
                  "pss1_by_command_kb": memory["by_command_kb"],
                  "processes_at_load": memory["processes"],
                  "pss1_late_by_command_kb": late["by_command_kb"],
                  "processes1": len(process_tree(run.pid)),
                  "threads": cpu_by_thread(ticks[0], ticks[-1])}
        for (s0, t0), (s1, t1) in zip(zip(CPU_MARKS, ticks), zip(CPU_MARKS[1:], ticks[1:])):
            result["cpu_%d_%d_ms" % (s0, s1)] = cpu_ms_between(t0, t1)
        result["cpu_0_10_ms"] = cpu_ms_between(ticks[0], ticks[-1])
        if kind.startswith("zarnic"):
            windows = visible_windows(b.display, run.pid)
            for n in range(2, 5):
                click_new_window(b.display, windows[0])
                last = b.events.wait("loaded", n, mark, 60)[-1]
            sleep_until(last + SETTLE_SECONDS)
            run.remember_tree()
            memory = memory_kb(run.pid)
            result.update(pss4_kb=memory["pss_kb"], private4_kb=memory["private_kb"],
                          sandbox4_kb=memory["sandbox_pss_kb"],
                          windows4=len(visible_windows(b.display, run.pid)))
        return result
    finally:
        run.stop()


def run_four(b, kind):
    """A baseline started with four windows: memory 2 s after the fourth load event."""
    b.events.page = "styled"
    mark = b.events.mark()
    run = b.start(kind, windows=4)
    try:
        last = b.events.wait("loaded", 4, mark, 60)[-1]
        sleep_until(last + SETTLE_SECONDS)
        run.remember_tree()
        memory = memory_kb(run.pid)
        return {"pss4_kb": memory["pss_kb"], "private4_kb": memory["private_kb"],
                "sandbox4_kb": memory["sandbox_pss_kb"]}
    finally:
        run.stop()


def run_heavy(b, kind):
    """The heavy page in one window: start-up to its load event and to its first rows on the
    screen, and CPU by thread from process start to each."""
    b.events.page = "heavy"
    mark = b.events.mark()
    screen = b.screen()
    run = b.start(kind)
    try:
        loaded = drawn = None
        result = {}
        deadline = run.start + 120
        while loaded is None or drawn is None:
            if time.monotonic() > deadline:
                raise TimeoutError("the heavy page was not loaded and drawn in 120 s")
            reports = b.events.times("loaded", mark) if loaded is None else []
            if reports:
                loaded = reports[0]
                result["heavy_threads"] = cpu_by_thread({}, cpu_ticks(run.pid))
            # Both programs' windows cover the middle of the screen.
            if drawn is None and screen.column_shows(SCREEN_WIDTH // 2, SCREEN_HEIGHT, HEAVY_ROW):
                drawn = time.monotonic()
                result["heavy_drawn_threads"] = cpu_by_thread({}, cpu_ticks(run.pid))
            time.sleep(0.005)
        result.update(heavy_start_ms=(loaded - run.start) * 1000 - b.splash_ms(kind),
                      heavy_drawn_ms=(drawn - run.start) * 1000 - b.splash_ms(kind))
        return result
    finally:
        run.stop()


def run_soak(b, kind, navigations):
    """One window through `navigations` pages of the soak's list in turn, each started when the
    previous one has shown; memory every SOAK_EVERY navigations; then Back and Forward."""
    pages = soak_pages()
    b.events.page = "soak"
    mark = b.events.mark()
    run = b.start(kind, label=kind + "-soak")
    samples, history = [], []
    started = time.monotonic()

    def reading(n):
        memory = memory_kb(run.pid)
        threads = fds = None
        try:
            threads = len(os.listdir("/proc/%d/task" % run.pid))
            fds = len(os.listdir("/proc/%d/fd" % run.pid))
        except OSError:
            pass
        samples.append({"navigations": n, "pss_kb": memory["pss_kb"],
                        "private_kb": memory["private_kb"],
                        "by_command_kb": memory["by_command_kb"],
                        "processes": memory["processes"], "program_threads": threads,
                        "program_fds": fds, "web_maps_kb": web_process_maps_kb(run.pid),
                        "seconds": time.monotonic() - started})

    try:
        shown = b.events.wait("soak", 1, mark, 60)[-1]
        reading(0)
        for n in range(1, navigations + 1):
            b.events.soak_next.put("/soak/" + pages[(n - 1) % len(pages)])
            shown = b.events.wait("soak", n + 1, mark, 300)[-1]
            if n % SOAK_EVERY == 0 or n == navigations:
                run.remember_tree()
                reading(n)
        time.sleep(SOAK_PAUSE)
        for step in ["back"] * SOAK_HISTORY + ["forward"] * SOAK_HISTORY:
            since = b.events.mark()
            asked = time.monotonic()
            b.events.soak_next.put(step)
            deadline = time.monotonic() + 120
            while True:  # shown from the back/forward cache, or loaded again
                with b.events.cond:
                    got = [(k, t) for k, t in b.events.items[since:] if k.startswith("soak")]
                    if got or time.monotonic() > deadline:
                        break
                    b.events.cond.wait(1)
            if got:
                history.append({"step": step, "ms": (got[0][1] - asked) * 1000,
                                "cached": got[0][0] == "soak-cached"})
        return {"samples": samples, "history": history,
                "seconds": time.monotonic() - started}
    finally:
        b.events.soak_next.put("")  # lets a page still waiting go
        run.stop()
        while not b.events.soak_next.empty():
            b.events.soak_next.get_nowait()


def run_twenty(b):
    """Opens twenty more windows in Zarnic!, closes them, and reads memory before and after."""
    b.events.page = "styled"
    mark = b.events.mark()
    run = b.start("zarnic", label="zarnic-twenty")
    closer = XClose(b.display)
    try:
        loaded = b.events.wait("loaded", 1, mark, 60)[0]
        sleep_until(loaded + SETTLE_SECONDS)
        one = memory_kb(run.pid)
        processes1 = len(process_tree(run.pid))
        first = visible_windows(b.display, run.pid)[0]
        for n in range(2, 22):
            click_new_window(b.display, first)
            last = b.events.wait("loaded", n, mark, 90)[-1]
        sleep_until(last + SETTLE_SECONDS)
        run.remember_tree()
        many = memory_kb(run.pid)
        processes21 = len(process_tree(run.pid))
        for window in visible_windows(b.display, run.pid):
            if window != first:
                closer.close(window)
        deadline = time.monotonic() + 30
        while len(visible_windows(b.display, run.pid)) > 1 and time.monotonic() < deadline:
            time.sleep(0.2)
        left = len(visible_windows(b.display, run.pid))
        time.sleep(5)
        after = memory_kb(run.pid)
        return {"pss1_kb": one["pss_kb"], "private1_kb": one["private_kb"],
                "pss21_kb": many["pss_kb"], "private21_kb": many["private_kb"],
                "pss_after_kb": after["pss_kb"], "private_after_kb": after["private_kb"],
                "processes1": processes1, "processes21": processes21,
                "processes_after": len(process_tree(run.pid)), "windows_after": left}
    finally:
        run.stop()


# --- the whole bench -------------------------------------------------------------------------

# The programs compared, by kind, with their titles in the table.
TITLES = {"zarnic": "Zarnic!", "default": "Engine defaults", "mirror": "Engine, Zarnic!'s set-up",
          "zarnic-nosandbox": "Zarnic!, no sandbox", "zarnic-env": "Zarnic!, --zarnic-env"}


class Bench:
    def __init__(self, args, address, display, events):
        self.zarnic = os.path.abspath(args.zarnic or os.path.join(args.build_dir, "zarnic"))
        self.baseline = os.path.abspath(os.path.join(args.build_dir, "bench", "bench_baseline"))
        self.address = address
        self.display = display
        self.events = events
        # Environment for a second Zarnic! run beside the first, to try the engine's settings
        # (WEBKIT_*) by hand.
        self.zarnic_env = dict(e.split("=", 1) for e in args.zarnic_env)
        self.log_dir = os.path.join(args.build_dir, "bench-logs")
        os.makedirs(self.log_dir, exist_ok=True)
        self._count = 0
        self._screen = None

    def screen(self):
        """One connection to the display, kept for every run, to read the screen."""
        if self._screen is None:
            self._screen = XScreen(self.display)
        return self._screen

    def close(self):
        """Closes the connection before the display goes (Xlib ends a program whose display
        goes first)."""
        self._screen = None

    def start(self, kind, windows=1, label=None):
        self._count += 1
        label = "%s-%d" % (label or "%s%d" % (kind, windows), self._count)
        if kind == "zarnic":
            return Run([self.zarnic], self.display, self.log_dir, label)
        if kind == "zarnic-env":
            return Run([self.zarnic], self.display, self.log_dir, label, self.zarnic_env)
        if kind == "zarnic-nosandbox":
            return Run([self.zarnic], self.display, self.log_dir, label,
                       {"WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS": "1"})
        options = ["--mirror"] if kind == "mirror" else []
        return Run([self.baseline, *options, self.address, str(windows)], self.display,
                   self.log_dir, label)

    @staticmethod
    def splash_ms(kind):
        return SPLASH_MS if kind.startswith("zarnic") else 0


def build(build_dir, address, jobs):
    subprocess.run(["cmake", "-S", ".", "-B", build_dir, "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
                    "-DZARNIC_TESTS=OFF", "-DZARNIC_HOME_ADDRESS=" + address],
                   check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", build_dir, "-j", str(jobs), "--target", "zarnic",
                    "bench_baseline"], check=True)


ROWS = [
    # title, key, scale, digits, target (ratio to the engine defaults, or an absolute bound)
    ("Start-up to load event, styled page (ms)¹", "start_ms", 1, 0, ("ratio", 0.8)),
    ("Start-up to load event, heavy page (ms)¹", "heavy_start_ms", 1, 0, ("ratio", 0.8)),
    ("Start-up to first rows drawn, heavy page (ms)¹", "heavy_drawn_ms", 1, 0, None),
    ("Total PSS at the load event, one window (MB)", "pss1_kb", 1 / 1024, 1, ("ratio", 0.95)),
    ("Total PSS 10 s after the load event, one window (MB)", "pss1_late_kb", 1 / 1024, 1, None),
    ("Total PSS, four windows (MB)²", "pss4_kb", 1 / 1024, 1, ("ratio", 0.95)),
    ("Private memory at the load event, one window (MB)³", "private1_kb", 1 / 1024, 1, None),
    ("Private memory, four windows (MB)²³", "private4_kb", 1 / 1024, 1, None),
    ("Sandbox processes' PSS, one window (MB)⁴", "sandbox1_kb", 1 / 1024, 1, None),
    ("Sandbox processes' PSS, four windows (MB)⁴", "sandbox4_kb", 1 / 1024, 1, None),
    ("CPU 0–10 s after the load event (ms)", "cpu_0_10_ms", 1, 0, ("at most", 500)),
    ("CPU 0–2 s after the load event (ms)", "cpu_0_2_ms", 1, 0, None),
    ("CPU 2–6 s after the load event (ms)", "cpu_2_6_ms", 1, 0, None),
    ("CPU 6–10 s after the load event (ms)", "cpu_6_10_ms", 1, 0, ("at most", 20)),
    ("Processes, one window", "processes1", 1, 0, None),
]


def table(results, kinds, twenty):
    """The Markdown report and the verdicts on the targets."""
    def cell(kind, key, scale, digits):
        values = [r[key] * scale for r in results[kind] if key in r]
        if not values:
            return None, "–"
        s = summary(values)
        f = "{:.%df}" % digits
        return s["median"], "%s (%s–%s)" % (f.format(s["median"]), f.format(s["min"]),
                                            f.format(s["max"]))

    others = [k for k in kinds if k not in ("zarnic", "default")]
    lines = ["| Measure | Zarnic! | Engine defaults | Ratio | Target |"
             + "".join(" %s |" % TITLES[k] for k in others),
             "|---|---|---|---|---|" + "---|" * len(others)]
    verdicts = []
    for title, key, scale, digits, target in ROWS:
        z, z_text = cell("zarnic", key, scale, digits)
        base, base_text = cell("default", key, scale, digits)
        ratio = z / base if z is not None and base else None
        target_text = ""
        if target and target[0] == "ratio":
            target_text = "≤ %.2fx" % target[1]
        elif target:
            target_text = "≤ %g" % target[1]
        lines.append("| %s | %s | %s | %s | %s |" % (
            title, z_text, base_text, "%.2f" % ratio if ratio is not None else "–", target_text)
            + "".join(" %s |" % cell(k, key, scale, digits)[1] for k in others))
        if target and z is not None:
            value = ratio if target[0] == "ratio" else z
            if value is not None:
                verdicts.append("%s: %s (%s %.2f)" % (title.rstrip("¹²³⁴"),
                                                      "met" if value <= target[1] else "MISSED",
                                                      "ratio" if target[0] == "ratio" else "value",
                                                      value))
    lines += ["",
              "Medians (min–max). ¹ Zarnic! minus its fixed %d ms splash. ² Read 2 s after the "
              "fourth window's load event. ³ Private_Clean + Private_Dirty: pages no other process "
              "maps (a library's pages count here while no other program maps them). ⁴ bwrap and "
              "xdg-dbus-proxy." % SPLASH_MS,
              "",
              "Runs: %s." % ", ".join("%d of %s" % (sum("heavy_start_ms" in r for r in results[k]),
                                                    TITLES[k]) for k in kinds)]

    # Where the CPU time goes: the busiest threads of each program.
    names = set()
    for kind in kinds:
        medians = thread_medians(results[kind])
        names.update(sorted(medians, key=medians.get, reverse=True)[:6])
    if names:
        lines += ["", "CPU by thread, 0–10 s after the load event (ms, medians; process / thread):",
                  "", "| Thread | %s |" % " | ".join(TITLES[k] for k in kinds),
                  "|---|" + "---|" * len(kinds)]
        medians = {k: thread_medians(results[k]) for k in kinds}
        for name in sorted(names, key=lambda n: -medians[kinds[0]].get(n, 0)):
            lines.append("| %s | %s |" % (name, " | ".join("%.0f" % medians[k].get(name, 0)
                                                          for k in kinds)))

    # Where the heavy page's load goes: process start to its load event, and to its first rows
    # on the screen.
    for key, until in (("heavy_threads", "load event"), ("heavy_drawn_threads", "first rows drawn")):
        names = set()
        for kind in kinds:
            medians = thread_medians(results[kind], key)
            names.update(sorted(medians, key=medians.get, reverse=True)[:6])
        if not names:
            continue
        medians = {k: thread_medians(results[k], key) for k in kinds}
        lines += ["", "CPU by thread, process start to the heavy page's %s (ms, medians; "
                  "process / thread):" % until, "",
                  "| Thread | %s |" % " | ".join(TITLES[k] for k in kinds),
                  "|---|" + "---|" * len(kinds)]
        for name in sorted(names, key=lambda n: -medians[kinds[0]].get(n, 0)):
            lines.append("| %s | %s |" % (name, " | ".join("%.0f" % medians[k].get(name, 0)
                                                          for k in kinds)))
        lines.append("| All threads | %s |" % " | ".join(
            "%.0f" % statistics.median(sum(r[key].values()) for r in results[k] if key in r)
            for k in kinds))

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


def soak_table(soak):
    """The soak's figures: PSS every 100 navigations, by run, and its verdicts."""
    kinds = [k for k in ("zarnic", "default") if soak.get(k)]
    if not kinds:
        return "", []
    lines = ["Soak: total PSS of the tree after N navigations (MB; in brackets the web processes "
             "and the program's own process):", "",
             "| Navigations | %s |" % " | ".join("%s, run %d" % (TITLES[k], i + 1)
                                                 for k in kinds for i in range(len(soak[k]))),
             "|---|" + "---|" * sum(len(soak[k]) for k in kinds)]

    def at(run, n):
        for sample in run["samples"]:
            if sample["navigations"] == n:
                return sample
        return None

    last = max(s["navigations"] for k in kinds for r in soak[k] for s in r["samples"])
    marks = sorted({n for n in range(0, last + 1, 100)} | {last})
    for n in marks:
        cells = []
        for k in kinds:
            for run in soak[k]:
                sample = at(run, n)
                by = sample["by_command_kb"] if sample else {}
                cells.append("%.0f (%.0f / %.0f)" % (sample["pss_kb"] / 1024,
                                                     by.get(WEB_PROCESS, 0) / 1024,
                                                     by.get("program", 0) / 1024)
                             if sample else "–")
        lines.append("| %d | %s |" % (n, " | ".join(cells)))

    def median_at(k, n, key=lambda s: s["pss_kb"]):
        values = [key(at(r, n)) for r in soak[k] if at(r, n)]
        return statistics.median(values) / 1024 if values else None

    verdicts = []
    z_end, base_end = median_at("zarnic", last), median_at("default", last) if "default" in kinds else None
    z_200 = median_at("zarnic", 200) if last > 200 else None
    if z_end is not None:
        verdicts.append("Soak, total PSS after %d navigations: %.0f MB (target ≤ 300): %s"
                        % (last, z_end, "met" if z_end <= 300 else "MISSED"))
    if z_end is not None and base_end:
        verdicts.append("Soak, ratio to the engine defaults after %d navigations: %.2f "
                        "(target ≤ 0.50): %s" % (last, z_end / base_end,
                                                  "met" if z_end / base_end <= 0.5 else "MISSED"))
    if z_end is not None and z_200:
        growth = (z_end - z_200) / z_200
        verdicts.append("Soak, growth from 200 to %d navigations: %+.1f %% (target ≤ 10 %%): %s"
                        % (last, growth * 100, "met" if growth <= 0.10 else "MISSED"))
    program = [(s["navigations"], s["by_command_kb"].get("program", 0) / 1024,
                s["program_threads"], s["program_fds"]) for s in soak["zarnic"][0]["samples"]] \
        if "zarnic" in kinds else []
    if program:
        lines += ["", "Zarnic!'s own process, run 1 (PSS MB, threads, file descriptors): %s."
                  % "; ".join("%d: %.0f, %s, %s" % p for p in program
                              if p[0] % 200 == 0 or p[0] == last)]
    lines += ["", "Back and Forward after the soak and %.0f s on its last page (ms, from the page's "
              "request to the page shown; * from the back/forward cache), %d steps each:"
              % (SOAK_PAUSE, SOAK_HISTORY), ""]
    for k in kinds:
        for i, run in enumerate(soak[k]):
            lines.append("- %s, run %d: %s (the soak took %.0f s)" % (
                TITLES[k], i + 1, ", ".join("%s %.0f%s" % (h["step"], h["ms"],
                                                           "*" if h["cached"] else "")
                                           for h in run["history"]), run["seconds"]))
    return "\n".join(lines), verdicts


def soak_plot(soak, path):
    """PSS against navigations, total and web process, for every soak run, as a PNG."""
    try:
        import matplotlib
        matplotlib.use("Agg")
        import matplotlib.pyplot as plt
    except ImportError:
        return False
    fig, ax = plt.subplots(figsize=(8, 4.5), dpi=80)
    colours = {"zarnic": "tab:blue", "default": "tab:red"}
    for k, runs in soak.items():
        for i, run in enumerate(runs):
            n = [s["navigations"] for s in run["samples"]]
            ax.plot(n, [s["pss_kb"] / 1024 for s in run["samples"]], color=colours.get(k),
                    linestyle="-" if i == 0 else "--",
                    label="%s, run %d: total" % (TITLES[k], i + 1))
            ax.plot(n, [s["by_command_kb"].get(WEB_PROCESS, 0) / 1024 for s in run["samples"]],
                    color=colours.get(k), linestyle="-" if i == 0 else "--", alpha=0.4,
                    label="%s, run %d: web process" % (TITLES[k], i + 1))
    ax.set_xlabel("Navigations")
    ax.set_ylabel("PSS (MB)")
    ax.set_ylim(bottom=0)
    ax.grid(alpha=0.3)
    ax.legend(fontsize=7, loc="upper left")
    ax.set_title("Memory over a long session (Node.js API pages in turn)")
    fig.tight_layout()
    fig.savefig(path)
    plt.close(fig)
    return True


def thread_medians(runs, key="threads"):
    """Median CPU per thread name over the runs that measured threads (0 where one was idle)."""
    runs = [r[key] for r in runs if key in r]
    names = {n for r in runs for n in r}
    return {n: statistics.median(r.get(n, 0) for r in runs) for n in names}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build-dir", default="build-bench")
    parser.add_argument("--runs", type=int, default=8, help="rounds of runs (default 8)")
    parser.add_argument("--twenty", type=int, default=0,
                        help="runs of the twenty-window test (default 0: none)")
    parser.add_argument("--sandbox", action="store_true",
                        help="also run Zarnic! with WebKit's sandbox off, for its cost")
    parser.add_argument("--no-mirror", action="store_true",
                        help="leave out the baseline set up as Zarnic! sets up the engine")
    parser.add_argument("--zarnic", help="run this Zarnic! executable (built for --port)")
    parser.add_argument("--port", type=int, default=DEFAULT_PORT)
    parser.add_argument("--no-build", action="store_true")
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--zarnic-env", action="append", default=[], metavar="NAME=VALUE",
                        help="also run Zarnic! with this environment (again for more), to try "
                        "the engine's settings")
    parser.add_argument("--heavy-only", action="store_true",
                        help="rounds of the heavy page alone, for trials")
    parser.add_argument("--soak", type=int, default=1000,
                        help="navigations of the soak (default 1000; 0: no soak)")
    parser.add_argument("--soak-runs", type=int, default=2,
                        help="runs of the soak for each program (default 2)")
    parser.add_argument("--soak-programs", default="zarnic,default",
                        help="programs of the soak (default zarnic,default)")
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
    kinds = ["zarnic", "default"] + ([] if args.no_mirror else ["mirror"]) + \
        (["zarnic-nosandbox"] if args.sandbox else []) + (["zarnic-env"] if args.zarnic_env else [])
    events = Events()
    events.page = "styled"
    server = start_server(port, events)
    xvfb, display = start_xvfb()
    bench = Bench(args, address, display, events)
    results = {k: [] for k in kinds}
    twenty = []
    soak = {}
    if args.soak and not soak_pages():
        sys.exit("the soak's pages are missing (%s): make deps, or --soak 0" % SOAK_PAGES_DIR)
    try:
        # Interleaved: every round runs each kind once, in a shuffled order, so drifts in the
        # machine's load fall on all programs alike.
        rng = random.Random(1)
        for i in range(args.runs):
            jobs = [(k, job) for k in kinds for job in ("styled", "four", "heavy")
                    if not (job == "four" and k.startswith("zarnic"))
                    and not (args.heavy_only and job != "heavy")]
            rng.shuffle(jobs)
            done = {k: {} for k in kinds}
            for kind, job in jobs:
                run = {"styled": run_styled, "four": run_four, "heavy": run_heavy}[job]
                done[kind].update(run(bench, kind))
            for kind in kinds:
                results[kind].append(done[kind])
            print("round %d/%d: %s" % (i + 1, args.runs, "; ".join(
                "%s heavy %.0f ms" % (k, done[k]["heavy_start_ms"]) + (
                    ", start %.0f ms, pss %.1f MB, cpu 0-10 s %.0f ms" % (
                        done[k]["start_ms"], done[k]["pss1_kb"] / 1024, done[k]["cpu_0_10_ms"])
                    if "start_ms" in done[k] else "")
                for k in kinds)), flush=True)
        for i in range(args.twenty):
            twenty.append(run_twenty(bench))
            print("twenty-window run %d/%d done" % (i + 1, args.twenty), flush=True)
        # One after the other, twice: Zarnic!, the engine defaults, Zarnic!, the engine defaults.
        for i in range(args.soak_runs if args.soak else 0):
            for kind in args.soak_programs.split(","):
                result = run_soak(bench, kind, args.soak)
                soak.setdefault(kind, []).append(result)
                end = result["samples"][-1]
                print("soak %s run %d: %d navigations in %.0f s, %.1f MB at the end" % (
                    kind, i + 1, end["navigations"], result["seconds"], end["pss_kb"] / 1024),
                    flush=True)
    finally:
        bench.close()
        xvfb.terminate()
        xvfb.wait()
        server.shutdown()

    text, verdicts = table(results, kinds, twenty) if args.runs else ("", [])
    soak_text, soak_verdicts = soak_table(soak)
    if soak_text:
        text = (text + "\n\n" + soak_text).strip()
        verdicts += soak_verdicts
        plot = os.path.join(args.build_dir, "soak.png")
        if soak_plot(soak, plot):
            text += "\n\nPlot: %s" % os.path.basename(plot)
    with open(os.path.join(args.build_dir, "bench-results.json"), "w") as f:
        json.dump({"results": results, "twenty": twenty, "soak": soak}, f, indent=1)
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

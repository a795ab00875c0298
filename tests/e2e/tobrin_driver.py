"""Drives the installed tobrin program as a person would: on its own virtual
display, through the mouse and keyboard, against a web site served on
127.0.0.1, with its own installation folder and settings."""

import http.server
import os
import pathlib
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time


def in_background(function):
    threading.Thread(target=function, daemon=True).start()


class Site:
    """A small web site on 127.0.0.1 that records every path asked for."""

    def __init__(self, pages, redirects):
        self.requests = []
        site = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                site.requests.append(self.path)
                path = self.path.split("?")[0]
                body = b"" if path in redirects else pages.get(path, b"<title>Missing</title>")
                self.send_response(302 if path in redirects else 200 if path in pages else 404)
                if path in redirects:
                    self.send_header("Location", redirects[path])
                self.send_header("Content-Type", "text/html")
                self.send_header("Content-Length", str(len(body)))
                self.send_header("Cache-Control", "no-store")
                self.end_headers()
                self.wfile.write(body)

            def log_message(self, *args):
                pass

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        in_background(self.server.serve_forever)

    def url(self, path):
        return "http://127.0.0.1:%d%s" % (self.server.server_address[1], path)

    def close(self):
        self.server.shutdown()
        self.server.server_close()


class Display:
    """A virtual X display of its own, with the stock openbox on it when asked."""

    def __init__(self, window_manager=False):
        read_end, write_end = os.pipe()
        # A number of its own where the machine's displays are shared out.
        number = [os.environ["TOBRIN_E2E_DISPLAY"]] if "TOBRIN_E2E_DISPLAY" in os.environ else []
        self.processes = [subprocess.Popen(
            ["Xvfb", *number, "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)]
        os.close(write_end)
        with os.fdopen(read_end) as said:
            self.name = ":" + said.readline().strip()
        if self.name == ":":
            raise RuntimeError("Xvfb did not start")
        if window_manager:
            env = dict(os.environ, DISPLAY=self.name)
            self.processes.insert(0, subprocess.Popen(
                ["openbox", "--sm-disable", "--config-file", "/etc/xdg/openbox/rc.xml"],
                env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
            wait_for(lambda: b"window id" in subprocess.run(
                ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=env,
                capture_output=True).stdout, 20, "openbox to start")

    def close(self):
        for process in self.processes:
            process.terminate()
            process.wait(10)


OTHER_PROGRAMS = r"""
import sys, tkinter as tk
root = tk.Tk()
root.title("Other program")
root.geometry("200x150+20+560")
entry = tk.Entry(root)
entry.pack(padx=10, pady=10)
entry.bind("<Key>", lambda e: (sys.stdout.write(e.char), sys.stdout.flush()))
entry.focus_set()
dock = tk.Toplevel(root)
dock.title("Taskbar")
dock.geometry("1024x24+0+744")
dock.attributes("-type", "dock")
root.mainloop()
"""


class OtherPrograms:
    """A taskbar (a dock window along the bottom) and another program's
    window with a text box that records every key it gets."""

    def __init__(self, display):
        self.typed = ""
        self.process = subprocess.Popen([sys.executable, "-c", OTHER_PROGRAMS],
                                        env=dict(os.environ, DISPLAY=display.name),
                                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        in_background(self._collect)

    def _collect(self):
        for chunk in iter(lambda: self.process.stdout.read(1), b""):
            self.typed += chunk.decode(errors="replace")

    def close(self):
        self.process.kill()
        self.process.wait(10)


def wait_for(condition, seconds, what, process=None, said=()):
    """Waits for a condition; a program that ends meanwhile fails at once."""
    deadline = time.time() + seconds
    while time.time() < deadline:
        if condition():
            return
        if process and process.poll() is not None:
            raise AssertionError("tobrin ended (%d) while waiting for %s:\n%s"
                                 % (process.returncode, what, "".join(said[-20:])))
        time.sleep(0.1)
    raise AssertionError("timed out waiting for " + what)


class Tobrin:
    """One installed copy of the program, started and driven on a display."""

    def __init__(self, build_dir, display):
        self.root = tempfile.mkdtemp(prefix="tobrin-e2e-")
        self.app = os.path.join(self.root, "app")
        home = os.path.join(self.root, "home")
        os.mkdir(home)  # as every account has one
        subprocess.run(["cmake", "--install", build_dir, "--prefix", self.app],
                       check=True, stdout=subprocess.DEVNULL)
        self.env = dict(os.environ, DISPLAY=display.name, HOME=home,
                        XDG_CONFIG_HOME=home + "/.config", XDG_DATA_HOME=home + "/.local/share",
                        XDG_CACHE_HOME=home + "/.cache", TOBRIN_STARTUP_PROBE="1")
        self.settings_file = pathlib.Path(home, ".config/Corvane/Corvane.conf")
        self.process, self.stderr_lines = None, []

    def path(self, relative):
        return os.path.join(self.app, relative.lstrip("/"))

    def read(self, relative):
        return pathlib.Path(self.path(relative)).read_bytes()

    def settings(self):
        return self.settings_file.read_bytes() if self.settings_file.exists() else b""

    def start(self, command=None):
        """Starts the program, or a command that starts it (a login session)."""
        self.kill()
        self.stderr_lines = []
        # A group of its own, so that a kill takes every process it started.
        self.process = subprocess.Popen(command or [self.path("tobrin")], env=self.env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                        start_new_session=True)
        in_background(lambda: self.stderr_lines.extend(
            line.decode(errors="replace") for line in self.process.stderr))
        self.wait_for(lambda: any("start page loaded" in l for l in self.stderr_lines), 60,
                      "the start page to load")
        self.browser = self.window(r"Tobrin 2\.0$")

    def wait_for(self, condition, seconds, what):
        wait_for(condition, seconds, what, self.process, self.stderr_lines)

    def ended(self):
        wait_for(lambda: self.process.poll() is not None, 20, "the program to end")
        return self.process.returncode

    def kill(self):
        if self.process and self.process.poll() is None:
            os.killpg(self.process.pid, signal.SIGKILL)
            self.process.wait(10)
        if self.process:
            self.process.stderr.close()

    def cleanup(self):
        self.kill()
        shutil.rmtree(self.root, ignore_errors=True)

    # --- the screen ---------------------------------------------------------
    def run(self, *command):
        return subprocess.run([str(a) for a in command], env=self.env, capture_output=True).stdout

    def xdotool(self, *args):
        return self.run("xdotool", *args).decode()

    def windows(self, pattern):
        return self.xdotool("search", "--onlyvisible", "--name", pattern).split()

    def window(self, pattern, seconds=20):
        found = []
        self.wait_for(lambda: found.extend(self.windows(pattern)) or found, seconds,
                      "a window named /%s/" % pattern)
        return found[-1]

    def title(self, window):
        return self.xdotool("getwindowname", window).strip()

    def wait_title(self, window, pattern):
        self.wait_for(lambda: re.search(pattern, self.title(window)), 20,
                      "the title to match /%s/" % pattern)

    def click(self, window, x, y, unit=15):
        """Clicks at a point of a window, given from its top left in twips
        (or in pixels, with unit 1)."""
        self.xdotool("mousemove", "--window", window, (x + unit // 2) // unit,
                     (y + unit // 2) // unit, "click", "1")
        time.sleep(0.3)

    def point_at(self, window):
        """Keys go to the window under the pointer on a display without a
        window manager."""
        self.xdotool("mousemove", "--window", window, 4, 4)
        time.sleep(0.2)

    def key(self, *keys):
        self.xdotool("key", "--delay", "60", *keys)
        time.sleep(0.3)

    def type(self, text):
        self.xdotool("type", "--delay", "25", text)
        time.sleep(0.2)

    def close_window(self, window):
        """Asks a window to close, as the window manager's close button does."""
        self.run("wmctrl", "-i", "-c", hex(int(window)))
        time.sleep(0.3)

    def top_window(self):
        """The window manager's topmost window."""
        return int(re.findall(rb"0x[0-9a-f]+", self.run(
            "xprop", "-root", "_NET_CLIENT_LIST_STACKING"))[-1], 16)

    def origin(self, window):
        """Where a window's inside lies on the screen (xdotool counts the
        window manager's frame twice)."""
        said = self.run("xwininfo", "-id", window).decode()
        return tuple(int(re.search(r"Absolute upper-left %s: +(-?\d+)" % axis, said).group(1))
                     for axis in "XY")

    def pixels(self, points, window="root"):
        """The colours at points of the screen, or of a window, as hex RGB."""
        raw = self.run("import", "-window", window, "-depth", "8", "ppm:-")
        width, header = re.match(rb"P6\s+(\d+)\s+\d+\s+255\s", raw).group(1, 0)
        at = lambda x, y: len(header) + (y * int(width) + x) * 3
        return [raw[at(x, y):at(x, y) + 3].hex() for x, y in points]

    def tab_strip(self, window, left, top, width):
        """A tab strip's tabs (their centres) and the top left of its page, in
        pixels of the window: the tabs' width follows the font, so they are
        found by the strip's grey borders."""
        border = "aaaaaa"
        column = self.pixels([(left + width - 3, y) for y in range(top, top + 60)], window)
        if border not in column:
            return None  # not drawn yet
        line = top + column.index(border)  # the page's top border
        row = self.pixels([(x, line - 1) for x in range(left, left + width)], window)
        edges = [left + i for i, colour in enumerate(row) if colour == border]
        tabs = [((a + b) // 2, line - 8) for a, b in zip(edges, edges[1:]) if b - a > 1]
        return tabs, (left + 1, line + 1)

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


class Site:
    """A small web site on 127.0.0.1 that records every path asked for."""

    def __init__(self, pages, redirects=None):
        self.pages = pages
        self.redirects = redirects or {}
        self.requests = []
        site = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                site.requests.append(self.path)
                path = self.path.split("?")[0]
                body = site.pages.get(path, b"<html><title>Missing</title></html>")
                self.send_response(302 if path in site.redirects else 200 if path in site.pages else 404)
                if path in site.redirects:
                    self.send_header("Location", site.redirects[path])
                    body = b""
                self.send_header("Content-Type", "text/html")
                self.send_header("Content-Length", str(len(body)))
                self.send_header("Cache-Control", "no-store")
                self.end_headers()
                self.wfile.write(body)

            def log_message(self, *args):
                pass

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.port = self.server.server_address[1]
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def url(self, path):
        return "http://127.0.0.1:%d%s" % (self.port, path)

    def close(self):
        self.server.shutdown()
        self.server.server_close()


class Display:
    """A virtual X display of its own, with the stock openbox on it when asked."""

    def __init__(self, window_manager=False):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(read_end, 16)
            if not chunk:
                raise RuntimeError("Xvfb did not start")
            number += chunk
        os.close(read_end)
        self.name = ":" + number.decode().strip()
        self.wm = None
        if window_manager:
            env = dict(os.environ, DISPLAY=self.name)
            self.wm = subprocess.Popen(
                ["openbox", "--sm-disable", "--config-file", "/etc/xdg/openbox/rc.xml"],
                env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            deadline = time.time() + 20
            while b"window id" not in subprocess.run(
                    ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=env,
                    capture_output=True).stdout:
                if time.time() > deadline:
                    raise RuntimeError("openbox did not start")
                time.sleep(0.1)

    def close(self):
        if self.wm:
            self.wm.terminate()
            self.wm.wait(10)
        self.process.terminate()
        self.process.wait(10)


OTHER_PROGRAMS = r"""
import sys, tkinter as tk
root = tk.Tk()
root.title("Other program")
root.geometry("200x150+20+560")
root.configure(bg="#00ff00")
entry = tk.Entry(root)
entry.pack(padx=10, pady=10)
entry.bind("<Key>", lambda e: (sys.stdout.write(e.char), sys.stdout.flush()))
entry.focus_set()
dock = tk.Toplevel(root)
dock.title("Taskbar")
dock.geometry("1024x24+0+744")
dock.configure(bg="#ff0000")
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
        threading.Thread(target=self._collect, daemon=True).start()

    def _collect(self):
        for chunk in iter(lambda: self.process.stdout.read(1), b""):
            self.typed += chunk.decode(errors="replace")

    def close(self):
        self.process.kill()
        self.process.wait(10)


class Tobrin:
    """One installed copy of the program, started and driven on a display."""

    def __init__(self, build_dir, display):
        self.root = tempfile.mkdtemp(prefix="tobrin-e2e-")
        self.app = os.path.join(self.root, "app")
        self.home = os.path.join(self.root, "home")
        os.makedirs(self.home)
        subprocess.run(["cmake", "--install", build_dir, "--prefix", self.app],
                       check=True, stdout=subprocess.DEVNULL)
        self.display = display
        self.process = None
        self.stderr_lines = []

    # --- files and settings -------------------------------------------------
    def path(self, relative):
        return os.path.join(self.app, relative.lstrip("/"))

    def read(self, relative):
        return pathlib.Path(self.path(relative)).read_bytes()

    def settings_file(self):
        return os.path.join(self.home, ".config", "Corvane", "Corvane.conf")

    def settings(self):
        path = pathlib.Path(self.settings_file())
        return path.read_bytes() if path.exists() else b""

    # --- the process --------------------------------------------------------
    def env(self):
        env = dict(os.environ)
        env.update({
            "DISPLAY": self.display.name,
            "HOME": self.home,
            "XDG_CONFIG_HOME": os.path.join(self.home, ".config"),
            "XDG_DATA_HOME": os.path.join(self.home, ".local", "share"),
            "XDG_CACHE_HOME": os.path.join(self.home, ".cache"),
            "QT_QPA_PLATFORM": "xcb",
            "QTWEBENGINE_DISABLE_SANDBOX": "1",
            "QTWEBENGINE_CHROMIUM_FLAGS": "--disable-gpu --disable-background-networking",
            "TOBRIN_STARTUP_PROBE": "1",
        })
        return env

    def start(self, command=None):
        """Starts the program, or a command that starts it (a login session)."""
        if self.process and self.process.stderr:
            self.process.stderr.close()
        self.stderr_lines = []
        # A group of its own, so that a kill takes every process it started.
        self.process = subprocess.Popen(command or [os.path.join(self.app, "tobrin")], env=self.env(),
                                        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                        start_new_session=True)
        threading.Thread(target=self._collect, daemon=True).start()
        self.wait_for(lambda: any("start page loaded" in l for l in self.stderr_lines), 60,
                      "the start page to load")
        self.browser = self.window(r"Tobrin 2\.0$")

    def _collect(self):
        for line in self.process.stderr:
            self.stderr_lines.append(line.decode(errors="replace"))

    def wait_for(self, condition, seconds, what):
        deadline = time.time() + seconds
        while time.time() < deadline:
            if condition():
                return
            if self.process and self.process.poll() is not None and what != "the program to end":
                raise AssertionError("tobrin ended while waiting for %s:\n%s"
                                     % (what, "".join(self.stderr_lines[-20:])))
            time.sleep(0.1)
        raise AssertionError("timed out waiting for " + what)

    def ended(self, seconds=20):
        self.wait_for(lambda: self.process.poll() is not None, seconds, "the program to end")
        return self.process.returncode

    def kill(self):
        if self.process and self.process.poll() is None:
            os.killpg(self.process.pid, signal.SIGKILL)
            self.process.wait(10)
        if self.process and self.process.stderr:
            self.process.stderr.close()

    def cleanup(self):
        self.kill()
        shutil.rmtree(self.root, ignore_errors=True)

    # --- the screen ---------------------------------------------------------
    def xdotool(self, *args):
        out = subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env(),
                             capture_output=True, text=True)
        return out.stdout

    def windows(self, pattern):
        out = self.xdotool("search", "--onlyvisible", "--name", pattern)
        return [w for w in out.split() if w]

    def window(self, pattern, seconds=20):
        found = []

        def look():
            found[:] = self.windows(pattern)
            return bool(found)
        self.wait_for(look, seconds, "a window named /%s/" % pattern)
        return found[-1]

    def title(self, window):
        return self.xdotool("getwindowname", window).strip()

    def wait_title(self, window, pattern, seconds=20):
        self.wait_for(lambda: re.search(pattern, self.title(window)),
                      seconds, "the title to match /%s/" % pattern)

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
        subprocess.run(["wmctrl", "-i", "-c", hex(int(window))], env=self.env())
        time.sleep(0.3)

    def client_stacking(self):
        """The window manager's windows, bottom first."""
        out = subprocess.run(["xprop", "-root", "_NET_CLIENT_LIST_STACKING"], env=self.env(),
                             capture_output=True, text=True).stdout
        return [int(w, 16) for w in re.findall(r"0x[0-9a-f]+", out)]

    def origin(self, window):
        """Where a window's inside lies on the screen."""
        out = self.xdotool("getwindowgeometry", "--shell", window)
        values = dict(line.split("=") for line in out.split())
        return int(values["X"]), int(values["Y"])

    def pixels(self, points):
        """The colours at points of the screen, as hex RGB."""
        raw = subprocess.run(["import", "-window", "root", "-depth", "8", "rgb:-"],
                             env=self.env(), capture_output=True).stdout
        return [raw[(y * 1024 + x) * 3:(y * 1024 + x) * 3 + 3].hex() for x, y in points]

    def screenshot(self, path):
        subprocess.run(["import", "-window", "root", path], env=self.env(),
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

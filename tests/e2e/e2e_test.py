"""A family's day with the real program: on a locked desktop under a window
manager the child tries every way out, surfs a local web site past blocked
words, pop-ups and a frame, and quits; the parent sets up words, a favorite,
a schedule and a password. The Tobrin login session runs as a display
manager would start it."""

import datetime
import os
import pathlib
import pwd
import re
import subprocess
import sys
import time
import unittest

from tobrin_driver import Display, OtherPrograms, Site, Tobrin, wait_for

BUILD = sys.argv.pop(1) if len(sys.argv) > 1 else "build"
SESSION = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "session")
COVER = "202028"

PAGES = {
    "/index.html": b"<html><title>Index page</title><body>"
                   b"<a href='/second.html' style='display:block;height:200px;background:#ddd'>"
                   b"Second</a></body></html>",
    "/second.html": b"<html><title>Second page</title><body>two</body></html>",
    # The blocked frame comes once the allowed one is in: refusing it stops
    # the page's loads, as the Stop button does, which may otherwise catch
    # the allowed frame before its request leaves.
    "/frames.html": b"<html><title>Frames</title><body>"
                    b"<iframe src='/fine-frame.html' onload=\"fetch('/frame-added').then(() => "
                    b"document.body.insertAdjacentHTML('beforeend', "
                    b"'<iframe src=/badword-frame.html></iframe>'))\"></iframe></body></html>",
    "/fine-frame.html": b"<html><body>fine</body></html>",
    "/popup.html": b"<html><title>Popup</title><body onload=\"window.open('/second.html')\">"
                   b"<a target='_blank' href='/second.html'>new</a></body></html>",
    # Each activation of the field reports, a moment later, how many files it holds.
    "/upload.html": b"<html><title>Upload</title><body><input type=file multiple "
                    b"style='font-size:100px' onclick=\"setTimeout(() => "
                    b"fetch('/files?' + this.files.length), 1000)\"></body></html>",
}

# Places on the browser window, in twips: (left + width / 2, top + height / 2).
COMBO1 = (1950 + 2782, 5475 + 157)
CMD_BACK = (3300 + 352, 5850 + 120)
ON_BUTTON = (1275 + 255, 5475 + 157)
PAGE = (150 + 1000, 150 + 1000)
PAGE_RIGHT = (150 + 8000, 150 + 1000)  # beside a short line of text
RC_BUTTON = (7725 + 232, 5475 + 157)
FAVORITES_BUTTON = (6300 + 607, 5850 + 120)

# Places on the control panel, in pixels: on the panel itself, or from the top
# left of a tab's page. The tabs are as wide as their captions in the theme's
# font, so they and the pages below them are found on the screen.
PANEL_TABS = (8, 8, 488)  # left, top, width
GENERAL, ADDRESSES, FAVORITES, TIME = range(4)
PANEL_OK = (437, 352)
CHECK3 = (87, 80)
CHECK4 = (87, 112)
TEXT1 = (88, 33)
ADD_WORD = (204, 36)
ADD_FAVORITE = (190, 90)
WEEKDAY_TABS = (8, 4, 352)  # Mon..Sun, on the Time page
TIME_APPLY = (424, 268)


class FamilyDay(unittest.TestCase):
    def setUp(self):
        # The desktop lock is only judged under a real window manager.
        self.display = Display(window_manager=self._testMethodName == "test_child_surfs_and_quits")
        self.site = Site(PAGES, {"/go": "/badword-target.html"})
        self.tobrin = Tobrin(BUILD, self.display)

    def tearDown(self):
        # What the screen showed last, for a failure's diagnosis.
        self.tobrin.run("import", "-window", "root",
                        os.path.join(BUILD, "e2e-%s.png" % self._testMethodName))
        self.tobrin.cleanup()
        self.site.close()
        self.display.close()

    def surf(self, path, title=None):
        """Types an address of the site; waits for the page's title if given."""
        t = self.tobrin
        t.click(t.browser, *COMBO1)
        t.key("ctrl+a")
        t.type(self.site.url(path))
        t.key("Return")
        if title:
            t.wait_title(t.browser, r"^%s - Tobrin 2\.0$" % title)

    def try_every_way_out(self, others):
        t = self.tobrin
        other = t.window(r"^Other program$")
        x, y = t.origin(t.browser)
        cover = t.window(r"^Tobrin desktop lock$")
        t.click(t.browser, *COMBO1)  # the keys below go to the address box
        attempts = [(keys, ["xdotool", "key", keys]) for keys in (
            "super+d", "alt+space", "Escape", "ctrl+alt+Right", "super+F2", "alt+F4",
            "alt+Escape", "alt+Tab", "ctrl+shift+i", "ctrl+shift+d", "F12", "ctrl+o", "ctrl+p")]
        attempts += [("button %d on the cover" % b, ["xdotool", "mousemove", 950, 600, "click", b])
                     for b in (1, 2, 3, 4, 5)]
        attempts += [("button %d on the title" % b,
                      ["xdotool", "mousemove", x + 200, y - 8, "click", b]) for b in (2, 3, 4)]
        attempts += [("a double click on the title",
                      ["xdotool", "mousemove", x + 200, y - 8, "click", "--repeat", 2, 1])]
        attempts += [("alt+button %d on the page" % b, ["xdotool", "mousemove", x + 200, y + 100,
                                                        "keydown", "alt", "click", b, "keyup", "alt"])
                     for b in (2, 5)]
        attempts += [
            ("minimising the browser", ["xdotool", "windowminimize", t.browser]),
            ("minimising the cover", ["xdotool", "windowminimize", cover]),
            ("closing the cover", ["wmctrl", "-i", "-c", hex(int(cover))]),
            ("showing the desktop", ["wmctrl", "-k", "on"]),
            ("another workspace", ["wmctrl", "-s", "1"]),
            ("the browser sent to a workspace",
             ["wmctrl", "-i", "-r", hex(int(t.browser)), "-t", "2"]),
            ("activating the other program", ["xdotool", "windowactivate", other]),
        ]
        own = lambda: [w for w in t.windows(".") if t.xdotool("getwindowpid", w).strip()
                       == str(t.process.pid)]
        windows = own()
        for attempt, command in attempts:
            t.run(*command)
            time.sleep(1)
            self.assertEqual(sorted(own()), sorted(windows), "%s opened a window" % attempt)
            top = t.top_window()
            self.assertEqual(t.xdotool("getwindowpid", top).strip(), str(t.process.pid),
                             "%s: %s is on top" % (attempt, t.title(top)))
            x, y = t.origin(t.browser)
            # The browser's frame, the other program's window, the taskbar and
            # the desktop.
            self.assertEqual(t.pixels([(x + 4, y + 4), (100, 640), (500, 756), (950, 600)]),
                             ["000000", COVER, COVER, COVER], attempt)
            t.xdotool("type", "x")  # never reaches the other program
        self.assertEqual(others.typed, "")

    def test_child_surfs_and_quits(self):
        t = self.tobrin
        pathlib.Path(t.path("/files/nosurf.txt")).write_bytes(b"badword\r\n")
        os.makedirs(os.path.dirname(t.settings_file))
        t.settings_file.write_text("[Tobrin%202.0]\ndisable=True\n")
        others = OtherPrograms(self.display)
        self.addCleanup(others.close)
        t.window(r"^Taskbar$")
        t.start()
        start_log = t.read("/files/log.txt")
        self.assertRegex(start_log, rb"^SURFING: [^\r\n]+\r\n\r\r\n$")
        # The engine's processes run in its sandbox, as root too.
        self.assertTrue(t.run("pgrep", "-g", t.process.pid, "-x", "bwrap"))
        self.try_every_way_out(others)

        self.surf("/index.html", "Index page")
        t.click(t.browser, *PAGE)  # the big link
        t.wait_title(t.browser, r"^Second page - Tobrin 2\.0$")

        self.surf("/badword.html")
        self.surf("/go")
        self.surf("/frames.html", "Frames")
        t.wait_for(lambda: "/fine-frame.html" in self.site.requests, 10, "the allowed frame")
        t.wait_for(lambda: "/frame-added" in self.site.requests, 10, "the blocked frame's turn")
        time.sleep(1)

        windows_before = len(t.windows("."))
        self.surf("/popup.html", "Popup")
        time.sleep(1.5)
        self.assertEqual(len(t.windows(".")), windows_before, "a pop-up opened a window")

        # An upload field, clicked and keyed, opens no window onto the files
        # and gets none of them.
        self.surf("/upload.html", "Upload")
        answers = lambda: [r for r in self.site.requests if r.startswith("/files")]
        for n, activate in enumerate((lambda: t.click(t.browser, *PAGE), lambda: t.key("space"),
                                      lambda: t.key("Return")), 1):
            activate()
            t.wait_for(lambda: len(answers()) == n, 10, "the field's answer %d" % n)
        self.assertEqual(answers(), ["/files?0"] * 3)
        self.assertEqual(len(t.windows(".")), windows_before, "a file dialog opened")

        t.click(t.browser, *CMD_BACK)
        t.wait_title(t.browser, r"^Popup - Tobrin 2\.0$")

        # No blocked address ever reached the site.
        self.assertFalse({"/badword.html", "/badword-target.html", "/badword-frame.html"}
                         & set(self.site.requests))
        self.assertIn("/go", self.site.requests)

        # The window manager's close asks first; No keeps the browser.
        t.close_window(t.browser)
        t.point_at(t.window(r"^Tobrin$"))
        t.key("Escape")
        t.wait_for(lambda: not t.windows(r"^Tobrin$"), 10, "the box to close")
        self.quit_with_yes()  # fails at once if No had ended the program

        log = t.read("/files/log.txt")
        # The No's end record, then the Yes's with the same history, and nothing else.
        records = re.fullmatch(re.escape(start_log) +
                               rb"((?:[^\r\n]+\r\n)*)\r\nFINISHED AT: [^\r\n]+\r\n\r\n\|{54}\r\n"
                               rb"\1\r\nFINISHED AT: [^\r\n]+\r\n\r\n\|{158}\r\n", log)
        self.assertTrue(records, log)
        history = records.group(1).decode("cp1252").split("\r\n")[:-1]
        self.assertTrue(history[0].endswith("/html/intro.htm"), history)
        expected = [self.site.url(p) for p in
                    ("/index.html", "/second.html", "/go", "/frames.html", "/fine-frame.html",
                     "/popup.html", "/upload.html")]
        self.assertEqual(sorted(history[1:]), sorted(expected))  # each once

        # The keyboard is given back with the program's end (the window
        # manager shows the other program again a moment later).
        other = []
        wait_for(lambda: other.extend(t.windows(r"^Other program$")) or other, 10,
                 "the other program to show")
        t.click(other[0], 100, 20, unit=1)
        t.type("free")
        t.wait_for(lambda: others.typed.endswith("free"), 10, "the other program to get keys")

        # A session killed outright reaches the log at the next start, first.
        t.start()
        self.surf("/index.html", "Index page")
        t.kill()
        t.start()
        self.assertRegex(
            t.read("/files/log.txt")[len(log):],
            rb"^SURFING: [^\r\n]+\r\n\r\r\n[^\r\n]+/html/intro\.htm\r\n%s\r\n\r\n"
            rb"DID NOT END NORMALLY\. LAST SEEN AT: [^\r\n]+\r\n\r\n\|{100}\r\n"
            rb"SURFING: [^\r\n]+\r\n\r\r\n$" % re.escape(self.site.url("/index.html").encode()))


    def open_tab(self, panel, tab, strip=PANEL_TABS, page=(0, 0)):
        """Opens a tab of a strip on a page; gives the top left of its own page."""
        t, found = self.tobrin, []
        left, top = page[0] + strip[0], page[1] + strip[1]
        t.wait_for(lambda: found.append(t.tab_strip(panel, left, top, strip[2])) or found[-1],
                   10, "the tabs to be drawn")
        tabs, top_left = found[-1]
        t.click(panel, *tabs[tab], unit=1)
        return top_left

    def click_on(self, panel, page, x, y):
        self.tobrin.click(panel, page[0] + x, page[1] + y, unit=1)

    def close_panel(self, panel):
        t = self.tobrin
        t.click(panel, *PANEL_OK, unit=1)
        t.wait_for(lambda: not t.windows(r"^ Parental Remote Control$"), 10, "the panel to hide")

    def quit_with_yes(self):
        t = self.tobrin
        t.click(t.browser, *ON_BUTTON)
        t.window(r"^Tobrin$")
        t.key("alt+y")
        self.assertEqual(t.ended(), 0)

    def enter_password(self, password, leads_to=r"^ Parental Remote Control$"):
        """Answers the password prompt; points at the window it leads to."""
        t = self.tobrin
        t.point_at(t.window(r"^ Tobrin$"))
        t.type(password)
        t.key("Return")  # to O K
        t.key("Return")  # confirms
        window = t.window(leads_to)
        t.point_at(window)
        return window

    def test_parent_sets_up_then_child_meets_it(self):
        t = self.tobrin
        t.start()
        self.surf("/index.html", "Index page")

        # First use: the parent chooses a password (twice, then the notice),
        # then gives it.
        t.click(t.browser, *RC_BUTTON)
        t.point_at(t.window(r"^ Tobrin$"))
        t.type("Secret 1")
        t.key("Return")
        self.enter_password("Secret 1", r"^Atention!$")
        t.key("Return")
        panel = self.enter_password("Secret 1")

        # The page the child was on becomes a favorite.
        self.click_on(panel, self.open_tab(panel, FAVORITES), *ADD_FAVORITE)
        pref = ("Index page\r\n%s\r\n" % self.site.url("/index.html")).encode()
        self.assertEqual(t.read("/files/pref.txt"), pref)

        # A blocked word, and favorites-only mode.
        page = self.open_tab(panel, ADDRESSES)
        self.click_on(panel, page, *TEXT1)
        t.type("badword")
        self.click_on(panel, page, *ADD_WORD)
        self.assertEqual(t.read("/files/nosurf.txt"), b"badword\r\n")
        page = self.open_tab(panel, GENERAL)
        self.click_on(panel, page, *CHECK3)
        t.wait_for(lambda: b"favorites=1" in t.settings(), 10, "favorites-only to be stored")
        # The desktop lock: this display lets it hold, so nothing is told.
        self.click_on(panel, page, *CHECK4)
        t.wait_for(lambda: b"disable=True" in t.settings(), 10, "the lock to be stored")
        self.close_panel(panel)

        # The address box no longer takes the child anywhere.
        self.surf("/second.html")
        time.sleep(2)
        self.assertNotIn("/second.html", self.site.requests)

        # The favorites page (a local file) leads back to the web site: its
        # first link, reached with the keyboard.
        t.click(t.browser, *FAVORITES_BUTTON)
        t.wait_title(t.browser, r"^Favorites - Tobrin 2\.0$")
        t.click(t.browser, *PAGE_RIGHT)
        t.key("Tab", "Return")
        t.wait_title(t.browser, r"^Index page - Tobrin 2\.0$")
        self.quit_with_yes()

        # The next start remembers all of it, the lock too: only the password
        # is asked for, a wrong one is refused, the right one opens the panel.
        t.start()
        t.click(t.browser, *RC_BUTTON)
        self.enter_password("secret 1", r"^Error!$")
        t.key("Return")
        panel = self.enter_password("Secret 1")

        # This half-hour and the next are blocked for today.
        now = datetime.datetime.now()
        slot = now.hour * 2 + (1 if now.minute >= 30 else 0)
        page = self.open_tab(panel, TIME)
        day = self.open_tab(panel, now.weekday(), WEEKDAY_TABS, page)
        blocked = [s for s in (slot, slot + 1) if s < 48]
        for s in blocked:  # the centre of the half-hour's cell in the grid
            self.click_on(panel, day, 62 if s < 24 else 92, 14 + 10 * (s % 24))
        self.click_on(panel, page, *TIME_APPLY)
        self.assertEqual(t.read("/buffer/buf%d.log" % (now.weekday() + 1)),
                         b"".join(b"1\r\n" if s in blocked else b"0\r\n" for s in range(48)))
        self.close_panel(panel)

        # Within a minute the check stops the child and says when surfing is
        # allowed again (when anything is allowed later today).
        if blocked[-1] < 47:
            box = t.window(r"^Tobrin$", seconds=75)
            t.point_at(box)
            t.key("Return")
            t.wait_for(lambda: not t.windows(r"^Tobrin$"), 10, "the box to close")

        self.quit_with_yes()
        self.assertEqual(t.read("/files/log.txt").count(b"SURFING: "), 2)
        # Every setting, byte for byte: the switch, and "Secret 1" with each
        # code XOR 83 (a NUL first, so the settings file spells it escaped).
        self.assertEqual(t.settings(),
                         b"[Tobrin%202.0]\ndisable=True\nfavorites=1\npassword=@String(\\0\\x36\\x30!6'sb)\n")

    def test_tobrin_session(self):
        t = self.tobrin
        system = pathlib.Path(t.root, "system")
        (system / "etc").mkdir(parents=True)
        (system / "etc/passwd").write_text("kid:x:1001:1001::/home/kid:/bin/sh\n")
        subprocess.run([os.path.join(SESSION, "install-session"), "--root", system,
                        "--program", t.path("tobrin"), "kid"], check=True,
                       stdout=subprocess.DEVNULL)
        read = lambda path: (system / path).read_text()
        self.assertIn("Exec=/usr/local/bin/tobrin-session\n",
                      read("usr/share/xsessions/tobrin.desktop"))
        self.assertEqual(read("home/kid/.dmrc"), "[Desktop]\nSession=tobrin\n")
        self.assertEqual(read("var/lib/AccountsService/users/kid"),
                         "[User]\nXSession=tobrin\nSession=tobrin\n")

        # Started as a display manager starts a session, on a display of its
        # own: Tobrin is the only program there, and quitting it ends it.
        t.start([os.path.join(system, "usr/local/bin/tobrin-session")])
        # (Windows with no class at all are the 1x1 leaders that GTK clients,
        # the accessibility registry among them, keep off the screen.)
        tree = t.run("xwininfo", "-root", "-tree").decode()
        self.assertEqual(set(re.findall(r'\("([^"]+)" "', tree)),
                         {"tobrin", "OPENBOX_FOCUS_CYCLE_POPUP"})
        self.assertEqual(t.xdotool("search", "--onlyvisible", "--name", ".").split(),
                         t.windows(r"Tobrin 2\.0$"))
        self.quit_with_yes()

    def test_family_set_up(self):
        """The service, under an account of its own, keeps the rules of a
        child who surfs under another; nothing the child's account reaches
        changes them, and every session reaches the log."""
        t = self.tobrin
        kid, keeper = (self.account(name) for name in ("tobrin-e2e-kid", "tobrin-e2e-keeper"))
        root = pathlib.Path(t.root)
        root.chmod(0o755)
        state, run, home = root / "state", root / "run", root / "kidhome"
        for folder, owner in ((state, keeper), (run, keeper), (home, kid), (home / "run", kid)):
            folder.mkdir(mode=0o700)
            os.chown(folder, owner, owner)
        run.chmod(0o755)
        (root / "children").write_text("tobrin-e2e-kid\n")
        pathlib.Path(t.path("family.conf")).write_text("[Family]\nsocket=%s/socket\n" % run)
        as_keeper = ["setpriv", "--reuid=%d" % keeper, "--regid=%d" % keeper, "--clear-groups"]
        as_kid = ["setpriv", "--reuid=%d" % kid, "--regid=%d" % kid, "--clear-groups"]
        service = [*as_keeper, t.path("tobrin-family"), "--state", state, "--socket",
                   run / "socket", "--children", root / "children"]
        subprocess.run([*service, "--set-password", "tobrin-e2e-kid"], input=b"Secret 1\n", check=True)
        keeper_process = subprocess.Popen(service)
        self.addCleanup(keeper_process.kill)
        wait_for(lambda: (run / "socket").exists(), 10, "the service's socket")
        kept = lambda name: (state / "tobrin-e2e-kid" / name).read_bytes()
        # The child's own account, as the session starts it.
        t.env = {"DISPLAY": self.display.name, "HOME": str(home), "PATH": "/usr/bin:/bin",
                 "XDG_RUNTIME_DIR": str(home / "run"), "TOBRIN_STARTUP_PROBE": "1"}
        browser = [*as_kid, "dbus-run-session", "--", t.path("tobrin")]
        t.start(browser)
        self.surf("/index.html", "Index page")

        # The parent: the service's password opens the panel; a word and
        # favorites-only are kept by the service.
        t.click(t.browser, *RC_BUTTON)
        panel = self.enter_password("Secret 1")
        page = self.open_tab(panel, ADDRESSES)
        self.click_on(panel, page, *TEXT1)
        t.type("badword")
        self.click_on(panel, page, *ADD_WORD)
        self.assertEqual(kept("files/nosurf.txt"), b"badword\r\n")
        self.click_on(panel, self.open_tab(panel, GENERAL), *CHECK3)
        t.wait_for(lambda: b"favorites=1" in kept("settings.conf"), 10, "favorites-only to be kept")
        self.close_panel(panel)
        settings = kept("settings.conf")

        # The child's account: the service's files are out of reach, and its
        # calls change nothing without the password, which is slow to guess.
        self.assertNotEqual(subprocess.run(
            [*as_kid, "sh", "-c", "echo > %s/tobrin-e2e-kid/files/nosurf.txt" % state],
            stderr=subprocess.DEVNULL).returncode, 0)
        send = [*as_kid, "dbus-send", "--peer=unix:path=%s/socket" % run, "--print-reply",
                "/org/corvane/Tobrin/Family"]
        family = "org.corvane.Tobrin.Family1."
        for call in (["SetSetting", "string:favorites", "string:0"],
                     ["Replace", "string:files/nosurf.txt", "array:byte:"],
                     ["SetPassword", "string:mine"]):
            said = subprocess.run([*send, family + call[0], *call[1:]], capture_output=True)
            self.assertIn(b"NotAuthorised", said.stderr)
        subprocess.run([*send, family + "Authorise", "string:guess"], capture_output=True)
        began = time.monotonic()
        said = subprocess.run([*send, family + "Authorise", "string:guess"], capture_output=True)
        self.assertIn(b"boolean false", said.stdout)
        self.assertGreater(time.monotonic() - began, 0.9)

        # A killed browser's session ends in the log at once.
        t.kill()
        wait_for(lambda: b"DID NOT END NORMALLY" in kept("files/log.txt"), 5, "the end record")

        # The child's own settings, folders and language say otherwise: the
        # service's rules hold, and its password, not a first one, is asked.
        (home / ".config/Corvane").mkdir(parents=True)
        (home / ".config/Corvane/Corvane.conf").write_text("[Tobrin%202.0]\nfavorites=0\n")
        t.env.update(XDG_CONFIG_HOME=str(home / "elsewhere"), LANG="ru_RU.UTF-8")
        t.start(browser)
        self.surf("/second.html")
        time.sleep(2)
        self.assertNotIn("/second.html", self.site.requests)
        t.click(t.browser, *RC_BUTTON)
        self.close_panel(self.enter_password("Secret 1"))
        self.quit_with_yes()
        self.assertEqual(kept("settings.conf"), settings)
        self.assertEqual(kept("files/codepage.txt"), b"CP1252\r\n")
        log = kept("files/log.txt")
        self.assertEqual((log.count(b"SURFING: "), log.count(b"DID NOT END NORMALLY")), (2, 1))

        # Without the service the browser shows nothing, and says why.
        keeper_process.kill()
        keeper_process.wait()
        t.kill()
        t.process = None
        ended = subprocess.Popen(browser, env=t.env, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.PIPE)
        t.point_at(t.window(r"^Tobrin$"))
        self.assertFalse(t.windows(r"Tobrin 2\.0$"))
        t.key("Return")
        self.assertIn(b"cannot reach the family service", ended.communicate(timeout=20)[1])
        self.assertEqual(ended.returncode, 1)

    def account(self, name):
        """A user id of an account of the system's own; one made here goes
        again at the end."""
        try:
            return pwd.getpwnam(name).pw_uid
        except KeyError:
            subprocess.run(["useradd", "--system", "--no-create-home", "--shell",
                            "/usr/sbin/nologin", name], check=True)
            self.addCleanup(subprocess.run, ["userdel", name])
            return pwd.getpwnam(name).pw_uid


if __name__ == "__main__":
    unittest.main(verbosity=2)

"""A family's session with the real program: the child surfs a local web
site, meets blocked words in a typed address, a frame and a redirect, a page
that opens pop-ups, goes back, and quits with the ON button (No, then Yes).
Afterwards the surf log is checked byte for byte."""

import os
import re
import sys
import time
import unittest

from tobrin_driver import Display, Site, Tobrin

BUILD = sys.argv.pop(1) if len(sys.argv) > 1 else "build"

PAGES = {
    "/index.html": b"<html><title>Index page</title><body>"
                   b"<a href='/second.html' style='display:block;height:200px;background:#ddd'>"
                   b"Second</a></body></html>",
    "/second.html": b"<html><title>Second page</title><body>two</body></html>",
    "/frames.html": b"<html><title>Frames</title><body>"
                    b"<iframe src='/fine-frame.html'></iframe>"
                    b"<iframe src='/badword-frame.html'></iframe></body></html>",
    "/fine-frame.html": b"<html><body>fine</body></html>",
    "/badword-frame.html": b"<html><body>never</body></html>",
    "/badword.html": b"<html><title>Never</title></html>",
    "/badword-target.html": b"<html><title>Never</title></html>",
    "/popup.html": b"<html><title>Popup</title><body onload=\"window.open('/second.html')\">"
                   b"<a target='_blank' href='/second.html'>new</a></body></html>",
}

# Places on the browser window, in twips: (left + width / 2, top + height / 2).
COMBO1 = (1950 + 2782, 5475 + 157)
CMD_BACK = (3300 + 352, 5850 + 120)
ON_BUTTON = (1275 + 255, 5475 + 157)
PAGE = (150 + 1000, 150 + 1000)
RC_BUTTON = (7725 + 232, 5475 + 157)
FAVORITES_BUTTON = (6300 + 607, 5850 + 120)

# Places on the control panel, in pixels: its tabs are drawn in the platform's
# font, so these come from the panel as this display shows it.
GENERAL_TAB = (43, 21)
ADDRESSES_TAB = (122, 21)
TEXT1 = (97, 69)
ADD_WORD = (213, 72)
CHECK3 = (96, 116)
PANEL_OK = (437, 352)


class FamilyDay(unittest.TestCase):
    def setUp(self):
        self.display = Display()
        self.site = Site(PAGES, {"/go": "/badword-target.html"})
        self.tobrin = Tobrin(BUILD, self.display)

    def tearDown(self):
        # What the screen showed last, for a failure's diagnosis.
        self.tobrin.screenshot(os.path.join(BUILD, "e2e-last.png"))
        self.tobrin.cleanup()
        self.site.close()
        self.display.close()

    def surf(self, address):
        t = self.tobrin
        t.click(t.browser, *COMBO1)
        t.key("ctrl+a")
        t.type(address)
        t.key("Return")

    def test_child_surfs_and_quits(self):
        t = self.tobrin
        t.write("/files/nosurf.txt", b"badword\r\n")
        t.start()
        start_log = t.read("/files/log.txt")
        self.assertRegex(start_log, rb"^SURFING: [^\r\n]+\r\n\r\r\n$")

        self.surf(self.site.url("/index.html"))
        t.wait_title(t.browser, r"^Index page - Tobrin 2\.0$")
        t.click(t.browser, *PAGE)  # the big link
        t.wait_title(t.browser, r"^Second page - Tobrin 2\.0$")

        self.surf(self.site.url("/badword.html"))
        self.surf(self.site.url("/go"))
        self.surf(self.site.url("/frames.html"))
        t.wait_title(t.browser, r"^Frames - Tobrin 2\.0$")
        t.wait_for(lambda: "/fine-frame.html" in self.site.requests, 10, "the allowed frame")

        windows_before = len(t.windows("."))
        self.surf(self.site.url("/popup.html"))
        t.wait_title(t.browser, r"^Popup - Tobrin 2\.0$")
        time.sleep(1.5)
        self.assertEqual(len(t.windows(".")), windows_before, "a pop-up opened a window")

        t.click(t.browser, *CMD_BACK)
        t.wait_title(t.browser, r"^Frames - Tobrin 2\.0$")

        # No blocked address ever reached the site.
        for never in ("/badword.html", "/badword-target.html", "/badword-frame.html"):
            self.assertNotIn(never, self.site.requests)
        self.assertIn("/go", self.site.requests)

        t.click(t.browser, *ON_BUTTON)
        box = t.window(r"^Tobrin$")
        t.key("Escape")  # No
        t.wait_for(lambda: not t.windows(r"^Tobrin$"), 10, "the box to close")
        self.assertIsNone(t.process.poll())
        t.click(t.browser, *ON_BUTTON)
        t.window(r"^Tobrin$")
        t.key("alt+y")
        self.assertEqual(t.ended(), 0)

        log = t.read("/files/log.txt")
        self.assertTrue(log.startswith(start_log))
        records = log[len(start_log):]
        end = re.compile(rb"((?:[^\r\n]+\r\n)*)\r\nFINISHED AT: [^\r\n]+\r\n\r\n(\|+)\r\n")
        found = list(end.finditer(records))
        self.assertEqual(len(found), 2, records)
        self.assertEqual(found[0].end(), found[1].start())
        self.assertEqual(found[1].end(), len(records))
        self.assertEqual([len(m.group(2)) for m in found], [158, 158])
        self.assertEqual(found[0].group(1), found[1].group(1))
        history = found[1].group(1).decode("cp1252").split("\r\n")[:-1]
        self.assertTrue(history[0].endswith("/html/intro.htm"), history)
        expected = [self.site.url(p) for p in
                    ("/index.html", "/second.html", "/go", "/frames.html", "/fine-frame.html",
                     "/popup.html")]
        self.assertEqual(sorted(history[1:]), sorted(expected))
        self.assertEqual(len(history), len(set(history)), "an address entered the history twice")


    def enter_password(self, password):
        """Answers the password prompt and waits for the panel."""
        t = self.tobrin
        prompt = t.window(r"^ Tobrin$")
        t.point_at(prompt)
        t.type(password)
        t.key("Return")  # to O K
        t.key("Return")  # confirms
        return t.window(r"^ Parental Remote Control$")

    def test_parent_sets_up_then_child_meets_it(self):
        t = self.tobrin
        t.start()

        # First use: the parent chooses a password, then gives it.
        t.click(t.browser, *RC_BUTTON)
        first = t.window(r"^ Tobrin$")
        t.point_at(first)
        t.type("Secret 1")
        t.key("Return")
        t.type("Secret 1")
        t.key("Return")
        t.key("Return")
        notice = t.window(r"^Atention!$")
        t.point_at(notice)
        t.key("Return")
        panel = self.enter_password("Secret 1")

        # A blocked word, and favorites-only mode.
        t.point_at(panel)
        t.click_px(panel, *ADDRESSES_TAB)
        t.click_px(panel, *TEXT1)
        t.type("badword")
        t.click_px(panel, *ADD_WORD)
        self.assertEqual(t.read("/files/nosurf.txt"), b"badword\r\n")
        t.click_px(panel, *GENERAL_TAB)
        t.click_px(panel, *CHECK3)
        t.wait_for(lambda: b"favorites=1" in t.settings(), 10, "favorites-only to be stored")
        t.click_px(panel, *PANEL_OK)
        t.wait_for(lambda: not t.windows(r"^ Parental Remote Control$"), 10, "the panel to hide")

        # The address box no longer takes the child anywhere.
        t.click(t.browser, *COMBO1)
        t.type(self.site.url("/index.html"))
        t.key("Return")
        time.sleep(2)
        self.assertNotIn("/index.html", self.site.requests)

        # The Favorites button opens the page made from the (empty) list.
        t.click(t.browser, *FAVORITES_BUTTON)
        t.wait_title(t.browser, r"^Favorites - Tobrin 2\.0$")

        t.click(t.browser, *ON_BUTTON)
        t.window(r"^Tobrin$")
        t.key("alt+y")
        self.assertEqual(t.ended(), 0)

        # The next start remembers all of it: only the password is asked for,
        # a wrong one is refused, the right one opens the panel.
        t.start()
        t.click(t.browser, *RC_BUTTON)
        prompt = t.window(r"^ Tobrin$")
        t.point_at(prompt)
        t.type("secret 1")
        t.key("Return")
        t.key("Return")
        error = t.window(r"^Error!$")
        t.point_at(error)
        t.key("Return")
        panel = self.enter_password("Secret 1")
        t.point_at(panel)
        t.click_px(panel, *PANEL_OK)
        t.wait_for(lambda: not t.windows(r"^ Parental Remote Control$"), 10, "the panel to hide")
        t.click(t.browser, *ON_BUTTON)
        t.window(r"^Tobrin$")
        t.key("alt+y")
        self.assertEqual(t.ended(), 0)
        self.assertEqual(t.read("/files/nosurf.txt"), b"badword\r\n")
        self.assertEqual(t.read("/files/log.txt").count(b"SURFING: "), 2)


if __name__ == "__main__":
    unittest.main(verbosity=2)

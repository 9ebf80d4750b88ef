"""End to end, as a user: the real program under a private X server, driven by keyboard and pointer
only. A message is typed and saved, the program restarted and the message loaded back; a forum is
added from the address box, opened with a double-click, logged in to with the paste buttons, and
filled with Auto Insert; the local test forum must receive exactly what was typed.

    test_post_flow.py BUILD_DIR SOURCE_DIR"""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e_support import LOAD_DIALOG, MAIN, PANE, Workspace, read_records, wait_for, write_records  # noqa: E402
from forum_server import FIELDS, ForumServer  # noqa: E402

BUILD_DIR, SOURCE_DIR = sys.argv[1:3] if len(sys.argv) >= 3 else ("build", ".")

# Text a person might type: non-ASCII letters and symbols, the files' separator, an address.
SUBJECT = "Grüße aus Köln — 5 € ^ café"
BODY = "Hello everyone,\n\nsee http://www.example.com/a?b=1&c=2 ^ for details.\nÄÖÜ äöü ß — ñ € ø\nBye"
USERNAME = "e2e-user"
PASSWORD = "s3cret^pässwörd"
OLD_MESSAGE = ["Old subject", "Kept from\nthe last run"]
OLD_FORUM = ["https://old.example.invalid/", "olduser", "oldpass"]


def on_page(name):
    x, y = FIELDS[name]
    return (PANE[0] + x, PANE[1] + y)


class PostFlowTest(unittest.TestCase):
    def setUp(self):
        self.space = Workspace()
        self.addCleanup(self.space.close)
        self.server = ForumServer()
        self.addCleanup(self.server.close)
        self.space.install_program(BUILD_DIR, SOURCE_DIR)
        self.space.display.add_letters(SUBJECT + BODY + USERNAME + PASSWORD)
        # Files from a previous run.
        self.messages = os.path.join(self.space.app_dir, "Messages.dat")
        self.forums = os.path.join(self.space.app_dir, "Forums.dat")
        write_records(self.messages, "Subject^Body^", [OLD_MESSAGE])
        write_records(self.forums, "URL^Username^Password^", [OLD_FORUM])

    def run_app(self):
        app = self.space.app()
        self.addCleanup(app.stop)
        app.start()
        return app

    def test_save_restart_load_log_in_and_post(self):
        forum_url = self.server.url + "/login"

        # First run: write a message and save it; add the test forum with its log-in.
        app = self.run_app()
        app.click(MAIN["subject"])
        app.type(SUBJECT)
        app.click(MAIN["body"])
        app.type(BODY)
        app.click(MAIN["save"])
        saved = wait_for("the message in Messages.dat", lambda: len(read_records(self.messages)) == 2 and
                         read_records(self.messages))
        self.assertEqual(saved, [OLD_MESSAGE, [SUBJECT, BODY]])

        app.replace_text(MAIN["url"], forum_url)
        app.key("Return")
        wait_for("the forum's log-in page", lambda: self.server.requested("GET", "/login"))
        app.replace_text(MAIN["username"], USERNAME)
        app.replace_text(MAIN["password"], PASSWORD)
        app.click(MAIN["add_url"])
        forums = wait_for("the forum in Forums.dat", lambda: len(read_records(self.forums)) == 2 and
                          read_records(self.forums))
        self.assertEqual(forums, [[forum_url, USERNAME, PASSWORD], OLD_FORUM])
        self.assertEqual(os.stat(self.forums).st_mode & 0o077, 0, "Forums.dat holds passwords")
        app.stop()

        # Second run: load the message back, open the forum, log in with the paste buttons.
        app = self.run_app()
        self.assertEqual(read_records(self.messages), [OLD_MESSAGE, [SUBJECT, BODY]])
        app.click(MAIN["load"])
        dialog = wait_for("the Load Message dialog", lambda: app.find_window("Load Message"))
        app.click(LOAD_DIALOG["list"], window=dialog)
        app.key("End")
        app.click(LOAD_DIALOG["load"], window=dialog)
        wait_for("the dialog to close", lambda: app.find_window("Load Message") is None)

        self.server.requests.clear()
        app.click(MAIN["first_forum"], double=True)
        wait_for("the forum's log-in page", lambda: self.server.requested("GET", "/ready?login"))
        app.click(on_page("username"))
        app.click(MAIN["user_paste"])
        app.click(on_page("password"))
        app.click(MAIN["password_paste"])
        app.click(on_page("login"))
        login = wait_for("the log-in form", lambda: self.server.form("/login"))
        self.assertEqual(login, {"username": USERNAME, "password": PASSWORD})

        wait_for("the posting page", lambda: self.server.requested("GET", "/ready?post"))
        app.click(MAIN["auto_insert"])
        wait_for("Auto Insert to fill the page", lambda: self.server.requested("GET", "/filled"))
        app.click(on_page("post"))
        post = wait_for("the post", lambda: self.server.form("/post"))
        # A form sends a text area's line breaks as CR LF.
        self.assertEqual(post, {"subject": SUBJECT, "body": BODY.replace("\n", "\r\n")})

        # The page sent the post: it is recorded with the page the forum answered on, and the forum is
        # marked for this subject.
        posts_file = os.path.join(self.space.app_dir, "Posts.dat")
        posts = wait_for("the post in Posts.dat", lambda: os.path.exists(posts_file) and read_records(posts_file))
        self.assertEqual(len(posts), 1)
        self.assertEqual(posts[0][0:2], [SUBJECT, forum_url])
        self.assertRegex(posts[0][2], r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ$")
        self.assertEqual(posts[0][3], self.server.url + "/post")

        # Nothing of this changed the other files.
        self.assertEqual(read_records(self.messages), [OLD_MESSAGE, [SUBJECT, BODY]])
        self.assertEqual(read_records(self.forums), [[forum_url, USERNAME, PASSWORD], OLD_FORUM])


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0]], verbosity=2)

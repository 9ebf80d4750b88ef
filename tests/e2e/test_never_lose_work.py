"""End to end: the message being written survives the program's end. Typed and left for two seconds,
it survives kill -9 and comes back at the next start; saved, it does not come back. SIGTERM keeps it
too, and leaves the directory's lock free.

    test_never_lose_work.py BUILD_DIR SOURCE_DIR"""

import os
import signal
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e_support import MAIN, Workspace, read_records, wait_for  # noqa: E402

BUILD_DIR, SOURCE_DIR = sys.argv[1:3] if len(sys.argv) >= 3 else ("build", ".")

SUBJECT = "Draft subject ^ 5"
BODY = "First line\nsecond line"
# The program promises the draft on disk within this time of the typing.
DRAFT_PROMISE = 2.0


class NeverLoseWorkTest(unittest.TestCase):
    def setUp(self):
        self.space = Workspace()
        self.addCleanup(self.space.close)
        self.space.install_program(BUILD_DIR, SOURCE_DIR)
        self.messages = os.path.join(self.space.app_dir, "Messages.dat")
        self.draft = os.path.join(self.space.app_dir, "Draft.dat")
        self.lock = os.path.join(self.space.app_dir, "Threadwick.lock")

    def run_app(self):
        app = self.space.app()
        self.addCleanup(app.stop)
        app.start()
        return app

    def type_message(self, app):
        app.click(MAIN["subject"])
        app.type(SUBJECT)
        app.click(MAIN["body"])
        app.type(BODY)

    def saved_messages(self):
        return read_records(self.messages) if os.path.exists(self.messages) else []

    def end(self, app, number):
        """Sends the signal and returns the program's exit status."""
        app.process.send_signal(number)
        status = app.process.wait(30)
        app.stop()
        return status

    def test_kill_after_two_seconds_keeps_the_draft_and_save_ends_it(self):
        app = self.run_app()
        self.type_message(app)
        time.sleep(DRAFT_PROMISE)
        self.end(app, signal.SIGKILL)
        self.assertEqual(read_records(self.draft), [[SUBJECT, BODY]])

        # The next start shows the message: Save stores exactly it, and the draft goes.
        app = self.run_app()
        app.click(MAIN["save"])
        wait_for("the restored message in Messages.dat", lambda: self.saved_messages() == [[SUBJECT, BODY]])
        wait_for("the draft to go", lambda: not os.path.exists(self.draft))
        self.end(app, signal.SIGKILL)

        # Saved, it does not come back: the editor is empty, so Save stores nothing more.
        app = self.run_app()
        self.assertFalse(os.path.exists(self.draft))
        app.click(MAIN["save"])
        time.sleep(0.5)
        self.assertEqual(self.saved_messages(), [[SUBJECT, BODY]])

    def test_sigterm_keeps_the_draft_and_frees_the_lock(self):
        app = self.run_app()
        self.type_message(app)
        # At once: the signal itself must write the draft.
        self.assertEqual(self.end(app, signal.SIGTERM), 0)
        self.assertEqual(read_records(self.draft), [[SUBJECT, BODY]])
        self.assertFalse(os.path.exists(self.lock), "the lock is released")
        self.assertEqual(self.saved_messages(), [])

        app = self.run_app()
        app.click(MAIN["save"])
        wait_for("the restored message in Messages.dat", lambda: self.saved_messages() == [[SUBJECT, BODY]])


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0]], verbosity=2)

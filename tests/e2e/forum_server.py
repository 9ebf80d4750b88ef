"""A small forum for the end-to-end tests, on 127.0.0.1 and an ephemeral port: a log-in page, a
posting page, and a record of every form it receives. Its fields sit at fixed places at the top of
the page (see FIELDS) so that a test can click them as a user would."""

import html
import threading
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

# Middle points of the page's controls, in page pixels from its top-left corner.
FIELDS = {
    "username": (150, 25),
    "password": (150, 75),
    "login": (150, 125),
    "subject": (150, 25),
    "body": (150, 100),
    "post": (150, 175),
}

STYLE = """<style>
body { margin: 0; font: 14px sans-serif; }
.f { position: absolute; left: 0; width: 300px; box-sizing: border-box; margin: 0; }
</style>"""

# The pages tell the test when they are laid out, and the posting page when both its fields hold
# text, so the test waits for those instead of guessing a time.
READY = """<script>
addEventListener("load", () => requestAnimationFrame(() => fetch("/ready?%s")));
</script>"""
FILLED = """<script>
const timer = setInterval(() => {
  const form = document.forms[0];
  if (form.subject.value !== "" && form.body.value !== "") {
    clearInterval(timer);
    fetch("/filled");
  }
}, 50);
</script>"""

LOGIN_PAGE = """<!DOCTYPE html><html><head><meta charset="utf-8"><title>Test forum: log in</title>%s</head>
<body><form method="post" action="/login" accept-charset="utf-8">
<input class="f" style="top:5px;height:40px" type="text" name="username">
<input class="f" style="top:55px;height:40px" type="password" name="password">
<button class="f" style="top:105px;height:40px" type="submit">Log in</button>
</form>%s</body></html>""" % (STYLE, READY % "login")

POST_PAGE = """<!DOCTYPE html><html><head><meta charset="utf-8"><title>Test forum: new post</title>%s</head>
<body><form method="post" action="/post" accept-charset="utf-8">
<input class="f" style="top:5px;height:40px" type="text" name="subject">
<textarea class="f" style="top:55px;height:90px" name="body"></textarea>
<button class="f" style="top:155px;height:40px" type="submit">Post</button>
</form><p style="position:absolute;top:210px">Logged in as %%s</p>%s%s</body></html>""" % (
    "%s", READY % "post", FILLED)


class ForumServer:
    def __init__(self):
        self.lock = threading.Lock()
        self.requests = []  # (method, path)
        self.forms = []  # (path, {name: value})
        self.user = ""
        owner = self

        class Handler(BaseHTTPRequestHandler):
            def log_message(self, *args):
                pass

            def send_page(self, text, status=200):
                body = text.encode("utf-8")
                self.send_response(status)
                self.send_header("Content-Type", "text/html; charset=utf-8")
                self.send_header("Content-Length", str(len(body)))
                self.send_header("Cache-Control", "no-store")
                self.end_headers()
                self.wfile.write(body)

            def do_GET(self):
                with owner.lock:
                    owner.requests.append(("GET", self.path))
                    user = owner.user
                if self.path.startswith("/login") or self.path == "/":
                    self.send_page(LOGIN_PAGE)
                elif self.path.startswith("/ready") or self.path == "/filled":
                    self.send_response(204)
                    self.end_headers()
                elif self.path.startswith("/post"):
                    self.send_page(POST_PAGE % (STYLE, html.escape(user)))
                else:
                    self.send_page("not here", 404)

            def do_POST(self):
                length = int(self.headers.get("Content-Length", "0"))
                raw = self.rfile.read(length).decode("ascii")
                fields = {k: v[0] for k, v in
                          urllib.parse.parse_qs(raw, keep_blank_values=True, encoding="utf-8",
                                                errors="strict").items()}
                with owner.lock:
                    owner.requests.append(("POST", self.path))
                    owner.forms.append((self.path, fields))
                    if self.path == "/login":
                        owner.user = fields.get("username", "")
                if self.path == "/login":
                    self.send_response(303)
                    self.send_header("Location", "/post")
                    self.send_header("Content-Length", "0")
                    self.end_headers()
                else:
                    self.send_page("<!DOCTYPE html><p>Thank you for your post.</p>")

        self.httpd = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.httpd.daemon_threads = True
        self.port = self.httpd.server_address[1]
        self.url = "http://127.0.0.1:%d" % self.port
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()

    def form(self, path):
        """The last form received on path, or None."""
        with self.lock:
            for received_path, fields in reversed(self.forms):
                if received_path == path:
                    return fields
        return None

    def requested(self, method, path):
        with self.lock:
            return (method, path) in self.requests

    def close(self):
        self.httpd.shutdown()
        self.httpd.server_close()

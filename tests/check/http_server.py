"""A web server on 127.0.0.1 for the external link tests: prints "PORT n", serves until its
standard input closes. /page answers 200, /nohead refuses HEAD but answers GET, /slow answers
after 5 s, /moved redirects to /page; anything else is 404."""
import http.server
import sys
import threading
import time


class Handler(http.server.BaseHTTPRequestHandler):
    def answer(self, body):
        path = self.path
        if path == "/nohead" and self.command == "HEAD":
            self.send_response(405)
        elif path in ("/page", "/nohead"):
            self.send_response(200)
        elif path == "/slow":
            time.sleep(5)
            self.send_response(200)
        elif path == "/moved":
            self.send_response(301)
            self.send_header("Location", "/page")
        else:
            self.send_response(404)
        self.send_header("Content-Length", "2" if body else "0")
        self.end_headers()
        if body:
            self.wfile.write(b"ok")

    def do_HEAD(self):
        self.answer(False)

    def do_GET(self):
        self.answer(True)

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
server.daemon_threads = True
threading.Thread(target=server.serve_forever, daemon=True).start()
print("PORT %d" % server.server_address[1], flush=True)
sys.stdin.read()
server.shutdown()

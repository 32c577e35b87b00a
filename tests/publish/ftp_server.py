# For the publisher's tests and benchmark. ftp_server.py HOME USER PASSWORD [CERT] serves HOME to USER
# on a free 127.0.0.1 port, prints "PORT <n>" once it listens, and stops when its standard input
# closes. With CERT (a PEM file holding the certificate and its key) it accepts only FTP with TLS.
# Options, anywhere in the arguments:
#   --max-cons=N          at most N connections at once from one address, as many web spaces do
#   --stall-at-upload=N   the whole server stops answering at the N-th upload (for the Stop tests)
#   --note=PATH           "stalled" (or a fault's "hung") is written to PATH when the server stops
#                         answering, for a test to know the client is waiting there
#   --faults=PATH         faults to inject, read from PATH whenever it changes: one per line,
#                         "VERB N KIND [TEXT]": the N-th VERB command (whose argument holds TEXT)
#                         is refused ("refuse": 550), dropped before it acts ("transient": 421 and
#                         the connection closed), carried out with its reply lost ("lost": the
#                         connection closed), or left hanging before ("hang") or after ("hang-after")
#                         it acts, until the client goes away
#   --case-insensitive    names match whatever their case; a file keeps the case it was made with
#   --renames=taken       a rename onto a file is refused, saying the name is taken
#   --renames=none        no rename at all ("550 Not enough privileges.")
import logging
import os
import sys
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


class Faults:
    def __init__(self, path, note):
        self.path, self.note = path, note
        self.stamp = None
        self.rules = []
        self.counts = {}

    def reload(self):
        try:
            stamp = os.stat(self.path).st_mtime_ns
        except OSError:
            return
        if stamp == self.stamp:
            return
        self.stamp = stamp
        self.rules = []
        with open(self.path) as f:
            for line in f:
                words = line.split()
                if len(words) >= 3:
                    self.rules.append([words[0].upper(), int(words[1]), words[2], " ".join(words[3:]), False])

    def take(self, verb, argument):
        """The fault for this command, if one is due."""
        if not self.path:
            return None
        self.reload()
        for rule in self.rules:
            if rule[0] != verb or rule[4] or (rule[3] and rule[3] not in str(argument)):
                continue
            key = id(rule)
            self.counts[key] = self.counts.get(key, 0) + 1
            if self.counts[key] == rule[1]:
                rule[4] = True
                return rule[2]
        return None

    def hung(self):
        if self.note:
            with open(self.note, "w") as f:
                f.write("hung\n")


def faulting(handler, faults):
    plain = handler.process_command

    def process_command(self, cmd, *args, **kwargs):
        kind = faults.take(cmd, args[0] if args else "")
        if kind is None:
            return plain(self, cmd, *args, **kwargs)
        if kind == "refuse":
            self.respond("550 Permission denied.")
        elif kind == "transient":
            self.respond("421 Service not available, closing control connection.")
            self.close_when_done()
        elif kind == "lost":
            plain(self, cmd, *args, **kwargs)
            self.close()  # the reply never leaves
        elif kind == "hang-after":
            self.push = lambda data: None  # carried out, never told
            plain(self, cmd, *args, **kwargs)
            faults.hung()
        else:  # hang
            faults.hung()

    handler.process_command = process_command


class CaseInsensitiveFS(AbstractedFS):
    """Each part of a path matches an existing name whatever its case, as on Windows."""

    def ftp2fs(self, ftppath):
        real = super().ftp2fs(ftppath)
        relative = os.path.relpath(real, self.root)
        if relative == ".":
            return real
        path = self.root
        for part in relative.split(os.sep):
            match = part
            try:
                for name in os.listdir(path):
                    if name.lower() == part.lower():
                        match = name
                        break
            except OSError:
                pass
            path = os.path.join(path, match)
        return path


def refusing_renames(handler, how):
    plain_rnfr, plain_rnto = handler.ftp_RNFR, handler.ftp_RNTO

    def ftp_RNFR(self, path):
        if how == "none":
            self.respond("550 Not enough privileges.")
            return
        return plain_rnfr(self, path)

    def ftp_RNTO(self, path):
        if how == "taken" and os.path.isfile(path):
            self._rnfr = None
            self.respond("553 Cannot rename: the file already exists.")
            return
        return plain_rnto(self, path)

    handler.ftp_RNFR, handler.ftp_RNTO = ftp_RNFR, ftp_RNTO


def main():
    options = [a for a in sys.argv[1:] if a.startswith("--")]
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    home, user, password = args[0:3]
    value = {o.split("=", 1)[0]: (o.split("=", 1)[1] if "=" in o else "") for o in options}
    stall_at = int(value.get("--stall-at-upload", "0"))
    note = value.get("--note")
    closing = threading.Event()
    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, home, perm="elradfmwMT")

    class Handler(FTPHandler):
        pass

    if len(args) > 3:
        from pyftpdlib.handlers import TLS_FTPHandler

        class Handler(TLS_FTPHandler):
            pass

        Handler.certfile = args[3]
        Handler.tls_control_required = True
        Handler.tls_data_required = True
    Handler.authorizer = authorizer
    if "--case-insensitive" in value:
        Handler.abstracted_fs = CaseInsensitiveFS
    if value.get("--renames"):
        refusing_renames(Handler, value["--renames"])
    if value.get("--faults"):
        faulting(Handler, Faults(value["--faults"], note))
    if stall_at:
        uploads = [0]
        plain_stor = Handler.ftp_STOR

        def stalling_stor(self, file, mode="w"):
            uploads[0] += 1
            if uploads[0] == stall_at:
                if note:
                    with open(note, "w") as f:
                        f.write("stalled\n")
                closing.wait()  # the whole server answers nothing until it is told to stop
            return plain_stor(self, file, mode)

        Handler.ftp_STOR = stalling_stor
    Handler.auth_failed_timeout = 0.1
    Handler.passive_ports = None
    logging.basicConfig(level=logging.CRITICAL)
    server = FTPServer(("127.0.0.1", 0), Handler)
    server.max_cons = 64
    server.max_cons_per_ip = int(value.get("--max-cons", "0"))
    port = server.socket.getsockname()[1]
    print("PORT %d" % port, flush=True)

    def watch_stdin():
        sys.stdin.read()
        closing.set()
        server.close_all()

    threading.Thread(target=watch_stdin, daemon=True).start()
    try:
        server.serve_forever(timeout=0.2)
    except Exception:
        pass


if __name__ == "__main__":
    main()

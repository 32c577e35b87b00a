# For the publisher's tests and benchmark. ftp_server.py HOME USER PASSWORD [CERT] serves HOME to USER
# on a free 127.0.0.1 port, prints "PORT <n>" once it listens, and stops when its standard input
# closes. With CERT (a PEM file holding the certificate and its key) it accepts only FTP with TLS.
# --max-cons=N anywhere in the arguments limits the connections it accepts at once from one address,
# as many web spaces do.
# With --stall-at-upload=N the server stops answering at the N-th upload (for the Stop tests); with
# --note=PATH it then writes "stalled" to PATH, for a test to know the client is waiting there.
import logging
import sys
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    options = [a for a in sys.argv[1:] if a.startswith("--")]
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    home, user, password = args[0:3]
    stall_at = 0
    note = None
    for option in options:
        if option.startswith("--stall-at-upload="):
            stall_at = int(option.split("=", 1)[1])
        if option.startswith("--note="):
            note = option.split("=", 1)[1]
    closing = threading.Event()
    max_cons = [int(a.split("=", 1)[1]) for a in options if a.startswith("--max-cons=")]
    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, home, perm="elradfmwMT")
    handler = FTPHandler
    if len(args) > 3:
        from pyftpdlib.handlers import TLS_FTPHandler

        handler = TLS_FTPHandler
        handler.certfile = args[3]
        handler.tls_control_required = True
        handler.tls_data_required = True
    handler.authorizer = authorizer
    if stall_at:
        uploads = [0]
        plain_stor = handler.ftp_STOR

        def stalling_stor(self, file, mode="w"):
            uploads[0] += 1
            if uploads[0] == stall_at:
                if note:
                    with open(note, "w") as f:
                        f.write("stalled\n")
                closing.wait()  # the whole server answers nothing until it is told to stop
            return plain_stor(self, file, mode)

        handler.ftp_STOR = stalling_stor
    handler.auth_failed_timeout = 0.1
    handler.passive_ports = None
    logging.basicConfig(level=logging.WARNING)
    server = FTPServer(("127.0.0.1", 0), handler)
    server.max_cons = 64
    server.max_cons_per_ip = max_cons[0] if max_cons else 0
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

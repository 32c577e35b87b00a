# For the publisher's tests and benchmark. ftp_server.py HOME USER PASSWORD [CERT] serves HOME to USER
# on a free 127.0.0.1 port, prints "PORT <n>" once it listens, and stops when its standard input
# closes. With CERT (a PEM file holding the certificate and its key) it accepts only FTP with TLS.
# --max-cons=N anywhere in the arguments limits the connections it accepts at once from one address,
# as many web spaces do.
import logging
import sys
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    limits = [int(a.split("=", 1)[1]) for a in sys.argv[1:] if a.startswith("--max-cons=")]
    sys.argv = [a for a in sys.argv if not a.startswith("--max-cons=")]
    home, user, password = sys.argv[1:4]
    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, home, perm="elradfmwMT")
    handler = FTPHandler
    if len(sys.argv) > 4:
        from pyftpdlib.handlers import TLS_FTPHandler

        handler = TLS_FTPHandler
        handler.certfile = sys.argv[4]
        handler.tls_control_required = True
        handler.tls_data_required = True
    handler.authorizer = authorizer
    handler.auth_failed_timeout = 0.1
    handler.passive_ports = None
    logging.basicConfig(level=logging.WARNING)
    server = FTPServer(("127.0.0.1", 0), handler)
    server.max_cons = 64
    server.max_cons_per_ip = limits[0] if limits else 0
    port = server.socket.getsockname()[1]
    print("PORT %d" % port, flush=True)

    def watch_stdin():
        sys.stdin.read()
        server.close_all()

    threading.Thread(target=watch_stdin, daemon=True).start()
    try:
        server.serve_forever(timeout=0.2)
    except Exception:
        pass


if __name__ == "__main__":
    main()

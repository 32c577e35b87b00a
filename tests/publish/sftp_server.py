# For the publisher's tests and benchmark. sftp_server.py HOME USER PASSWORD HOSTKEY [AUTHORIZED_KEYS]
# serves HOME (as "/") over SFTP to USER on a free 127.0.0.1 port, with the password or a key listed
# in AUTHORIZED_KEYS. Prints "PORT <n>" once it listens and stops when its standard input closes.
import asyncio
import logging
import sys
import warnings

warnings.simplefilter("ignore")
import asyncssh  # noqa: E402


def main():
    home, user, password, host_key = sys.argv[1:5]
    authorized = sys.argv[5] if len(sys.argv) > 5 else None
    logging.basicConfig(level=logging.CRITICAL)

    class Server(asyncssh.SSHServer):
        def begin_auth(self, username):
            return True

        def password_auth_supported(self):
            return True

        def validate_password(self, username, given):
            return username == user and given == password

    async def run():
        server = await asyncssh.listen(
            "127.0.0.1",
            0,
            server_host_keys=[host_key],
            authorized_client_keys=authorized,
            server_factory=Server,
            sftp_factory=lambda chan: asyncssh.SFTPServer(chan, chroot=home),
            allow_scp=False,
        )
        port = server.sockets[0].getsockname()[1]
        print("PORT %d" % port, flush=True)
        loop = asyncio.get_running_loop()
        await loop.run_in_executor(None, sys.stdin.read)
        server.close()

    asyncio.run(run())


if __name__ == "__main__":
    main()

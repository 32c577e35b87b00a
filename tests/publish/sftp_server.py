# For the publisher's tests and benchmark. sftp_server.py HOME USER PASSWORD HOSTKEY [AUTHORIZED_KEYS]
# serves HOME (as "/") over SFTP to USER on a free 127.0.0.1 port, with the password or a key listed
# in AUTHORIZED_KEYS. Prints "PORT <n>" once it listens and stops when its standard input closes.
# It also runs Git's git-upload-pack and git-receive-pack for exec requests, on repositories below
# HOME: "/x.git" starts at HOME, "x.git" and "~/x.git" at the login's home folder HOME/home/USER
# (or HOME itself when there is no such folder).
import asyncio
import logging
import os
import shlex
import subprocess
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

    def repository(path):
        login_home = os.path.join(home, "home", user)
        if not os.path.isdir(login_home):
            login_home = home
        if path.startswith("~/"):
            path = path[2:]
        base = home if path.startswith("/") else login_home
        full = os.path.realpath(os.path.join(base, path.lstrip("/")))
        # Nothing outside the served folder, as a chroot keeps it.
        if full != os.path.realpath(home) and not full.startswith(os.path.realpath(home) + os.sep):
            return None
        return full

    async def run_git(process):
        words = shlex.split(process.command or "")
        path = repository(words[1]) if len(words) == 2 else None
        if words[:1] not in (["git-upload-pack"], ["git-receive-pack"]) or path is None:
            process.stderr.write(b"only git-upload-pack and git-receive-pack run here\n")
            process.exit(1)
            return
        git = subprocess.Popen(words[:1] + [path], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE)
        await process.redirect(stdin=git.stdin, stdout=git.stdout, stderr=git.stderr)
        status = await asyncio.get_running_loop().run_in_executor(None, git.wait)
        await process.stdout.drain()
        process.exit(status)

    async def run():
        server = await asyncssh.listen(
            "127.0.0.1",
            0,
            server_host_keys=[host_key],
            authorized_client_keys=authorized,
            server_factory=Server,
            sftp_factory=lambda chan: asyncssh.SFTPServer(chan, chroot=home),
            allow_scp=False,
            process_factory=run_git,
            encoding=None,  # pack data is binary
        )
        port = server.sockets[0].getsockname()[1]
        print("PORT %d" % port, flush=True)
        loop = asyncio.get_running_loop()
        await loop.run_in_executor(None, sys.stdin.read)
        server.close()

    asyncio.run(run())


if __name__ == "__main__":
    main()

# For the publisher's tests and benchmark. sftp_server.py HOME USER PASSWORD HOSTKEY [AUTHORIZED_KEYS]
# serves HOME (as "/") over SFTP to USER on a free 127.0.0.1 port, with the password or a key listed
# in AUTHORIZED_KEYS. Prints "PORT <n>" once it listens and stops when its standard input closes.
# It also runs Git's git-upload-pack and git-receive-pack for exec requests, on repositories below
# HOME: "/x.git" starts at HOME, "x.git" and "~/x.git" at the login's home folder HOME/home/USER
# (or HOME itself when there is no such folder).
# --faults=PATH injects faults, read from PATH whenever it changes: one per line, "OPERATION N KIND
# [TEXT]" for the operations rename, remove and mkdir: the N-th one (whose path holds TEXT) is
# refused ("refuse": permission denied) or left hanging before ("hang") or after ("hang-after") it
# acts; --note=PATH gets "hung" written to it then.
import asyncio
import logging
import os
import shlex
import subprocess
import sys
import warnings

warnings.simplefilter("ignore")
import asyncssh  # noqa: E402


class Faults:
    def __init__(self, path, note):
        self.path, self.note = path, note
        self.stamp, self.rules, self.counts = None, [], {}

    def take(self, operation, path):
        if not self.path:
            return None
        try:
            stamp = os.stat(self.path).st_mtime_ns
        except OSError:
            return None
        if stamp != self.stamp:
            self.stamp, self.rules = stamp, []
            with open(self.path) as f:
                for line in f:
                    words = line.split()
                    if len(words) >= 3:
                        self.rules.append([words[0], int(words[1]), words[2], " ".join(words[3:]), False])
        for rule in self.rules:
            if rule[0] != operation or rule[4] or (rule[3] and rule[3] not in path.decode(errors="replace")):
                continue
            self.counts[id(rule)] = self.counts.get(id(rule), 0) + 1
            if self.counts[id(rule)] == rule[1]:
                rule[4] = True
                return rule[2]
        return None

    async def hang(self):
        if self.note:
            with open(self.note, "w") as f:
                f.write("hung\n")
        await asyncio.Event().wait()


def faulting_server(home, faults):
    class Server(asyncssh.SFTPServer):
        def __init__(self, chan):
            super().__init__(chan, chroot=home)

        async def faulted(self, operation, path, act):
            kind = faults.take(operation, path)
            if kind == "refuse":
                raise asyncssh.SFTPError(asyncssh.FX_PERMISSION_DENIED, "Permission denied")
            if kind == "hang":
                await faults.hang()
            result = act()
            if kind == "hang-after":
                await faults.hang()
            return result

        async def rename(self, oldpath, newpath):
            return await self.faulted("rename", newpath, lambda: super(Server, self).rename(oldpath, newpath))

        async def remove(self, path):
            return await self.faulted("remove", path, lambda: super(Server, self).remove(path))

        async def mkdir(self, path, attrs):
            return await self.faulted("mkdir", path, lambda: super(Server, self).mkdir(path, attrs))

    return Server


def main():
    options = {a.split("=", 1)[0]: a.split("=", 1)[1] for a in sys.argv[1:] if a.startswith("--") and "=" in a}
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    home, user, password, host_key = args[0:4]
    authorized = args[4] if len(args) > 4 else None
    logging.basicConfig(level=logging.CRITICAL)
    faults = Faults(options.get("--faults"), options.get("--note"))

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
            sftp_factory=faulting_server(home, faults),
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

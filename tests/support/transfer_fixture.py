#!/usr/bin/python3
# The tests' SFTP, FTP and proxy servers on loopback (test support, run by
# tests/support/transfer_servers.cpp). Each mode listens on 127.0.0.1 on a free port, writes it to
# CONTROL/port once it listens, and runs until it is terminated. No secret is ever given on the
# command line or written to a file: the account's password is the first line of standard input.
#
#   transfer_fixture.py sftp ROOT CONTROL USER
#       asyncssh's SFTP server, chrooted to ROOT (the account's home). A fresh ed25519 host key;
#       its fingerprint ("SHA256:...") goes to CONTROL/fingerprint. Every opened file is logged
#       to CONTROL/requests.log ("open PATH"). CONTROL/rules.json, read at every open, maps a path
#       to {"stall": true} (the first read never answers) or {"drop": N} (N bytes, then the
#       connection is cut).
#   transfer_fixture.py ftp ROOT CONTROL USER
#       pyftpdlib's FTP server with ROOT as the account's root. Every command is logged to
#       CONTROL/commands.log, one line each ("PASS" without its argument).
#   transfer_fixture.py proxy CONTROL
#       An HTTP proxy that only tunnels (CONNECT); each request line goes to CONTROL/proxy.log.
#   transfer_fixture.py silent CONTROL
#       Accepts connections and never says a word.
import asyncio
import hmac
import json
import logging
import os
import socket
import sys
import threading

logging.disable(logging.CRITICAL)


def write_atomic(path, text):
    with open(path + ".tmp", "w", encoding="utf-8") as f:
        f.write(text)
    os.replace(path + ".tmp", path)


def append_line(path, line):
    with open(path, "a", encoding="utf-8") as f:
        f.write(line + "\n")


def same(given, password):
    if isinstance(given, bytes):
        given = given.decode("utf-8", "replace")
    return hmac.compare_digest(given.encode("utf-8"), password.encode("utf-8"))


# ---------------------------------------------------------------------------------------------
# SFTP


def serve_sftp(root, control, user, account_password):
    import warnings
    warnings.simplefilter("ignore")
    import asyncssh

    def rules():
        try:
            with open(os.path.join(control, "rules.json"), encoding="utf-8") as f:
                return json.load(f)
        except FileNotFoundError:
            return {}

    class Server(asyncssh.SSHServer):
        def begin_auth(self, username):
            return True

        def password_auth_supported(self):
            return True

        def validate_password(self, username, password):
            return username == user and same(password, account_password)

    class Files(asyncssh.SFTPServer):
        def __init__(self, chan):
            super().__init__(chan, chroot=root.encode())
            self.rule_of = {}

        def open(self, path, pflags, attrs):
            name = path.decode("utf-8", "replace").lstrip("/")
            append_line(os.path.join(control, "requests.log"), "open " + name)
            handle = super().open(path, pflags, attrs)
            self.rule_of[id(handle)] = rules().get(name, {})
            return handle

        async def read(self, file_obj, offset, size):
            rule = self.rule_of.get(id(file_obj), {})
            if rule.get("stall"):
                await asyncio.Event().wait()
            if "drop" in rule and offset + size > rule["drop"]:
                if offset >= rule["drop"]:
                    self.connection.abort()
                    await asyncio.Event().wait()
                size = rule["drop"] - offset
            return super().read(file_obj, offset, size)

    async def main():
        key = asyncssh.generate_private_key("ssh-ed25519")
        acceptor = await asyncssh.create_server(
            Server, "127.0.0.1", 0, server_host_keys=[key], sftp_factory=Files,
            allow_scp=False)
        port = acceptor.sockets[0].getsockname()[1]
        write_atomic(os.path.join(control, "fingerprint"), key.get_fingerprint("sha256"))
        write_atomic(os.path.join(control, "port"), str(port))
        await asyncio.Event().wait()

    asyncio.run(main())


# ---------------------------------------------------------------------------------------------
# FTP


def serve_ftp(root, control, user, account_password):
    from pyftpdlib.authorizers import AuthenticationFailed, DummyAuthorizer
    from pyftpdlib.handlers import FTPHandler
    from pyftpdlib.servers import FTPServer

    class Authorizer(DummyAuthorizer):
        def validate_authentication(self, username, password, handler):
            if username != user or not same(password, account_password):
                raise AuthenticationFailed("Anmeldung abgelehnt")

    class Handler(FTPHandler):
        def pre_process_command(self, line, cmd, arg):
            shown = cmd if cmd == "PASS" or not arg else cmd + " " + arg
            append_line(os.path.join(control, "commands.log"), shown)
            return super().pre_process_command(line, cmd, arg)

    authorizer = Authorizer()
    # The stored password is never used: validate_authentication compares.
    authorizer.add_user(user, os.urandom(16).hex(), root, perm="elradfmw")
    Handler.authorizer = authorizer
    Handler.permit_foreign_addresses = False
    Handler.auth_failed_timeout = 0
    server = FTPServer(("127.0.0.1", 0), Handler)
    write_atomic(os.path.join(control, "port"), str(server.address[1]))
    server.serve_forever()


# ---------------------------------------------------------------------------------------------
# HTTP CONNECT proxy and the silent listener


def pipe(a, b):
    try:
        while True:
            data = a.recv(65536)
            if not data:
                break
            b.sendall(data)
    except OSError:
        pass
    for s in (a, b):
        try:
            s.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass


def tunnel(client, control):
    head = b""
    while b"\r\n\r\n" not in head:
        chunk = client.recv(4096)
        if not chunk:
            client.close()
            return
        head += chunk
    request_line = head.split(b"\r\n", 1)[0].decode("latin-1")
    append_line(os.path.join(control, "proxy.log"), request_line)
    parts = request_line.split()
    if len(parts) != 3 or parts[0] != "CONNECT":
        client.sendall(b"HTTP/1.1 405 Method Not Allowed\r\n\r\n")
        client.close()
        return
    host, _, port = parts[1].rpartition(":")
    try:
        upstream = socket.create_connection((host.strip("[]"), int(port)))
    except OSError:
        client.sendall(b"HTTP/1.1 502 Bad Gateway\r\n\r\n")
        client.close()
        return
    client.sendall(b"HTTP/1.1 200 Connection established\r\n\r\n")
    threading.Thread(target=pipe, args=(upstream, client), daemon=True).start()
    pipe(client, upstream)


def listen(control):
    server = socket.socket()
    server.bind(("127.0.0.1", 0))
    server.listen(16)
    write_atomic(os.path.join(control, "port"), str(server.getsockname()[1]))
    return server


def serve_proxy(control):
    server = listen(control)
    while True:
        client, _ = server.accept()
        threading.Thread(target=tunnel, args=(client, control), daemon=True).start()


def serve_silent(control):
    server = listen(control)
    held = []
    while True:
        held.append(server.accept()[0])


def main(argv):
    mode = argv[1] if len(argv) > 1 else ""
    if mode in ("sftp", "ftp") and len(argv) == 5:
        root, control, user = argv[2:5]
        password = sys.stdin.readline().rstrip("\n")
        (serve_sftp if mode == "sftp" else serve_ftp)(root, control, user, password)
    elif mode == "proxy" and len(argv) == 3:
        serve_proxy(argv[2])
    elif mode == "silent" and len(argv) == 3:
        serve_silent(argv[2])
    else:
        sys.stderr.write(__doc__ if __doc__ else "usage: see the file's head\n")
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

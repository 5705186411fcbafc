#!/usr/bin/python3
"""An FTP server for the tests, on 127.0.0.1 and a port the system picks ("PORT <n>" on stdout).

Users over --root: "writer"/"secret" may do everything, "reader"/"secret" and anonymous may
only list and read. Every command is appended to --log as one JSON object per line
({"user", "cmd", "arg"}; PASS arguments are not recorded), every login as {"login": user}.

Misbehaviour on request:
  --foreign-pasv   PASV names 10.255.255.1 and EPSV is refused, so only the control
                   connection's address leads to the data connection
  --refuse-rename  RNTO is refused with 550
  --no-mlsd        MLSD and MLST are unknown commands (LIST only)
  --stall          data connections send 1 KiB a second: after their first block they stall
  --extra-name N   every listing also names N (repeatable): names no directory can hold,
                   such as "../x" or "a/b", listed as the entry they lead to
  --listing-line L MLSD and LIST answer with these lines (repeatable) instead of the
                   directory's, whatever they hold
  --endless-listing  MLSD and LIST send lines without end
  --silent-data    RETR answers 150, opens the data connection and sends nothing
  --trickle        data connections send about 64 bytes a second, in pieces of 16
  --silent-quit    QUIT gets no answer and the connection stays open
  --short-data     RETR announces the file's size in its 150 reply (as vsftpd does), sends
                   only the first half and confirms with 226
  --short-first    ... for the first RETR only: a download broken half-way, then whole files
  --short-quiet    ... for every RETR, with a 150 reply that announces no size
  --no-rest        REST is an unknown command (no resumed downloads)
With --vsftpd the server is vsftpd instead, from a generated configuration: anonymous only,
with the right to write; nothing is recorded and no misbehaviour is offered.
Lines on stdin: "drop" ends every control connection with 421 and answers "DROPPED"; the end
of stdin stops the server.
"""
import argparse
import io
import json
import logging
import os
import queue
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler, proto_cmds
from pyftpdlib.servers import FTPServer


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--log", required=True)
    parser.add_argument("--foreign-pasv", action="store_true")
    parser.add_argument("--refuse-rename", action="store_true")
    parser.add_argument("--no-mlsd", action="store_true")
    parser.add_argument("--extra-name", action="append", default=[])
    parser.add_argument("--vsftpd", action="store_true")
    parser.add_argument("--stall", action="store_true")
    parser.add_argument("--listing-line", action="append", default=[])
    parser.add_argument("--endless-listing", action="store_true")
    parser.add_argument("--silent-data", action="store_true")
    parser.add_argument("--trickle", action="store_true")
    parser.add_argument("--silent-quit", action="store_true")
    parser.add_argument("--short-data", action="store_true")
    parser.add_argument("--short-first", action="store_true")
    parser.add_argument("--short-quiet", action="store_true")
    parser.add_argument("--no-rest", action="store_true")
    options = parser.parse_args()
    if options.vsftpd:
        run_vsftpd(options)
        return
    logging.basicConfig(level=logging.WARNING)
    logging.getLogger("pyftpdlib").setLevel(logging.WARNING)

    authorizer = DummyAuthorizer()
    authorizer.add_user("writer", "secret", options.root, perm="elradfmwMT")
    authorizer.add_user("reader", "secret", options.root, perm="elr")
    authorizer.add_anonymous(options.root, perm="elr")
    log = open(options.log, "a", encoding="utf-8")

    shortened = []

    def record(entry):
        log.write(json.dumps(entry) + "\n")
        log.flush()

    class Handler(FTPHandler):
        def pre_process_command(self, line, cmd, arg):
            record({"user": self.username, "cmd": cmd, "arg": "" if cmd == "PASS" else arg})
            return super().pre_process_command(line, cmd, arg)

        def on_login(self, username):
            record({"login": username})

        def ftp_EPSV(self, line):
            if options.foreign_pasv:
                self.respond("502 EPSV not offered here.")
            else:
                super().ftp_EPSV(line)

        def scripted_listing(self, path, cmd, original):
            if options.endless_listing:
                self.push_dtp_data(EndlessListing(), isproducer=True, cmd=cmd)
                return path
            if options.listing_line:
                text = "".join(line + "\r\n" for line in options.listing_line)
                self.push_dtp_data(text.encode("utf-8", "surrogateescape"), cmd=cmd)
                return path
            return original(self, path)

        def ftp_MLSD(self, path):
            return self.scripted_listing(path, "MLSD", FTPHandler.ftp_MLSD)

        def ftp_LIST(self, path):
            return self.scripted_listing(path, "LIST", FTPHandler.ftp_LIST)

        def ftp_RETR(self, file):
            if options.silent_data:
                self.respond("150 File status okay. About to open data connection.")
                return file
            if options.short_first and not shortened:
                shortened.append(file)
                self.short_read = True
            if options.short_data or getattr(self, "short_read", False):
                self.announced_size = os.path.getsize(file)
            return super().ftp_RETR(file)

        def ftp_REST(self, line):
            if options.no_rest:
                self.respond("502 Command not implemented.")
            else:
                super().ftp_REST(line)

        def respond(self, resp, *args, **kwargs):
            announced = getattr(self, "announced_size", None)
            if announced is not None and resp.startswith(("150 ", "125 ")):
                self.announced_size = None
                resp = "%s (%d bytes)." % (resp.rstrip("."), announced)
            super().respond(resp, *args, **kwargs)

        def ftp_QUIT(self, line):
            if not options.silent_quit:
                super().ftp_QUIT(line)

        def ftp_RNTO(self, path):
            if options.refuse_rename:
                self._rnfr = None
                self.respond("550 Renaming is refused here.")
            else:
                super().ftp_RNTO(path)

    class FileSystem(AbstractedFS):
        def listdir(self, path):
            return super().listdir(path) + options.extra_name

        def open(self, filename, mode):
            opened = super().open(filename, mode)
            short = options.short_data or options.short_quiet or getattr(self.cmd_channel, "short_read", False)
            if not short or "r" not in mode:
                return opened
            self.cmd_channel.short_read = False
            with opened:
                data = opened.read()
            half = io.BytesIO(data[:len(data) // 2])
            half.name = filename
            return half

    Handler.authorizer = authorizer
    Handler.abstracted_fs = FileSystem
    Handler.auth_failed_timeout = 0
    Handler.passive_ports = None
    if options.foreign_pasv:
        Handler.masquerade_address = "10.255.255.1"
    if options.stall:
        class Stalling(ThrottledDTPHandler):
            read_limit = 1024
            write_limit = 1024
        Handler.dtp_handler = Stalling
    if options.trickle:
        class Trickling(ThrottledDTPHandler):
            ac_out_buffer_size = 16
            write_limit = 64
        Handler.dtp_handler = Trickling
    if options.no_mlsd:
        Handler.proto_cmds = {k: v for k, v in proto_cmds.items() if k not in ("MLSD", "MLST")}

    server = FTPServer(("127.0.0.1", 0), Handler)
    print("PORT %d" % server.address[1], flush=True)

    requests = queue.Queue()

    def read_stdin():
        for line in sys.stdin:
            requests.put(line.strip())
        requests.put(None)

    threading.Thread(target=read_stdin, daemon=True).start()
    while True:
        server.serve_forever(timeout=0.05, blocking=False)
        try:
            request = requests.get_nowait()
        except queue.Empty:
            continue
        if request is None:
            break
        if request == "drop":
            for handler in list(server.ioloop.socket_map.values()):
                if isinstance(handler, Handler):
                    handler.respond("421 Idle time-out, closing.")
                    handler.close_when_done()
            server.serve_forever(timeout=0.05, blocking=False)
            print("DROPPED", flush=True)
    server.close_all()
    log.close()
    os._exit(0)


class EndlessListing:
    """A producer of MLSD lines (LIST takes them as lines it cannot read) that never ends."""
    lines = b"type=file;size=1;modify=20250101000000; a-name-that-fills-the-listing.bin\r\n" * 1000

    def more(self):
        return self.lines


VSFTPD_CONFIG = """listen=YES
listen_address=127.0.0.1
listen_port={port}
background=NO
anonymous_enable=YES
local_enable=NO
write_enable=YES
anon_upload_enable=YES
anon_mkdir_write_enable=YES
anon_other_write_enable=YES
anon_root={root}
no_anon_password=YES
run_as_launching_user=YES
seccomp_sandbox=NO
anon_umask=022
check_shell=NO
secure_chroot_dir={empty}
"""


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def accepts(port):
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=1) as connection:
            return connection.recv(3) == b"220"
    except OSError:
        return False


def run_vsftpd(options):
    workdir = tempfile.mkdtemp(prefix="vsftpd-")
    empty = os.path.join(workdir, "empty")
    os.mkdir(empty)
    config = os.path.join(workdir, "vsftpd.conf")
    # The port is free when asked for; another process may take it before vsftpd does, so a
    # server that does not come up is tried again on another port.
    for _ in range(5):
        port = free_port()
        with open(config, "w", encoding="utf-8") as out:
            out.write(VSFTPD_CONFIG.format(port=port, root=options.root, empty=empty))
        server = subprocess.Popen(["/usr/sbin/vsftpd", config], stdin=subprocess.DEVNULL)
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline and server.poll() is None and not accepts(port):
            time.sleep(0.05)
        if server.poll() is None and accepts(port):
            break
        server.kill()
        server.wait(10)
    else:
        print("FAILED vsftpd did not start", flush=True)
        return
    # Ended by a signal rather than by the end of stdin, the script still takes vsftpd along.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    print("PORT %d" % port, flush=True)
    try:
        sys.stdin.read()
    finally:
        server.terminate()
        try:
            server.wait(10)
        except subprocess.TimeoutExpired:
            server.kill()
            server.wait(10)
        shutil.rmtree(workdir, ignore_errors=True)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""A scriptable HTTP(S) server on 127.0.0.1 for tests.

Prints "PORT <port>" once it listens on a port the system picked, serves until its standard
input ends, and appends one JSON line per request to --log:
  {"method", "target", "path", "query", "headers" (lower-case names), "connection" (the
   client's port: equal for requests on one kept-alive connection), "tls", and either
   "body_length", "body_sha256" and "body" (latin-1 text, only for bodies up to 1024 bytes),
   or "early" (the status of an early answer, given before any of the body was read)}
The line is written once the request and its body are read, before the answer goes out.
With --cert and --key every connection speaks TLS.

Routes; the options are query parameters:
  GET /<file>                    a file of --docroot with Content-Length and Last-Modified (mtime)
      length=chunked|close       no Content-Length: a chunked body, or one ended by closing
      header=<Name: value>       with this header line too
      lastmod=0                  no Last-Modified
      status=<n>                 answer <n> with a short text body instead of the file (with
                                 the header= line too)
      auth=<user>:<password>     401 with WWW-Authenticate until that login comes, by Basic
      login=<scheme>[,<scheme>]  ... or by the schemes named: basic, digest (MD5, qop=auth);
                                 any other name is offered (one WWW-Authenticate line each) and
                                 never accepted
      drop=<n>                   announce the whole file, send <n> bytes of it and close
      drops=<k>                  ... for the first <k> requests of this URL only; later ones get it
      ranges=1                   answer "Range: bytes=N-" with 206 and Content-Range, unless an
                                 If-Range names another strong ETag or date; send an ETag (size
                                 and mtime of the file)
      etag=weak|0                ... and make that ETag weak (never matches If-Range), or send none
      ifrange=ignore             ... and serve the range whatever If-Range says (a broken server)
      stall=<n>                  send the headers and <n> bytes, then nothing until the client goes
      hang=1                     send nothing at all until the client goes
      rate=<bytes per second>    pace the body
      drip=headers|body          send the header lines, or the body's bytes, one every 0.3 s
      clen=<value>[,<value>...]  announce these Content-Length lines verbatim (any text), send
                                 the whole file and close
  GET /redirect/<code>?to=<path or URL>   answer <code> with that Location
  GET /loop                      302 to itself, for ever
  POST or PUT /<anything>        read the body (Content-Length), answer status=<n> (200 by default)
      early=<n>                  answer <n> right after the headers without reading the body
      auth=<user>:<password>     read the body, then 401 with WWW-Authenticate unless that login
      login=<scheme>[,<scheme>]  came (as for GET)
      drip=body                  take the body one byte every 0.3 s
  GET, POST or PUT /protected/<anything>   as auth=bob:pässwörd (the password as UTF-8)
A request target in absolute form (as sent to a proxy) is served by its path.
"""

import argparse
import base64
import hashlib
import http.server
import json
import os
import select
import socket
import ssl
import sys
import threading
import time
import urllib.parse
import urllib.request

CHUNK = 256 * 1024
SMALL_BODY = 1024
EMPTY_SHA256 = hashlib.sha256().hexdigest()
STALL_LIMIT_SECONDS = 120
DRAIN_LIMIT_SECONDS = 10
RATE_SLICES_PER_SECOND = 20
DRIP_SECONDS = 0.3
DRIP_HEADER_LINES = 20
PROTECTED_PREFIX = "/protected/"
PROTECTED_CREDENTIALS = "bob:pässwörd"
REALM = "test"


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "TestServer/1"

    def log_message(self, *args):
        pass

    # --- request parsing and recording -------------------------------------------------

    def parse(self):
        target = urllib.parse.urlsplit(self.path)
        self.route = urllib.parse.unquote(target.path)
        self.options = dict(urllib.parse.parse_qsl(target.query, keep_blank_values=True))
        if self.route.startswith(PROTECTED_PREFIX):
            self.options.setdefault("auth", PROTECTED_CREDENTIALS)

    def record(self, early=None, length=0, digest=EMPTY_SHA256, head=b""):
        """head: the first bytes of the body, kept whole when the body is small."""
        entry = {
            "method": self.command,
            "target": self.path,
            "path": self.route,
            "query": self.options,
            "headers": {name.lower(): value for name, value in self.headers.items()},
            "connection": self.client_address[1],
            "tls": isinstance(self.connection, ssl.SSLSocket),
        }
        if early is not None:
            entry["early"] = early
        else:
            entry["body_length"] = length
            entry["body_sha256"] = digest
            if length <= SMALL_BODY:
                entry["body"] = head.decode("latin-1")
        self.server.write_record(entry)

    # --- answers ----------------------------------------------------------------------

    def answer_text(self, status, text, extra=()):
        body = text.encode()
        self.send_response(status)
        for name, value in extra:
            self.send_header(name, value)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def login_schemes(self):
        return self.options.get("login", "basic").split(",")

    def answer_unauthorised(self):
        challenges = []
        for scheme in self.login_schemes():
            if scheme == "basic":
                challenges.append(("WWW-Authenticate", f'Basic realm="{REALM}"'))
            elif scheme == "digest":
                nonce = os.urandom(16).hex()
                challenges.append(("WWW-Authenticate",
                                   f'Digest realm="{REALM}", nonce="{nonce}", qop="auth", algorithm=MD5'))
            else:
                challenges.append(("WWW-Authenticate", scheme.upper()))
        self.answer_text(401, "authorisation required\n", challenges)

    def authorised(self):
        expected = self.options.get("auth")
        if expected is None:
            return True
        given = self.headers.get("Authorization", "")
        schemes = self.login_schemes()
        if "basic" in schemes and given == "Basic " + base64.b64encode(expected.encode()).decode():
            return True
        return "digest" in schemes and given.startswith("Digest ") and self.digest_matches(expected, given[7:])

    def digest_matches(self, expected, fields_text):
        """RFC 7616 with MD5 and qop=auth; the nonce is not checked against the one given out."""
        fields = dict(urllib.request.parse_keqv_list(urllib.request.parse_http_list(fields_text)))
        user, password = expected.split(":", 1)
        try:
            def md5(text):
                return hashlib.md5(text.encode()).hexdigest()
            first = md5(f"{user}:{REALM}:{password}")
            second = md5(f"{self.command}:{fields['uri']}")
            response = md5(f"{first}:{fields['nonce']}:{fields['nc']}:{fields['cnonce']}:{fields['qop']}:{second}")
        except KeyError:
            return False
        return fields.get("username") == user and fields.get("realm") == REALM and fields["response"] == response

    def send_body(self, source, size, rate):
        remaining = size
        slice_size = max(1, rate // RATE_SLICES_PER_SECOND) if rate else CHUNK
        while remaining > 0:
            started = time.monotonic()
            data = source.read(min(slice_size, remaining))
            if not data:
                break
            self.wfile.write(data)
            remaining -= len(data)
            if rate:
                time.sleep(max(0.0, 1.0 / RATE_SLICES_PER_SECOND - (time.monotonic() - started)))

    def drip(self, data):
        for offset in range(len(data)):
            time.sleep(DRIP_SECONDS)
            self.wfile.write(data[offset:offset + 1])

    def drip_headers(self, size):
        """The status line, then one header line every DRIP_SECONDS, then the length."""
        self.wfile.write(b"HTTP/1.1 200 OK\r\n")
        for number in range(DRIP_HEADER_LINES):
            time.sleep(DRIP_SECONDS)
            self.wfile.write(b"X-Drip: %d\r\n" % number)
        self.wfile.write(b"Content-Length: %d\r\n\r\n" % size)

    def wait_for_client_to_go(self, limit):
        deadline = time.monotonic() + limit
        while time.monotonic() < deadline:
            readable, _, _ = select.select([self.connection], [], [], 0.1)
            if readable:
                try:
                    if not self.connection.recv(CHUNK):
                        return
                except OSError:
                    return

    def etag(self, path):
        stat = os.stat(path)
        tag = f'"{stat.st_size:x}-{stat.st_mtime_ns:x}"'
        return "W/" + tag if self.options.get("etag") == "weak" else tag

    def range_start(self, path, size):
        """The offset a satisfiable Range asks for when If-Range (if any) still holds, None for
        the whole file, or -1 for a range past the end (416)."""
        wanted = self.headers.get("Range", "")
        if self.options.get("ranges") != "1" or not wanted.startswith("bytes=") or not wanted.endswith("-"):
            return None
        condition = self.headers.get("If-Range")
        if condition is not None and self.options.get("ifrange") != "ignore":
            if condition.startswith('"') or condition.startswith("W/"):
                if self.etag(path).startswith("W/") or condition != self.etag(path) \
                        or self.options.get("etag") == "0":
                    return None
            elif condition != self.date_time_string(int(os.path.getmtime(path))):
                return None
        start = int(wanted[len("bytes="):-1])
        return start if start < size else -1

    def send_file_headers(self, path, size, length_mode, start=None):
        self.send_response(200 if start is None else 206)
        if self.options.get("ranges") == "1":
            if self.options.get("etag") != "0":
                self.send_header("ETag", self.etag(path))
            self.send_header("Accept-Ranges", "bytes")
        if start is not None:
            self.send_header("Content-Range", f"bytes {start}-{size - 1}/{size}")
        if "lastmodraw" in self.options:
            self.send_header("Last-Modified", self.options["lastmodraw"])
        elif self.options.get("lastmod") != "0":
            self.send_header("Last-Modified", self.date_time_string(int(os.path.getmtime(path))))
        if length_mode == "chunked":
            self.send_header("Transfer-Encoding", "chunked")
        elif length_mode == "close":
            self.send_header("Connection", "close")
            self.close_connection = True
        else:
            self.send_header("Content-Length", str(size - (start or 0)))
        for name, value in self.extra_headers():
            self.send_header(name, value)
        self.end_headers()

    def announce_lengths(self, values):
        """Content-Length lines as given, true or not; the body then ends with the connection."""
        self.send_response(200)
        for value in values:
            self.send_header("Content-Length", value)
        self.send_header("Connection", "close")
        self.end_headers()
        self.close_connection = True

    def serve_file(self):
        path = os.path.join(self.server.docroot, self.route.lstrip("/"))
        if not os.path.isfile(path):
            self.answer_text(404, "not found\n")
            return
        size = os.path.getsize(path)
        length_mode = self.options.get("length")
        drop = int(self.options["drop"]) if "drop" in self.options else None
        if drop is not None and "drops" in self.options and self.count_request() > int(self.options["drops"]):
            drop = None
        start = self.range_start(path, size)
        if start == -1:
            self.answer_text(416, "range not satisfiable\n", [("Content-Range", f"bytes */{size}")])
            return
        stall = int(self.options["stall"]) if "stall" in self.options else None
        rate = int(self.options.get("rate", 0))
        drip = self.options.get("drip")

        if drip == "headers":
            self.drip_headers(size)
        elif "clen" in self.options:
            self.announce_lengths(self.options["clen"].split(","))
        else:
            self.send_file_headers(path, size, length_mode, start)
        with open(path, "rb") as source:
            source.seek(start or 0)
            if drop is not None or stall is not None:
                self.wfile.write(source.read(drop if drop is not None else stall))
                self.close_connection = True
                if stall is not None:
                    self.wait_for_client_to_go(STALL_LIMIT_SECONDS)
            elif length_mode == "chunked":
                while chunk := source.read(CHUNK):
                    self.wfile.write(b"%x\r\n%s\r\n" % (len(chunk), chunk))
                self.wfile.write(b"0\r\n\r\n")
            elif rate:
                self.send_body(source, size, rate)
            elif drip == "body":
                self.drip(source.read())
            else:
                self.connection.sendfile(source, start or 0)

    # --- methods ----------------------------------------------------------------------

    def do_GET(self):
        self.parse()
        self.record()
        if "hang" in self.options:
            self.close_connection = True
            self.wait_for_client_to_go(STALL_LIMIT_SECONDS)
        elif not self.authorised():
            self.answer_unauthorised()
        elif "fail" in self.options and self.count_request() <= int(self.options["fail"]):
            # fail=N: the first N requests of this URL get failstatus (503), then it is served.
            status = int(self.options.get("failstatus", 503))
            self.answer_text(status, f"status {status}\n", self.extra_headers())
        elif "status" in self.options:
            status = int(self.options["status"])
            self.answer_text(status, f"status {status}\n", self.extra_headers())
        elif self.route.startswith("/redirect/"):
            status = int(self.route.rsplit("/", 1)[1])
            self.answer_text(status, "moved\n", [("Location", self.options.get("to", "/"))])
        elif self.route == "/loop":
            self.answer_text(302, "again\n", [("Location", "/loop")])
        else:
            self.serve_file()

    def extra_headers(self):
        """The header line of the header= option, as (name, value) pairs."""
        if "header" not in self.options:
            return []
        return [tuple(part.strip() for part in self.options["header"].split(":", 1))]

    def count_request(self):
        """How many requests for this very URL the server has seen, this one included."""
        counts = self.server.__dict__.setdefault("request_counts", {})
        counts[self.path] = counts.get(self.path, 0) + 1
        return counts[self.path]

    def handle_expect_100(self):
        """A login is asked for before the body comes, as web servers do."""
        self.parse()
        if self.authorised():
            return super().handle_expect_100()
        self.record(early=401)
        self.close_connection = True
        self.answer_unauthorised()
        return False

    def do_upload(self):
        self.parse()
        if "early" in self.options:
            status = int(self.options["early"])
            self.record(early=status)
            self.close_connection = True
            self.answer_text(status, f"status {status}\n", [("Connection", "close")])
            # Drain what the client still sends, so closing does not reset the connection
            # before the client has read the answer.
            self.connection.shutdown(socket.SHUT_WR)
            self.wait_for_client_to_go(DRAIN_LIMIT_SECONDS)
            return
        length = int(self.headers.get("Content-Length", 0))
        received = 0
        digest = hashlib.sha256()
        head = bytearray()
        dripping = self.options.get("drip") == "body"
        while received < length:
            if dripping:
                # Past the reader's buffer, so that the client's bytes wait in the socket.
                time.sleep(DRIP_SECONDS)
                data = self.connection.recv(1)
            else:
                data = self.rfile.read(min(CHUNK, length - received))
            if not data:
                break
            received += len(data)
            digest.update(data)
            if len(head) < SMALL_BODY:
                head += data[:SMALL_BODY - len(head)]
        self.record(length=received, digest=digest.hexdigest(), head=bytes(head))
        if received < length:
            self.close_connection = True
            return
        if not self.authorised():
            self.answer_unauthorised()
            return
        status = int(self.options.get("status", 200))
        self.answer_text(status, f"received {received}\n")

    do_POST = do_upload
    do_PUT = do_upload


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, docroot, log, tls_context):
        super().__init__(("127.0.0.1", 0), Handler)
        self.docroot = docroot
        self.log = open(log, "a", encoding="utf-8")
        self.log_lock = threading.Lock()
        self.tls_context = tls_context

    def write_record(self, entry):
        with self.log_lock:
            self.log.write(json.dumps(entry) + "\n")
            self.log.flush()

    def finish_request(self, request, client_address):
        # The handshake runs on the connection's own thread, so a client that never
        # completes it cannot block the listener.
        if self.tls_context:
            try:
                request = self.tls_context.wrap_socket(request, server_side=True)
            except (ssl.SSLError, OSError):
                return
        super().finish_request(request, client_address)

    def handle_error(self, request, client_address):
        # Clients that go away mid-answer are part of the tests.
        pass


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--docroot", required=True)
    parser.add_argument("--log", required=True)
    parser.add_argument("--cert")
    parser.add_argument("--key")
    args = parser.parse_args()

    tls_context = None
    if args.cert:
        tls_context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        tls_context.load_cert_chain(args.cert, args.key)
    server = Server(args.docroot, args.log, tls_context)
    threading.Thread(target=server.serve_forever, args=(0.05,), daemon=True).start()
    print(f"PORT {server.server_address[1]}", flush=True)
    for _ in sys.stdin:
        pass
    server.shutdown()
    server.server_close()


if __name__ == "__main__":
    main()

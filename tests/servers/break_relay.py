#!/usr/bin/env python3
"""A TCP relay on 127.0.0.1 in front of another local server that breaks connections on purpose.

Prints "PORT <port>" once it listens on a port the system picked and relays until its standard
input ends. The first --breaks connections are reset (RST, as a dropped network does) once
--break-after bytes of the server's answer have passed through them; later ones pass whole.
With --hold a breaking connection stops there and is reset only when a line "reset" arrives on
standard input, so a client can take in every byte that passed before the reset drops the rest.
Appends one JSON line per connection to --log when it ends:
  {"head" (the client's first bytes, latin-1: the request line and headers),
   "down" (bytes relayed to the client), "reset" (true when the relay broke it)}
"""

import argparse
import json
import select
import socket
import struct
import sys
import threading

CHUNK = 1024 * 1024
HEAD_BYTES = 4096


class Relay:
    def __init__(self, upstream, breaks, break_after, hold, log):
        self.upstream = upstream
        self.hold = hold
        self.reset_now = threading.Event()
        self.breaks = breaks
        self.break_after = break_after
        self.log = open(log, "a", encoding="utf-8") if log else None
        self.lock = threading.Lock()
        self.connections = 0

    def serve(self, listener):
        while True:
            try:
                client, _ = listener.accept()
            except OSError:
                return
            with self.lock:
                self.connections += 1
                breaking = self.connections <= self.breaks
            threading.Thread(target=self.relay, args=(client, breaking), daemon=True).start()

    def relay(self, client, breaking):
        server = socket.create_connection(("127.0.0.1", self.upstream))
        head = b""
        down = 0
        reset = False
        limit = self.break_after if breaking else None
        try:
            open_ends = {client: server, server: client}
            while open_ends:
                readable, _, _ = select.select(list(open_ends), [], [])
                for source in readable:
                    target = open_ends[source]
                    wanted = CHUNK if source is client or limit is None else min(CHUNK, limit - down)
                    data = source.recv(wanted)
                    if not data:
                        del open_ends[source]
                        try:
                            target.shutdown(socket.SHUT_WR)
                        except OSError:
                            pass
                        continue
                    target.sendall(data)
                    if source is client:
                        head = (head + data)[:HEAD_BYTES]
                    else:
                        down += len(data)
                    if limit is not None and down >= limit:
                        if self.hold:
                            self.reset_now.wait()
                        # SO_LINGER 0: close() sends a reset instead of an orderly end.
                        client.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
                        reset = True
                        open_ends = {}
                        break
        except OSError:
            pass
        finally:
            client.close()
            server.close()
        if self.log:
            with self.lock:
                self.log.write(json.dumps({"head": head.decode("latin-1"), "down": down, "reset": reset}) + "\n")
                self.log.flush()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--upstream", type=int, required=True)
    parser.add_argument("--breaks", type=int, default=0)
    parser.add_argument("--break-after", type=int, default=0)
    parser.add_argument("--hold", action="store_true")
    parser.add_argument("--log")
    arguments = parser.parse_args()
    relay = Relay(arguments.upstream, arguments.breaks, arguments.break_after, arguments.hold, arguments.log)
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    print(f"PORT {listener.getsockname()[1]}", flush=True)
    threading.Thread(target=relay.serve, args=(listener,), daemon=True).start()
    for line in sys.stdin:
        if line.strip() == "reset":
            relay.reset_now.set()
    listener.close()


if __name__ == "__main__":
    main()

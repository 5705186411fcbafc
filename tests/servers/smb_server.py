#!/usr/bin/env python3
"""A throw-away SMB server on 127.0.0.1 for tests.

Writes its own smb.conf (every state directory inside --root, a port the system picked,
loopback only), adds --user with --password to its own password database and runs smbd in
the foreground in a process group of its own. Prints "READY <port> <user>" once the port
accepts connections, then follows commands on standard input, one per line:

  crash   kill every smbd process at once (a server that vanishes mid-transfer) and print
          "CRASHED" when none is left
  stop    (or end of input) stop the server and exit

The user must be a real local account and smbd needs root; otherwise the script prints
"SKIP <reason>" and exits with 77. Other failures print "ERROR <reason>" and exit with 1.
"""

import argparse
import os
import pwd
import signal
import socket
import subprocess
import sys
import time

SMBD = "/usr/sbin/smbd"
SMBPASSWD = "/usr/bin/smbpasswd"
START_ATTEMPTS = 5
READY_SECONDS = 30
STOP_SECONDS = 10


def say(line):
    print(line, flush=True)


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def write_config(root, share_dir, port):
    for name in ("private", "state", "cache", "lock", "pid", "ncalrpc", "log"):
        os.makedirs(os.path.join(root, name), exist_ok=True)
    path = os.path.join(root, "smb.conf")
    with open(path, "w", encoding="utf-8") as conf:
        conf.write(f"""[global]
  server role = standalone server
  smb ports = {port}
  bind interfaces only = yes
  interfaces = 127.0.0.1
  disable netbios = yes
  server min protocol = SMB2_02
  map to guest = never
  private dir = {root}/private
  state directory = {root}/state
  cache directory = {root}/cache
  lock directory = {root}/lock
  pid directory = {root}/pid
  ncalrpc dir = {root}/ncalrpc
  log file = {root}/log/smbd.log
  passdb backend = tdbsam:{root}/private/passdb.tdb
  load printers = no
  printing = bsd
  printcap name = /dev/null
  disable spoolss = yes

[files]
  path = {share_dir}
  read only = no
  guest ok = no
""")
    return path


def add_user(config, user, password):
    result = subprocess.run([SMBPASSWD, "-c", config, "-a", "-s", user],
                            input=f"{password}\n{password}\n", text=True,
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, check=False)
    if result.returncode != 0:
        raise RuntimeError(f"smbpasswd failed: {result.stdout.strip()}")


def accepts(port):
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=1):
            return True
    except OSError:
        return False


def group_alive(group):
    """True while a process of the group is still running (zombies do not count)."""
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat", encoding="ascii", errors="replace") as stat:
                fields = stat.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        if int(fields[2]) == group and fields[0] != "Z":
            return True
    return False


def start(root, share_dir, user, password):
    """Starts smbd on a free port; retries when another process took the port first."""
    for _ in range(START_ATTEMPTS):
        port = free_port()
        config = write_config(root, share_dir, port)
        add_user(config, user, password)
        server = subprocess.Popen([SMBD, "--foreground", "--no-process-group", "-s", config],
                                  stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL, start_new_session=True)
        deadline = time.monotonic() + READY_SECONDS
        while time.monotonic() < deadline and server.poll() is None:
            if accepts(port):
                return server, port
            time.sleep(0.05)
        stop(server)
    raise RuntimeError("smbd did not start; see the log in " + os.path.join(root, "log"))


def stop(server, how=signal.SIGTERM):
    group = server.pid
    try:
        os.killpg(group, how)
    except ProcessLookupError:
        pass
    try:
        server.wait(timeout=STOP_SECONDS)
    except subprocess.TimeoutExpired:
        os.killpg(group, signal.SIGKILL)
        server.wait()
    deadline = time.monotonic() + STOP_SECONDS
    while group_alive(group) and time.monotonic() < deadline:
        time.sleep(0.02)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", required=True, help="directory for the configuration and state")
    parser.add_argument("--share", required=True, help="directory shared as [files]")
    parser.add_argument("--user", default=pwd.getpwuid(os.getuid()).pw_name)
    parser.add_argument("--password", required=True)
    args = parser.parse_args()

    if os.geteuid() != 0:
        say("SKIP the SMB test server needs root (smbd and smbpasswd -a)")
        return 77
    if not os.access(SMBD, os.X_OK):
        say(f"SKIP {SMBD} is not installed")
        return 77
    try:
        pwd.getpwnam(args.user)
    except KeyError:
        say(f"SKIP {args.user} is not a local user")
        return 77

    try:
        server, port = start(os.path.abspath(args.root), os.path.abspath(args.share),
                             args.user, args.password)
    except (OSError, RuntimeError) as error:
        say(f"ERROR {error}")
        return 1
    say(f"READY {port} {args.user}")
    try:
        for line in sys.stdin:
            command = line.strip()
            if command == "crash":
                stop(server, signal.SIGKILL)
                say("CRASHED")
            elif command == "stop":
                break
    finally:
        stop(server)
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Installs the package into a temporary prefix, builds a small outside project against it and
runs a download with events from a local server.
Usage: package_test.py BUILD_DIR CONSUMER_SOURCE SERVERS_DIR"""
import os
import select
import subprocess
import sys
import tempfile

DEADLINE_SECONDS = 280


def run(*args, **kwargs):
    subprocess.run(args, check=True, timeout=DEADLINE_SECONDS, **kwargs)


def check_pkg_config(prefix):
    """The pkg-config file leads to the headers and libraries of the prefix it was installed into."""
    pc_dirs = [root for root, _, files in os.walk(prefix) if "orvanta-webcopy.pc" in files]
    if len(pc_dirs) != 1:
        sys.exit("the package installs %d pkg-config files orvanta-webcopy.pc" % len(pc_dirs))
    env = dict(os.environ, PKG_CONFIG_PATH=pc_dirs[0])

    def variable(name):
        return subprocess.run(["pkg-config", "--variable=" + name, "orvanta-webcopy"], env=env, check=True,
                              capture_output=True, text=True, timeout=60).stdout.strip()

    for path in (os.path.join(variable("includedir"), "webcopy", "WebCopy.h"),
                 os.path.join(variable("libdir"), "liborvanta_webcopy.a")):
        if not os.path.isfile(path) or not os.path.realpath(path).startswith(os.path.realpath(prefix) + os.sep):
            sys.exit("pkg-config names %s, which is not the installed file" % path)


def main():
    build, consumer, servers = sys.argv[1:4]
    with tempfile.TemporaryDirectory() as work:
        prefix = os.path.join(work, "prefix")
        run("cmake", "--install", build, "--prefix", prefix, "--component", "development")
        check_pkg_config(prefix)
        consumer_build = os.path.join(work, "build")
        run("cmake", "-S", consumer, "-B", consumer_build, "-G", "Ninja", "-DCMAKE_PREFIX_PATH=" + prefix)
        run("cmake", "--build", consumer_build, "-j2")
        docroot = os.path.join(work, "www")
        os.makedirs(docroot)
        payload = os.urandom(100000)
        with open(os.path.join(docroot, "setup.exe"), "wb") as f:
            f.write(payload)
        server = subprocess.Popen(["/usr/bin/python3", os.path.join(servers, "http_server.py"), "--docroot", docroot,
                                   "--log", os.path.join(work, "http.log")],
                                  stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        try:
            ready, _, _ = select.select([server.stdout], [], [], 60)
            port = int(server.stdout.readline().split()[1]) if ready else 0
            target = os.path.join(work, "target")
            os.makedirs(target)
            result = subprocess.run([os.path.join(consumer_build, "consumer"),
                                     "http://127.0.0.1:%d/setup.exe" % port, target],
                                    capture_output=True, text=True, timeout=60)
        finally:
            server.stdin.close()
            server.wait(timeout=10)
        print(result.stdout, result.stderr)
        expected = "FileStart 0\nFileDone 0\nCopyDone\nSuccess 1 Status 200\n"
        with open(os.path.join(target, "setup.exe"), "rb") as f:
            arrived = f.read()
        if result.returncode != 0 or result.stdout != expected or arrived != payload:
            sys.exit("the outside project's download did not work as expected")


main()

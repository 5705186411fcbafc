#!/usr/bin/env python3
"""Installs the package into a temporary prefix, builds a small outside project against it (with
CMake and with pkg-config) and runs a download with events from a local server.
Usage: package_test.py BUILD_DIR CONSUMER_SOURCE SERVERS_DIR"""
import os
import select
import shlex
import subprocess
import sys
import tempfile

DEADLINE_SECONDS = 280


def run(*args, **kwargs):
    subprocess.run(args, check=True, timeout=DEADLINE_SECONDS, **kwargs)


def pkg_config_environment(prefix):
    """The environment in which pkg-config finds the installed file, checked to lead to the
    headers and libraries of the prefix it was installed into."""
    pc_dirs = [root for root, _, files in os.walk(prefix) if "orvanta-webcopy.pc" in files]
    if len(pc_dirs) != 1:
        sys.exit("the package installs %d pkg-config files orvanta-webcopy.pc" % len(pc_dirs))
    env = dict(os.environ, PKG_CONFIG_PATH=pc_dirs[0])

    def variable(name):
        return pkg_config(env, "--variable=" + name).strip()

    for path in (os.path.join(variable("includedir"), "webcopy", "WebCopy.h"),
                 os.path.join(variable("libdir"), "liborvanta_webcopy.a")):
        if not os.path.isfile(path) or not os.path.realpath(path).startswith(os.path.realpath(prefix) + os.sep):
            sys.exit("pkg-config names %s, which is not the installed file" % path)
    return env


def pkg_config(env, *args):
    return subprocess.run(["pkg-config", *args, "orvanta-webcopy"], env=env, check=True, capture_output=True,
                          text=True, timeout=60).stdout


def build_consumers(prefix, consumer, work):
    """The outside project built twice: with CMake's find_package, and with a compiler command
    that takes its flags from pkg-config. Returns the two programs."""
    cmake_build = os.path.join(work, "build")
    run("cmake", "-S", consumer, "-B", cmake_build, "-G", "Ninja", "-DCMAKE_PREFIX_PATH=" + prefix)
    run("cmake", "--build", cmake_build, "-j2")
    env = pkg_config_environment(prefix)
    pkg_config_program = os.path.join(work, "consumer-pkg-config")
    run("c++", "-fPIC", os.path.join(consumer, "main.cpp"), "-o", pkg_config_program,
        *shlex.split(pkg_config(env, "--cflags", "--libs")))
    return [os.path.join(cmake_build, "consumer"), pkg_config_program]


def main():
    build, consumer, servers = sys.argv[1:4]
    with tempfile.TemporaryDirectory() as work:
        prefix = os.path.join(work, "prefix")
        run("cmake", "--install", build, "--prefix", prefix, "--component", "development")
        programs = build_consumers(prefix, consumer, work)
        docroot = os.path.join(work, "www")
        os.makedirs(docroot)
        payload = os.urandom(100000)
        with open(os.path.join(docroot, "setup.exe"), "wb") as f:
            f.write(payload)
        server = subprocess.Popen(["/usr/bin/python3", os.path.join(servers, "http_server.py"), "--docroot", docroot,
                                   "--log", os.path.join(work, "http.log")],
                                  stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        results = []
        try:
            ready, _, _ = select.select([server.stdout], [], [], 60)
            port = int(server.stdout.readline().split()[1]) if ready else 0
            for index, program in enumerate(programs):
                target = os.path.join(work, "target%d" % index)
                os.makedirs(target)
                result = subprocess.run([program, "http://127.0.0.1:%d/setup.exe" % port, target],
                                        capture_output=True, text=True, timeout=60)
                results.append((program, target, result))
        finally:
            server.stdin.close()
            server.wait(timeout=10)
        expected = "Pictures 1\nFileStart 0\nFileDone 0\nCopyDone\nSuccess 1 Status 200\n"
        for program, target, result in results:
            print(program, result.stdout, result.stderr)
            with open(os.path.join(target, "setup.exe"), "rb") as f:
                arrived = f.read()
            if result.returncode != 0 or result.stdout != expected or arrived != payload:
                sys.exit("the outside project built as %s did not work as expected" % os.path.basename(program))


main()

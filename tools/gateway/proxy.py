#!/usr/bin/env python3
"""Runs Debian's tinyproxy as a forward proxy on a free loopback port, for the tests.

Prints "listening http://127.0.0.1:PORT" (also into --ready-file) once the proxy accepts
connections, and stops the proxy on --stop-file or the end of --watch-pid, or on Ctrl-C.
With --user and --password the proxy asks for Basic authentication (407). --log names the
proxy's log.
"""

import argparse
import ctypes
import os
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time

sys.dont_write_bytecode = True  # nothing lands in the source tree when tests run from it
import service_life  # noqa: E402


# Started from a Windows program under Wine, the environment's PATH is Windows'.
TINYPROXY = "/usr/bin/tinyproxy"


def end_with_parent():
    """Linux ends tinyproxy too should this runner be killed outright."""
    PR_SET_PDEATHSIG = 1
    ctypes.CDLL(None, use_errno=True).prctl(PR_SET_PDEATHSIG, signal.SIGTERM)


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def accepts(port):
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=0.2):
            return True
    except OSError:
        return False


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--user")
    parser.add_argument("--password")
    parser.add_argument("--log", help="the proxy's log file (default: in a temporary folder)")
    service_life.add_arguments(parser)
    args = parser.parse_args()

    folder = tempfile.mkdtemp(prefix="plaxor-proxy-")
    log = args.log or os.path.join(folder, "tinyproxy.log")
    for _ in range(20):  # another program may take the port between probe and start
        port = free_port()
        config = os.path.join(folder, "tinyproxy.conf")
        with open(config, "w", encoding="ascii") as file:
            file.write(f"Port {port}\nListen 127.0.0.1\nTimeout 60\nMaxClients 20\nAllow 127.0.0.1\n"
                       f"LogLevel Info\nLogFile \"{log}\"\nDisableViaHeader Yes\n")
            if args.user:
                file.write(f"BasicAuth {args.user} {args.password or ''}\n")
        errors = open(os.path.join(folder, "tinyproxy.err"), "w", encoding="utf-8")
        proxy = subprocess.Popen([TINYPROXY, "-d", "-c", config], stdin=subprocess.DEVNULL,
                                 stdout=errors, stderr=errors, preexec_fn=end_with_parent)
        for _ in range(100):
            if proxy.poll() is not None or accepts(port):
                break
            time.sleep(0.05)
        if proxy.poll() is None and accepts(port):
            break
        proxy.kill()
    else:
        with open(os.path.join(folder, "tinyproxy.err"), encoding="utf-8") as errors:
            message = "tinyproxy did not start: " + errors.read()
        service_life.report_failure(args, message)
        sys.exit(message)

    stopping = threading.Event()
    service_life.watch(args, stopping.set)
    service_life.announce(args, [f"listening http://127.0.0.1:{port}"])
    try:
        while not stopping.wait(1) and proxy.poll() is None:
            pass
    except KeyboardInterrupt:
        pass
    finally:
        proxy.terminate()
        try:
            proxy.wait(5)
        except subprocess.TimeoutExpired:
            proxy.kill()


if __name__ == "__main__":
    main()

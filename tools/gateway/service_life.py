"""How the gateway and the proxy runner tell that they are ready, and when they stop.

A program that starts them (a test under Wine can neither read their output nor end them by
a process handle) names a ready file, which they write once they listen, and a loopback port
of its own, which they connect to and which ends them when it closes: when the starter closes
it, or when the starter's process ends for any reason.
"""

import os
import socket
import threading


def add_arguments(parser):
    parser.add_argument("--ready-file", help="written once listening: 'listening URL' and other lines")
    parser.add_argument("--watch-port", type=int,
                        help="connect to this loopback port and stop when the connection closes")


def announce(args, lines):
    if not args.ready_file:
        for line in lines:
            print(line, flush=True)
        return
    partial = args.ready_file + ".partial"
    with open(partial, "w", encoding="utf-8") as file:
        file.write("".join(line + "\n" for line in lines))
    os.replace(partial, args.ready_file)  # readers never see half of it


def report_failure(args, message):
    """Lets a waiting starter know at once that nothing will listen."""
    announce(args, ["failed " + message])


def watch(args, stop):
    """Calls stop() from a background thread once the watched connection closes."""
    if not args.watch_port:
        return
    starter = socket.create_connection(("127.0.0.1", args.watch_port))

    def run():
        try:
            while starter.recv(64):
                pass
        except OSError:
            pass
        if args.ready_file and os.path.exists(args.ready_file):
            os.remove(args.ready_file)  # tells the starter that the stop was seen
        stop()

    threading.Thread(target=run, daemon=True).start()

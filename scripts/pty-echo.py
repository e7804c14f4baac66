#!/usr/bin/python3
"""A line partner for serial tests: a pseudo-terminal that sends back every byte it receives.

Prints the terminal's path, then echoes until SIGTERM or SIGINT."""
import os
import pty
import select
import signal
import sys
import tty


def main():
    master, slave = pty.openpty()
    tty.setraw(slave)  # held open, so the terminal stays up while the port under test closes and reopens
    print(os.ttyname(slave), flush=True)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    while True:
        select.select([master], [], [])
        data = os.read(master, 4096)
        while data:
            data = data[os.write(master, data):]


if __name__ == "__main__":
    try:
        main()
    except KeyboardInterrupt:
        pass

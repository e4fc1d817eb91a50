"""An SMTP server on 127.0.0.1 that stores every message it accepts.

Usage: smtp_sink.py PORT FOLDER
Each message becomes FOLDER/N.eml (the bytes as received, after the end mark is taken away
and dots are unstuffed) and FOLDER/N.env (the envelope sender and recipients, one a line).
Prints "ready" once it listens.
"""
import asyncio
import os
import sys
import time

from aiosmtpd.controller import Controller


class Sink:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.folder, str(self.count))
        with open(base + ".env", "w") as env:
            env.write("\n".join([envelope.mail_from] + envelope.rcpt_tos) + "\n")
        with open(base + ".tmp", "wb") as msg:
            msg.write(envelope.original_content)
        os.rename(base + ".tmp", base + ".eml")
        return "250 Message accepted"


def main():
    port, folder = int(sys.argv[1]), sys.argv[2]
    controller = Controller(Sink(folder), hostname="127.0.0.1", port=port,
                            data_size_limit=None)
    controller.start()
    print("ready", flush=True)
    try:
        sys.stdin.read()
    finally:
        controller.stop()


main()

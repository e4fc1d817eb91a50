"""Decodes the uuencoded attachments of a stored message into a folder.

Usage: uudecode_mail.py MESSAGE FOLDER
Prints the name of each decoded file, one a line.
"""
import binascii
import os
import sys


def main():
    message, folder = sys.argv[1], sys.argv[2]
    lines = open(message, "rb").read().split(b"\r\n")
    out = None
    for line in lines:
        if out is None:
            if line.startswith(b"begin "):
                name = line.split(b" ", 2)[2].decode()
                out = open(os.path.join(folder, name), "wb")
                print(name)
        elif line == b"end":
            out.close()
            out = None
        elif line != b"`":
            out.write(binascii.a2b_uu(line))
    if out is not None:
        sys.exit("unterminated attachment")


main()

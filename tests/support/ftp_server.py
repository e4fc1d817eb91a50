"""A loopback FTP server for the tests: prints its port, then serves until killed.

Users (password "pw"): "u" may do everything, "ro" may only list and read, "noread" may do
everything but read a file, "die" ends the server in the middle of its first upload, "cut"
breaks off every upload in the middle and goes on serving;
"u@ftp.example.invalid" is "u" logging on through a proxy, in the folder "proxied".
"""
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler
from pyftpdlib.servers import FTPServer


class DyingDTP(DTPHandler):
    def handle_read(self):
        super().handle_read()
        if self.cmd_channel.username == "die":
            os._exit(3)
        if self.cmd_channel.username == "cut":
            self.close()

    handle_read_event = handle_read


def main():
    root = sys.argv[1]
    flags = sys.argv[2:]
    authorizer = DummyAuthorizer()
    authorizer.add_user("u", "pw", root, perm="elradfmwMT")
    authorizer.add_user("ro", "pw", root, perm="elr")
    authorizer.add_user("die", "pw", root, perm="elradfmwMT")
    authorizer.add_user("noread", "pw", root, perm="eladfmwMT")
    authorizer.add_user("cut", "pw", root, perm="elradfmwMT")
    # How a proxy passes a log-on on to its server.
    os.makedirs(os.path.join(root, "proxied"), exist_ok=True)
    authorizer.add_user("u@ftp.example.invalid", "pw", os.path.join(root, "proxied"), perm="elradfmwMT")
    handler = type("Handler", (FTPHandler,), {})
    handler.authorizer = authorizer
    handler.dtp_handler = DyingDTP
    handler.proto_cmds = dict(FTPHandler.proto_cmds)
    for command in ("MLSD", "LIST"):
        if "--no-" + command.lower() in flags:
            del handler.proto_cmds[command]
    server = FTPServer(("127.0.0.1", 0), handler)
    print(server.socket.getsockname()[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()

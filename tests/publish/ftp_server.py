# A small FTP server for the upload tests, on 127.0.0.1 and a free port.
# Usage: ftp_server.py ROOT USER PASSWORD [drop|readonly]
# Prints "PORT <n>" once it listens. With "drop" it cuts every connection of
# a client after 64 KiB of an upload have arrived; with "readonly" the user
# may list and read but not write.
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler
from pyftpdlib.servers import FTPServer


class DroppingDTP(DTPHandler):
    def handle_read(self):
        DTPHandler.handle_read(self)
        if self.receive and self.tot_bytes_received > 64 * 1024:
            self.cmd_channel.close()
            self.close()

    handle_read_event = handle_read


def main():
    root, user, password = sys.argv[1:4]
    mode = sys.argv[4] if len(sys.argv) > 4 else ""
    drop = mode == "drop"
    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, root, perm="elr" if mode == "readonly" else "elradfmwMT")
    handler = type("Handler", (FTPHandler,), {})
    handler.authorizer = authorizer
    handler.permit_foreign_addresses = False
    handler.auth_failed_timeout = 0.1
    if drop:
        handler.dtp_handler = DroppingDTP
    server = FTPServer(("127.0.0.1", 0), handler)
    print("PORT %d" % server.address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()

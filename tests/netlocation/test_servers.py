#!/usr/bin/env python3
"""HTTP and FTP servers on 127.0.0.1 for the download tests.

usage: test_servers.py http|https|ftp ROOT PORTFILE [PORT]

Serves the files under ROOT on PORT (0: a port the system picks) and writes
the port to PORTFILE once it listens, or -1 when it cannot listen there. The number of connections accepted so
far (control connections for FTP) is kept in PORTFILE.connections. The
server stops when PORTFILE.stop appears, when ROOT is gone, or after ten
minutes, and removes PORTFILE as it ends.

HTTP answers as HTTP/1.1 with keep-alive, and three kinds of paths behave
on purpose like servers in the field:
  nolength/NAME   the file without a Content-Length (the end is the close)
  drop-N/NAME     the right Content-Length, but the connection closes after
                  N bytes of the body
  status-N/NAME   the status N with an HTML page as its body
  endless/NAME    200 without a Content-Length, and a body of 64 MiB, longer
                  than any file the tests serve
  anything missing  a "404 Not Found" page that says so in its first line
While the file PORTFILE.mode holds "500" every answer is that status with a
page; while it holds "endless" every file is an endless body as above.

https is the same HTTP server over TLS, with the certificate and key of the
PEM file that BRIM_TEST_TLS_PEM names.

FTP logs in anonymous users and the user "brim" with the password "secret",
both into ROOT.
"""
import http.server
import os
import socket
import sys
import threading
import time

LIFETIME = 600


class Counter:
    def __init__(self, path):
        self.path = path
        self.count = 0
        self.lock = threading.Lock()
        self.write()

    def add(self):
        with self.lock:
            self.count += 1
            self.write()

    def write(self):
        with open(self.path + ".tmp", "w") as f:
            f.write(str(self.count))
        os.replace(self.path + ".tmp", self.path)


def announce(portfile, port):
    with open(portfile + ".tmp", "w") as f:
        f.write(str(port))
    os.replace(portfile + ".tmp", portfile)


def should_stop(root, portfile, started):
    return (os.path.exists(portfile + ".stop") or not os.path.isdir(root)
            or time.time() - started > LIFETIME)


def http_server(root, port, counter, tls=False, portfile=""):
    class Handler(http.server.SimpleHTTPRequestHandler):
        protocol_version = "HTTP/1.1"
        error_message_format = ("<html><head><title>%(code)d %(message)s</title></head>"
                                "<body><h1>%(code)d %(message)s</h1></body></html>\n")

        def __init__(self, *args, **kwargs):
            super().__init__(*args, directory=root, **kwargs)

        def log_message(self, *args):
            pass

        def page(self, status):
            body = ("<html><body><h1>%d</h1>%s</body></html>\n"
                    % (status, "x" * 400)).encode()
            self.send_response(status)
            self.send_header("Content-Type", "text/html")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

        def endless(self):
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Connection", "close")
            self.close_connection = True
            self.end_headers()
            block = b"\x5a" * 65536
            try:
                # Far longer than any file served here, but not without end:
                # a client that fails to stop must not fill the disk.
                for _ in range(1024):
                    self.wfile.write(block)
            except OSError:
                pass  # the client stopped reading

        def do_GET(self):
            try:
                with open(portfile + ".mode") as f:
                    mode = f.read().strip()
            except OSError:
                mode = ""
            parts = self.path.lstrip("/").split("/", 1)
            special = parts[0] if len(parts) == 2 else ""
            if mode == "endless" or special == "endless":
                self.endless()
                return
            if mode.isdigit():
                self.page(int(mode))
                return
            if special.startswith("status-"):
                self.page(int(special[7:]))
                return
            if special == "nolength" or special.startswith("drop-"):
                path = self.translate_path(self.path)
                if not os.path.isfile(path):
                    self.send_error(404)
                    return
                with open(path, "rb") as f:
                    body = f.read()
                self.send_response(200)
                self.send_header("Content-Type", "application/octet-stream")
                if special == "nolength":
                    self.send_header("Connection", "close")
                    self.close_connection = True
                else:
                    self.send_header("Content-Length", str(len(body)))
                    body = body[:int(special[5:])]
                    self.close_connection = True
                self.end_headers()
                self.wfile.write(body)
                self.wfile.flush()
                if special != "nolength":
                    # Cut the connection as a broken network would.
                    self.connection.shutdown(socket.SHUT_RDWR)
                return
            super().do_GET()

    class Server(http.server.ThreadingHTTPServer):
        daemon_threads = True
        allow_reuse_address = True

        def handle_error(self, request, client_address):
            pass  # a client that goes away mid-answer is what some tests do

        def get_request(self):
            request = super().get_request()
            counter.add()
            return request

    server = Server(("127.0.0.1", port), Handler)
    if tls:
        import ssl
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(os.environ["BRIM_TEST_TLS_PEM"])
        server.socket = context.wrap_socket(server.socket, server_side=True)
    thread = threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.1})
    thread.daemon = True
    thread.start()
    return server.server_address[1], lambda: (server.shutdown(), server.server_close())


def ftp_server(root, port, counter):
    from pyftpdlib.authorizers import DummyAuthorizer
    from pyftpdlib.handlers import FTPHandler
    from pyftpdlib.servers import FTPServer
    import logging
    quiet = logging.getLogger("pyftpdlib")
    quiet.addHandler(logging.NullHandler())
    quiet.setLevel(logging.CRITICAL)
    quiet.propagate = False

    authorizer = DummyAuthorizer()
    authorizer.add_anonymous(root, perm="elr")
    authorizer.add_user("brim", "secret", root, perm="elr")

    class Handler(FTPHandler):
        def on_connect(self):
            counter.add()

    Handler.authorizer = authorizer
    Handler.auth_failed_timeout = 0  # answer a wrong password at once
    Handler.passive_ports = None
    FTPServer.allow_reuse_address = True
    server = FTPServer(("127.0.0.1", port), Handler)
    stopped = threading.Event()

    def serve():
        server.serve_forever(timeout=0.1, blocking=False, handle_exit=False)
        while not stopped.is_set():
            server.ioloop.loop(0.1, blocking=False)
        server.close_all()

    thread = threading.Thread(target=serve)
    thread.daemon = True
    thread.start()

    def stop():
        stopped.set()
        thread.join(5)

    return server.address[1], stop


def main():
    if len(sys.argv) not in (4, 5) or sys.argv[1] not in ("http", "https", "ftp"):
        sys.stderr.write(__doc__)
        return 2
    kind, root, portfile = sys.argv[1:4]
    port = int(sys.argv[4]) if len(sys.argv) == 5 else 0
    started = time.time()
    counter = Counter(portfile + ".connections")
    try:
        if kind == "ftp":
            actual, stop = ftp_server(root, port, counter)
        else:
            actual, stop = http_server(root, port, counter, kind == "https", portfile)
    except OSError as error:
        # The port is taken or needs privileges: say so instead of a port.
        sys.stderr.write("test_servers.py: cannot serve on port %d: %s\n" % (port, error))
        announce(portfile, -1)
        return 1
    announce(portfile, actual)
    try:
        while not should_stop(root, portfile, started):
            time.sleep(0.1)
    finally:
        stop()
        for name in (portfile, portfile + ".stop"):
            try:
                os.remove(name)
            except OSError:
                pass
    return 0


if __name__ == "__main__":
    sys.exit(main())

"""A loopback server with replies no ordinary HTTP server gives, for the download tests.

Prints "port N" once it listens, then answers each connection by the path of its request line.
"""
import socket
import sys
import threading
import time

REPLIES = {
    "/early": b"HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n" + b"0123456789",  # ends early
    "/long": b"HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\n" + b"0123456789" * 80,  # longer than said
    "/noheader": b"no header here, only text\r\nand more text",
    "/hugeheader": b"HTTP/1.0 200 OK\r\nX-Fill: " + b"a" * (200 * 1024) + b"\r\n\r\nbody",
    "/barelf": b"HTTP/1.0 200 OK\nServer: odd\n\nbare body\r\n\r\nwith blank lines",
    "/headeronly": b"HTTP/1.0 204 No Content\r\nServer: odd\r\n\r\n",
}


def serve(conn):
    with conn:
        request = b""
        conn.settimeout(10)
        while b"\r\n\r\n" not in request and len(request) < 65536:
            chunk = conn.recv(4096)
            if not chunk:
                return
            request += chunk
        path = request.split(b" ")[1].decode("latin-1") if request.count(b" ") >= 2 else "/"
        if path == "/silent":  # nothing at all for 30 seconds
            time.sleep(30)
        elif path == "/trickle":  # a header, then one byte every 0.2 seconds for 30 seconds
            conn.sendall(b"HTTP/1.0 200 OK\r\n\r\n")
            for _ in range(150):
                time.sleep(0.2)
                conn.sendall(b".")
        elif path == "/echo":  # the request it received, as the body
            conn.sendall(b"HTTP/1.0 200 OK\r\n\r\n" + request)
        else:
            conn.sendall(REPLIES.get(path, b"HTTP/1.0 404 Not Found\r\n\r\nnot here"))


def main():
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    print("port", listener.getsockname()[1], flush=True)
    while True:
        conn, _ = listener.accept()
        threading.Thread(target=serve, args=(conn,), daemon=True).start()


if __name__ == "__main__":
    sys.exit(main())

"""A loopback server with replies no ordinary HTTP server gives, for the download tests.

Prints "port N" once it listens, then answers each connection by the path of its request line:
  /early       a header announcing 1000 bytes, then 10 bytes and the end
  /long        a header announcing 10 bytes, then 800 bytes and the end
  /noheader    bytes without any empty line, then the end
  /hugeheader  a header line of 200 KB
  /barelf      a header whose lines end in bare line feeds
  /headeronly  a header and nothing after it
  /silent      nothing at all for 30 seconds
  /trickle     a header, then one byte every 0.2 seconds for 30 seconds
  /echo        the request it received, as the body
"""
import socket
import sys
import threading
import time


def reply_for(path, request):
    if path == "/early":
        return b"HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n" + b"0123456789"
    if path == "/long":
        return b"HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\n" + b"0123456789" * 80
    if path == "/noheader":
        return b"no header here, only text\r\nand more text"
    if path == "/hugeheader":
        return b"HTTP/1.0 200 OK\r\nX-Fill: " + b"a" * (200 * 1024) + b"\r\n\r\nbody"
    if path == "/barelf":
        return b"HTTP/1.0 200 OK\nServer: odd\n\nbare body\r\n\r\nwith blank lines"
    if path == "/headeronly":
        return b"HTTP/1.0 204 No Content\r\nServer: odd\r\n\r\n"
    if path == "/echo":
        return b"HTTP/1.0 200 OK\r\n\r\n" + request
    return b"HTTP/1.0 404 Not Found\r\n\r\nnot here"


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
        if path == "/silent":
            time.sleep(30)
            return
        if path == "/trickle":
            conn.sendall(b"HTTP/1.0 200 OK\r\n\r\n")
            for _ in range(150):
                time.sleep(0.2)
                conn.sendall(b".")
            return
        conn.sendall(reply_for(path, request))


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

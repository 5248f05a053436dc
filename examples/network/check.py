"""Plays the chat lobby as three programs on this machine (127.0.0.1 only): hana hosts, ivan joins, then
jules joins, says "hi" and leaves; ivan leaves later, and hana closes the empty lobby. Each program runs from a folder of its own (the one-file build) and
first downloads news.txt from a small web server started here. Their chat.txt files must show the news
as served, every join, text and leaving in order, and the lobby as it fills and empties.

    check.py PROGRAM
"""
import functools
import http.server
import os
import secrets
import shutil
import socket
import sys
import threading
import time

import headless
from headless import ENTER, ESC, press, type_text


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def chat(folder):
    path = os.path.join(folder, "chat.txt")
    return open(path, encoding="latin-1").read().splitlines() if os.path.exists(path) else []


def wait_for(folder, line, process, seconds=20):
    """Waits until the program's chat.txt holds the line (bounded; fails if the program ends first)."""
    for _ in range(seconds * 20):
        if line in chat(folder):
            return
        assert process.poll() is None, f"ended before '{line}': {chat(folder)}"
        time.sleep(0.05)
    raise AssertionError(f"no '{line}' in {chat(folder)}")


def main(program):
    www = headless.new_folder()
    news = f"lobby news {secrets.token_hex(4)}"
    served = f"{news}\r\nsecond line\r\n".encode()
    open(os.path.join(www, "news.txt"), "wb").write(served)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(QuietHandler, directory=www))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    port = str(free_port())

    players = []
    try:
        def player(mode, name, frames, keys=()):
            folder = headless.new_folder()
            shutil.copy(program + "-onefile", os.path.join(folder, "game"))
            args = [mode, "127.0.0.1", port, name, str(server.server_address[1])]
            players.append(headless.start(os.path.join(folder, "game"), keys, frames, args=args, paced=True,
                                          folder=folder))
            return players[-1]

        hana = player("host", "hana", 3000)
        wait_for(hana[1], f"hosting on port {port}", hana[0])
        ivan = player("join", "ivan", 1000, press(360, ESC))
        wait_for(hana[1], "ivan joins", hana[0])
        jules = player("join", "jules", 200, press(30, ENTER) + type_text(34, "HI") + press(40, ENTER) + press(60, ESC))
        for process, folder in players:
            headless.finish(process, folder)
    finally:
        for process, _ in players:
            process.kill()
        server.shutdown()

    logs = {name: chat(folder) for name, (_, folder) in zip(("hana", "ivan", "jules"), players)}
    for name, (_, folder) in zip(logs, players):
        assert open(os.path.join(folder, "news.txt"), "rb").read() == served, f"{name}'s news.txt"
        assert logs[name][0] == f"news: {news}", logs[name]

    def in_order(log, *lines):
        """Whether the lines appear in the log in this order."""
        at = [log.index(line) if line in log else -1 for line in lines]
        return -1 not in at and at == sorted(at)

    def lobbies(log):
        return [line for line in log if line.startswith("players:")]

    # Each program asks for the lobby once a second: jules sees it full on arrival; the others see it
    # shrink as the guests leave.
    everyone = "players: hana ivan jules"
    assert in_order(logs["hana"], "ivan joins", "jules joins", "jules: hi", "jules leaves", "ivan leaves",
                    "everyone has left: the lobby closes"), logs["hana"]
    assert "players: hana ivan" in lobbies(logs["hana"]) and lobbies(logs["hana"])[-1] == "players: hana"
    assert in_order(logs["ivan"], "jules joins", "jules: hi", "jules leaves"), logs["ivan"]
    assert lobbies(logs["ivan"])[-1] == "players: hana ivan", logs["ivan"]
    assert in_order(logs["jules"], f"joined on port {port}", everyone, "jules: hi"), logs["jules"]
    headless.passed("news, joins, texts and leaving seen by all three players")


if __name__ == "__main__":
    main(sys.argv[1])

#!/usr/bin/python3
"""The demo in the browser: headless Chromium plays the scripted game from the web build, and its frames
are compared pixel by pixel with the native program's, all on 127.0.0.1. --measure adds both programs'
unpaced frame rates and the page's time to its first frame.
    browser_demo_test.py WEB_BUILD_DIR NATIVE_DEMO [--measure]
"""
import base64
import functools
import http.server
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse
import urllib.request

import websocket

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "../game"))
import demo_model  # noqa: E402  (the picture reader and the pixel comparison)

MAX_BAD_PIXELS = 64  # of 640 x 480, for edge pixels the two rasterisers cover differently
KEYS = open(os.path.join(HERE, "../../game/scripted-game.keys")).read()
SHOTS = [19, 40, 80, 150, 185, 200]
FRAMES = 210


def serve(directory):
    """The web build served on 127.0.0.1 at a free port, from a thread of this process, without a log."""
    quiet = type("Quiet", (http.server.SimpleHTTPRequestHandler,), {"log_message": lambda *args: None})
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(quiet, directory=directory))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


class Browser:
    """Headless Chromium with software WebGL, driven over its DevTools protocol on 127.0.0.1."""

    def __init__(self):
        self.profile = tempfile.mkdtemp(prefix="tarvok-chromium-")
        self.next_id, self.errors = 0, []  # errors: uncaught exceptions of the page
        self.process = subprocess.Popen(
            ["chromium", "--headless=new", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
             "--no-sandbox", "--no-first-run", "--no-default-browser-check", "--mute-audio",
             "--autoplay-policy=no-user-gesture-required", "--remote-debugging-address=127.0.0.1",
             "--remote-debugging-port=0", f"--user-data-dir={self.profile}", "about:blank"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        port_file = os.path.join(self.profile, "DevToolsActivePort")
        deadline = time.monotonic() + 30
        while not os.path.exists(port_file) or not open(port_file).read().strip():
            if time.monotonic() > deadline or self.process.poll() is not None:
                self.close()
                raise RuntimeError("Chromium did not start its DevTools endpoint")
            time.sleep(0.1)
        port = int(open(port_file).read().split()[0])
        targets = json.load(urllib.request.urlopen(f"http://127.0.0.1:{port}/json/list", timeout=10))
        page = next(t for t in targets if t["type"] == "page")
        self.socket = websocket.create_connection(page["webSocketDebuggerUrl"], timeout=30,
                                                  suppress_origin=True)
        self.call("Runtime.enable")

    def call(self, method, **params):
        self.next_id += 1
        self.socket.send(json.dumps({"id": self.next_id, "method": method, "params": params}))
        while True:
            message = json.loads(self.socket.recv())
            if message.get("method") == "Runtime.exceptionThrown":
                self.errors.append(json.dumps(message["params"]["exceptionDetails"])[:1500])
            if message.get("id") == self.next_id:
                if "error" in message:
                    raise RuntimeError(f"{method}: {message['error']}")
                return message["result"]

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", expression=expression, returnByValue=True)
        if "exceptionDetails" in result:
            raise RuntimeError(f"{expression}: {result['exceptionDetails']}")
        return result["result"].get("value")

    def close(self):
        if self.process.poll() is None:
            os.killpg(self.process.pid, signal.SIGTERM)  # the browser's own process group, started above
        self.process.wait(timeout=10)
        shutil.rmtree(self.profile, ignore_errors=True)


def play_in_browser(browser, port, settings, timeout=120):
    """Loads the page with these switches and waits for the program to end. Its exit status, the seconds
    from the page's start to its first frame and to its end, and the saved shots as {frame: PNG bytes}."""
    query = urllib.parse.urlencode(settings)
    browser.call("Page.navigate", url=f"http://127.0.0.1:{port}/tarvok-demo.html?{query}")
    deadline = time.monotonic() + timeout
    first = None
    while True:
        state = browser.evaluate("typeof Module === 'undefined' ? null : "
                                 "[Module.tarvokFrames, Module.tarvokExit, performance.now()]")
        if state and state[0] and first is None:
            first = state[2] / 1000
        if state and state[1] is not None:
            break
        if time.monotonic() > deadline:
            raise RuntimeError(f"no end within {timeout} s (state {state}, errors {browser.errors})")
        time.sleep(0.05)
    folder = settings.get("TARVOK_SHOTDIR")
    shots = browser.evaluate(  # {file name: base64 of its bytes}
        f"Object.fromEntries(FS.readdir('{folder}').filter(n => n.endsWith('.png')).map(n => {{"
        f" const b = FS.readFile('{folder}/' + n); let s = '';"
        f" for (let i = 0; i < b.length; i += 8192) s += String.fromCharCode(...b.subarray(i, i + 8192));"
        f" return [n, btoa(s)]; }}))") if folder else {}
    return state[1], first, state[2] / 1000, {int(n[6:12]): base64.b64decode(d) for n, d in shots.items()}


def play_native(demo, folder, settings):
    """Runs the native demo under a display with these switches; its exit status and run time."""
    env = dict(os.environ, TARVOK_NONINTERACTIVE="1", SDL_AUDIODRIVER="dummy", TMPDIR=folder, **settings)
    start = time.monotonic()
    result = subprocess.run([f"{HERE}/../../scripts/with-display.sh", demo], env=env, capture_output=True,
                            timeout=300)
    return result.returncode, time.monotonic() - start


def main():
    web_dir, demo = sys.argv[1], os.path.abspath(sys.argv[2])
    work = tempfile.mkdtemp(prefix="tarvok-web-test-")
    server, browser, keys = serve(web_dir), None, os.path.join(work, "keys.txt")
    try:
        open(keys, "w").write(KEYS)
        run = {"TARVOK_SHOTS": ",".join(map(str, SHOTS)), "TARVOK_FRAMES": str(FRAMES), "TARVOK_UNPACED": "1"}
        native_status, _ = play_native(demo, work, dict(run, TARVOK_KEYS=keys, TARVOK_SHOTDIR=work))
        browser = Browser()
        status, _, _, pictures = play_in_browser(browser, server.server_port,
                                                 dict(run, keys=KEYS, TARVOK_SHOTDIR="/shots"))
        failures = [f"{name} demo ended with status {code}"
                    for name, code in (("native", native_status), ("browser", status)) if code != 0]
        for frame in SHOTS:
            native, shown = (os.path.join(work, f"{kind}-{frame:06d}.png") for kind in ("frame", "browser"))
            if frame not in pictures or not os.path.exists(native):
                failures.append(f"frame {frame}: no picture (browser {frame in pictures})")
                continue
            open(shown, "wb").write(pictures[frame])
            a, b = demo_model.read_picture(shown), demo_model.read_picture(native)
            bad = len(demo_model.differing(a[2], b[2])) if a[:2] == b[:2] else None  # None: other sizes
            print(f"frame {frame}: {bad} pixels differ")
            if bad is None or bad > MAX_BAD_PIXELS:
                failures.append(f"frame {frame}: {bad} pixels differ from the native frame")
        if "--measure" in sys.argv:  # frames per second after the start: a long run less a short one
            unpaced = [{"TARVOK_FRAMES": str(frames), "TARVOK_UNPACED": "1"} for frames in (100, 2100)]
            (_, short), (_, long) = (play_native(demo, work, settings) for settings in unpaced)
            _, first, end, _ = play_in_browser(browser, server.server_port, unpaced[1])
            paced_first = play_in_browser(browser, server.server_port, {"TARVOK_FRAMES": "1"})[1]
            native_fps, browser_fps = 2000 / (long - short), 2099 / (end - first)
            print(f"native: {native_fps:.0f} fps; browser: {browser_fps:.0f} fps; "
                  f"ratio {browser_fps / native_fps:.2f}")
            print(f"page start to first frame: {paced_first:.2f} s")
    finally:
        if browser:
            browser.close()
        server.shutdown()
        server.server_close()
    if failures:
        print("\n".join(failures) + f"\n(pictures kept in {work})", file=sys.stderr)
        return 1
    shutil.rmtree(work, ignore_errors=True)
    print("browser frames match the native frames")
    return 0


if __name__ == "__main__":
    sys.exit(main())

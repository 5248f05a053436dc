"""Plays an example game without anyone at the keyboard, through the engine's TARVOK_* switches, and
reads back what it showed: shared by the examples' check.py scripts."""
import os
import shutil
import subprocess
import tempfile

# Scan codes as KeyState numbers them.
ESC, ENTER, SPACE, UP, LEFT, RIGHT, DOWN = 1, 28, 57, 200, 203, 205, 208
LETTERS = dict(zip("QWERTYUIOP", range(16, 26))) | dict(zip("ASDFGHJKL", range(30, 39))) | \
    dict(zip("ZXCVBNM", range(44, 51))) | dict(zip("1234567890", range(2, 12)))


_scratch = tempfile.mkdtemp(prefix="tarvok-example-")


def new_folder():
    """A fresh folder under this check's scratch folder."""
    return tempfile.mkdtemp(dir=_scratch)


def passed(message):
    """Reports success and removes the scratch folder (a failed check leaves it for a look)."""
    shutil.rmtree(_scratch, ignore_errors=True)
    print(message)


def press(frame, code, hold=1):
    """Key script lines: the key goes down at a frame and up hold frames later."""
    return [f"{frame} down {code}", f"{frame + hold} up {code}"]


def type_text(frame, text):
    """Key script lines typing the letters and digits of text, one every other frame, from a frame on."""
    return [line for i, ch in enumerate(text) for line in press(frame + 2 * i, LETTERS[ch])]


def start(program, keys=(), frames=100, shots=(), args=(), env=None, paced=False, folder=None):
    """Starts the program with a key script and a frame limit, and a folder for its pictures, log and
    temporary files (a fresh one unless given); returns the process and the folder."""
    folder = folder or new_folder()
    with open(os.path.join(folder, "keys.txt"), "w") as f:
        f.write("\n".join(sorted(keys, key=lambda line: int(line.split()[0]))) + "\n")
    environment = dict(os.environ, TARVOK_KEYS=os.path.join(folder, "keys.txt"), TARVOK_FRAMES=str(frames),
                       TARVOK_NONINTERACTIVE="1", TARVOK_SHOTDIR=folder, TMPDIR=folder, SDL_AUDIODRIVER="dummy")
    if shots:
        environment["TARVOK_SHOTS"] = ",".join(map(str, shots))
    if not paced:
        environment["TARVOK_UNPACED"] = "1"
    environment.update(env or {})
    process = subprocess.Popen([os.path.abspath(program), *args], cwd=folder, env=environment,
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    return process, folder


def finish(process, folder, timeout=60):
    """Waits for the program's end; fails unless it ends with status 0."""
    try:
        output = process.communicate(timeout=timeout)[0]
    finally:
        process.kill()
    log = os.path.join(folder, "ErrorLog.txt")
    assert process.returncode == 0, (process.returncode, output[-2000:], open(log).read() if os.path.exists(log) else "")


def play(program, keys=(), timeout=60, **options):
    """Runs the program to its frame limit or its own end (options as for start); returns the folder."""
    process, folder = start(program, keys, **options)
    finish(process, folder, timeout)
    return folder


class Picture:
    """A saved frame as rows of (r, g, b), decoded by ImageMagick."""

    def __init__(self, folder, frame):
        path = os.path.join(folder, f"frame-{frame:06d}.png")
        size = subprocess.run(["identify", "-format", "%w %h", path], check=True, capture_output=True).stdout
        self.width, self.height = map(int, size.split())
        self.raw = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], check=True, capture_output=True).stdout

    def __call__(self, x, y):
        at = (y * self.width + x) * 3
        return tuple(self.raw[at:at + 3])


def near(colour, expected, tolerance=8):
    """Whether two colours differ by at most the tolerance in each channel."""
    return all(abs(a - b) <= tolerance for a, b in zip(colour, expected))

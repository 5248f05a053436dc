"""The demo end to end: the real program under a display, fed keys frame by frame, its frames compared
pixel by pixel with pictures painted from the demo's rules and picture files (demo_model.py).

    demo_test.py DEMO_PROGRAM PACK_TOOL [unittest arguments]
"""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

import demo_model

DEMO = PACK = None
TOLERANCE = 3  # per channel, for the GL rasteriser's rounding


def read_png(path):
    """Rows of (r, g, b), decoded by ImageMagick."""
    raw = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], check=True, capture_output=True).stdout
    assert len(raw) == demo_model.WIDTH * demo_model.HEIGHT * 3, path
    w = demo_model.WIDTH
    return [[tuple(raw[(y * w + x) * 3:(y * w + x) * 3 + 3]) for x in range(w)] for y in range(demo_model.HEIGHT)]


class DemoRun:
    """One run of the demo with a key script, keeping the pictures of the given frames."""

    def __init__(self, keys, shots, frames, program=None, env=None):
        self.dir = tempfile.mkdtemp(prefix="demo-")
        self.script = keys
        with open(os.path.join(self.dir, "keys.txt"), "w") as f:
            for frame, down, code in keys:
                f.write(f"{frame} {'down' if down else 'up'} {code}\n")
        environment = dict(os.environ, TARVOK_KEYS=os.path.join(self.dir, "keys.txt"), TARVOK_NONINTERACTIVE="1",
                           TARVOK_SHOTS=",".join(map(str, shots)), TARVOK_SHOTDIR=self.dir,
                           TARVOK_FRAMES=str(frames), TARVOK_UNPACED="1", SDL_AUDIODRIVER="dummy",
                           TMPDIR=self.dir)
        environment.update(env or {})
        result = subprocess.run([program or DEMO], env=environment, capture_output=True, timeout=120)
        self.status = result.returncode
        self.output = result.stdout.decode(errors="replace") + result.stderr.decode(errors="replace")

    def shot(self, frame):
        path = os.path.join(self.dir, f"frame-{frame:06d}.png")
        return read_png(path) if os.path.exists(path) else None

    def log(self):
        path = os.path.join(self.dir, "ErrorLog.txt")
        return open(path, "rb").read() if os.path.exists(path) else b""

    def close(self):
        shutil.rmtree(self.dir, ignore_errors=True)


def press(frame, code, frames=1):
    """A key held for a number of passes from a frame on."""
    return [(frame, True, code), (frame + frames, False, code)]


class DemoTest(unittest.TestCase):
    pictures = None

    @classmethod
    def setUpClass(cls):
        cls.pictures = demo_model.Pictures(os.path.dirname(os.path.abspath(DEMO)))

    def check_frames(self, keys, frames):
        """Runs the demo and compares each listed frame with the model's picture of it."""
        last = max(frames) + 1
        run = DemoRun(keys, frames, last)
        try:
            self.assertEqual(run.status, 0, run.output)
            shown, _ = demo_model.simulate(self.pictures, keys, last)
            for frame in frames:
                actual = run.shot(frame)
                self.assertIsNotNone(actual, f"no picture of frame {frame}")
                expected = demo_model.paint(self.pictures, *shown[frame])
                bad = [(x, y) for y in range(demo_model.HEIGHT) for x in range(demo_model.WIDTH)
                       if max(abs(a - b) for a, b in zip(actual[y][x], expected[y][x])) > TOLERANCE]
                self.assertEqual(bad[:10], [], f"frame {frame}: {len(bad)} pixels differ, first at "
                                 f"{bad[:1]}: shown {actual[bad[0][1]][bad[0][0]] if bad else ''}, "
                                 f"expected {expected[bad[0][1]][bad[0][0]] if bad else ''}")
            return shown
        finally:
            run.close()

    def test_standing_figure_background_and_enemy(self):
        shown = self.check_frames([], [7, 12])
        self.assertEqual(shown[12][1], [("sprite", 1, 10.0, 350), ("sprite", 20, 500, 350)])

    def test_walking_right_animates_and_cycles(self):
        shown = self.check_frames(press(10, 205, 10), [21])
        self.assertIn(("sprite", 2, 40.0, 350), shown[21][1])  # 30 pixels on, picture 2
        shown = self.check_frames(press(10, 205, 80), [91])
        self.assertIn(("sprite", 1, 250.0, 350), shown[91][1])  # 80 frames: picture 1 again

    def test_walking_left_turns_at_once(self):
        shown = self.check_frames(press(10, 203, 1), [12])
        self.assertIn(("sprite", 11, 7.0, 350), shown[12][1])
        shown = self.check_frames(press(10, 203, 10), [21])
        self.assertIn(("sprite", 12, -20.0, 350), shown[21][1])

    def test_jump_follows_the_sine_and_is_not_restarted(self):
        keys = press(10, 57) + press(30, 57)  # the second press falls inside the jump
        shown = self.check_frames(keys, [12, 41, 71, 72])
        ys = {f: shown[f][1][0][3] for f in (12, 41, 71, 72)}
        self.assertAlmostEqual(ys[12], 350 - 100 * 0.05233595624, places=6)
        self.assertAlmostEqual(ys[41], 250)  # phase 90 at the top: no restart by the second press
        self.assertAlmostEqual(ys[71], 350, places=6)  # phase 180, the 61st and last pass of the jump
        self.assertEqual(ys[72], 350)

    def test_punching_the_enemy_wins_and_the_background_goes(self):
        keys = press(10, 205, 200) + press(10, 30, 200)
        shown, _ = demo_model.simulate(self.pictures, keys, 210)
        win = min(f for f, (bg, ops) in shown.items() if ops and ops[0] == ("text", "You've WON!!", 100, 100))
        self.check_frames(keys, [win - 1, win, win + 1, win + 5])
        self.assertFalse(shown[win + 5][0])

    def test_key_messages(self):
        self.check_frames(press(10, 2) + press(20, 28), [11, 21])

    def test_escape_ends_with_status_zero(self):
        run = DemoRun(press(15, 1), [], 1000)
        try:
            self.assertEqual(run.status, 0, run.output)
            self.assertIn("Init OK", run.output)
        finally:
            run.close()

    def test_runs_without_any_data_file(self):
        folder = tempfile.mkdtemp(prefix="bare-")
        try:
            program = shutil.copy(DEMO, os.path.join(folder, "demo"))
            run = DemoRun(press(10, 205, 20) + press(12, 30, 3) + press(15, 57), [12], 40, program=program)
            self.assertEqual(run.status, 0, run.output)
            self.assertIsNotNone(run.shot(12))
            run.close()
        finally:
            shutil.rmtree(folder, ignore_errors=True)

    def test_one_file_demo_with_its_archive(self):
        folder = tempfile.mkdtemp(prefix="onefile-")
        try:
            data = os.path.dirname(os.path.abspath(DEMO))
            files = [os.path.join(data, name) for name in sorted(os.listdir(data)) if name.endswith(".bmp")]
            program = os.path.join(folder, "demo-onefile")
            subprocess.run([PACK, "--program", DEMO, program] + files, check=True, capture_output=True)
            self.assertEqual(os.listdir(folder), ["demo-onefile"])
            run = DemoRun([], [12], 13, program=program)
            try:
                self.assertEqual(run.status, 0, run.output)
                shown, _ = demo_model.simulate(self.pictures, [], 13)
                expected = demo_model.paint(self.pictures, *shown[12])
                actual = run.shot(12)
                self.assertEqual(actual[400][520], expected[400][520])  # the enemy
                self.assertEqual(actual[5][5], expected[5][5])          # the background
            finally:
                run.close()
        finally:
            shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    DEMO, PACK = sys.argv[1], sys.argv[2]
    unittest.main(argv=[sys.argv[0]] + sys.argv[3:])

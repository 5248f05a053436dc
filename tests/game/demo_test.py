"""The demo end to end under a display, fed keys frame by frame; frames compared with demo_model.py's.

    demo_test.py DEMO_PROGRAM PACK_TOOL [unittest arguments]
"""
import math
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

import demo_model

DEMO = PACK = None
GAME_KEYS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../game/scripted-game.keys")


def press(frame, code, frames=1):
    """A key held for a number of passes from a frame on."""
    return [(frame, True, code), (frame + frames, False, code)]


class DemoTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.pictures = staticmethod(demo_model.pictures_in(os.path.dirname(os.path.abspath(DEMO))))

    def run_demo(self, keys, shots, frames, program=None):
        """Runs the demo with a key script; it must start and end with status 0. Its pictures by frame."""
        folder = tempfile.mkdtemp(prefix="demo-")
        self.addCleanup(shutil.rmtree, folder, True)
        with open(os.path.join(folder, "keys.txt"), "w") as f:
            f.writelines(f"{frame} {'down' if down else 'up'} {code}\n" for frame, down, code in keys)
        env = dict(os.environ, TARVOK_KEYS=os.path.join(folder, "keys.txt"), TARVOK_NONINTERACTIVE="1",
                   TARVOK_SHOTS=",".join(map(str, shots)), TARVOK_SHOTDIR=folder, TARVOK_FRAMES=str(frames),
                   TARVOK_UNPACED="1", SDL_AUDIODRIVER="dummy", TMPDIR=folder)
        result = subprocess.run([program or DEMO], env=env, capture_output=True, timeout=120)
        output = (result.stdout + result.stderr).decode(errors="replace")
        self.assertEqual(result.returncode, 0, output)
        self.assertIn("Init OK", output)
        paths = {frame: os.path.join(folder, f"frame-{frame:06d}.png") for frame in shots}
        return {frame: demo_model.read_picture(p)[2] for frame, p in paths.items() if os.path.exists(p)}

    def check_frames(self, keys, frames, last=None, program=None, gone=()):
        """Runs the demo and compares each listed frame with the model's picture; the model's frames.
        The frames in gone come after the program's end: they must have no picture."""
        last = last or max(frames) + 1
        pictures = self.run_demo(keys, frames + list(gone), last, program)
        self.assertFalse(set(gone) & set(pictures), "pictures after the end")
        shown, _ = demo_model.simulate(self.pictures, keys, last)
        for frame in frames:
            self.assertIn(frame, pictures, f"no picture of frame {frame}")
            expected = demo_model.paint(self.pictures, *shown[frame])
            bad = demo_model.differing(pictures[frame], expected)
            self.assertEqual(bad[:10], [], f"frame {frame}: {len(bad)} pixels differ from the model's")
        return shown

    def test_scripted_game_walks_jumps_punches_and_wins(self):
        # The game's own key file (right from 20, Space at 60, A from 170, Esc at 230), and a second
        # Space on the jump's last pass, which must not restart it. Frame 240 is asked for but Esc ends first.
        keys = [(int(f), d == "down", int(c)) for f, d, c in
                (line.split() for line in open(GAME_KEYS) if line.strip() and not line.startswith("#"))]
        keys += press(120, 57)
        shown, _ = demo_model.simulate(self.pictures, keys, 300)
        win = min(f for f, (bg, ops) in shown.items() if ops and ops[0] == ("text", "You've WON!!", 100, 100))
        self.assertFalse(shown[win + 5][0])  # the background stays away
        frames = [7, 30, 62, 91, 100, 122, win - 1, win, win + 1, win + 5]
        self.check_frames(keys, frames, 300, gone=[240])
        self.assertEqual(shown[7][1], [("sprite", 1, 10.0, 350), ("sprite", 20, 500, 350)])
        self.assertIn(("sprite", 2, 40.0, 350), shown[30][1])  # ten passes: 30 pixels on, picture 2
        self.assertIn(("sprite", 1, 250.0), [op[:3] for op in shown[100][1]])  # 80 passes: picture 1 again
        # The jump's phase is 3 x (passes since 60): 90 at the top, 180 on the 61st and last pass (Space
        # again then starts nothing), and then the figure stands.
        ys = [round(shown[f][1][0][3], 6) for f in (62, 91, 121, 122)]
        self.assertEqual(ys, [round(350 - 100 * math.sin(math.radians(3)), 6), 250, 350, 350])

    def test_walking_left_turns_at_once_and_key_messages(self):
        keys = press(10, 203) + press(20, 203, 10) + press(40, 2) + press(50, 28)
        shown = self.check_frames(keys, [12, 31, 41, 51])
        self.assertIn(("sprite", 11, 7.0, 350), shown[12][1])  # one pass: the left pictures at once
        self.assertIn(("sprite", 12, -23.0, 350), shown[31][1])  # ten more: the next one, partly off screen

    def test_alone_without_data_files_and_as_one_file_with_its_archive(self):
        # Without its pictures the demo still runs; packed with them behind the program it shows them all.
        folder = tempfile.mkdtemp(prefix="alone-")
        self.addCleanup(shutil.rmtree, folder, True)
        keys = press(10, 205, 20) + press(12, 30, 3) + press(15, 57)
        self.assertIn(12, self.run_demo(keys, [12], 40, shutil.copy(DEMO, os.path.join(folder, "demo"))))
        data = os.path.dirname(os.path.abspath(DEMO))
        files = [os.path.join(data, name) for name in sorted(os.listdir(data)) if name.endswith(".bmp")]
        packed = os.path.join(folder, "demo-onefile")
        subprocess.run([PACK, "--program", DEMO, packed] + files, check=True, capture_output=True)
        self.assertEqual(sorted(os.listdir(folder)), ["demo", "demo-onefile"])
        self.check_frames([], [12], program=packed)


if __name__ == "__main__":
    DEMO, PACK = sys.argv[1], sys.argv[2]
    unittest.main(argv=[sys.argv[0]] + sys.argv[3:])

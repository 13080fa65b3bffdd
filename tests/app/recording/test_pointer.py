"""The mouse in the recording, as a user meets it: by default the pointer appears in the
recorded frames where it stood over the rectangle (and nowhere once it left the rectangle),
without trails; with "Record the pointer" off it does not appear, and with "Show clicks" on a
click leaves a ring in the frames after it. The screen the program reads never holds the
pointer: what the frames show of it, the program drew. Each place is held for a second and a
half at 20 frames a second: the recording has to see it, and no event says that it has."""
import os
import subprocess
import time
import unittest

import orvtest
import recflow

SETTINGS_KEY = r"HKCU\Software\Vantri\Orvane"
X, Y, W, H = 400, 200, 320, 240
A, B = (60, 50), (200, 150)  # in the rectangle
OUTSIDE = (W + 80, 100)
HOLD = 1.5
# The pointer's picture reaches this far right and down from its hotspot.
SHAPE = 32


def frames(path):
    raw = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-f", "rawvideo", "-pix_fmt", "rgb24", "-"],
                         capture_output=True, timeout=300, check=True).stdout
    size = W * H * 3
    return [raw[i:i + size] for i in range(0, len(raw) - size + 1, size)]


def background(frame):
    """The commonest colour of a frame's middle row: the plain scene's."""
    row = frame[H // 2 * W * 3:(H // 2 + 1) * W * 3]
    pixels = [row[i:i + 3] for i in range(0, len(row), 3)]
    return max(set(pixels), key=pixels.count)


def marks(frame, background):
    """The pixels (x, y, (r, g, b)) that stand out from the plain background."""
    found = []
    plain = bytes(background) * W
    for y in range(H):
        row = frame[y * W * 3:(y + 1) * W * 3]
        if row == plain:
            continue
        for x in range(W):
            pixel = row[x * 3:x * 3 + 3]
            if max(abs(pixel[c] - background[c]) for c in range(3)) > 24:
                found.append((x, y, tuple(pixel)))
    return found


def near(found, place, reach):
    """The marks within `reach` pixels right of and below `place` (a pointer's picture) or, with
    a negative reach, within that many pixels around it (a ring)."""
    px, py = place
    if reach > 0:
        return [m for m in found if px <= m[0] < px + reach and py <= m[1] < py + reach]
    return [m for m in found if abs(m[0] - px) <= -reach and abs(m[1] - py) <= -reach]


class PointerTest(unittest.TestCase):
    def record(self, prefix, moves):
        """One recording of the rectangle by a user; `moves` runs while it records. The frames."""
        with recflow.Orvane(prefix) as app:
            self.assertTrue(app.wait_main(), "no main window")
            before = set(app.files())
            self.assertIsNone(app.begin_selection())
            app.drag(X, Y, W, H)
            new = lambda: [n for n in app.files() if n.endswith(".avi") and n not in before]
            self.assertTrue(orvtest.wait_for(new, timeout=30), "the recording did not start")
            moves()
            self.assertIsNone(app.stop_with_hotkey())
            self.assertEqual(0, app.close())
            return frames(os.path.join(app.folder, new()[0]))

    def hold(self, place, click=False):
        orvtest.mouse_move(X + place[0], Y + place[1])
        if click:
            orvtest.xdotool("click", 1)
        time.sleep(HOLD)

    def test_pointer_by_default_off_when_unchecked_and_click_rings(self):
        with orvtest.fresh_prefix() as prefix:
            shown = self.record(prefix, lambda: [self.hold(p) for p in (A, B, OUTSIDE)])
            found = [marks(f, background(shown[-1])) for f in shown]
            at_a = [n for n, m in enumerate(found) if m and m == near(m, A, SHAPE)]
            at_b = [n for n, m in enumerate(found) if m and m == near(m, B, SHAPE)]
            self.assertTrue(at_a, "the pointer held at A is in no frame")
            self.assertTrue(at_b, "the pointer held at B is in no frame")
            self.assertLess(max(at_a), min(at_b), "the pointer at A stayed after it moved to B")
            # The arrow's tip is its hotspot: the pointer's picture begins at the place itself.
            self.assertEqual(A, min((x, y) for x, y, _ in found[at_a[0]]))
            self.assertEqual([], found[-1], "the pointer outside the rectangle is drawn in it")
            for n, m in enumerate(found):
                xs, ys = [x for x, _, _ in m], [y for _, y, _ in m]
                self.assertTrue(not m or (max(xs) - min(xs) < SHAPE and max(ys) - min(ys) < SHAPE),
                                f"frame {n} holds more than one pointer: a trail")

            orvtest.reg_add(SETTINGS_KEY, "Record Pointer", 0, "REG_DWORD", prefix)
            orvtest.reg_add(SETTINGS_KEY, "Show Clicks", 1, "REG_DWORD", prefix)
            clicked = self.record(prefix, lambda: [self.hold(A), self.hold(B, click=True)])
            found = [marks(f, background(clicked[-1])) for f in clicked]
            self.assertEqual([], [n for n, m in enumerate(found) if near(m, A, SHAPE)],
                             "frames with the pointer although \"Record the pointer\" is off")
            rings = [n for n, m in enumerate(found) if m and near(m, B, -30) == m]
            self.assertTrue(rings, "the click left no ring")
            ring = [p for _, _, p in found[rings[0]]]
            self.assertGreater(sum(r for r, _, _ in ring), sum(b for _, _, b in ring), "the left button's ring is not red")
            self.assertEqual([], found[-1], "the ring stays")


if __name__ == "__main__":
    unittest.main()

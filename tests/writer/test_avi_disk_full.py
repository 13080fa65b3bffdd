"""A recording whose file cannot grow any more: the writer posts the write-failure event to its
window, the recording ends, and the file written so far is closed and plays.

Two ways for the room to run out:
- a small volume (a tmpfs of a few megabytes in a user namespace of its own, reached from
  outside through /proc/PID/root) fills up: the writer stops while the headers and the index
  still fit, so the file is complete, index and all;
- a size limit on the writing process (RLIMIT_FSIZE, SIGXFSZ ignored) that no free-space
  figure shows: writes start failing where the limit is, the writer finds out from the file
  no longer growing. Nothing fits past the limit, the index neither, so the file is read by
  scanning: every frame before the one the limit cut in two plays.
"""
import contextlib
import json
import os
import resource
import shutil
import signal
import struct
import subprocess
import tempfile
import unittest

import orvtest

WIDTH, HEIGHT, SECONDS, FPS = 160, 120, 10, 25
FRAME_BYTES = WIDTH * HEIGHT * 3


@contextlib.contextmanager
def small_volume(size):
    """The Unix path of an empty tmpfs of `size` bytes, or None where user namespaces are not
    allowed. The mount lives as long as the process holding it."""
    if not shutil.which("unshare"):
        yield None
        return
    mount_point = tempfile.mkdtemp(prefix="orvane-full-")
    holder = subprocess.Popen(
        ["unshare", "--user", "--map-root-user", "--mount", "sh", "-c",
         f"mount -t tmpfs -o size={size} tmpfs '{mount_point}' && echo ready && exec sleep 600"],
        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    try:
        ready = holder.stdout.readline().strip() == "ready"
        yield f"/proc/{holder.pid}/root{mount_point}" if ready else None
    finally:
        holder.kill()
        holder.wait()
        holder.stdout.close()
        os.rmdir(mount_point)


def record(path, limit=None):
    """avi_recording.exe with a notify window, optionally under a file size limit; returns
    its key=value report."""
    def limit_file_size():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (limit, limit))

    if limit:
        # The server must not start under the limit: it writes the registry.
        subprocess.run(["wineserver", "-p30"], env=orvtest.wine_env(), capture_output=True)
    exe = orvtest.program("avi_recording.exe")
    with tempfile.TemporaryFile() as out:
        proc = subprocess.run(
            ["wine64", exe, orvtest.unix_to_windows(path), *map(str, (SECONDS, WIDTH, HEIGHT)), "raw", "notify"],
            cwd=os.path.dirname(exe), env=orvtest.wine_env(), stdin=subprocess.DEVNULL,
            stdout=out, stderr=subprocess.STDOUT, timeout=300,
            preexec_fn=limit_file_size if limit else None)
        out.seek(0)
        text = out.read().decode("utf-8", "replace")
    if proc.returncode != 0:
        raise AssertionError(f"avi_recording exited {proc.returncode}: {text}")
    return dict(line.strip().split("=", 1) for line in text.split() if "=" in line)


def probe_streams(path):
    out = subprocess.run(["ffprobe", "-v", "error", "-count_packets", "-show_streams", "-of", "json",
                          path], capture_output=True, text=True, timeout=120, check=True).stdout
    return {s["codec_type"]: s for s in json.loads(out)["streams"]}


def top_level_chunks(path):
    """(id, declared size) of the RIFF form's chunks, and the form's declared size."""
    with open(path, "rb") as f:
        data = f.read()
    riff, form_size, form = struct.unpack_from("<4sI4s", data, 0)
    assert (riff, form) == (b"RIFF", b"AVI "), (riff, form)
    chunks, pos = [], 12
    while pos + 8 <= min(len(data), 8 + form_size):
        ckid, size = struct.unpack_from("<4sI", data, pos)
        chunks.append((ckid.decode("latin-1"), size))
        pos += 8 + size + (size & 1)
    return form_size, chunks


def decoded_frames(path):
    """The picture frames ffmpeg decodes (BGR rows, bottom-up as painted) and its complaints."""
    p = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-map", "0:v", "-f", "rawvideo",
                        "-pix_fmt", "bgr24", "-"], capture_output=True, timeout=300)
    raw = p.stdout
    frames = [raw[i:i + FRAME_BYTES] for i in range(0, len(raw) - FRAME_BYTES + 1, FRAME_BYTES)]
    return frames, p.stderr.decode("utf-8", "replace").strip()


class AviDiskFull(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="avi-full-")
        self.addCleanup(shutil.rmtree, self.folder, True)

    def assert_painted(self, frames):
        """Frame n shows the bar avi_recording paints at x = 4n .. 4n+7 on a grey ground."""
        for index, frame in enumerate(frames):
            row = frame[(HEIGHT // 2) * WIDTH * 3:(HEIGHT // 2 + 1) * WIDTH * 3]
            bar = (4 * index) % WIDTH + 2
            ground = (bar + 40) % WIDTH
            self.assertEqual((0x20, 0x40, 0xFF), tuple(row[bar * 3:bar * 3 + 3]), f"frame {index}")
            self.assertEqual((0x80, 0x80, 0x80), tuple(row[ground * 3:ground * 3 + 3]), f"frame {index}")

    def test_full_volume_ends_recording_with_a_complete_file(self):
        size = 3 * 1024 * 1024
        with small_volume(size) as volume:
            if volume is None:
                self.skipTest("no user namespaces here to mount a small volume in")
            stat = os.statvfs(volume)
            self.assertLessEqual(stat.f_blocks * stat.f_frsize, size)
            report = record(os.path.join(volume, "clip.avi"))
            path = os.path.join(self.folder, "clip.avi")
            shutil.copy(os.path.join(volume, "clip.avi"), path)

        self.assertEqual("0", report["writer_event"], "the failed write is reported")
        self.assertLess(os.path.getsize(path), size)

        # Closed as a whole: the form's size covers the file (the library pads it with a few
        # zero bytes), the index follows the data.
        form_size, chunks = top_level_chunks(path)
        with open(path, "rb") as f:
            f.seek(8 + form_size)
            tail = f.read()
        self.assertLessEqual(len(tail), 32)
        self.assertEqual(bytes(len(tail)), tail)
        chunks = [(ckid, size) for ckid, size in chunks if ckid != "JUNK"]
        self.assertEqual(["LIST", "LIST", "idx1"], [ckid for ckid, _ in chunks], chunks)
        index_entries = chunks[2][1] // 16

        streams = probe_streams(path)
        video, audio = streams["video"], streams["audio"]
        frames_in_file = int(video["nb_read_packets"])
        self.assertGreaterEqual(frames_in_file, 20)
        self.assertEqual(int(video["nb_frames"]), frames_in_file, "the header counts what is there")
        self.assertGreater(index_entries, frames_in_file, "every frame and sound chunk is indexed")
        self.assertGreater(int(audio["nb_read_packets"]), 0, "sound up to the failure is kept")
        self.assertEqual("", orvtest.decode_check(path))

        frames, errors = decoded_frames(path)
        self.assertEqual("", errors)
        self.assertEqual(frames_in_file, len(frames))
        self.assert_painted(frames)

    def test_file_size_limit_ends_recording_and_what_was_written_plays(self):
        limit = 2 * 1024 * 1024
        path = os.path.join(self.folder, "clip.avi")
        report = record(path, limit=limit)

        self.assertEqual("0", report["writer_event"], "the failed write is reported")
        self.assertEqual(limit, os.path.getsize(path))

        # The headers in front of the data were written: the streams are described.
        streams = probe_streams(path)
        video, audio = streams["video"], streams["audio"]
        self.assertEqual(("rawvideo", WIDTH, HEIGHT), (video["codec_name"], video["width"], video["height"]))
        self.assertEqual("mp3", audio["codec_name"])
        self.assertGreater(int(audio["nb_read_packets"]), 0)

        # Every frame that fits whole below the limit plays; only the one the limit cut may not.
        frames, errors = decoded_frames(path)
        packets = int(video["nb_read_packets"])
        self.assertIn(len(frames), (packets - 1, packets))
        self.assertGreaterEqual(len(frames), 0.8 * limit // FRAME_BYTES)
        self.assert_painted(frames)
        self.assertEqual([], orvtest.cut_picture_errors(errors.splitlines()), errors)


if __name__ == "__main__":
    unittest.main()

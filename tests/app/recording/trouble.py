"""Helpers of the tests whose recordings meet trouble: the program's figures read from outside,
a sound server of the test's own, a compressor that can be made to fail, and the clicks and
flashes of scene.exe's flash scene found again in a file."""
import array
import contextlib
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

import orvtest

sys.path.insert(0, os.path.join(orvtest.SRC, "bench"))
import av_sync  # noqa: E402

DRIVERS = r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\Drivers32"
RATE = 44100
MB = 1024 * 1024


def procstat(prefix, name="orvane.exe"):
    """The program's handles, GDI and USER objects and private memory (bytes), by procstat.exe."""
    code, out = orvtest.run("procstat.exe", name, prefix=prefix, timeout=60)
    fields = dict(line.split("=", 1) for line in out.split() if "=" in line)
    if code != 0:
        raise AssertionError(f"procstat: {out}")
    return {key: int(value) for key, value in fields.items()}


def queue_budget():
    """The writer's queue budget on this machine, as the README states it: a sixteenth of the
    memory, within 64 MB and 512 MB."""
    with open("/proc/meminfo") as f:
        total = int(f.readline().split()[1]) * 1024
    return min(max(total // 16, 64 * MB), 512 * MB)


def install_codec(prefix, handler="XVID"):
    """The test compressor, installed for a handler of the AVI preference list."""
    system32 = os.path.join(prefix, "drive_c", "windows", "system32")
    shutil.copy(orvtest.program("twin_codec.dll"), system32)
    orvtest.reg_add(DRIVERS, "vidc." + handler, "twin_codec.dll", prefix=prefix)


@contextlib.contextmanager
def sound_server():
    """A PulseAudio server of the test's own, with a null sink whose monitor records: yields
    (its address, a function that kills it). Stopped and removed afterwards."""
    folder = tempfile.mkdtemp(prefix="orvane-pulse-", dir=os.path.join(orvtest.BUILD, "wine"))
    xdg = os.path.join(folder, "xdg")
    os.mkdir(xdg, 0o700)
    socket = os.path.join(folder, "pulse.sock")
    env = dict(os.environ, XDG_RUNTIME_DIR=xdg, HOME=folder)
    env.pop("PULSE_SERVER", None)
    proc = subprocess.Popen(
        ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no", "--disable-shm=yes",
         "--log-target=file:" + os.path.join(folder, "pulse.log"),
         "-L", f"module-native-protocol-unix socket={socket} auth-anonymous=1",
         "-L", "module-null-sink sink_name=null"],
        env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    address = "unix:" + socket
    try:
        if not orvtest.wait_for(lambda: os.path.exists(socket), timeout=20, interval=0.1):
            raise AssertionError("the test's sound server did not start")
        pactl = dict(os.environ, PULSE_SERVER=address)
        subprocess.run(["pactl", "set-default-sink", "null"], env=pactl, capture_output=True, timeout=30)
        subprocess.run(["pactl", "set-default-source", "null.monitor"], env=pactl, capture_output=True, timeout=30)

        def kill():
            proc.send_signal(signal.SIGKILL)
            proc.wait()
        yield address, kill
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()
        shutil.rmtree(folder, ignore_errors=True)


def packet_sizes(path, kind):
    """The sizes of the packets of the file's video ("v") or audio ("a") stream."""
    out = subprocess.run(["ffprobe", "-v", "error", "-select_streams", kind, "-show_entries", "packet=size",
                          "-of", "csv=p=0", path], capture_output=True, text=True, timeout=300).stdout
    return [int(line) for line in out.split() if line.strip().isdigit()]


def decode_sound(path):
    """Decodes the file's sound to its end; the sound decoder's complaints (empty when clean).
    Those of the video decoder, which reading the file also wakes, are left out."""
    p = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-map", "0:a", "-f", "null", "-"],
                       capture_output=True, text=True, timeout=300)
    if p.returncode != 0:
        return p.stderr.strip() or "ffmpeg failed"
    return "\n".join(line for line in p.stderr.splitlines() if "mp3" in line)


def file_size(path):
    try:
        return os.path.getsize(path)
    except OSError:
        return 0


def stream_durations(path):
    """Seconds of the file's video and audio streams, by decoding their packets' times."""
    info = orvtest.ffprobe(path)
    durations = {}
    for stream in info["streams"]:
        kind = stream["codec_type"]
        out = subprocess.run(["ffprobe", "-v", "error", "-select_streams", kind[0], "-show_entries",
                              "packet=pts_time,duration_time", "-of", "csv=p=0", path],
                             capture_output=True, text=True, timeout=300).stdout
        ends = [float(a) + float(b or 0) for a, b in (l.split(",")[:2] for l in out.split() if "," in l)
                if a not in ("", "N/A")]
        durations[kind] = max(ends) if ends else 0.0
    return durations


def click_onsets(path):
    """Seconds at which the clicks of the flash scene start in the file's sound."""
    raw = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-map", "0:a", "-ac", "1", "-ar", str(RATE),
                          "-f", "s16le", "-"], capture_output=True, timeout=300).stdout
    samples = array.array("h", raw)
    window = RATE // 200  # 5 ms
    onsets, quiet_since = [], -RATE  # a click right at the start counts too
    for start in range(0, len(samples) - window, window):
        loud = max(abs(s) for s in samples[start:start + window]) > 4000
        if loud and start - quiet_since > RATE // 4:
            onsets.append(start / RATE)
        if loud:
            quiet_since = start
    return onsets


def flash_onsets(path):
    """Seconds of the first bright picture of each flash in the file."""
    return av_sync.flash_onsets(av_sync.frame_brightness(path))


def wait_growth(path, nbytes, timeout):
    """Waits until the file has grown by nbytes from now; True when it did."""
    start = file_size(path)
    return orvtest.wait_for(lambda: file_size(path) >= start + nbytes, timeout=timeout, interval=0.2)

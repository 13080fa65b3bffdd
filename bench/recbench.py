"""Shared by the recording benchmarks (record_bench.py, av_sync.py): the private session they
run in, recordings through record_bench.exe (the capture graph without the main window), the
test scenes, and CPU time read from /proc."""
import os
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.environ.get("ORVANE_BUILD_DIR", os.path.join(ROOT, "build"))
TEST_BIN = os.path.join(BUILD, "bin", "tests")
TICK = os.sysconf("SC_CLK_TCK")
sys.path.insert(0, os.path.join(ROOT, "tests", "harness"))
import orvtest  # noqa: E402


def ensure_session(targets):
    """Runs this script again inside a private Xvfb + PulseAudio session with the build's Wine
    prefix (scripts/in-session.sh builds the targets first), unless it already runs in one."""
    if os.environ.get("ORVANE_BENCH_IN_SESSION"):
        os.environ.setdefault("ORVANE_BIN", os.path.join(BUILD, "bin"))
        orvtest.BIN = os.environ["ORVANE_BIN"]
        orvtest.TEST_BIN = os.path.join(orvtest.BIN, "tests")
        # A persistent server and a booted prefix: the first program starts no slower than the rest.
        subprocess.run(["wineserver", "-p"], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run(["wine64", "wineboot"], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return
    env = dict(os.environ, ORVANE_BENCH_IN_SESSION="1", ORVANE_NO_SESSION_ENV="1")
    script = os.path.abspath(sys.argv[0])
    os.execvpe(os.path.join(ROOT, "scripts", "in-session.sh"),
               ["in-session.sh", ",".join(targets), sys.executable, script, *sys.argv[1:]], env)


def load_average():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


def cpu_seconds(pid):
    """User + system CPU seconds of a process, all its threads included; None once it is gone."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
    except OSError:
        return None
    return (int(fields[11]) + int(fields[12])) / TICK


def wineserver_pid():
    """The server of this prefix: its working folder is named after the prefix's device and inode."""
    st = os.stat(os.environ["WINEPREFIX"])
    suffix = f"/server-{st.st_dev:x}-{st.st_ino:x}"
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            if os.readlink(f"/proc/{pid}/cwd").endswith(suffix) and \
                    "wineserver" in open(f"/proc/{pid}/cmdline").read():
                return int(pid)
        except OSError:
            continue
    return None


def session_pid(name):
    """Xvfb's or PulseAudio's pid from the session folder ("xvfb", "pulse")."""
    try:
        with open(os.path.join(os.environ["ORVANE_SESSION_DIR"], f"{name}.pid")) as f:
            return int(f.read())
    except (KeyError, OSError, ValueError):
        return None


class ServerMeter:
    """CPU seconds the session's servers (wineserver, Xvfb, PulseAudio) spend between two reads."""
    NAMES = ("wineserver", "xvfb", "pulse")

    def __init__(self):
        self.pids = {"wineserver": wineserver_pid(), "xvfb": session_pid("xvfb"), "pulse": session_pid("pulse")}
        self.mark()

    def read(self):
        return {name: cpu_seconds(pid) or 0.0 for name, pid in self.pids.items()}

    def mark(self):
        self.start, self.start_time = self.read(), time.monotonic()

    def since_mark(self):
        now = self.read()
        return {name: now[name] - self.start[name] for name in self.NAMES}, time.monotonic() - self.start_time


def idle_rates(seconds):
    """The servers' CPU seconds per second while nothing but the scene runs."""
    meter = ServerMeter()
    time.sleep(seconds)
    used, elapsed = meter.since_mark()
    return {name: value / elapsed for name, value in used.items()}


def start_scene(*args):
    """A test scene (scene.exe counter|tone|flash ...), once its window shows where it has one."""
    proc = orvtest.start("scene.exe", *args)
    if args[0] in ("counter", "flash"):
        orvtest.find_window("Orvane test scene", timeout=60)
    return proc


def stop(proc):
    if proc.poll() is None:
        proc.kill()
    proc.wait()


def wait_for_line(path, word, proc, timeout):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        with open(path, "rb") as f:
            if word.encode() in f.read():
                return True
        if proc.poll() is not None:
            return False
        time.sleep(0.02)
    return False


def record(out, rect, fps, milliseconds, fourcc="-", on_recording=None, file_format=0, pointer=""):
    """One recording by record_bench.exe into `out` (a Unix path); on_recording() is called
    once the writer runs. Returns its report with the process's CPU seconds between
    "recording" and "stopped" read from /proc (cpu_proc), the servers' CPU seconds over the
    same span (servers), the whole process's CPU (cpu_total) and the wall seconds of the span
    (wall). `pointer`: what is drawn of the mouse (any of p, h, c: pointer, highlight, click
    rings)."""
    exe = orvtest.program("record_bench.exe")
    x, y, w, h = rect
    with tempfile.NamedTemporaryFile(prefix="record-bench-", suffix=".txt") as log:
        args = [orvtest.unix_to_windows(out), *map(str, (x, y, w, h, fps, milliseconds)), fourcc, str(file_format), pointer]
        proc = subprocess.Popen(["wine64", exe, *args],
                                cwd=os.path.dirname(exe), env=orvtest.wine_env(), stdin=subprocess.DEVNULL,
                                stdout=log, stderr=subprocess.DEVNULL)
        if not wait_for_line(log.name, "recording", proc, 120):
            stop(proc)
            sys.exit(f"record_bench did not start recording: {open(log.name).read()}")
        meter = ServerMeter()
        cpu_start = cpu_seconds(proc.pid)
        if on_recording:
            on_recording()
        if not wait_for_line(log.name, "stopped", proc, milliseconds / 1000 + 300):
            stop(proc)
            sys.exit(f"record_bench did not stop: {open(log.name).read()}")
        cpu_end = cpu_seconds(proc.pid)
        servers, wall = meter.since_mark()
        _, status, usage = os.wait4(proc.pid, 0)
        proc.returncode = os.waitstatus_to_exitcode(status)
        text = open(log.name).read()
    if proc.returncode != 0:
        sys.exit(f"record_bench exited {proc.returncode}: {text}")
    report = dict(line.strip().split("=", 1) for line in text.splitlines() if "=" in line)
    report.update(cpu_proc=cpu_end - cpu_start, servers=servers, wall=wall,
                  cpu_total=usage.ru_utime + usage.ru_stime)
    return report


def video_packet_times(path):
    """(pts, dts) of every video packet in seconds, in file order (None where a time is missing)."""
    out = subprocess.run(["ffprobe", "-v", "error", "-select_streams", "v", "-show_entries", "packet=pts_time,dts_time",
                          "-of", "csv=p=0", path], capture_output=True, text=True, check=True).stdout
    def number(text):
        try:
            return float(text)
        except ValueError:
            return None
    return [tuple(number(v) for v in line.split(",")[:2]) for line in out.split() if line.strip()]


def video_packet_sizes(path):
    out = subprocess.run(["ffprobe", "-v", "error", "-select_streams", "v", "-show_entries", "packet=size",
                          "-of", "csv=p=0", path], capture_output=True, text=True, check=True).stdout
    return [int(line) for line in out.split() if line.strip().isdigit()]

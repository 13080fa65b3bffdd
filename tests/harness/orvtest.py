"""Helpers for tests that drive Windows programs under Wine from the Linux side.

The tests run inside a session made by scripts/run-tests.sh: DISPLAY (a private Xvfb),
PULSE_SERVER (a private PulseAudio with a null sink), WINEPREFIX (the build's prefix, with a
persistent wineserver) are set. ORVANE_BIN is the folder of the built program.
"""
import contextlib
import json
import os
import re
import shutil
import subprocess
import tempfile
import time

BIN = os.environ.get("ORVANE_BIN", "")
BUILD = os.environ.get("ORVANE_BUILD", "")
SRC = os.environ.get("ORVANE_SRC", "")
TEST_BIN = os.path.join(BIN, "tests")


def program(name):
    """Path of a built program: 'orvane.exe' in bin/, anything else in bin/tests/."""
    if name == "orvane.exe" or os.path.exists(os.path.join(BIN, name)):
        return os.path.join(BIN, name)
    return os.path.join(TEST_BIN, name)


def wine_env(prefix=None, extra=None):
    env = dict(os.environ)
    if prefix:
        env["WINEPREFIX"] = prefix
    if extra:
        env.update(extra)
    return env


def start(exe, *args, prefix=None, cwd=None, env=None):
    """Starts a Windows program under Wine and returns the Popen (its output is dropped)."""
    return subprocess.Popen(["wine64", program(exe), *map(str, args)],
                            cwd=cwd or os.path.dirname(program(exe)),
                            env=wine_env(prefix, env), stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def _read_text(path):
    with open(path) as f:
        return f.read().strip()


def _prefix_processes(prefix):
    """(pid, command line) of every process started in a Wine prefix."""
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/environ", "rb") as f:
                if f"WINEPREFIX={prefix}".encode() not in f.read().split(b"\0"):
                    continue
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                found.append((pid, f.read().replace(b"\0", b" ").decode("utf-8", "replace").strip()))
        except OSError:
            pass
    return found


def hang_report(prefix):
    """Where the threads of every process of the prefix wait, saved beside the test results: a
    query of windows that never ends means one of them does not run (the program under test,
    the desktop, or the query itself). With gdb at hand the report holds every thread's stack."""
    processes = _prefix_processes(prefix)
    if not processes:
        return f"no process runs in {prefix}"
    folder = os.path.join(BUILD or ".", "Testing", "hangs")
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, f"hang-{int(time.time())}-{os.getpid()}.txt")
    with open(path, "w") as report:
        for pid, command in processes:
            report.write(f"=== {pid} {command}\n")
            try:
                for task in sorted(os.listdir(f"/proc/{pid}/task"), key=int):
                    name, wait = (_read_text(f"/proc/{pid}/task/{task}/{n}") for n in ("comm", "wchan"))
                    report.write(f"{task} {name} waits in {wait}\n")
            except OSError:
                report.write("(ended)\n")
                continue
            if shutil.which("gdb"):
                try:
                    report.write(subprocess.run(["gdb", "-p", pid, "-batch", "-ex", "thread apply all bt 30"],
                                                capture_output=True, text=True, timeout=120).stdout)
                except subprocess.TimeoutExpired:
                    report.write("(gdb did not answer)\n")
    return f"where the prefix's {len(processes)} processes wait: {path}"


def run(exe, *args, prefix=None, timeout=120, env=None, check=False):
    """Runs a Windows program to its end; returns (exit code, stdout).

    The output goes through a file, not a pipe: when the program is the first of a session,
    Wine's desktop process inherits its handles and would hold a pipe open after it ends."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        p = subprocess.Popen(["wine64", program(exe), *map(str, args)],
                             cwd=os.path.dirname(program(exe)), env=wine_env(prefix, env),
                             stdin=subprocess.DEVNULL, stdout=out, stderr=err)
        try:
            p.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            # The report is taken while the stuck program still runs.
            report = hang_report(wine_env(prefix)["WINEPREFIX"])
            p.kill()
            p.wait()
            raise AssertionError(f"{exe} {args} did not end in {timeout} s; {report}") from None
        out.seek(0)
        text = out.read().decode("utf-8", "replace").replace("\r\n", "\n")
        if p.returncode != 0:
            # What went wrong, for the test's failure message.
            err.seek(0)
            text += err.read().decode("utf-8", "replace").replace("\r\n", "\n")
    if check and p.returncode != 0:
        raise AssertionError(f"{exe} {args} exited {p.returncode}: {text}")
    return p.returncode, text


class Window:
    """A top-level window as wintool prints it."""

    def __init__(self, line):
        # hwnd pid "caption" left top right bottom "class" visible|hidden
        head, caption, rest = line.split('"', 2)
        self.hwnd, self.pid = (int(x) for x in head.split())
        self.caption = caption
        fields = rest.split('"')
        self.left, self.top, self.right, self.bottom = (int(x) for x in fields[0].split())
        self.class_name = fields[1]
        self.visible = fields[2].strip() == "visible"

    @property
    def width(self):
        return self.right - self.left

    @property
    def height(self):
        return self.bottom - self.top

    def __repr__(self):
        return f"Window({self.hwnd:#x}, {self.caption!r}, {self.left},{self.top},{self.right},{self.bottom})"


def wintool(*args, prefix=None, timeout=60):
    return run("wintool.exe", *args, prefix=prefix, timeout=timeout)


def find_window(caption_prefix, timeout=30.0, prefix=None):
    """The first visible top-level window whose caption starts with caption_prefix, or None."""
    code, out = wintool("find", caption_prefix, int(timeout * 1000), prefix=prefix,
                        timeout=timeout + 30)
    return Window(out.strip().splitlines()[0]) if code == 0 and out.strip() else None


def list_windows(prefix=None):
    _, out = wintool("list", prefix=prefix)
    return [Window(l) for l in out.strip().splitlines() if l.strip()]


def window_info(hwnd, prefix=None):
    code, out = wintool("rect", hwnd, prefix=prefix)
    return Window(out.strip().splitlines()[0]) if code == 0 else None


def foreground_window(prefix=None):
    code, out = wintool("foreground", prefix=prefix)
    return Window(out.strip().splitlines()[0]) if code == 0 else None


def item_text(hwnd, control_id, prefix=None):
    """The text of a dialog's control (a combo box shows its selection)."""
    code, out = wintool("itemtext", hwnd, control_id, prefix=prefix)
    return out.rstrip("\n") if code == 0 else None


def close_window(hwnd, prefix=None):
    return wintool("close", hwnd, prefix=prefix)[0] == 0


def post_message(hwnd, msg, wparam=0, lparam=0, prefix=None):
    return wintool("post", hwnd, msg, wparam, lparam, prefix=prefix)[0] == 0


def wait_exit(proc, timeout=30.0):
    """Waits for a started program to end; returns its exit code or None on time-out."""
    try:
        return proc.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        return None


# --- X input: keys and mouse reach Wine through its virtual desktop window ---------------

def xdotool(*args):
    return subprocess.run(["xdotool", *map(str, args)], capture_output=True, text=True,
                          timeout=30).stdout


def desktop_xwindow():
    """The X window of Wine's virtual desktop."""
    out = xdotool("search", "--name", "Wine desktop").split()
    return out[0] if out else None


def focus_desktop():
    win = desktop_xwindow()
    if win:
        xdotool("windowfocus", "--sync", win)
    return win


def input_state(prefix=None):
    """Where keys and clicks would go, for a failure's message: the X focus (its process and
    place), the pointer, the desktops on the display and the foreground window."""
    focus = xdotool("getwindowfocus").strip()
    if focus:
        focus += (f" (pid {xdotool('getwindowpid', focus).strip() or '?'}, "
                  f"{xdotool('getwindowgeometry', focus).strip().replace(chr(10), ' ')})")
    fg = foreground_window(prefix)
    foreground = f"{fg} of {fg.pid}, class {fg.class_name}" if fg else None
    return (f"X focus {focus}, pointer {xdotool('getmouselocation').strip()}, desktops "
            f"{xdotool('search', '--name', 'Wine desktop').split()}; foreground {foreground}")


def key(*keys, hold=0.12):
    """Presses each key (or combination like "ctrl+shift+F9") long enough for programs that
    poll the keyboard state every 50 ms to see it down."""
    focus_desktop()
    for k in keys:
        xdotool("keydown", k)
        time.sleep(hold)
        xdotool("keyup", k)
        time.sleep(0.05)


def mouse_move(x, y):
    # No --sync: it never returns when the pointer already stands at the target.
    xdotool("mousemove", x, y)
    time.sleep(0.05)


def click(x, y, button=1):
    mouse_move(x, y)
    xdotool("click", button)


def mouse_down(x, y, button=1):
    mouse_move(x, y)
    xdotool("mousedown", button)


def mouse_up(x, y, button=1):
    mouse_move(x, y)
    xdotool("mouseup", button)


def hold_click(x, y, button=1):
    """A click slow enough for a program polling the mouse buttons every 50 ms."""
    mouse_down(x, y, button)
    time.sleep(0.2)
    mouse_up(x, y, button)
    time.sleep(0.2)


MAIN_CAPTION = "Orvane 1.0"


def program_text(name):
    """The English text of the program's string table entry `name` (as in the resource script)."""
    with open(os.path.join(SRC, "src", "res", "orvane.rc"), encoding="latin-1") as f:
        m = re.search(r'^\s*' + name + r'\s+"((?:[^"\\]|\\.|"")*)"', f.read(), re.M)
    return m.group(1).replace('""', '"') if m else None


def select_area(x, y, w, h, prefix=None, timeout=60, on_last_press=None):
    """Drags a rectangle over the desktop as a user does (press at one corner, release, click
    at the opposite one), holding each press until the program has seen it: while a selection
    is under way its overlay carries the select hint as caption and follows the pointer, and
    it drops the caption when the selection ends. None when it went through, else what went
    wrong. on_last_press runs just before the closing press."""
    hint = program_text("IDS_SELECT_RECTANGLE")

    def overlay():
        return find_window(hint, 0, prefix)

    if not wait_for(overlay, timeout):
        return "no selection under way"
    mouse_down(x, y)
    seen = wait_for(lambda: (o := overlay()) and (o.left, o.top) == (x, y), timeout)
    mouse_up(x, y)
    if not seen:
        return "the press at the first corner was not seen"
    mouse_move(x + w - 1, y + h - 1)
    if not wait_for(lambda: (o := overlay()) and (o.right, o.bottom) == (x + w, y + h), timeout):
        return "the rectangle did not follow the pointer"
    if on_last_press:
        on_last_press()
    mouse_down(x + w - 1, y + h - 1)
    seen = wait_for(lambda: overlay() is None, timeout)
    mouse_up(x + w - 1, y + h - 1)
    return None if seen else "the click at the second corner was not seen"


def record_with_hotkey(rect, seconds, prefix=None, hotkey="F8"):
    """Drives one recording as a user does: the hotkey, a rectangle dragged on the desktop
    (press at one corner, release, click at the opposite one), a wait, the hotkey again.
    Returns None when it went through, else what went wrong."""
    x, y, w, h = rect
    key(hotkey)
    if not wait_for(lambda: find_window(MAIN_CAPTION, 0, prefix) is None, timeout=10):
        return "the main window did not hide"
    problem = select_area(x, y, w, h, prefix)
    if problem:
        return problem
    time.sleep(seconds)
    key(hotkey)
    if not wait_for(lambda: find_window(MAIN_CAPTION, 0, prefix), timeout=30):
        return "the main window did not come back"
    return None


def screenshot(path):
    subprocess.run(["import", "-window", "root", path], check=True, timeout=60)
    return path


# --- Registry of a Wine prefix -----------------------------------------------------------

def reg_query(key, value, prefix=None):
    """The data of a registry value as `reg query` prints it, or None when absent."""
    p = subprocess.run(["wine64", "reg", "query", key, "/v", value], env=wine_env(prefix),
                       capture_output=True, text=True, timeout=60)
    if p.returncode != 0:
        return None
    for line in p.stdout.replace("\r", "").splitlines():
        m = re.match(r"\s*(.+?)\s+(REG_\w+)\s*(.*)$", line)
        if m and m.group(1).lower() == value.lower():
            return m.group(3)
    return None


def reg_add(key, value, data, kind="REG_SZ", prefix=None):
    p = subprocess.run(["wine64", "reg", "add", key, "/v", value, "/t", kind, "/d", str(data), "/f"],
                       env=wine_env(prefix), capture_output=True, text=True, timeout=60)
    if p.returncode != 0:
        raise AssertionError(f"reg add {key} /v {value} exited {p.returncode}: {p.stdout} {p.stderr}")


def reg_delete(key, value=None, prefix=None):
    args = ["wine64", "reg", "delete", key] + (["/v", value] if value else []) + ["/f"]
    subprocess.run(args, env=wine_env(prefix), capture_output=True, timeout=60)


# --- Private prefixes ----------------------------------------------------------------------

@contextlib.contextmanager
def fresh_prefix():
    """A copy of the booted template prefix with its own wineserver, removed afterwards."""
    template = os.environ.get("ORVANE_WINE_TEMPLATE") or \
        os.path.join(os.path.dirname(os.environ["WINEPREFIX"]), "template")
    tmp = tempfile.mkdtemp(prefix="orvane-prefix-", dir=os.path.join(BUILD, "wine"))
    prefix = os.path.join(tmp, "prefix")
    subprocess.run(["cp", "-a", template, prefix], check=True)
    try:
        yield prefix
    finally:
        subprocess.run(["wineserver", "-k"], env=wine_env(prefix), capture_output=True)
        subprocess.run(["wineserver", "-w"], env=wine_env(prefix), capture_output=True)
        shutil.rmtree(tmp, ignore_errors=True)


def unix_to_windows(path):
    """Wine's Z: drive maps the Unix root."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


# --- Output files --------------------------------------------------------------------------

def ffprobe(path):
    """ffprobe's description of a media file (format and streams) as a dict."""
    p = subprocess.run(["ffprobe", "-v", "error", "-print_format", "json", "-show_format",
                        "-show_streams", path], capture_output=True, text=True, timeout=120)
    if p.returncode != 0:
        raise AssertionError(f"ffprobe failed on {path}: {p.stderr}")
    return json.loads(p.stdout)


# What ffmpeg's muxer complaint about repeated time stamps means for our files.
OFF_GRID = ("two pictures fall into the same slot of the frame-rate grid: the video frames' "
            "times are off the 1/fps grid (the video source's pacing), not damaged data")


def _explained(line):
    if "non monotonically increasing dts" in line or "non monotonous DTS" in line:
        return f"{line} -- {OFF_GRID}"
    return line


def decode_errors(path, *args):
    """Every line ffmpeg prints at the error level while it decodes every packet of a media
    file (extra ffmpeg arguments, such as -map, go before the output), and its exit code when
    it failed. An empty list: the file decodes cleanly."""
    p = subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-i", path, *args, "-f", "null", "-"],
                       capture_output=True, text=True, timeout=600)
    lines = [_explained(l.strip()) for l in p.stderr.splitlines() if l.strip()]
    if p.returncode != 0:
        lines.append(f"ffmpeg exited with {p.returncode}")
    return lines


def packet_times(path, selector="v:0"):
    """The time stamps of a stream's packets in file order (the first video stream unless the
    selector, as ffprobe takes it, says otherwise), packets without one left out."""
    p = subprocess.run(["ffprobe", "-v", "error", "-select_streams", selector, "-show_entries",
                        "packet=pts_time", "-of", "csv=p=0", path],
                       capture_output=True, text=True, timeout=300, check=True)
    return [float(l.split(",")[0]) for l in p.stdout.split() if l.strip() and l[0] != "N"]


def stream_spans(path):
    """What each stream of a media file covers, for a failure's message: its first and last
    packet times, how many packets, and the longest stretch without one."""
    parts = []
    for kind, selector in (("video", "v:0"), ("audio", "a:0")):
        times = packet_times(path, selector)
        if not times:
            parts.append(f"{kind}: none")
            continue
        gap, at = max(((b - a, a) for a, b in zip(times, times[1:])), default=(0.0, times[0]))
        parts.append(f"{kind}: {times[0]:.2f}-{times[-1]:.2f} s, {len(times)} packets, "
                     f"longest gap {gap:.2f} s at {at:.2f} s")
    return "; ".join(parts)


def off_grid_frames(path, fps):
    """The video pictures of a file that share a slot of the 1/fps grid with the picture before
    them (what makes ffmpeg complain of "non monotonically increasing dts"), described."""
    times = packet_times(path)
    # The slot of a time, halves rounded up as ffmpeg rounds, in whole milliseconds.
    slot = [(round(t * 1000) * fps + 500) // 1000 for t in times]
    found = []
    for n in range(1, len(times)):
        if slot[n] <= slot[n - 1]:
            found.append(f"pictures {n - 1} and {n} at {times[n - 1]:.3f} s and {times[n]:.3f} s "
                         f"fall into the same 1/{fps} s slot")
    return found


def decode_check(path):
    """decode_errors as one text: empty when the file decodes cleanly."""
    return "\n".join(decode_errors(path))


def cut_picture_errors(lines):
    """The error lines that one picture cut short by the end of the file does not explain (the
    decoder's complaint about its size and the line saying that it could not be decoded, once
    each)."""
    explained = (r"packet size \d+ < expected", r"^Error while decoding stream #0:0")
    left = list(lines)
    for pattern in explained:
        match = next((l for l in left if re.search(pattern, l)), None)
        if match is not None:
            left.remove(match)
    return left


def wait_for(predicate, timeout=10.0, interval=0.2):
    end = time.time() + timeout
    while True:
        value = predicate()
        if value or time.time() >= end:
            return value
        time.sleep(interval)

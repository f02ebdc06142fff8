#!/usr/bin/env python3
"""How the saver and the dialog cope with a large picture library and with files whose
reading blocks, on an X screen of their own (1920 x 1080).

For 1,000, 10,000 and 100,000 pictures (real photographs repeated), each:
  - /s: the time from the start to the saver's window, then to its first picture, and the
    peak memory of the run (ended by a key);
  - /c: the time until the dialog is on screen, then from Valider (alt+V) to its end, and
    its peak memory.
Then the stop latency of a key, from xdotool's start to the window's leaving the screen and
to the program's end, sent while the show is reading: a 96-megapixel JPEG, a 200-megapixel
one (past the decoders' limit), a named pipe, and a file of a FUSE file system that never
answers a read (sleepy_fs, as root or with fusermount3).

  bench/scale.sh [COUNT...]         (build: $BUILD or build/)
"""

import os
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from saver_vs_render import (BUILD, LUMIVANE, photographs, run_on_own_x_server, tool,  # noqa: E402
                             validated_machine, write_hive)

PIXEL_WAIT = tool("pixel_wait", "bench")
SLEEPY_FS = tool("sleepy_fs", "bench")
KEY = "HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane"
FUCHSIA = "FF00FF"
CENTRE = ("960", "540")


def wait_pixel(colour, timeout, negate=False):
    """The moment the centre pixel is (or leaves) that colour, or None."""
    args = [PIXEL_WAIT, *CENTRE] + (["not"] if negate else []) + [colour, str(timeout)]
    out = subprocess.run(args, capture_output=True, text=True)
    return float(out.stdout) if out.returncode == 0 else None


def user_hive(env, pictures, **values):
    settings = dict(Vitesse=1, Effet=0, Alea=0, Transition=1, LOG=0, BackGroundColor="clFuchsia",
                    **{"Afficher Dlg Lettre info": 1})
    settings.update(values)
    write_hive(env["LUMIVANE_HKCU"], [(KEY, list(settings.items())),
                                      (KEY + "\\Images", [(str(i), p) for i, p in enumerate(pictures)])])


def peak_mb(path):
    try:
        with open(path) as f:
            return int(f.read().split()[-1]) / 1024
    except (OSError, ValueError, IndexError):
        return float("nan")


def show_run(env, scratch):
    """Start to window, start to first picture, peak memory (MB)."""
    rss = os.path.join(scratch, "rss")
    start = time.monotonic()
    saver = subprocess.Popen(["/usr/bin/time", "-f", "%M", "-o", rss, LUMIVANE, "/s"], env=env)
    try:
        window = wait_pixel("000000", 300, negate=True)
        first = wait_pixel(FUCHSIA, 300, negate=True)
        subprocess.run(["xdotool", "key", "a"], check=True)
        saver.wait(timeout=30)
    finally:
        if saver.poll() is None:
            saver.kill()
            saver.wait()
    return (window - start if window else None), (first - start if first else None), peak_mb(rss)


def dialog_run(env, scratch):
    """Start to the dialog on screen, Valider to the end, peak memory (MB)."""
    rss = os.path.join(scratch, "rss")
    start = time.monotonic()
    dialog = subprocess.Popen(["/usr/bin/time", "-f", "%M", "-o", rss, LUMIVANE, "/c"], env=env)
    try:
        # Polled here: xdotool's own --sync looks only twice a second.
        found = []
        deadline = start + 300
        while not found and time.monotonic() < deadline:
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Paramètres de"],
                                   capture_output=True, text=True).stdout.split()
        shown = time.monotonic() - start
        pressed = time.monotonic()
        subprocess.run(["xdotool", "windowfocus", "--sync", found[0], "key", "alt+v"], check=True)
        dialog.wait(timeout=300)
        saved = time.monotonic() - pressed
    finally:
        if dialog.poll() is None:
            dialog.kill()
            dialog.wait()
    return shown, saved, peak_mb(rss)


def main_thread_ended(proc):
    """Whether the program has ended, or at least its main thread: a thread held in a read of
    a file system that never answers keeps the process a zombie until that file system
    answers or goes away, which no program can change."""
    if proc.poll() is not None:
        return True
    try:
        with open("/proc/%d/stat" % proc.pid) as f:
            return f.read().rsplit(")", 1)[1].split()[0] == "Z"
    except OSError:
        return True


def stop_while_reading(env, photo, blocking, after, release=None):
    """A key sent while the show reads `blocking` (the second picture, read ahead after the
    first): to the window gone, and to the program's end. `release` frees what holds the
    reading, once that is measured."""
    user_hive(env, [photo, blocking])
    saver = subprocess.Popen([LUMIVANE, "/s"], env=env)
    try:
        if wait_pixel(FUCHSIA, 120, negate=True) is None:
            raise RuntimeError("no first picture")
        time.sleep(after)
        sent = time.monotonic()
        subprocess.run(["xdotool", "key", "a"], check=True)
        gone = wait_pixel("000000", 30)
        deadline = time.monotonic() + 30
        while not main_thread_ended(saver) and time.monotonic() < deadline:
            time.sleep(0.001)
        ended = time.monotonic() if main_thread_ended(saver) else None
        return (gone - sent if gone else None), (ended - sent if ended else None)
    finally:
        if release:
            release()
        if saver.poll() is None:
            saver.kill()
        saver.wait()


class SleepyMount:
    """sleepy_fs mounted for one run; released by killing it, which fails its pending reads."""

    def __init__(self, mount):
        self.mount = mount
        self.fs = subprocess.Popen([SLEEPY_FS, mount], stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 10
        while not os.path.exists(self.file()) and time.monotonic() < deadline:
            time.sleep(0.05)
        self.ok = os.path.exists(self.file())

    def file(self):
        return os.path.join(self.mount, "slow.jpg")

    def release(self):
        if self.fs.poll() is None:
            self.fs.kill()
            self.fs.wait()
        subprocess.run(["fusermount3", "-u", "-z", self.mount], check=False, stderr=subprocess.DEVNULL)


def big_jpeg(path, width, height):
    """A JPEG of that size, a gradient with some texture, through cjpeg (libjpeg-turbo-progs):
    ImageMagick's own limits stop short of such sizes."""
    if not os.path.exists(path):
        encoder = subprocess.Popen(["cjpeg", "-quality", "85", "-outfile", path], stdin=subprocess.PIPE)
        encoder.stdin.write(b"P6\n%d %d\n255\n" % (width, height))
        for y in range(height):
            shade = y * 255 // height
            cells = (bytes((x * 255 // width, shade, (x // 64 * 37 + y // 64 * 91) & 255)) * 64
                     for x in range(0, width, 64))
            encoder.stdin.write(b"".join(cells)[:width * 3])
        encoder.stdin.close()
        if encoder.wait() != 0:
            raise RuntimeError("cjpeg failed on " + path)
    return path


def report(name, runs):
    gone = [g for g, _ in runs if g is not None]
    ended = [e for _, e in runs if e is not None]
    print("| %s | %s | %s |" % (name, ms(statistics.median(gone)) if gone else "—",
                                ms(statistics.median(ended)) if ended else "not within 30 s"), flush=True)


def ms(value):
    return "—" if value is None else "%.0f ms" % (value * 1000)


def main():
    counts = [int(a) for a in sys.argv[1:]] or [1000, 10000, 100000]
    subprocess.run(["cmake", "--build", BUILD, "--target", "lumivane", "pixel_wait"], check=True,
                   stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", BUILD, "--target", "sleepy_fs"], check=False, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    photos = photographs(4)
    with tempfile.TemporaryDirectory() as scratch:
        env = validated_machine(scratch, "no")
        env["HOME"] = scratch
        print("| pictures | /s: window | /s: first picture | /s: peak memory | /c: dialog shown | Valider | "
              "/c: peak memory |")
        print("|---|---|---|---|---|---|---|")
        for n in counts:
            user_hive(env, [photos[i % len(photos)] for i in range(n)])
            window, first, show_mb = show_run(env, scratch)
            shown, saved, dialog_mb = dialog_run(env, scratch)
            print("| %d | %s | %s | %.0f MB | %s | %s | %.0f MB |" % (n, ms(window), ms(first), show_mb, ms(shown),
                                                                      ms(saved), dialog_mb), flush=True)

        print()
        print("| a key while the show reads | window gone (median of 3) | program ended (median of 3) |")
        print("|---|---|---|")
        pipe = os.path.join(scratch, "pipe.jpg")
        os.mkfifo(pipe)
        cases = [("a 96-megapixel JPEG", big_jpeg(os.path.join(scratch, "96mp.jpg"), 12000, 8000), 0.2),
                 ("a 200-megapixel JPEG", big_jpeg(os.path.join(scratch, "200mp.jpg"), 16384, 12208), 0.2),
                 ("a named pipe", pipe, 1.3)]
        mount = os.path.join(scratch, "sleepy")
        os.makedirs(mount)
        for name, path, after in cases:
            runs = [stop_while_reading(env, photos[0], path, after) for _ in range(3)]
            report(name, runs)
        if os.path.exists(SLEEPY_FS):
            runs = []
            for _ in range(3):
                fs = SleepyMount(mount)
                if not fs.ok:
                    fs.release()
                    print("sleepy_fs could not mount (needs /dev/fuse and the right to mount)", file=sys.stderr)
                    break
                runs.append(stop_while_reading(env, photos[0], fs.file(), 1.3, fs.release))
            if runs:
                report("a FUSE file whose reads never return (end: of the main thread)", runs)
    return 0


if __name__ == "__main__":
    run_on_own_x_server(main)

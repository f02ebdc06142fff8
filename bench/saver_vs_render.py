#!/usr/bin/env python3
"""Transitions on screen in the real saver against the same effect drawn off screen.

On an X screen of its own (1920 x 1080 unless --size says), with R = 0, for each effect: the time the saver's
transition from one photograph to another takes on screen (from its first change to its
last, as another X client sees them through the DAMAGE extension) beside the time
lumivane-render takes to draw the same effect between the same pictures at the same size;
the limit is 1.5 x (render + 0.25 s). Each run of the saver then ends with one random
input (a key, a click or a mouse move) at a random moment of a later transition, and the
time from that input to the saver window's leaving the screen (and to the saver's exit) is
its stop latency.

  bench/saver_vs_render.py [--size WxH] [--runs K] [--others K] [EFFECT...]   (build: $BUILD or build/)
  bench/saver_vs_render.py --stops N [--speed R] [--seed S]

Without effects: 1, 12, 25, 26, 28 and 33 first (K runs each, 3 unless given), then every
other registered effect (--others runs each, 1 unless given).
With --stops, only stopping is measured, over N shows of effects drawn at random from the
registered ones, at the pause setting R (1000 unless given): each ends with one random
input at a random moment of its second transition (from one photograph to the other),
within the time lumivane-render takes to draw that effect at that setting.
$XVFB_LOG keeps the X server's messages. Needs Xvfb, xdotool, the wallpapers of
plasma-workspace-wallpapers and libxdamage-dev.
"""

import math
import os
import random
import re
import statistics
import subprocess
import sys
import tempfile
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.environ.get("BUILD", os.path.join(ROOT, "build"))
SIZE = (1920, 1080)
NAMED = [1, 12, 25, 26, 28, 33]
INTERVAL = 2  # seconds between pictures (Vitesse)
GAP = 1.5  # a quiet stretch this long (seconds) separates two transitions
RUN_LIMIT = 180  # seconds a run may take before it counts as hung


def tool(name, *parts):
    return os.path.join(BUILD, *parts, name)


LUMIVANE = tool("lumivane", "src", "saver")
RENDER = tool("lumivane-render", "src", "tools")
EFFECTS_BENCH = tool("effects_bench", "bench")
SCREEN_CHANGES = tool("screen_changes", "bench")


def registered_effects():
    out = subprocess.run([EFFECTS_BENCH, "16x16"], capture_output=True, text=True, check=True).stdout
    return [int(m.group(1)) for m in re.finditer(r"^(\d+)\s", out, re.M)]


def render_ms(effect, old, new, speed=0):
    out = subprocess.run([RENDER, "--effect", str(effect), "--from", old, "--to", new, "--size", "%dx%d" % SIZE,
                          "--speed", str(speed)], capture_output=True, text=True, check=True).stdout
    m = re.search(r"(\d+) steps, (\d+) ms", out)
    return int(m.group(1)), int(m.group(2))


def photographs(count):
    """`count` real photographs from plasma-workspace-wallpapers: of the screen's size where
    there are such, else the largest (5120 x 2880), which the show scales to the screen."""
    files = sorted(os.path.join(d, f) for d, _, fs in os.walk("/usr/share/wallpapers") for f in fs)
    photos = [p for p in files if p.endswith("%dx%d.jpg" % SIZE)][:count]
    if len(photos) < count:
        photos = [p for p in files if re.search(r"/5120x2880\.(jpg|png)$", p)][:count]
    if len(photos) < count:
        sys.exit("%d photographs are needed: apt-get install plasma-workspace-wallpapers" % count)
    return photos


def validated_machine(scratch, answer):
    """The environment of a run in `scratch`: its own hives (the machine's validated), drive
    C: and runtime folder; message boxes logged and answered `answer`."""
    env = dict(os.environ, LUMIVANE_HKLM=os.path.join(scratch, "HKLM.reg"),
               LUMIVANE_HKCU=os.path.join(scratch, "HKCU.reg"), LUMIVANE_DRIVE_C=os.path.join(scratch, "c"),
               LUMIVANE_MSGBOX_LOG=os.path.join(scratch, "boxes.log"), LUMIVANE_MSGBOX_ANSWER=answer,
               XDG_RUNTIME_DIR=os.path.join(scratch, "run"))
    os.makedirs(env["LUMIVANE_DRIVE_C"])
    os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700)
    write_hive(env["LUMIVANE_HKLM"], [("HKEY_LOCAL_MACHINE\\Software\\Kestrune\\lumivane",
                                       [("CheminInstall", scratch), ("ConfigValidated", 1)])])
    return env


def write_hive(path, keys):
    """keys: (key, [(name, int or str)...])..."""
    lines = ["Windows Registry Editor Version 5.00"]
    for key, values in keys:
        lines += ["", "[%s]" % key]
        for name, value in values:
            lines.append('"%s"=%s' % (name, "dword:%08x" % value if isinstance(value, int) else '"%s"' % value))
    with open(path, "w", newline="") as f:
        f.write("\r\n".join(lines) + "\r\n")


class Changes:
    """The screen_changes lines of one run, read as they come."""

    def __init__(self):
        for attempt in range(3):
            self.proc = subprocess.Popen([SCREEN_CHANGES], stdout=subprocess.PIPE, text=True)
            if self.proc.stdout.readline().strip() == "ready":
                break
            self.proc.wait()
            time.sleep(0.5)
        else:
            raise RuntimeError("screen_changes did not start")
        self.times, self.unmaps = [], []
        self.lock = threading.Lock()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.proc.stdout:
            with self.lock:
                if line.startswith("unmap "):
                    self.unmaps.append(float(line.split()[1]))
                else:
                    self.times.append(float(line))

    def unmapped_after(self, moment):
        with self.lock:
            return next((t for t in self.unmaps if t >= moment), None)

    def last(self):
        with self.lock:
            return self.times[-1] if self.times else None

    def bursts(self, now):
        """Transitions so far as [first, last, ended, changes]."""
        with self.lock:
            times = list(self.times)
        out = []
        for t in times:
            if out and t - out[-1][1] < GAP:
                out[-1][1] = t
                out[-1][3] += 1
            else:
                out.append([t, t, False, 1])
        for b in out:
            b[2] = now - b[1] >= GAP
        return out

    def close(self):
        self.proc.kill()
        self.proc.wait()


def wait_for(condition, deadline):
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.001)
    raise TimeoutError


def saver_run(effect, env, work, speed=0, stop_within=None, inputs=("key", "click", "move")):
    """One show: the on-screen time of the second transition (the first one between the
    two photographs), then the stop latency of a random input in a later transition.
    With stop_within (seconds), nothing is timed on screen: the input comes at a random
    moment within stop_within of the second transition's start, long after the first mouse
    move, which only sets where moves are measured from."""
    selection = "".join("1" if n == effect else "0" for n in range(1, 229))
    key = "HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane"
    write_hive(env["LUMIVANE_HKCU"], [
        (key, [("Vitesse", INTERVAL), ("Rapidite", speed), ("Effet", 1), ("AleaEffets", 0), ("Alea", 0),
               ("Transition", 1), ("LOG", 0), ("Selection", selection)]),
        (key + "\\Images", [(str(i), p) for i, p in enumerate(work["photos"])])])
    changes = Changes()
    saver = subprocess.Popen([LUMIVANE, "/s"], env=env)
    try:
        deadline = time.monotonic() + RUN_LIMIT
        wait_for(lambda: changes.bursts(time.monotonic()), deadline)
        x, y = random.randrange(200, 1700), random.randrange(200, 900)
        subprocess.run(["xdotool", "mousemove", str(x), str(y)], check=True)  # where a move is measured from
        # Effect 1's selection also selects "none" (the plain drawing), which takes every
        # other show, the first one included: its stop goes into the second or fourth transition.
        if stop_within is None:
            measured = wait_for(lambda: (lambda b: len(b) > 1 and b[1][2] and b[1])(
                changes.bursts(time.monotonic())), deadline)
            on_screen, frames = measured[1] - measured[0], measured[3]
            target, within = (3 if effect == 1 else 2), 0.8 * on_screen
        else:
            on_screen, frames, target, within = None, None, 1, stop_within
        start = wait_for(lambda: (lambda b: len(b) > target and b[target][0])(changes.bursts(time.monotonic())),
                         deadline)
        time.sleep(max(0.0, start + random.uniform(0, within) - time.monotonic()))
        kind = random.choice(inputs)
        if kind == "click":  # the release stops the saver: time that one
            subprocess.run(["xdotool", "mousedown", "1"], check=True)
        command = {"key": ["xdotool", "key", random.choice(["a", "space", "Return", "Escape", "F5", "Shift_L"])],
                   "click": ["xdotool", "mouseup", "1"],
                   "move": ["xdotool", "mousemove", str(x + random.choice([-1, 1]) * random.randrange(5, 60)),
                            str(y + random.choice([-1, 1]) * random.randrange(5, 60))]}[kind]
        sent = time.monotonic()
        drawing = sent - changes.last() < 0.1  # the screen was still changing
        subprocess.run(command, check=True)
        try:
            saver.wait(timeout=10)
        except subprocess.TimeoutExpired:
            raise TimeoutError("the saver was still running 10 s after a %s (its window %s)" % (
                kind, "gone" if changes.unmapped_after(sent) else "still there")) from None
        latency = time.monotonic() - sent
        gone = wait_for(lambda: changes.unmapped_after(sent), time.monotonic() + 5) - sent
        return on_screen, frames, (gone, latency), kind, drawing
    finally:
        if saver.poll() is None:
            saver.kill()
            saver.wait()
        changes.close()


def percentile(values, p):
    ordered = sorted(values)
    return ordered[max(0, math.ceil(p / 100 * len(ordered)) - 1)]


def summary(seconds):
    ms = [v * 1000 for v in seconds]
    return "%d inputs, median %.0f ms, 90th percentile %.0f ms, 99th percentile %.0f ms, max %.0f ms" % (
        len(ms), statistics.median(ms), percentile(ms, 90), percentile(ms, 99), max(ms))


def report_latencies(latencies):
    """latencies: ((to the window's unmapping, to the exit), kind, effect, drawing)..."""
    print("\nstop latency, input to the saver window gone: " + summary([l[0] for l, _, _, _ in latencies]))
    groups = [(kind, [l[0] for l, k, _, _ in latencies if k == kind]) for kind in ("key", "click", "move")]
    groups += [("while the screen was changing", [l[0] for l, _, _, d in latencies if d]),
               ("between two changes", [l[0] for l, _, _, d in latencies if not d])]
    for name, of_group in groups:
        if of_group:
            print("  %-30s %s" % (name, summary(of_group)))
    ms = [l[0] * 1000 for l, _, _, _ in latencies]
    bounds = [25, 50, 100, 150, 250, 500, 1000, 10000]
    counts = [sum(1 for m in ms if (i == 0 or m > bounds[i - 1]) and m <= b) for i, b in enumerate(bounds)]
    print("  distribution: " + ", ".join("%s-%d ms: %d" % (bounds[i - 1] if i else 0, b, c)
                                        for i, (b, c) in enumerate(zip(bounds, counts)) if c))
    slowest = sorted(latencies, key=lambda entry: entry[0][0], reverse=True)[:5]
    print("  slowest: " + ", ".join("%.0f ms (%s, effect %d)" % (l[0] * 1000, k, e) for l, k, e, _ in slowest))
    print("stop latency, input to the saver's exit: " + summary([l[1] for l, _, _, _ in latencies]))


def effect_table(effects, named, runs, others, env, work):
    print("%s -> %s, %dx%d, R = 0, %d runs of the named effects, %d of the others"
          % (work["photos"][0], work["photos"][1], SIZE[0], SIZE[1], runs, others))
    print("| effect | steps | lumivane-render | on screen (median) | changes seen | limit | | slowest stop |")
    print("|---|---|---|---|---|---|---|---|")
    latencies, failures = [], 0
    for effect in effects:
        count = runs if effect in NAMED or named else others
        rendered = [render_ms(effect, *work["photos"]) for _ in range(count)]
        steps, render = rendered[0][0], statistics.median(ms for _, ms in rendered) / 1000
        shown = []
        for _ in range(count):
            try:
                on_screen, frames, latency, kind, drawing = saver_run(effect, env, work)
            except (TimeoutError, subprocess.TimeoutExpired):
                failures += 1
                continue
            shown.append((on_screen, frames))
            latencies.append((latency, kind, effect, drawing))
        limit = 1.5 * (render + 0.25)
        if not shown:
            print("| %d | %d | %.2f s | hung | | %.2f s | FAIL | |" % (effect, steps, render, limit))
            continue
        median = statistics.median(t for t, _ in shown)
        frames = statistics.median(f for _, f in shown)
        slowest = max(l[0] for l, _, e, _ in latencies if e == effect) * 1000
        print("| %d | %d | %.2f s | %.2f s | %d | %.2f s | %s | %.0f ms |" % (
            effect, steps, render, median, frames, limit, "ok" if median <= limit else "OVER", slowest), flush=True)
    return latencies, failures


def stops(count, speed, registered, env, work):
    print("%d shows of random effects, %dx%d, R = %d: one random input each, at a random moment of a transition"
          % (count, SIZE[0], SIZE[1], speed), flush=True)
    durations, latencies, failures = {}, [], 0
    for run in range(count):
        effect = random.choice(registered)
        if effect not in durations:
            durations[effect] = render_ms(effect, *work["photos"], speed=speed)[1] / 1000
        try:
            _, _, latency, kind, drawing = saver_run(effect, env, work, speed, stop_within=durations[effect])
        except (TimeoutError, subprocess.TimeoutExpired) as e:
            failures += 1
            print("effect %d: %s" % (effect, str(e) or "hung"), flush=True)
            continue
        latencies.append((latency, kind, effect, drawing))
        if (run + 1) % 50 == 0:
            print("window gone: " + summary([l[0] for l, _, _, _ in latencies]), flush=True)
    return latencies, failures


def parse_arguments():
    """The options and the effects named; --size is set before the X server is made for it."""
    args = sys.argv[1:]
    global SIZE
    options = {"--runs": 3, "--others": 1, "--stops": 0, "--speed": 1000, "--seed": None}
    while args[:1] and (args[0] in options or args[0] == "--size"):
        if args[0] == "--size":
            SIZE = tuple(int(v) for v in args[1].split("x"))
        else:
            options[args[0]] = int(args[1])
        args = args[2:]
    return options, args


ARGUMENTS = None


def main():
    options, args = ARGUMENTS
    random.seed(options["--seed"])
    # The benchmarks are built only in a tree that asks for them.
    subprocess.run(["cmake", "-S", ROOT, "-B", BUILD, "-DLUMIVANE_BENCH=ON"], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", BUILD, "--target", "lumivane", "lumivane-render", "effects_bench",
                    "screen_changes"], check=True, stdout=subprocess.DEVNULL)
    registered = registered_effects()
    effects = [int(a) for a in args] or NAMED + [n for n in registered if n not in NAMED]
    photos = photographs(2)

    with tempfile.TemporaryDirectory() as scratch:
        env = validated_machine(scratch, "ok")
        work = {"photos": photos}
        try:
            if options["--stops"]:
                latencies, failures = stops(options["--stops"], options["--speed"], registered, env, work)
            else:
                latencies, failures = effect_table(effects, bool(args), options["--runs"], options["--others"],
                                                   env, work)
        except RuntimeError as e:  # the X server went away (stopped from outside)
            print(e, file=sys.stderr)
            return 2
        if latencies:
            report_latencies(latencies)
        if failures:
            print("%d runs hung or did not stop within 10 s" % failures)
        return 1 if failures else 0


def own_x_server():
    """An X server of the bench's own, on a display number it picks itself. Started
    directly, without an authorization file in /tmp, and reachable through the abstract
    socket too: a cleanup elsewhere that empties /tmp/.X11-unix must not end a long run."""
    read_end, write_end = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "%dx%dx24" % SIZE, "-nolisten",
                               "tcp", "-listen", "local", "-noreset"], pass_fds=(write_end,),
                              stderr=open(os.environ.get("XVFB_LOG", os.devnull), "w"))
    os.close(write_end)
    with os.fdopen(read_end) as numbers:
        display = numbers.readline().strip()
    if not display:
        sys.exit("Xvfb did not start")
    os.environ["DISPLAY"] = ":" + display
    return server


def run_on_own_x_server(main):
    """Exits with what main returns, run with an X server of its own that goes with it."""
    x_server = own_x_server()
    try:
        sys.exit(main())
    finally:
        x_server.terminate()
        x_server.wait()


if __name__ == "__main__":
    ARGUMENTS = parse_arguments()
    run_on_own_x_server(main)

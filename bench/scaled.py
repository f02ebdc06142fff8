#!/usr/bin/env python3
"""The saver on a high-density screen: a 2560 x 1440 X screen of its own, shown at
QT_SCALE_FACTOR=2 (--scale) and unscaled, the runs of the two taking turns:
  - the time from `lumivane /s` to its first picture (the centre pixel leaving the fuchsia
    background), median of K runs, with the peak memory of the run;
  - the on-screen time of effects 1, 12, 25, 26 and 33 (or those named) between two
    photographs, from their first change to their last as another X client sees them
    (DAMAGE), median of K runs, and its ratio scaled / unscaled, which should stay within 1.1;
  - a 16320 x 12240 JPEG (a phone's 200-megapixel photograph, --picture) read and prepared
    for the screen as the show does it (prepare_bench): wall time and peak memory of the
    whole process, median and largest of K; then the same picture as HEIC, which the show
    refuses before decoding: the time to that refusal and its peak memory.
The pictures are made in a temporary folder, removed at the end.

  bench/scaled.sh [--scale F] [--runs K] [--size WxH] [--picture WxH] [EFFECT...]
    (K = 3 unless given; build: $BUILD or build/, with LUMIVANE_BENCH=ON)
Needs Xvfb, xdotool, GNU time, cjpeg (libjpeg-turbo-progs), heif-enc (libheif-examples),
the wallpapers of plasma-workspace-wallpapers and libxdamage-dev.
"""

import os
import statistics
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import saver_vs_render  # noqa: E402
import scale  # noqa: E402
from saver_vs_render import BUILD, photographs, run_on_own_x_server, saver_run, tool, validated_machine  # noqa: E402

PREPARE_BENCH = tool("prepare_bench", "bench")
EFFECTS = [1, 12, 25, 26, 33]
LIMIT = 1.1  # scaled on-screen time against unscaled
# Whatever the caller's session asks of Qt's scaling is left out of both runs.
QT_SCALING = ("QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_AUTO_SCREEN_SCALE_FACTOR",
              "QT_ENABLE_HIGHDPI_SCALING", "QT_SCALE_FACTOR_ROUNDING_POLICY")


def scaled_envs(env, factor):
    plain = {k: v for k, v in env.items() if k not in QT_SCALING}
    return [("unscaled", plain), ("x%s" % factor, dict(plain, QT_SCALE_FACTOR=factor))]


def first_pictures(envs, photos, runs, scratch):
    """(start to first picture in s, peak MB) of each run, by screen."""
    out = {name: [] for name, _ in envs}
    for _ in range(runs):
        for name, env in envs:
            scale.user_hive(env, photos)
            _, first, mb = scale.show_run(env, scratch)
            if first is not None:
                out[name].append((first, mb))
    return out


def effect_times(envs, effect, photos, runs):
    """On-screen times (s) of the effect's runs, by screen; a hung run is left out."""
    out = {name: [] for name, _ in envs}
    for _ in range(runs):
        for name, env in envs:
            try:
                # No mouse move ends these runs: the saver's threshold is in logical pixels, which
                # a short move of the screen's pixels may not pass at a scale of 2.
                out[name].append(saver_run(effect, env, {"photos": photos}, inputs=("key", "click"))[0])
            except (TimeoutError, subprocess.TimeoutExpired) as e:
                print("effect %d, %s: %s" % (effect, name, str(e) or "hung"), file=sys.stderr, flush=True)
    return out


def photo_jpeg(path, width, height):
    """A JPEG of that size through cjpeg (ImageMagick's limits stop short of it): gradients
    and cells with a grain of noise, which brings it to about a photograph's 1.5 bits a pixel;
    a smooth picture would decode several times faster than a real one."""
    encoder = subprocess.Popen(["cjpeg", "-quality", "85", "-outfile", path], stdin=subprocess.PIPE)
    encoder.stdin.write(b"P6\n%d %d\n255\n" % (width, height))
    grain = bytes(v & 31 for v in range(256))
    for y in range(height):
        shade = y * 223 // height
        row = b"".join(bytes((x * 223 // width, shade, (x // 64 * 37 + y // 64 * 91) % 224)) * 64
                       for x in range(0, width, 64))[:width * 3]
        # Added as one big number: no sample passes 255, so none carries into the next.
        noise = os.urandom(width * 3).translate(grain)
        encoder.stdin.write((int.from_bytes(row, "big") + int.from_bytes(noise, "big")).to_bytes(width * 3, "big"))
    encoder.stdin.close()
    if encoder.wait() != 0:
        raise RuntimeError("cjpeg failed on " + path)
    return path


def prepared(path, screen, scratch):
    """prepare_bench's one run of the file for the screen, timed from outside: (wall s,
    peak MB, exit status, its last line of error)."""
    measure = os.path.join(scratch, "time")
    run = subprocess.run(["/usr/bin/time", "-f", "%e %M", "-o", measure, PREPARE_BENCH, path,
                          "%dx%d" % screen, "1"], capture_output=True, text=True)
    with open(measure) as f:
        wall, kb = f.read().split()[-2:]
    reason = (run.stderr.strip().splitlines() or [""])[-1]
    return float(wall), int(kb) / 1024, run.returncode, reason


def median_or_dash(values, fmt):
    return fmt % statistics.median(values) if values else "—"


def options(args):
    """(scale factor, runs, picture size, effects) from the command line; the screen size
    goes straight to the X server that is started next."""
    factor, runs, picture = "2", 3, (16320, 12240)
    saver_vs_render.SIZE = (2560, 1440)
    while args[:1] and args[0] in ("--scale", "--runs", "--size", "--picture"):
        option, value, args = args[0], args[1], args[2:]
        if option == "--scale":
            factor = value
        elif option == "--runs":
            runs = int(value)
        elif option == "--size":
            saver_vs_render.SIZE = tuple(int(v) for v in value.split("x"))
        else:
            picture = tuple(int(v) for v in value.split("x"))
    return factor, runs, picture, [int(a) for a in args] or EFFECTS


def main(factor, runs, picture, effects):
    screen = saver_vs_render.SIZE
    scale.CENTRE = (str(screen[0] // 2), str(screen[1] // 2))
    subprocess.run(["cmake", "--build", BUILD, "--target", "lumivane", "pixel_wait", "prepare_bench"], check=True,
                   stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", BUILD, "--target", "screen_changes"], check=False,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if not os.path.exists(saver_vs_render.SCREEN_CHANGES):
        sys.exit("screen_changes is not built: apt-get install libxdamage-dev, then configure with LUMIVANE_BENCH=ON")
    photos = photographs(2)
    failures = 0
    with tempfile.TemporaryDirectory() as scratch:
        env = validated_machine(scratch, "ok")
        env["HOME"] = scratch
        envs = scaled_envs(env, factor)
        names = [name for name, _ in envs]
        print("%dx%d screen, QT_SCALE_FACTOR=%s against unscaled, %d runs each, %s -> %s"
              % (screen[0], screen[1], factor, runs, photos[0], photos[1]))
        print()
        print("| | %s | %s | ratio |" % tuple(names))
        print("|---|---|---|---|")
        firsts = first_pictures(envs, photos, runs, scratch)
        medians = [statistics.median(t for t, _ in firsts[n]) if firsts[n] else None for n in names]
        ratio = "%.2f" % (medians[1] / medians[0]) if None not in medians else "—"
        print("| /s: start to first picture | %s | %s | %s |" % (*(scale.ms(m) for m in medians), ratio))
        print("| /s: peak memory | %s | %s | |" % tuple(median_or_dash([mb for _, mb in firsts[n]], "%.0f MB")
                                                    for n in names), flush=True)
        failures += sum(runs - len(firsts[n]) for n in names)

        print()
        print("| effect | on screen, %s | on screen, %s | ratio | within %.1f |" % (*names, LIMIT))
        print("|---|---|---|---|---|")
        for effect in effects:
            times = effect_times(envs, effect, photos, runs)
            failures += sum(runs - len(times[n]) for n in names)
            medians = [statistics.median(times[n]) if times[n] else None for n in names]
            if None in medians:
                print("| %d | %s | %s | — | hung |" % (effect, *(median_or_dash(times[n], "%.2f s") for n in names)))
                continue
            ratio = medians[1] / medians[0]
            print("| %d | %.2f s | %.2f s | %.2f | %s |" % (effect, *medians, ratio,
                                                            "ok" if ratio <= LIMIT else "OVER"), flush=True)

        print()
        print("| read for the %dx%d screen | wall time (median) | peak memory (largest) | result |" % screen)
        print("|---|---|---|---|")
        jpeg = photo_jpeg(os.path.join(scratch, "photo.jpg"), *picture)
        heic = os.path.join(scratch, "photo.heic")
        # The quickest preset: only the file's size and headers matter to a refusal.
        subprocess.run(["heif-enc", "-q", "50", "-p", "preset=ultrafast", jpeg, "-o", heic], check=True,
                       stdout=subprocess.DEVNULL)
        for name, path in (("JPEG", jpeg), ("HEIC", heic)):
            measured = [prepared(path, screen, scratch) for _ in range(runs)]
            status, reason = measured[-1][2:]
            result = "prepared" if status == 0 else "refused: " + reason.replace("prepare_bench: %s : " % path, "")
            print("| %s %dx%d, %.0f MB file | %.2f s | %.0f MB | %s |" % (
                name, *picture, os.path.getsize(path) / 1e6, statistics.median(m[0] for m in measured),
                max(m[1] for m in measured), result.replace("|", "/")), flush=True)
    if failures:
        print("\n%d runs hung or showed no picture" % failures)
    return 1 if failures else 0


if __name__ == "__main__":
    chosen = options(sys.argv[1:])
    run_on_own_x_server(lambda: main(*chosen))

#!/usr/bin/python3
"""The cross-built tessel-import.exe under Wine against the Linux build, on the same exports.

One run, the two alternating round by round, medians printed:
  - exports of about 100 MB (CR LF) at 5, 40 and 200 channels: the whole import, and each stage
    (--timings), on both systems; Wine's own start (tessel-import.exe --version, timed in each
    round) is taken off the Windows time;
  - a batch of generated exports (default 200) with --json, --jobs 1 and --jobs 2.
Every run reads in one named zone (--timezone), as a lab's runs do.
"""
import argparse
import os
import statistics
import subprocess
import tempfile
import time

from compare import generate, generate_batch, rows_for, stage_medians, timed_stages

ZONE = "Europe/Berlin"


def windows_path(path):
    """Wine's drive Z: is the Linux root."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class Contenders:
    def __init__(self, args):
        self.linux = [args.tool]
        self.windows = [args.wine, args.windows_tool]

    def wine_start(self):
        start = time.perf_counter()
        subprocess.run(self.windows + ["--version"], stdout=subprocess.DEVNULL, check=True)
        return time.perf_counter() - start

    def command(self, system, options, path):
        if system == "Linux":
            return self.linux + ["--timezone", ZONE, *options, path]
        return self.windows + ["--timezone", ZONE, *options, windows_path(path)]

    def run(self, system, options, path):
        return timed_stages(self.command(system, ["--timings", *options], path))

    def run_quietly(self, system, options, path):
        start = time.perf_counter()
        subprocess.run(self.command(system, options, path), stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, check=True)
        return time.perf_counter() - start


def compare_file(args, contenders, folder, channels):
    rows = rows_for(args.generator, folder, channels, args.megabytes)
    path = os.path.join(folder, f"export-{channels}.csv")
    generate(args.generator, path, rows, channels, 1)
    os.sync()
    for system in ("Linux", "Windows"):
        contenders.run(system, ["--json"], path)
    walls = {"Linux": [], "Windows": []}
    stages = {"Linux": [], "Windows": []}
    for _ in range(args.rounds):
        start = contenders.wine_start()
        for system in ("Windows", "Linux"):
            wall, times = contenders.run(system, ["--json"], path)
            walls[system].append(wall - (start if system == "Windows" else 0.0))
            stages[system].append(times)
    os.remove(path)
    linux, windows = statistics.median(walls["Linux"]), statistics.median(walls["Windows"])
    print(f"{rows} rows x {channels} channels: Linux {linux:.3f} s, Windows under Wine "
          f"{windows:.3f} s (its start taken off), {windows / linux:.2f}x")
    by_system = {system: stage_medians(runs) for system, runs in stages.items()}
    for stage in by_system["Linux"]:
        linux_ms, windows_ms = by_system["Linux"][stage] * 1e3, by_system["Windows"][stage] * 1e3
        print(f"  {stage:<40}{linux_ms:>9.1f} ms{windows_ms:>9.1f} ms")


def compare_batch(args, contenders, folder):
    batch = os.path.join(folder, "batch")
    total = generate_batch(args.generator, batch, args.batch_files)
    print(f"batch of {args.batch_files} exports, {total / 1e6:.1f} MB in all")
    for jobs in ("1", "2"):
        options = ["--json", "--jobs", jobs]
        for system in ("Linux", "Windows"):
            contenders.run_quietly(system, options, batch)
        walls = {"Linux": [], "Windows": []}
        for _ in range(args.rounds):
            start = contenders.wine_start()
            walls["Windows"].append(contenders.run_quietly("Windows", options, batch) - start)
            walls["Linux"].append(contenders.run_quietly("Linux", options, batch))
        linux, windows = statistics.median(walls["Linux"]), statistics.median(walls["Windows"])
        print(f"  --jobs {jobs}: Linux {linux:.3f} s, Windows under Wine {windows:.3f} s "
              f"(its start taken off), {windows / linux:.2f}x")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--tool", required=True, help="the Linux tessel-import")
    parser.add_argument("--windows-tool", required=True, help="the cross-built tessel-import.exe")
    parser.add_argument("--wine", required=True, help="Wine's loader")
    parser.add_argument("--generator", required=True, help="the generate-export executable")
    parser.add_argument("--megabytes", type=float, default=100.0)
    parser.add_argument("--channels", type=int, nargs="+", default=[5, 40, 200])
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--batch-files", type=int, default=200)
    args = parser.parse_args()

    contenders = Contenders(args)
    print(f"{time.strftime('%Y-%m-%d')}; medians of {args.rounds} alternating rounds; "
          f"Wine's start {statistics.median(contenders.wine_start() for _ in range(3)):.3f} s")
    with tempfile.TemporaryDirectory() as folder:
        for channels in args.channels:
            compare_file(args, contenders, folder, channels)
        if args.batch_files > 0:
            compare_batch(args, contenders, folder)


if __name__ == "__main__":
    main()

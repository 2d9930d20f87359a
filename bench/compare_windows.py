#!/usr/bin/python3
"""The cross-built tessel-import.exe under Wine against the Linux build, on the same exports.

One run, the two alternating round by round, medians printed:
  - exports of about 100 MB (CR LF) at 5, 40 and 200 channels: the whole import, and each stage
    (--timings), on both systems; Wine's own start (tessel-import.exe --version, timed in each
    round) is taken off the Windows time. The Linux build runs a second time without huge pages
    (PR_SET_THP_DISABLE), the only pages a Windows program gets without the large-page
    privilege: what Wine adds beyond that is the emulator's;
  - the 40-channel export imported and written out again (--export), on both systems, with the
    export's steps;
  - a batch of generated exports (default 200) with --json, --jobs 1 and --jobs 2, and with
    --jobs 1 written out again (--export).
Every run reads in one named zone (--timezone), as a lab's runs do.
"""
import argparse
import ctypes
import os
import statistics
import subprocess
import tempfile
import time

from compare import (add_export_arguments, generate, generate_batch, rows_for, stage_medians,
                     timed_stages)

ZONE = "Europe/Berlin"
PR_SET_THP_DISABLE = 41
SYSTEMS = ("Linux", "Linux, small pages", "Windows")


def without_huge_pages():
    """In the child before it starts: no transparent huge pages for it."""
    if ctypes.CDLL(None, use_errno=True).prctl(PR_SET_THP_DISABLE, 1, 0, 0, 0) != 0:
        raise OSError(ctypes.get_errno(), "prctl(PR_SET_THP_DISABLE)")


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
        if system == "Windows":
            return self.windows + ["--timezone", ZONE, *options, windows_path(path)]
        return self.linux + ["--timezone", ZONE, *options, path]

    def run(self, system, options, path):
        return timed_stages(self.command(system, ["--timings", *options], path),
                            without_huge_pages if system == "Linux, small pages" else None)

    def run_quietly(self, system, options, path):
        start = time.perf_counter()
        subprocess.run(self.command(system, options, path), stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, check=True)
        return time.perf_counter() - start


def alternate(args, contenders, path, systems, options=None):
    """Rounds of the systems one after the other; each one's wall and stage medians. options
    gives each system's options, --json when none."""
    walls = {system: [] for system in systems}
    stages = {system: [] for system in systems}
    for _ in range(args.rounds):
        start = contenders.wine_start()
        for system in systems:
            wall, times = contenders.run(system, (options or {}).get(system, ["--json"]), path)
            walls[system].append(wall - (start if system == "Windows" else 0.0))
            stages[system].append(times)
    return ({system: statistics.median(walls[system]) for system in systems},
            {system: stage_medians(runs) for system, runs in stages.items()})


def compare_file(args, contenders, folder, channels):
    rows = rows_for(args.generator, folder, channels, args.megabytes)
    path = os.path.join(folder, f"export-{channels}.csv")
    generate(args.generator, path, rows, channels, 1)
    os.sync()
    for system in SYSTEMS:
        contenders.run(system, ["--json"], path)
    # Each Linux contender alternates with Wine on its own: a run right after another that freed
    # a few hundred megabytes is slowed by the host taking that memory back.
    walls, stages = alternate(args, contenders, path, ("Windows", "Linux"))
    small_walls, small_stages = alternate(args, contenders, path,
                                          ("Windows", "Linux, small pages"))
    walls["Linux, small pages"] = small_walls["Linux, small pages"]
    stages["Linux, small pages"] = small_stages["Linux, small pages"]
    linux, small, windows = (walls[system] for system in SYSTEMS)
    print(f"{rows} rows x {channels} channels: Linux {linux:.3f} s, Windows under Wine "
          f"{windows:.3f} s (its start taken off), {windows / linux:.2f}x; Linux on small pages "
          f"{small:.3f} s, the Wine run beside it {small_walls['Windows']:.3f} s")
    print_stages(stages, SYSTEMS)
    if channels == 40:
        compare_export(args, contenders, folder, path)
    os.remove(path)


def compare_export(args, contenders, folder, path):
    """The import written out again as CSV, each system into a folder of its own."""
    targets = {"Linux": os.path.join(folder, "exported"),
               "Windows": windows_path(os.path.join(folder, "exported-windows"))}
    walls, stages = alternate(
        args, contenders, path, ("Windows", "Linux"),
        {system: ["--json", "--export", target, "--overwrite"] for system, target in targets.items()})
    print(f"  --export: Linux {walls['Linux']:.3f} s, Windows under Wine {walls['Windows']:.3f} s "
          f"(its start taken off), {walls['Windows'] / walls['Linux']:.2f}x")
    print_stages(stages, ("Linux", "Windows"))


def print_stages(stages, systems):
    print(f"  {'stage (ms)':<40}" + "".join(f"{system:>20}" for system in systems))
    for stage in stages["Linux"]:
        print(f"  {stage:<40}" +
              "".join(f"{stages[system][stage] * 1e3:>20.1f}" for system in systems))


def compare_batch(args, contenders, folder):
    batch = os.path.join(folder, "batch")
    total = generate_batch(args.generator, batch, args.batch_files)
    print(f"batch of {args.batch_files} exports, {total / 1e6:.1f} MB in all")
    exported = {"Linux": os.path.join(folder, "batch-exported"),
                "Windows": windows_path(os.path.join(folder, "batch-exported-windows"))}
    for label, extra in (("--jobs 1", {}), ("--jobs 2", {}),
                         ("--jobs 1 --export", {system: ["--export", target, "--overwrite"]
                                                for system, target in exported.items()})):
        options = {system: ["--json", *label.split()[:2], *extra.get(system, [])]
                   for system in ("Linux", "Windows")}
        for system in ("Linux", "Windows"):
            contenders.run_quietly(system, options[system], batch)
        walls = {"Linux": [], "Windows": []}
        for _ in range(args.rounds):
            start = contenders.wine_start()
            walls["Windows"].append(
                contenders.run_quietly("Windows", options["Windows"], batch) - start)
            walls["Linux"].append(contenders.run_quietly("Linux", options["Linux"], batch))
        linux, windows = statistics.median(walls["Linux"]), statistics.median(walls["Windows"])
        print(f"  {label}: Linux {linux:.3f} s, Windows under Wine {windows:.3f} s "
              f"(its start taken off), {windows / linux:.2f}x")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--tool", required=True, help="the Linux tessel-import")
    parser.add_argument("--windows-tool", required=True, help="the cross-built tessel-import.exe")
    parser.add_argument("--wine", required=True, help="Wine's loader")
    add_export_arguments(parser, rounds=5, batch_files=200)
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

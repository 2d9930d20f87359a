#!/usr/bin/python3
"""tessel_agilent.read(...).frame() against pandas.read_csv on the same generated exports, and a
batch read with one job against all, in one run (contenders alternating round by round, medians
printed). Each read runs in a fresh interpreter, timed inside it after the imports of the
modules; peak resident memory as a multiple of the file size."""
import argparse
import os
import platform
import subprocess
import sys
import tempfile
import time

from compare import add_export_arguments, generate, medians, print_rows, rows_for

READ = r"""
import resource, sys, time
import numpy, pandas, tessel_agilent
path, reader = sys.argv[1], sys.argv[2]
start = time.perf_counter()
if reader == "pandas":
    table = pandas.read_csv(path, skiprows=3)
elif reader == "frame":
    table = tessel_agilent.read(path, timezone="UTC").frame()
else:
    table = tessel_agilent.read(path, timezone="UTC", jobs=int(reader))
elapsed = time.perf_counter() - start
print(elapsed, resource.getrusage(resource.RUSAGE_SELF).ru_maxrss, len(table))
"""


def run_read(path, reader, environment):
    result = subprocess.run([sys.executable, "-c", READ, path, reader], capture_output=True,
                            text=True, check=True, env=environment)
    elapsed, peak_kib, _length = result.stdout.split()
    return float(elapsed), int(peak_kib) * 1024


def alternating_rounds(path, contenders, rounds, environment):
    """Each contender's runs: one untimed warm-up each, then rounds in which they alternate."""
    results = {name: [] for name in contenders}
    for reader in contenders.values():
        run_read(path, reader, environment)
    for _ in range(rounds):
        for name, reader in contenders.items():
            results[name].append(run_read(path, reader, environment))
    return results


def compare_frames(args, folder, channels, environment):
    rows = rows_for(args.generator, folder, channels, args.megabytes)
    path = os.path.join(folder, f"export-{channels}.csv")
    generate(args.generator, path, rows, channels, 1)
    size = os.path.getsize(path)
    os.sync()
    contenders = {"pandas.read_csv": "pandas", "tessel_agilent.read().frame()": "frame"}
    results = alternating_rounds(path, contenders, args.rounds, environment)
    print_rows(f"{rows} rows x {channels} channels, {size / 1e6:.1f} MB "
               f"(ratio: pandas.read_csv seconds / these seconds)", size, results,
               reference="pandas.read_csv")
    os.remove(path)


def compare_batch(args, folder, environment):
    batch = os.path.join(folder, "batch")
    os.makedirs(batch)
    total = 0
    for i in range(args.batch_files):
        path = os.path.join(batch, f"run{i:04d}.csv")
        generate(args.generator, path, 1000 + (i * 37) % 4000, 10 + (i * 7) % 31, i + 2)
        total += os.path.getsize(path)
    os.sync()
    contenders = {"jobs=1": "1", f"jobs=None (all {os.cpu_count()})": "0"}
    results = alternating_rounds(batch, contenders, args.rounds, environment)
    print_rows(f"tessel_agilent.read() of a batch of {args.batch_files} exports, "
               f"{total / 1e6:.1f} MB (ratio: jobs=1 seconds / these seconds)", total, results,
               reference="jobs=1")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--reader-library", required=True, help="libtessel_reader of a build")
    add_export_arguments(parser, rounds=5, batch_files=300)
    args = parser.parse_args()
    here = os.path.dirname(os.path.abspath(__file__))
    environment = dict(os.environ, TESSEL_READER_LIBRARY=args.reader_library,
                       PYTHONPATH=os.path.join(here, os.pardir, "python"))

    print(f"{time.strftime('%Y-%m-%d')}, {platform.node()}, {os.cpu_count()} cores; medians of "
          f"{args.rounds} alternating rounds")
    with tempfile.TemporaryDirectory() as folder:
        for channels in args.channels:
            compare_frames(args, folder, channels, environment)
        if args.batch_files > 0:
            compare_batch(args, folder, environment)


if __name__ == "__main__":
    main()

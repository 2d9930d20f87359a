#!/usr/bin/python3
"""tessel-import against pandas.read_csv and numpy.loadtxt on the same generated exports.

One run, contenders alternating round by round, medians printed:
  - exports of about 100 MB (CR LF) at 5, 40 and 200 channels: the whole tessel-import process
    against pandas.read_csv and numpy.loadtxt, timed inside Python (the import of the module left
    out), with the peak resident memory of each as a multiple of the file size;
  - each stage's share of the import (tessel-import --timings) at each shape, and the floor:
    the numbers converted with fast_float into columns made ahead, on one and two threads;
  - tessel-import --export on the 40-channel file, in MB/s of input;
  - a batch of generated exports (default 500) with --json, --jobs 1 and --jobs 2, and the peak
    memory of a tenth of that batch beside it (flat when the report streams).
"""
import argparse
import os
import platform
import re
import statistics
import subprocess
import sys
import tempfile
import time

PYTHON_RUN = r"""
import resource, sys, time
import numpy, pandas
path, reader, rows = sys.argv[1], sys.argv[2], int(sys.argv[3])
start = time.perf_counter()
if reader == "pandas":
    table = pandas.read_csv(path, skiprows=3)
else:
    table = numpy.loadtxt(path, delimiter=",", skiprows=4, max_rows=rows)
elapsed = time.perf_counter() - start
print(elapsed, resource.getrusage(resource.RUSAGE_SELF).ru_maxrss, len(table))
"""


def run_process(command):
    start = time.perf_counter()
    process = subprocess.Popen(command, stdout=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    elapsed = time.perf_counter() - start
    if status != 0:
        sys.exit(f"{' '.join(command)} failed (status {status})")
    return elapsed, usage.ru_maxrss * 1024


def run_python(path, reader, rows):
    result = subprocess.run([sys.executable, "-c", PYTHON_RUN, path, reader, str(rows)],
                            capture_output=True, text=True, check=True)
    elapsed, peak_kib, _rows = result.stdout.split()
    return float(elapsed), int(peak_kib) * 1024


def generate(generator, path, rows, channels, seed):
    subprocess.run([generator, "--rows", str(rows), "--channels", str(channels),
                    "--line-ending", "crlf", "--seed", str(seed), path], check=True)


def rows_for(generator, folder, channels, megabytes):
    """The row count that makes an export of about this size."""
    sample = os.path.join(folder, "sample.csv")
    generate(generator, sample, 20000, channels, 1)
    rows = int(megabytes * 1e6 / (os.path.getsize(sample) / 20000))
    os.remove(sample)
    return rows


def medians(runs):
    return statistics.median(r[0] for r in runs), statistics.median(r[1] for r in runs)


def print_rows(title, size, results, reference=None):
    megabytes = size / 1e6
    print(title)
    print(f"  {'reader':<34}{'seconds':>9}{'MB/s':>9}{'peak RSS / file':>17}{'ratio':>8}")
    for name, runs in results.items():
        seconds, peak = medians(runs)
        ratio = ""
        if reference and name != reference:
            ratio = f"{medians(results[reference])[0] / seconds:.2f}"
        print(f"  {name:<34}{seconds:>9.3f}{megabytes / seconds:>9.1f}{peak / size:>16.2f}x"
              f"{ratio:>8}")


def compare_readers(args, folder, channels):
    rows = rows_for(args.generator, folder, channels, args.megabytes)
    path = os.path.join(folder, f"export-{channels}.csv")
    generate(args.generator, path, rows, channels, 1)
    size = os.path.getsize(path)
    # A file just written is still being flushed: the first reading of it is slow, whoever reads
    # it. Every contender is timed warm, after one reading of its own that is not counted.
    os.sync()
    run_process([args.tool, path])
    run_python(path, "pandas", rows)
    results = {"pandas.read_csv": [], "tessel-import (whole process)": []}
    if not args.skip_numpy:
        run_python(path, "numpy", rows)
        results["numpy.loadtxt"] = []
    for _ in range(args.rounds):
        results["tessel-import (whole process)"].append(run_process([args.tool, path]))
        results["pandas.read_csv"].append(run_python(path, "pandas", rows))
        if not args.skip_numpy:
            results["numpy.loadtxt"].append(run_python(path, "numpy", rows))
    print_rows(f"{rows} rows x {channels} channels, {size / 1e6:.1f} MB "
               f"(ratio: pandas.read_csv seconds / these seconds)", size, results,
               reference="pandas.read_csv")
    stage_shares(args.tool, path, args.rounds)
    if args.floor:
        for line in subprocess.run([args.floor, path], capture_output=True, text=True,
                                   check=True).stdout.splitlines():
            threads, seconds, rate = line.split()
            print(f"  floor on {threads} thread(s): the numbers into ready columns "
                  f"{float(seconds):.3f} s, {rate} MB/s")
    return path, size


def timed_stages(command, preexec_fn=None):
    """Runs tessel-import --timings; answers the wall seconds and each stage's seconds.
    preexec_fn runs in the child before the program starts."""
    start = time.perf_counter()
    finished = subprocess.run(command, capture_output=True, text=True, check=True,
                              preexec_fn=preexec_fn)
    elapsed = time.perf_counter() - start
    line = finished.stderr.strip().splitlines()[-1]
    return elapsed, {stage: float(seconds) for stage, seconds in
                     re.findall(r"(?:: |; )([^:;]+?) ([0-9.]+) s \(\d+ %\)", line)}


def stage_medians(runs):
    return {stage: statistics.median(run[stage] for run in runs) for stage in runs[0]}


def stage_shares(tool, path, rounds, options=()):
    """Each stage's median seconds and share of the import, from tessel-import --timings."""
    runs = [timed_stages([tool, "--timings", *options, path])[1] for _ in range(rounds)]
    medians_by_stage = stage_medians(runs)
    total = sum(medians_by_stage.values())
    print("  stages (tessel-import --timings, medians): " + ", ".join(
        f"{stage} {seconds * 1000:.0f} ms ({100 * seconds / total:.0f} %)"
        for stage, seconds in medians_by_stage.items()))


def compare_export(args, folder, path, size):
    results = {"tessel-import": [], "tessel-import --export": []}
    target = os.path.join(folder, "exported")
    for _ in range(args.rounds):
        results["tessel-import"].append(run_process([args.tool, path]))
        results["tessel-import --export"].append(
            run_process([args.tool, "--export", target, "--overwrite", path]))
    print_rows("export of the 40-channel file (MB/s of input)", size, results)
    stage_shares(args.tool, path, args.rounds, ("--export", target, "--overwrite"))


def generate_batch(generator, batch, count, tenth=None):
    """count exports of 1,000 to 5,000 rows x 10 to 40 channels in the folder batch, every tenth
    also in the folder tenth when given; answers their size in all."""
    os.makedirs(batch)
    if tenth:
        os.makedirs(tenth)
    total = 0
    for i in range(count):
        path = os.path.join(batch, f"run{i:04d}.csv")
        generate(generator, path, 1000 + (i * 37) % 4000, 10 + (i * 7) % 31, i + 2)
        total += os.path.getsize(path)
        if tenth and i % 10 == 0:
            os.link(path, os.path.join(tenth, f"run{i:04d}.csv"))
    os.sync()
    return total


def compare_batches(args, folder):
    batch = os.path.join(folder, "batch")
    tenth = os.path.join(folder, "batch-tenth")
    total = generate_batch(args.generator, batch, args.batch_files, tenth)
    run_process([args.tool, "--json", "--jobs", "2", batch])
    results = {"--json --jobs 1": [], "--json --jobs 2": [], "--json --jobs 2, a tenth": []}
    for _ in range(args.rounds):
        results["--json --jobs 1"].append(run_process([args.tool, "--json", "--jobs", "1", batch]))
        results["--json --jobs 2"].append(run_process([args.tool, "--json", "--jobs", "2", batch]))
        results["--json --jobs 2, a tenth"].append(
            run_process([args.tool, "--json", "--jobs", "2", tenth]))
    print(f"batch of {args.batch_files} exports, {total / 1e6:.1f} MB in all "
          f"(the tenth: {len(os.listdir(tenth))} of them)")
    print(f"  {'run':<34}{'seconds':>9}{'MB/s':>9}{'peak RSS MB':>17}")
    for name, runs in results.items():
        seconds, peak = medians(runs)
        print(f"  {name:<34}{seconds:>9.3f}{total / 1e6 / seconds:>9.1f}{peak / 1e6:>17.1f}")


def add_export_arguments(parser, rounds, batch_files):
    """The options every comparison shares: the generator, the exports it writes, the rounds."""
    parser.add_argument("--generator", required=True, help="the generate-export executable")
    parser.add_argument("--megabytes", type=float, default=100.0)
    parser.add_argument("--channels", type=int, nargs="+", default=[5, 40, 200])
    parser.add_argument("--rounds", type=int, default=rounds)
    parser.add_argument("--batch-files", type=int, default=batch_files)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--tool", required=True, help="the tessel-import executable")
    add_export_arguments(parser, rounds=7, batch_files=500)
    parser.add_argument("--skip-numpy", action="store_true")
    parser.add_argument("--floor", help="the floor executable (bench/floor.cpp)")
    args = parser.parse_args()

    print(f"{time.strftime('%Y-%m-%d')}, {platform.node()}, {os.cpu_count()} cores, "
          f"{platform.processor() or platform.machine()}; medians of {args.rounds} alternating "
          f"rounds")
    with tempfile.TemporaryDirectory() as folder:
        for channels in args.channels:
            path, size = compare_readers(args, folder, channels)
            if channels == 40:
                compare_export(args, folder, path, size)
            os.remove(path)
        if args.batch_files > 0:
            compare_batches(args, folder)


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""tessel-import against pandas.read_csv on the same generated export, side by side.

Generates one export (default: 340,000 rows x 40 channels, CR LF, about 100 MB), then runs the
whole tessel-import process and pandas.read_csv (timed inside Python, the import of pandas left
out) alternately, three times each, and prints the medians, the throughput ratio and the peak
resident memory of each as a multiple of the file size.
"""
import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time

PANDAS_RUN = r"""
import resource, sys, time
import pandas
start = time.perf_counter()
frame = pandas.read_csv(sys.argv[1], skiprows=3)
elapsed = time.perf_counter() - start
print(elapsed, resource.getrusage(resource.RUSAGE_SELF).ru_maxrss, len(frame))
"""


def run_tool(tool, path):
    start = time.perf_counter()
    process = subprocess.Popen([tool, path], stdout=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    elapsed = time.perf_counter() - start
    if status != 0:
        sys.exit(f"tessel-import failed on {path} (status {status})")
    return elapsed, usage.ru_maxrss * 1024


def run_pandas(path):
    result = subprocess.run([sys.executable, "-c", PANDAS_RUN, path],
                            capture_output=True, text=True, check=True)
    elapsed, peak_kib, _rows = result.stdout.split()
    return float(elapsed), int(peak_kib) * 1024


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--tool", required=True, help="the tessel-import executable")
    parser.add_argument("--generator", required=True, help="the generate-export executable")
    parser.add_argument("--rows", type=int, default=340000)
    parser.add_argument("--channels", type=int, default=40)
    parser.add_argument("--rounds", type=int, default=3)
    args = parser.parse_args()

    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "export.csv")
        subprocess.run([args.generator, "--rows", str(args.rows), "--channels",
                        str(args.channels), "--line-ending", "crlf", "--seed", "1", path],
                       check=True)
        size = os.path.getsize(path)
        tool_runs, pandas_runs = [], []
        for _ in range(args.rounds):
            tool_runs.append(run_tool(args.tool, path))
            pandas_runs.append(run_pandas(path))

    megabytes = size / 1e6
    print(f"export: {args.rows} rows x {args.channels} channels, {megabytes:.1f} MB, "
          f"{args.rounds} alternating rounds (medians)")
    print(f"{'reader':<16}{'seconds':>10}{'MB/s':>10}{'peak RSS / file':>18}")
    medians = {}
    for name, runs in (("tessel-import", tool_runs), ("pandas.read_csv", pandas_runs)):
        seconds = statistics.median(run[0] for run in runs)
        peak = statistics.median(run[1] for run in runs)
        medians[name] = seconds
        print(f"{name:<16}{seconds:>10.3f}{megabytes / seconds:>10.1f}{peak / size:>17.2f}x")
    print(f"throughput ratio tessel-import / pandas.read_csv: "
          f"{medians['pandas.read_csv'] / medians['tessel-import']:.2f}")


if __name__ == "__main__":
    main()

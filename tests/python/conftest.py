"""The Python package's tests run against a build: the reader library and tessel-import come
from the environment that CTest sets (TESSEL_READER_LIBRARY, TESSEL_IMPORT_TOOL), the time
zone is pinned, and exports are written by the builder below."""
import json
import os
import subprocess

import numpy
import pytest

EXAMPLES = os.environ.get("TESSEL_EXAMPLES", "")
REALDATA = os.environ.get("TESSEL_REALDATA", "")
TOOL = os.environ.get("TESSEL_IMPORT_TOOL", "")

HEADINGS = {
    "english": ("Acquired      : {stamp} using Batch run.b", "Time [Sec]",
                "          Printed:{stamp}"),
    "chinese": ("采集日期      : {stamp} 使用批处理 run.b", "时间 [s]", "          打印日期:{stamp}"),
    "japanese": ("測定日時      : {stamp} バッチ run.b を使用", "Time [Sec]",
                 "          印刷日時:{stamp}"),
}
ENCODINGS = {"english": "utf-8", "chinese": "gb18030", "japanese": "shift_jis"}


def write_export(path, headings=("Li7", "Na23"), rows=5, *, unit="CPS",
                 stamp="18/11/2026 14:24:29", language="english", sample="sample_01.d",
                 values=None):
    """An export as the instrument writes it (CR LF), its values row * 10 + channel unless
    given; answers the path."""
    acquired, time_heading, printed = HEADINGS[language]
    lines = [f"D:\\DATA\\run.b\\{sample}", f"Intensity Vs Time,{unit}",
             acquired.format(stamp=stamp), ",".join([time_heading, *headings])]
    for row in range(rows):
        fields = values[row] if values is not None else [row * 10 + channel
                                                         for channel in range(len(headings))]
        lines.append(",".join([f"{0.1 * row + 0.0413:.4f}", *(str(field) for field in fields)]))
    lines += ["", "", printed.format(stamp=stamp)]
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as file:
        file.write(("\r\n".join(lines) + "\r\n").encode(ENCODINGS[language]))
    return str(path)


def run_tool(paths, export_folder, timezone="UTC", settings=None, jobs=None):
    """tessel-import --json --export on the paths, with no stored settings: the report."""
    settings_file = os.path.join(export_folder, "settings.ini")
    os.makedirs(export_folder, exist_ok=True)
    with open(settings_file, "w") as file:
        file.write("[General]\n")
    command = [TOOL, "--json", "--export", os.path.join(export_folder, "tables"), "--timezone",
               timezone, "--settings", settings_file]
    for key, value in (settings or {}).items():
        command += ["--set", f"{key}={value}"]
    if jobs is not None:
        command += ["--jobs", str(jobs)]
    finished = subprocess.run(command + [str(path) for path in paths], capture_output=True,
                              check=False)
    return json.loads(finished.stdout)


def exported_table(entry):
    """The table tessel-import exported for a file's entry: its heading and its columns."""
    table = [output["path"] for output in entry["outputs"] if output["kind"] == "table"]
    with open(table[0], encoding="utf-8") as file:
        heading = file.readline().rstrip("\n").split(",")
    values = numpy.loadtxt(table[0], delimiter=",", skiprows=1, ndmin=2, dtype=numpy.float64,
                           comments=None)
    return heading, values


@pytest.fixture
def example():
    return os.path.join(EXAMPLES, "GlassStd_01.d")


@pytest.fixture
def examples():
    return EXAMPLES

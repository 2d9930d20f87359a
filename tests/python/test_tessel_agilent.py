"""tessel_agilent against tessel-import and against what a Python user relies on."""
import gc
import glob
import os
import subprocess
import sys
import threading
import warnings

import numpy
import pandas
import pytest

import tessel_agilent
from conftest import REALDATA, exported_table, run_tool, write_export


def without_outputs(entry):
    return {key: value for key, value in entry.items() if key != "outputs"}


def assert_same_as_tool(acquisition, entry):
    """The acquisition carries the tool's report and, bit for bit, its exported table."""
    assert without_outputs(acquisition.meta) == without_outputs(entry)
    if not entry["ok"]:
        # A file no importer recognises has no message of an importer's.
        expected = "\n".join(entry["errors"]) or "no importer recognises the file"
        assert not acquisition.ok and acquisition.error.startswith(expected)
        return
    heading, table = exported_table(entry)
    assert heading == ["time", *acquisition.channel_names]
    assert acquisition.time.tobytes() == table[:, 0].tobytes()
    for index, name in enumerate(acquisition.channel_names):
        assert acquisition.columns[name].tobytes() == table[:, index + 1].tobytes(), name


def test_real_exports_are_there_where_required():
    """In CI (or with TESSEL_REALDATA_REQUIRED) a missing corpus fails instead of passing empty."""
    required = os.environ.get("CI") == "true" or "TESSEL_REALDATA_REQUIRED" in os.environ
    if not os.path.isdir(REALDATA):
        assert not required, f"no real-export corpus at {REALDATA!r}"
        pytest.skip(f"no real-export corpus at {REALDATA!r}")
    assert realdata_paths()


def realdata_paths():
    if not os.path.isdir(REALDATA):
        return []
    batches = sorted(glob.glob(os.path.join(REALDATA, "**", "*.b"), recursive=True))
    loose = [path for path in sorted(glob.glob(os.path.join(REALDATA, "**", "*.csv"),
                                               recursive=True))
             if not any(path.startswith(batch + os.sep) for batch in batches)]
    return batches + loose


@pytest.mark.parametrize("zone", ["UTC", "Asia/Kathmandu"])
def test_examples_and_real_exports_as_the_tool_reads_them(examples, tmp_path, zone):
    paths = [examples, *realdata_paths()]
    report = run_tool(paths, tmp_path, timezone=zone)
    batch = tessel_agilent.read(paths, timezone=zone)
    assert batch.meta["overview"] == report["overview"]
    assert batch.meta["timeZone"] == zone
    by_file = {entry["file"]: entry for entry in report["files"]}
    assert [acquisition.path for acquisition in batch] == [
        line["file"] for line in report["overview"]["files"]]
    for acquisition in batch:
        assert_same_as_tool(acquisition, by_file[acquisition.path])


CASES = {
    "mass-shifted and plain headings": dict(headings=("Ti47 -> 63", "Ti47 -> 47", "Ti47")),
    "an empty heading": dict(headings=("Li7", "", "Na23")),
    "counts, not counts per second": dict(unit="Counts"),
    "a Chinese export": dict(language="chinese"),
    "a Japanese export, year first": dict(language="japanese", stamp="2020/11/18 14:24:29"),
    "month first, under the default format": dict(stamp="2/28/2020 11:59:00 AM"),
    "a value that is no number": dict(values=[[1, "x"], [2, 3]], rows=2),
}


@pytest.mark.parametrize("case", CASES.values(), ids=CASES.keys())
def test_written_exports_as_the_tool_reads_them(tmp_path, case):
    path = write_export(tmp_path / "run.b" / "sample_01.d" / "sample_01.csv", **case)
    report = run_tool([path], tmp_path / "tool", timezone="Australia/Adelaide")
    batch = tessel_agilent.read([path], timezone="Australia/Adelaide")
    assert_same_as_tool(batch[0], report["files"][0])


def test_preferences_reach_the_importer_as_the_tools_set_does(tmp_path):
    path = write_export(tmp_path / "x.csv", stamp="2/28/2020 11:59:00 AM")
    settings = {"agilentDateFormat": "MM dd yyyy hh mm ss", "importMachineName": "ICP-MS 2"}
    report = run_tool([path], tmp_path / "tool", settings=settings)
    acquisition = tessel_agilent.read(path, timezone="UTC", settings=settings)
    assert_same_as_tool(acquisition, report["files"][0])
    assert acquisition.start.isoformat() == "2020-02-28T11:59:00+00:00"
    assert acquisition.meta["machineName"] == "ICP-MS 2"


def test_a_failed_import_raises_with_the_importers_message(tmp_path):
    path = write_export(tmp_path / "x.csv", stamp="2/28/2020 11:59:00 AM")
    with pytest.raises(tessel_agilent.TesselError) as raised:
        tessel_agilent.read(path, timezone="UTC")
    assert str(raised.value) == "\n".join(raised.value.meta["errors"])
    assert raised.value.path == path and raised.value.meta["ok"] is False


@pytest.mark.parametrize("arguments, message", [
    (dict(timezone="Mars/Olympus_Mons"), "Mars/Olympus_Mons"),
    (dict(settings={"agilentDateFromat": "MM dd yyyy"}), "agilentDateFromat"),
    (dict(jobs=-1), "jobs"),
], ids=["an unknown zone", "a misspelt preference", "negative jobs"])
def test_a_read_that_cannot_start_raises(example, arguments, message):
    with pytest.raises(tessel_agilent.TesselError, match=message):
        tessel_agilent.read(example, **arguments)


def test_a_folder_of_two_exports_is_no_single_acquisition(tmp_path):
    folder = tmp_path / "a.d"
    write_export(folder / "a.csv")
    write_export(folder / "a-again.csv")
    with pytest.raises(tessel_agilent.TesselError, match="holds 2 exports"):
        tessel_agilent.read(folder)
    assert len(tessel_agilent.read([folder])) == 2


def test_warnings_reach_python(tmp_path):
    path = write_export(tmp_path / "x.csv", unit="Counts")
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        acquisition = tessel_agilent.read(path)
    texts = [str(warning.message) for warning in caught
             if issubclass(warning.category, tessel_agilent.TesselWarning)]
    assert texts and all(text.startswith(path + ": ") for text in texts)
    assert [text[len(path) + 2:] for text in texts] == acquisition.warnings
    assert acquisition.unit == "Counts"


def test_the_channel_table_names_masses_and_units(tmp_path):
    path = write_export(tmp_path / "x.csv", headings=("Ti47 -> 63", "Ti47 -> 47", "Ca44"))
    table = tessel_agilent.read(path).channels
    assert [tuple(channel) for channel in table] == [
        ("Ti47", "Ti", 47, 63, None, "CPS"),
        ("Ti47_47", "Ti", 47, 47, None, "CPS"),
        ("Ca44", "Ca", 44, 44, None, "CPS")]


def test_the_frame_and_the_structured_array_hold_the_columns(example):
    acquisition = tessel_agilent.read(example, timezone="Asia/Kathmandu")
    frame = acquisition.frame()
    assert list(frame.columns) == acquisition.channel_names
    assert str(frame.index.tz) == "Asia/Kathmandu"
    assert frame.index[0] - acquisition.start == pandas.Timedelta(acquisition.time[0] -
                                                                  acquisition.meta["startEpoch"],
                                                                  unit="s").round("us")
    assert (frame.index.asi8 // 1000 == numpy.rint(acquisition.time * 1e6)).all()
    for name in acquisition.channel_names:
        assert numpy.array_equal(frame[name].to_numpy(), acquisition.columns[name])
    assert frame.attrs["sampleName"] == acquisition.sample_name
    first = acquisition.channel_names[0]
    frame.iloc[0, 0] = -1.0  # a frame of its own, which a user may change
    assert acquisition.columns[first][0] != -1.0
    views = acquisition.frame(copy=False)
    assert numpy.shares_memory(views[first].to_numpy(), acquisition.columns[first])
    records = acquisition.to_structured(time=True)
    assert records.dtype.names == ("time", *acquisition.channel_names)
    assert numpy.array_equal(records["time"], acquisition.time)
    last = acquisition.channel_names[-1]
    assert numpy.array_equal(records[last], acquisition.columns[last])


def test_columns_are_read_only_views_that_outlive_their_acquisition(example):
    acquisition = tessel_agilent.read(example)
    name = acquisition.channel_names[0]
    column, time = acquisition.columns[name], acquisition.time
    expected = column.copy()
    assert not column.flags.writeable and not column.flags.owndata
    with pytest.raises(ValueError):
        column[0] = 1.0
    del acquisition
    gc.collect()
    tessel_agilent.read(example)  # memory freed by now would be taken again
    assert numpy.array_equal(column, expected) and time[0] > 1.7e9


def test_a_batch_gives_the_same_on_one_thread_and_many(examples):
    one = tessel_agilent.read(examples, jobs=1)
    many = tessel_agilent.read(examples, jobs=4)
    assert [acquisition.meta for acquisition in one] == [acquisition.meta for acquisition in many]
    results = {}

    def read_on_a_thread(index):
        results[index] = tessel_agilent.read(examples, jobs=2)

    threads = [threading.Thread(target=read_on_a_thread, args=(index,)) for index in range(6)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    for batch in results.values():
        for mine, theirs in zip(batch, one):
            assert mine.meta == theirs.meta
            assert all(numpy.array_equal(mine.columns[name], theirs.columns[name])
                       for name in mine.channel_names)


def resident_bytes():
    with open("/proc/self/statm") as file:
        return int(file.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")


@pytest.mark.skipif(not os.path.exists("/proc/self/statm"), reason="reads Linux's /proc")
def test_a_thousand_reads_hold_memory_flat(example):
    for _ in range(100):
        tessel_agilent.read(example).frame()
    before = resident_bytes()
    for _ in range(900):
        tessel_agilent.read(example).frame()
    gc.collect()
    assert resident_bytes() - before < 8 * 1024 * 1024


def test_a_batch_folder_tells_what_its_log_lacks(tmp_path):
    batch_folder = tmp_path / "run.b"
    write_export(batch_folder / "002.d" / "002.csv", sample="002.d", stamp="18/11/2026 14:30:00")
    write_export(batch_folder / "001.d" / "001.csv", sample="001.d", stamp="18/11/2026 14:40:00")
    rows = ['"File Name","Sample Name","Acq. Date-Time","Acquisition Result"']
    for name, result in [("001.d", "Pass"), ("002.d", "Pass"), ("003.d", "Fail")]:
        rows.append(f'"D:\\DATA\\run.b\\{name}","s{name[:3]}","18/11/2026 14:00","{result}"')
    (batch_folder / "BatchLog.csv").write_text("\r\n".join(rows) + "\r\n")
    told = []
    batch = tessel_agilent.read(batch_folder, timezone="UTC",
                                progress=lambda done, total: told.append((done, total)))
    assert told == [(1, 2), (2, 2)]
    assert [acquisition.sample_name for acquisition in batch] == ["002.d", "001.d"]
    assert [entry["acquisition"] for entry in batch.without_export] == ["003.d"]
    assert [entry["result"] for entry in batch.not_passed] == ["Fail"]
    assert list(batch.summary()["file"]) == [acquisition.path for acquisition in batch]


def test_the_wheel_installs_offline_and_reads_the_example(tmp_path, example):
    """As a user installs it: a fresh environment with the system's numpy, no package index."""
    maker = os.path.join(os.path.dirname(tessel_agilent.__file__), os.pardir, "make_wheel.py")
    built = subprocess.run(
        [sys.executable, maker, "--version", tessel_agilent.__version__, "--platform",
         "linux_x86_64", "--core", os.environ["TESSEL_CORE_LIBRARY"], "--reader",
         os.environ["TESSEL_READER_LIBRARY"], "--plugin", os.environ["TESSEL_PLUGIN_FILE"],
         "--out", str(tmp_path / "dist")], capture_output=True, text=True, check=True)
    wheel = built.stdout.strip()
    environment = tmp_path / "venv"
    subprocess.run([sys.executable, "-m", "venv", "--system-site-packages", str(environment)],
                   check=True)
    python = str(environment / "bin" / "python")
    subprocess.run([python, "-m", "pip", "install", "--quiet", "--no-index", wheel], check=True)
    clean = {key: value for key, value in os.environ.items()
             if key not in ("PYTHONPATH", "TESSEL_READER_LIBRARY")}
    script = ("import sys, tessel_agilent; a = tessel_agilent.read(sys.argv[1]); "
              "print(tessel_agilent.__file__, a.sample_name, len(a.frame()))")
    shown = subprocess.run([python, "-c", script, example], capture_output=True, text=True,
                           env=clean, cwd=tmp_path, check=True).stdout.split()
    assert shown[0].startswith(str(environment)) and shown[1:] == ["NIST612", "2000"]


def test_a_reader_opened_without_a_folder_takes_the_plugins_beside_it(tmp_path):
    """An installed reader finds its plug-ins beside itself before the build's: here an empty
    plugins/ folder, which it names when it finds no importer there."""
    library = tmp_path / os.path.basename(os.environ["TESSEL_READER_LIBRARY"])
    library.write_bytes(open(os.environ["TESSEL_READER_LIBRARY"], "rb").read())
    (tmp_path / "plugins").mkdir()
    script = ("import ctypes, sys; native = ctypes.CDLL(sys.argv[1]); "
              "native.tessel_last_error.restype = ctypes.c_char_p; handle = ctypes.c_void_p(); "
              "status = native.tessel_reader_open(None, ctypes.byref(handle)); "
              "print(status, native.tessel_last_error().decode())")
    shown = subprocess.run([sys.executable, "-c", script, str(library)], capture_output=True,
                           text=True, check=True).stdout.strip()
    assert shown == f"2 no importer plug-in in {tmp_path / 'plugins'}"

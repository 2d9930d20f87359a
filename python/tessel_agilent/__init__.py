"""Read the CSV files that Agilent ICP-MS instruments export (English, Chinese and Japanese
software), with their acquisition and batch folders, into numpy columns and pandas frames.

    import tessel_agilent
    acquisition = tessel_agilent.read("run.b/001.d")
    acquisition.columns["Ti47"]      # numpy float64, read-only, no copy
    acquisition.frame()              # pandas DataFrame on a time-zone-aware index
    batch = tessel_agilent.read("run.b", jobs=4)

The reading is done by the same importer as the tessel-import tool: true instants (the
instrument's clock and the batch log's offsets), one name per channel with its masses, the unit,
the batch's order and completeness from its log."""
import collections
import collections.abc
import json
import os
import threading
import warnings

import numpy

from . import _native

__all__ = ["read", "Acquisition", "Batch", "Channel", "TesselError", "TesselWarning",
           "__version__"]

__version__ = _native.version()


class TesselError(Exception):
    """A read that failed: the importer's message, the file and its report (None when the read
    never reached a file)."""

    def __init__(self, message, path=None, meta=None):
        super().__init__(message)
        self.path = path
        self.meta = meta


class TesselWarning(UserWarning):
    """Something the importer warned about: data read, but worth a look (a unit in counts, a
    clock that disagrees with the acquisition's record, channels renamed)."""


# A channel of an acquisition: its element (the letters of its name), its masses before and
# after the mass shift (equal without one; None when the import did not say), its dwell time
# in seconds and the unit of its values.
Channel = collections.namedtuple(
    "Channel", ["name", "element", "mass_before", "mass_after", "dwell_time", "unit"])


def _mass(text):
    try:
        return int(text)
    except (TypeError, ValueError):
        try:
            return float(text)
        except (TypeError, ValueError):
            return None


def _element(name):
    letters = ""
    for character in name:
        if not character.isalpha():
            break
        letters += character
    return letters


class Acquisition:
    """One export's import. When .ok, .columns maps each channel's name to its values and .time
    holds the rows' instants (seconds since 1970 UTC); .meta is the file's entry of the
    tessel-import --json report, as plain Python values."""

    def __init__(self, native_file, time_zone):
        self._file = native_file
        self.path = native_file.path()
        self.ok = native_file.ok()
        self.error = native_file.error() or None
        self.meta = json.loads(native_file.json())
        self.time_zone = time_zone
        self.channel_names = native_file.channel_names()
        if self.ok:
            self.time = native_file.time()
            self.columns = {name: native_file.channel_values(index)
                            for index, name in enumerate(self.channel_names)}
        else:
            self.time = None
            self.columns = {}

    def __repr__(self):
        state = (f"{len(self.time)} rows, {len(self.channel_names)} channels" if self.ok
                 else f"failed: {self.error}")
        return f"<Acquisition {self.sample_name!r} from {self.path}: {state}>"

    @property
    def sample_name(self):
        return self.meta.get("sampleName")

    @property
    def unit(self):
        """The unit of the values as the export names it ("CPS", "Counts"); never converted."""
        return self.meta.get("intensityUnit")

    @property
    def start(self):
        """The start as an aware datetime in the zone of the read; None when unknown."""
        return self._instant("startEpoch")

    @property
    def end(self):
        return self._instant("endEpoch")

    def _instant(self, key):
        import datetime
        epoch = self.meta.get(key)
        if epoch is None:
            return None
        return datetime.datetime.fromtimestamp(epoch, _tzinfo(self.time_zone))

    @property
    def warnings(self):
        """The importer's warnings, as texts."""
        return [entry["message"] for entry in self.meta.get("log", [])
                if entry.get("level") == "warning"]

    @property
    def channels(self):
        """The channel table: one Channel per channel, in the columns' order."""
        table = []
        for channel in self.meta.get("channels", []):
            masses = channel.get("massPair") or [None, None]
            table.append(Channel(channel["name"], _element(channel["name"]), _mass(masses[0]),
                                 _mass(masses[1]), channel.get("dwellTimeSeconds"), self.unit))
        return table

    def _require_data(self):
        if not self.ok:
            raise TesselError(self.error, self.path, self.meta)

    def frame(self, copy=True):
        """A pandas DataFrame: one column per channel, indexed by the rows' instants in the zone
        of the read (to the microsecond); .attrs holds the report. The values are copied into
        one writable block; copy=False gives read-only views of the columns instead."""
        import pandas
        self._require_data()
        # Whole microseconds, as nanoseconds: pandas takes those without converting.
        nanos = numpy.rint(self.time * 1e6).astype("int64")
        nanos *= 1000
        index = pandas.DatetimeIndex(nanos.view("datetime64[ns]"), name="time", copy=False)
        index = index.tz_localize("UTC").tz_convert(self.time_zone)
        if copy:
            block = numpy.empty((len(self.channel_names), len(self.time)))
            for row, name in enumerate(self.channel_names):
                block[row] = self.columns[name]
            frame = pandas.DataFrame(block.T, index=index, columns=self.channel_names,
                                     copy=False)
        else:
            frame = pandas.DataFrame(self.columns, index=index, columns=self.channel_names,
                                     copy=False)
        frame.attrs.update(self.meta)
        return frame

    def channel_frame(self):
        """The channel table as a pandas DataFrame indexed by name."""
        import pandas
        return pandas.DataFrame(self.channels, columns=Channel._fields).set_index("name")

    def to_structured(self, time=False):
        """A numpy structured array, one float64 field per channel (and "time" first when
        asked), one record per row: for code written against such arrays. This one copies."""
        self._require_data()
        names = (["time"] if time else []) + self.channel_names
        if len(set(names)) != len(names):
            raise ValueError("a channel is named \"time\": ask without time=True")
        records = numpy.empty(len(self.time), dtype=[(name, "<f8") for name in names])
        if time:
            records["time"] = self.time
        for name in self.channel_names:
            records[name] = self.columns[name]
        return records


class Batch(collections.abc.Sequence):
    """Acquisitions in order of acquisition (by start; those without one last, in path order),
    as tessel-import's overview lists them, each with .ok and .error; .meta is the whole
    tessel-import --json report."""

    def __init__(self, acquisitions, meta):
        self._acquisitions = acquisitions
        self.meta = meta

    def __getitem__(self, index):
        return self._acquisitions[index]

    def __len__(self):
        return len(self._acquisitions)

    def __repr__(self):
        return (f"<Batch of {len(self)} acquisitions, {len(self.failed)} failed, "
                f"{len(self.without_export)} without an export, {len(self.not_passed)} not passed>")

    @property
    def ok(self):
        return all(acquisition.ok for acquisition in self._acquisitions)

    @property
    def failed(self):
        return [acquisition for acquisition in self._acquisitions if not acquisition.ok]

    @property
    def batch_logs(self):
        """Per batch folder with a log: its log, how many acquisitions it lists, those without an
        export among the files read, and those whose result was not "Pass"."""
        return self.meta["overview"]["batches"]

    @property
    def without_export(self):
        return [entry for log in self.batch_logs for entry in log["withoutExport"]]

    @property
    def not_passed(self):
        return [entry for log in self.batch_logs for entry in log["notPassed"]]

    def summary(self):
        """The overview as a pandas DataFrame, one row per file in order of acquisition."""
        import pandas
        return pandas.DataFrame(self.meta["overview"]["files"])


def _tzinfo(name):
    import zoneinfo
    return zoneinfo.ZoneInfo(name)


_reader = None
_reader_lock = threading.Lock()


def _the_reader():
    global _reader
    with _reader_lock:
        if _reader is None:
            _reader = _native.Reader()
        return _reader


def _preference_texts(settings):
    if settings is None:
        return []
    return [f"{key}={value}" for key, value in dict(settings).items()]


def _zone_name(timezone):
    if timezone is None:
        return None
    return str(getattr(timezone, "key", timezone))


def _read_batch(paths, timezone, settings, jobs, progress):
    try:
        native = _the_reader().read([os.fsdecode(path) for path in paths], _zone_name(timezone),
                                    _preference_texts(settings), 0 if jobs is None else jobs,
                                    progress)
    except _native.NativeError as error:
        raise TesselError(str(error)) from None
    meta = json.loads(native.json())
    acquisitions = [Acquisition(native.file(index), meta["timeZone"])
                    for index in native.acquisition_order()]
    return Batch(acquisitions, meta)


def _warn(acquisition, stacklevel):
    for message in acquisition.warnings:
        warnings.warn(f"{acquisition.path}: {message}", TesselWarning, stacklevel=stacklevel + 1)


def _is_one_path(path):
    return isinstance(path, (str, bytes, os.PathLike))


def _is_single(path):
    """A file or a ".d" folder: one acquisition."""
    if not _is_one_path(path):
        return False
    text = os.fsdecode(path).rstrip("/\\")
    return not os.path.isdir(text) or text.lower().endswith(".d")


def read(path, *, timezone=None, settings=None, jobs=None, progress=None):
    """Reads a CSV export or a ".d" acquisition folder into an Acquisition (raising TesselError
    with the importer's message when the import fails), or a ".b" batch folder, any other folder
    or a list of paths into a Batch.

    timezone: the IANA zone (a name or a zoneinfo.ZoneInfo) whose wall clock the exports' stamps
    show when nothing in the acquisition's records tells the clock; None: the computer's.
    settings: the importer's preferences by key, e.g. {"agilentDateFormat": "MM dd yyyy hh mm
    ss"}; keys not given keep their defaults (the host application's stored settings are not
    read). jobs: threads for a batch; None: one per processor. progress: called as
    progress(done, total) after each file, in order (an exception it raises is printed and
    ignored).

    The importer's warnings are issued as TesselWarning."""
    single = _is_single(path)
    batch = _read_batch([path] if _is_one_path(path) else list(path), timezone, settings, jobs,
                        progress)
    # A failed import's messages are its error, not warnings.
    for acquisition in batch:
        if acquisition.ok:
            _warn(acquisition, 2)
    if not single:
        return batch
    if len(batch) != 1:
        raise TesselError(f"{os.fspath(path)} holds {len(batch)} exports "
                          f"({', '.join(acquisition.path for acquisition in batch)}): read them "
                          "as a list, or name one", os.fspath(path))
    acquisition = batch[0]
    if not acquisition.ok:
        raise TesselError(acquisition.error, acquisition.path, acquisition.meta)
    return acquisition

"""The native reader, loaded through ctypes: its functions with their C types, and the handles
that release themselves."""
import ctypes
import os
import sys

_HERE = os.path.dirname(os.path.abspath(__file__))
_BUNDLED = os.path.join(_HERE, "_native")

if sys.platform == "win32":
    _CORE, _READER = "libtessel_core.dll", "tessel_reader.dll"
else:
    _CORE, _READER = "libtessel_core.so.2", "libtessel_reader.so.2"

OK = 0
STATUS_NAMES = {
    1: "invalid argument",
    2: "no importer",
    3: "unknown time zone",
    4: "unknown preference",
    5: "out of memory",
    6: "internal error",
}


def _load():
    """The reader library: TESSEL_READER_LIBRARY (a development build), else the package's own.
    Either finds its plug-in beside itself (the package's in plugins/) or in its build tree."""
    developed = os.environ.get("TESSEL_READER_LIBRARY")
    if not developed:
        if sys.platform == "win32":
            # The package's DLLs (Qt, the compiler's run-time) stand beside the reader.
            os.add_dll_directory(_BUNDLED)
        # Loaded first, the core serves the reader and the plug-in by its name.
        ctypes.CDLL(os.path.join(_BUNDLED, _CORE))
    native = ctypes.CDLL(developed or os.path.join(_BUNDLED, _READER))
    _declare(native)
    return native


# Told after each file of a read: (context, done, total).
PROGRESS = ctypes.CFUNCTYPE(None, ctypes.c_void_p, ctypes.c_int32, ctypes.c_int32)


def _declare(native):
    c_char_p, c_int32, c_int64, c_void_p = (ctypes.c_char_p, ctypes.c_int32, ctypes.c_int64,
                                            ctypes.c_void_p)
    handle_out = ctypes.POINTER(c_void_p)
    texts = ctypes.POINTER(c_char_p)
    signatures = {
        "tessel_version": (c_char_p, []),
        "tessel_last_error": (c_char_p, []),
        "tessel_reader_open": (ctypes.c_int, [c_char_p, handle_out]),
        "tessel_reader_close": (None, [c_void_p]),
        "tessel_read": (ctypes.c_int, [c_void_p, texts, c_int32, c_char_p, texts, c_int32,
                                       c_int32, PROGRESS, c_void_p, handle_out]),
        "tessel_batch_release": (None, [c_void_p]),
        "tessel_batch_file_count": (c_int32, [c_void_p]),
        "tessel_batch_file": (ctypes.c_int, [c_void_p, c_int32, handle_out]),
        "tessel_batch_acquisition_order": (c_int32, [c_void_p, c_int32]),
        "tessel_batch_json": (c_char_p, [c_void_p]),
        "tessel_file_release": (None, [c_void_p]),
        "tessel_file_ok": (c_int32, [c_void_p]),
        "tessel_file_path": (c_char_p, [c_void_p]),
        "tessel_file_error": (c_char_p, [c_void_p]),
        "tessel_file_json": (c_char_p, [c_void_p]),
        "tessel_file_row_count": (c_int64, [c_void_p]),
        "tessel_file_channel_count": (c_int32, [c_void_p]),
        "tessel_file_channel_name": (c_char_p, [c_void_p, c_int32]),
        "tessel_file_time": (c_void_p, [c_void_p]),
        "tessel_file_channel_values": (c_void_p, [c_void_p, c_int32]),
    }
    for name, (result, arguments) in signatures.items():
        function = getattr(native, name)
        function.restype = result
        function.argtypes = arguments


_native = _load()


class NativeError(Exception):
    """A call the native reader refused, with its status and its reason."""

    def __init__(self, status, message):
        super().__init__(message)
        self.status = status


def _check(status):
    if status != OK:
        raise NativeError(status, text(_native.tessel_last_error()))


def text(raw):
    return raw.decode("utf-8") if raw is not None else ""


def _texts(values):
    encoded = [value.encode("utf-8") for value in values]
    return (ctypes.c_char_p * max(len(encoded), 1))(*encoded), len(encoded)


def version():
    return text(_native.tessel_version())


class _Handle:
    """A native handle, released when the last Python reference to it goes."""

    _release = None

    def __init__(self, pointer):
        self.pointer = pointer

    def __del__(self):
        if self.pointer:
            type(self)._release(self.pointer)
            self.pointer = None


class Reader(_Handle):
    _release = staticmethod(_native.tessel_reader_close)

    def __init__(self):
        pointer = ctypes.c_void_p()
        _check(_native.tessel_reader_open(None, ctypes.byref(pointer)))
        super().__init__(pointer.value)

    def read(self, paths, time_zone, preferences, jobs, progress=None):
        """A Batch of the paths; the call runs without the interpreter's lock (ctypes lets it
        go), on the reader's own threads. progress(done, total), if given, is called after each
        file (ctypes takes the lock back for it)."""
        path_texts, path_count = _texts(paths)
        preference_texts, preference_count = _texts(preferences)
        told = PROGRESS(lambda _context, done, total: progress(done, total)) if progress \
            else PROGRESS()
        pointer = ctypes.c_void_p()
        _check(_native.tessel_read(self.pointer, path_texts, path_count,
                                   time_zone.encode("utf-8") if time_zone else None,
                                   preference_texts, preference_count, jobs, told, None,
                                   ctypes.byref(pointer)))
        return Batch(pointer.value)


class Batch(_Handle):
    _release = staticmethod(_native.tessel_batch_release)

    def file_count(self):
        return _native.tessel_batch_file_count(self.pointer)

    def file(self, index):
        pointer = ctypes.c_void_p()
        _check(_native.tessel_batch_file(self.pointer, index, ctypes.byref(pointer)))
        return File(pointer.value)

    def acquisition_order(self):
        return [_native.tessel_batch_acquisition_order(self.pointer, position)
                for position in range(self.file_count())]

    def json(self):
        return text(_native.tessel_batch_json(self.pointer))


class _ColumnMemory:
    """A native column as numpy sees it: read-only memory that keeps its file alive."""

    def __init__(self, owner, address, rows):
        self.owner = owner
        self.__array_interface__ = {"shape": (rows,), "typestr": "<f8", "version": 3,
                                    "data": (address, True)}


class File(_Handle):
    _release = staticmethod(_native.tessel_file_release)

    def ok(self):
        return _native.tessel_file_ok(self.pointer) == 1

    def path(self):
        return text(_native.tessel_file_path(self.pointer))

    def error(self):
        return text(_native.tessel_file_error(self.pointer))

    def json(self):
        return text(_native.tessel_file_json(self.pointer))

    def row_count(self):
        return _native.tessel_file_row_count(self.pointer)

    def channel_names(self):
        return [text(_native.tessel_file_channel_name(self.pointer, channel))
                for channel in range(_native.tessel_file_channel_count(self.pointer))]

    def _column(self, address, rows):
        import numpy
        if not address or rows == 0:
            empty = numpy.empty(0)
            empty.flags.writeable = False
            return empty
        return numpy.asarray(_ColumnMemory(self, address, rows))

    def time(self):
        return self._column(_native.tessel_file_time(self.pointer), self.row_count())

    def channel_values(self, channel):
        return self._column(_native.tessel_file_channel_values(self.pointer, channel),
                            self.row_count())

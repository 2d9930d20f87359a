#!/usr/bin/python3
"""Writes the wheel of tessel_agilent for one platform: the package's Python files with the
native reader, the core and the importer plug-in (and, for Windows, the DLLs they need) in
tessel_agilent/_native. A wheel is a zip with its metadata in a .dist-info folder; written here
directly, so that no build back end has to be fetched."""
import argparse
import base64
import hashlib
import os
import zipfile

NAME = "tessel_agilent"
HERE = os.path.dirname(os.path.abspath(__file__))

METADATA = """Metadata-Version: 2.1
Name: tessel-agilent
Version: {version}
Summary: Agilent ICP-MS CSV exports into numpy columns and pandas frames, with their metadata
License: see LICENSE
Requires-Python: >=3.8
Requires-Dist: numpy
Provides-Extra: pandas
Requires-Dist: pandas; extra == "pandas"

The tessel importer's native reader for Python: true instants, one name per channel with its
masses, units, GB18030 and Shift_JIS exports, batches in acquisition order with their logs.
"""

WHEEL = """Wheel-Version: 1.0
Generator: tessel make_wheel.py
Root-Is-Purelib: false
Tag: py3-none-{platform}
"""


def record_line(path, data):
    digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
    return f"{path},sha256={digest},{len(data)}"


def wheel_files(arguments):
    """(path in the wheel, bytes), the package's sources first."""
    package = os.path.join(HERE, NAME)
    for name in sorted(os.listdir(package)):
        if name.endswith(".py"):
            with open(os.path.join(package, name), "rb") as file:
                yield f"{NAME}/{name}", file.read()
    native = [(path, f"{NAME}/_native/{os.path.basename(path)}")
              for path in [arguments.core, arguments.reader, *arguments.dll]]
    native.append((arguments.plugin, f"{NAME}/_native/plugins/{os.path.basename(arguments.plugin)}"))
    for source, target in native:
        with open(source, "rb") as file:  # a link's target, under the link's name
            yield target, file.read()


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--version", required=True)
    parser.add_argument("--platform", required=True, help="linux_x86_64 or win_amd64")
    parser.add_argument("--core", required=True, help="the core library, named by its soname")
    parser.add_argument("--reader", required=True, help="the reader library, by its soname")
    parser.add_argument("--plugin", required=True, help="the importer plug-in")
    parser.add_argument("--dll", action="append", default=[], help="a DLL they need")
    parser.add_argument("--out", required=True, help="the folder of the wheel")
    arguments = parser.parse_args()

    dist_info = f"{NAME}-{arguments.version}.dist-info"
    wheel = os.path.join(arguments.out,
                         f"{NAME}-{arguments.version}-py3-none-{arguments.platform}.whl")
    os.makedirs(arguments.out, exist_ok=True)
    records = []
    with zipfile.ZipFile(wheel, "w", zipfile.ZIP_DEFLATED) as archive:
        contents = list(wheel_files(arguments))
        contents.append((f"{dist_info}/METADATA",
                         METADATA.format(version=arguments.version).encode()))
        contents.append((f"{dist_info}/WHEEL",
                         WHEEL.format(platform=arguments.platform).encode()))
        for path, data in contents:
            info = zipfile.ZipInfo(path, date_time=(2026, 1, 1, 0, 0, 0))
            info.external_attr = (0o755 if "/_native/" in path else 0o644) << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(info, data)
            records.append(record_line(path, data))
        records.append(f"{dist_info}/RECORD,,")
        archive.writestr(f"{dist_info}/RECORD", "\n".join(records) + "\n")
    print(wheel)


if __name__ == "__main__":
    main()

"""Reads an installer database back into the canonical text dump that msi-dump.exe prints.

Two independent readers produce the same format, so a test can compare what Kestrow wrote
through both of them:

- dump_with_msitools(db): msitools on Linux (msiinfo tables/export/streams/extract);
- dump_with_wine_msi(msi_dump_exe, db): msi-dump.exe run under Wine, reading through Wine's
  msi.dll.

Format, one item per line, UTF-8, "\\n" line ends:
  table<TAB>name / columns<TAB>... / types<TAB>... / keys<TAB>... / row<TAB>cells...
for each table in name order (rows sorted by their text), then
  summary<TAB>id<TAB>i2|i4|string|filetime<TAB>value
for each summary property present, in id order. Integers are decimal, null cells empty, a
stream cell is "stream:<length>:<sha-256>", and cells escape backslash, tab, CR and LF.
"""

import datetime
import hashlib
import os
import struct
import subprocess
import tempfile

CORVANE_ROW_PREFIX = "row\tCorvane\t"

# Tables that msiinfo lists but that are not tables of the database's catalogue.
_PSEUDO_TABLES = {"_SummaryInformation", "_ForceCodepage"}

# The text archive format encodes these characters inside cells.
_ARCHIVE_ESCAPES = {"\x11": "\r", "\x19": "\n", "\x15": "\t"}

_VT_I2, _VT_I4, _VT_LPSTR, _VT_FILETIME = 2, 3, 30, 64
_FILETIME_EPOCH = datetime.datetime(1601, 1, 1)


class ReadbackError(Exception):
    """A reader failed; the message says which command and why."""


def _run(command, env=None, cwd=None):
    result = subprocess.run(command, capture_output=True, env=env, cwd=cwd, check=False)
    if result.returncode != 0:
        raise ReadbackError(
            "%s exited with %d: %s"
            % (" ".join(command), result.returncode, result.stderr.decode("utf-8", "replace")))
    return result.stdout


def escape_cell(text):
    return (text.replace("\\", "\\\\").replace("\t", "\\t")
            .replace("\r", "\\r").replace("\n", "\\n"))


def _stream_cell(data):
    return "stream:%d:%s" % (len(data), hashlib.sha256(data).hexdigest())


def _msiinfo(command, db, *arguments):
    # "msiinfo export" also writes every stream of the table as a file under <Table>/ in the
    # working directory; a scratch directory keeps those files out of the caller's tree.
    with tempfile.TemporaryDirectory(prefix="kestrow-msiinfo-") as scratch:
        return _run(["msiinfo", command, os.path.abspath(db)] + list(arguments), cwd=scratch)


def _archive_cell(text):
    for code, character in _ARCHIVE_ESCAPES.items():
        text = text.replace(code, character)
    return text


class Table:
    """A table as the text archive states it: column names, types (s72, I2, v0, ...), the
    primary key's column names, and rows of cell texts ("" for null; a stream cell names the
    row's stream)."""

    def __init__(self, name, columns, types, keys, rows):
        self.name, self.columns, self.types, self.keys, self.rows = name, columns, types, keys, rows


def table_names(db):
    """The names of the database's tables, in the catalogue's order."""
    return [name for name in _msiinfo("tables", db).decode("utf-8").split()
            if name not in _PSEUDO_TABLES]


def read_table(db, name):
    lines = _msiinfo("export", db, name).decode("utf-8").split("\n")
    lines = [line[:-1] if line.endswith("\r") else line for line in lines]
    columns, types, keys = (line.split("\t") for line in lines[:3])
    rows = [[_archive_cell(cell) for cell in line.split("\t")] for line in lines[3:] if line]
    return Table(name, columns, types, keys[1:], rows)


def _table_lines(db, name):
    table = read_table(db, name)
    rows = []
    for cells in table.rows:
        rendered = []
        for cell, column_type in zip(cells, table.types):
            if column_type[0] in "vV":
                rendered.append(_stream_cell(_msiinfo("extract", db, cell)) if cell else "")
            else:
                rendered.append(escape_cell(cell))
        rows.append("row\t" + "\t".join(rendered))
    return (["table\t" + name, "\t".join(["columns"] + table.columns),
             "\t".join(["types"] + table.types), "\t".join(["keys"] + table.keys)]
            + sorted(rows))


def stream_names(db):
    """The names of the streams that are not tables: "Binary.Corvane", "\x05DigitalSignature"."""
    return _msiinfo("streams", db).decode("utf-8").splitlines()


def read_stream(db, name):
    """The bytes of a stream that is not a table, by its decoded name ("Binary.Corvane")."""
    return _msiinfo("extract", db, name)


def _filetime_text(ticks):
    moment = _FILETIME_EPOCH + datetime.timedelta(microseconds=ticks // 10)
    text = moment.strftime("%Y-%m-%d %H:%M:%S")
    return text + (".%07d" % (ticks % 10_000_000) if ticks % 10_000_000 else "")


def _summary_values(stream):
    """Properties of the first section of a summary information property set."""
    (section_offset,) = struct.unpack_from("<I", stream, 44)
    _, count = struct.unpack_from("<II", stream, section_offset)
    entries = [struct.unpack_from("<II", stream, section_offset + 8 + 8 * i) for i in range(count)]
    raw = {}
    for prop_id, offset in entries:
        position = section_offset + offset
        (kind,) = struct.unpack_from("<I", stream, position)
        if kind == _VT_I2:
            raw[prop_id] = ("i2", struct.unpack_from("<h", stream, position + 4)[0])
        elif kind == _VT_I4:
            raw[prop_id] = ("i4", struct.unpack_from("<i", stream, position + 4)[0])
        elif kind == _VT_FILETIME:
            raw[prop_id] = ("filetime", struct.unpack_from("<Q", stream, position + 4)[0])
        elif kind == _VT_LPSTR:
            (length,) = struct.unpack_from("<I", stream, position + 4)
            raw[prop_id] = ("string", stream[position + 8:position + 8 + length].split(b"\0")[0])
    return raw


def summary_properties(db):
    """The summary information as {id: (kind, value)}; strings stay bytes."""
    return _summary_values(read_stream(db, "\x05SummaryInformation"))


def _summary_lines(db):
    raw = summary_properties(db)
    codepage = raw.get(1, ("i2", 1252))[1]
    lines = []
    for prop_id in sorted(raw):
        kind, value = raw[prop_id]
        if kind == "string":
            text = escape_cell(value.decode("cp%d" % codepage))
        elif kind == "filetime":
            text = _filetime_text(value)
        else:
            text = str(value)
        lines.append("summary\t%d\t%s\t%s" % (prop_id, kind, text))
    return lines


_dumps_by_digest = {}


def dump_with_msitools(db):
    """The canonical dump of the database at path db, read through msitools. A dump takes
    dozens of msiinfo runs, so one is kept for each content seen (the template is dumped
    for every package checked against it)."""
    with open(db, "rb") as data:
        digest = hashlib.file_digest(data, "sha256").digest()
    if digest not in _dumps_by_digest:
        _dumps_by_digest[digest] = _dump_with_msitools(db)
    return _dumps_by_digest[digest]


def _dump_with_msitools(db):
    lines = []
    for name in sorted(table_names(db)):
        lines.extend(_table_lines(db, name))
    lines.extend(_summary_lines(db))
    return "".join(line + "\n" for line in lines)


def wine_path(path):
    """The Windows form of a Linux path under Wine's Z: drive."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def dump_with_wine_msi(msi_dump_exe, db):
    """The canonical dump of the database at path db, read by msi-dump.exe through Wine's
    msi.dll. Wine runs in the prefix that WINEPREFIX names."""
    env = dict(os.environ, WINEDEBUG="-all")
    return _run(["wine", msi_dump_exe, wine_path(db)], env=env).decode("utf-8")


def _corvane_row(lines):
    """Index of the Binary row "Corvane" among the dump's lines, or None."""
    in_binary = False
    for index, line in enumerate(lines):
        if line.startswith("table\t"):
            in_binary = line == "table\tBinary"
        elif in_binary and line.startswith(CORVANE_ROW_PREFIX):
            return index
    return None


def without_corvane_stream(dump):
    """The dump with the stream cell of the Binary row "Corvane" replaced by a marker: what
    must stay equal between a package and the template."""
    lines = dump.split("\n")
    index = _corvane_row(lines)
    if index is not None:
        lines[index] = CORVANE_ROW_PREFIX + "<installer>"
    return "\n".join(lines)


def corvane_stream(dump):
    """The stream cell ("stream:<length>:<sha-256>") of the Binary row "Corvane", or None."""
    lines = dump.split("\n")
    index = _corvane_row(lines)
    return None if index is None else lines[index][len(CORVANE_ROW_PREFIX):]


def file_stream_cell(path):
    """The stream cell a file's bytes would have in a dump."""
    digest = hashlib.sha256()
    length = 0
    with open(path, "rb") as source:
        for chunk in iter(lambda: source.read(1 << 20), b""):
            digest.update(chunk)
            length += len(chunk)
    return "stream:%d:%s" % (length, digest.hexdigest())

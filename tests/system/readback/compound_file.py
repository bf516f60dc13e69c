"""The container of an installer database read directly from its bytes: the compound file's
header and its directory, with the installer's stream names decoded. Independent of our C++
reader and of msitools, so that the container values are checked by a third party."""

import struct
import uuid

FREE_SECTOR, END_OF_CHAIN = 0xFFFFFFFF, 0xFFFFFFFE
STORAGE, STREAM, ROOT = 1, 2, 5

_NAME_ALPHABET = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz._"
_TABLE_MARK = 0x4840


class Header:
    def __init__(self, data):
        (self.signature, clsid, self.minor_version, self.major_version, self.byte_order,
         self.sector_shift, self.mini_sector_shift) = struct.unpack_from("<8s16sHHHHH", data, 0)
        self.clsid = uuid.UUID(bytes_le=clsid)
        (self.fat_sector_count, self.first_directory_sector, _, self.mini_stream_cutoff,
         self.first_mini_fat_sector, self.mini_fat_sector_count, self.first_difat_sector,
         self.difat_sector_count) = struct.unpack_from("<IIIIIIII", data, 44)
        self.difat = struct.unpack_from("<109I", data, 76)


class Entry:
    def __init__(self, raw):
        name_length, self.kind = struct.unpack_from("<HB", raw, 64)
        self.raw_name = raw[:max(name_length - 2, 0)].decode("utf-16-le")
        self.name = decode_stream_name(self.raw_name)
        self.clsid = uuid.UUID(bytes_le=raw[80:96])
        self.start_sector, self.size = struct.unpack_from("<IQ", raw, 116)


class CompoundFile:
    def __init__(self, data):
        self.data = data
        self.header = Header(data)
        self.sector_size = 1 << self.header.sector_shift
        self.fat = self._read_fat()
        directory = self._chain_bytes(self.header.first_directory_sector)
        entries = [Entry(directory[offset:offset + 128])
                   for offset in range(0, len(directory), 128)]
        self.entries = [entry for entry in entries if entry.kind != 0]

    def _sector(self, number):
        start = (number + 1) * self.sector_size
        return self.data[start:start + self.sector_size]

    def _read_fat(self):
        fat_sectors = [number for number in self.header.difat if number != FREE_SECTOR]
        fat = []
        for number in fat_sectors[:self.header.fat_sector_count]:
            fat.extend(struct.unpack("<%dI" % (self.sector_size // 4), self._sector(number)))
        return fat

    def _chain_bytes(self, first):
        parts, number, seen = [], first, set()
        while number != END_OF_CHAIN:
            if number in seen or number >= len(self.fat):
                raise ValueError("broken sector chain at %d" % number)
            seen.add(number)
            parts.append(self._sector(number))
            number = self.fat[number]
        return b"".join(parts)

    def _mini_fat(self):
        table = self._chain_bytes(self.header.first_mini_fat_sector)
        return struct.unpack("<%dI" % (len(table) // 4), table)

    def read(self, entry):
        """The bytes of a stream: from the mini stream when shorter than the cutoff."""
        if entry.size == 0:
            return b""
        if entry.size >= self.header.mini_stream_cutoff:
            return self._chain_bytes(entry.start_sector)[:entry.size]
        mini_stream, mini_fat = self._chain_bytes(self.root.start_sector), self._mini_fat()
        mini_size = 1 << self.header.mini_sector_shift
        parts, number = [], entry.start_sector
        while number != END_OF_CHAIN:
            parts.append(mini_stream[number * mini_size:(number + 1) * mini_size])
            number = mini_fat[number]
        return b"".join(parts)[:entry.size]

    def stream(self, name):
        return self.read(next(entry for entry in self.streams() if entry.name == name))

    @property
    def root(self):
        return self.entries[0]

    def streams(self):
        return [entry for entry in self.entries if entry.kind == STREAM]

    def storages(self):
        return [entry for entry in self.entries if entry.kind == STORAGE]


def decode_stream_name(raw):
    """The installer's stream-name encoding undone: two characters of the name alphabet per
    code unit from 0x3800, one from 0x4800, and the table mark 0x4840 dropped."""
    decoded = []
    for unit in map(ord, raw):
        if unit == _TABLE_MARK:
            continue
        if 0x3800 <= unit < 0x4800:
            value = unit - 0x3800
            decoded.append(_NAME_ALPHABET[value & 0x3F] + _NAME_ALPHABET[value >> 6])
        elif 0x4800 <= unit < 0x4840:
            decoded.append(_NAME_ALPHABET[unit - 0x4800])
        else:
            decoded.append(chr(unit))
    return "".join(decoded)


def is_table_stream(raw_name):
    return raw_name[:1] == chr(_TABLE_MARK)

"""Reads the setup's data resources (agreement.bin, package.bin) as the tests expect them.

Written from the package layout: the tests compare what landed on disk with what the package
says, independently of the packer that made it."""
import struct
import zlib


def _inflate(data, expected):
    out = zlib.decompressobj(15 + 32).decompress(data)
    if len(out) != expected:
        raise ValueError("stream decodes to %d bytes, expected %d" % (len(out), expected))
    return out


def _align4(n):
    return (n + 3) & ~3


def read_agreement(blob):
    """The agreement text (bytes) of a PackedText resource."""
    (length,) = struct.unpack_from("<i", blob, 0)
    if length <= 0:
        return blob[4:4 - length]
    (stored,) = struct.unpack_from("<I", blob, 4)
    return _inflate(blob[8:8 + stored], length)


def read_package(blob):
    """List of entries of a FilePackage: dicts with name, size, stored, filetime, data."""
    dir_stored, dir_size = struct.unpack_from("<II", blob, 0)
    directory = _inflate(blob[8:8 + dir_stored], dir_size)
    data_at = 8 + _align4(dir_stored)
    entries = []
    at = 0
    while True:
        (size,) = struct.unpack_from("<I", directory, at)
        if size == 0:
            break
        stored, low, high = struct.unpack_from("<III", directory, at + 4)
        end = directory.index(b"\0", at + 16)
        name = directory[at + 16:end].decode("cp1252")
        raw = blob[data_at:data_at + stored]
        data = _inflate(raw, size) if 0 < stored < size else blob[data_at:data_at + size]
        entries.append({"name": name, "size": size, "stored": stored,
                        "filetime": (high << 32) | low, "data": data})
        at = _align4(end + 1)
        data_at += _align4(stored)
    return entries


def filetime_to_unix(filetime):
    """Seconds since 1970 (float) of a FILETIME."""
    return (filetime - 116444736000000000) / 1e7

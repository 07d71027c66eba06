"""Ravlin: packs and unpacks raw graphics data with a plain run-length code.

A binding of the C library libravlin.so.1 through ctypes. Method 1 works on bytes (1 to 8 bits
per pixel), method 2 on 16-bit little-endian words (15 bits per pixel); a packed stream does not
record its method, so unpacking needs the one that packed it.

    import ravlin
    packed = ravlin.pack(pixels, method=2)
    assert ravlin.unpack(packed, method=2) == pixels
    with ravlin.open("tiles.pack1", "wb") as f:   # streams, like gzip.open
        f.write(pixels)

Failures of the library raise RavlinError (a ValueError) with the library's message, such as
"Read beyond end of file" for a stream that ends inside a block. Set RAVLIN_LIBRARY to the path
of a libravlin.so.1 to use that one instead of the system's.
"""

from ._file import RavlinFile, open  # noqa: A004 (open() as gzip.open)
from ._library import VERSION, RavlinError, Stream, method_number, pack_bound, pack_into

__all__ = ["pack", "unpack", "open", "RavlinFile", "RavlinError", "VERSION"]

_ROOM = 1 << 20


def pack(data, method=1):
    """The packed stream of the bytes-like `data`. Every input has one; a method 2 input must
    have an even size."""
    data = bytes(data)
    room = bytearray(pack_bound(method_number(method), len(data)))
    del room[pack_into(method, data, room):]
    return bytes(room)


def unpack(data, method=1):
    """The bytes that the stream `data` unpacks to; bytes after its end marker are ignored. The
    output may be up to 84 times the stream's size; it is taken from the library in pieces."""
    data = bytes(data)
    stream = Stream(packing=False, method=method)
    room = bytearray(_ROOM)
    pieces = []
    taken = 0
    while (taken < len(data) and not stream.ended()) or stream.pending():
        written, took = stream.write(data, taken, room)
        pieces.append(bytes(room[:written]))
        taken += took
    while True:
        pieces.append(bytes(room[:stream.finish(room)]))
        if not stream.pending():
            return b"".join(pieces)

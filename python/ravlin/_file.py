"""Packed files that stream, as gzip.open() and lz4.frame.open() give."""

import builtins
import io
import os

from ._library import Stream

_READ_SIZE = 64 * 1024
_WRITE_ROOM = 256 * 1024
_MODES = {"r": "rb", "rb": "rb", "w": "wb", "wb": "wb", "x": "xb", "xb": "xb"}


def open(filename, mode="rb", *, method=1):  # noqa: A001 (as gzip.open)
    """A RavlinFile on `filename` (a path, or a binary file object) in mode "rb", "wb" or "xb"
    ("r", "w", "x" mean the same)."""
    return RavlinFile(filename, mode, method=method)


class _UnpackReader(io.RawIOBase):
    """The unpacked bytes of a packed binary file, read in pieces."""

    def __init__(self, file, method):
        self._file = file
        self._stream = Stream(packing=False, method=method)
        self._input = b""
        self._taken = 0
        self._finished = False

    def readable(self):
        return True

    def readinto(self, buffer):
        room = memoryview(buffer).cast("B")
        while True:
            if self._finished:
                return self._stream.finish(room) if self._stream.pending() else 0
            if self._taken == len(self._input) and not self._stream.ended():
                self._input, self._taken = self._file.read(_READ_SIZE), 0
            if self._stream.pending() or (self._input and not self._stream.ended()):
                written, took = self._stream.write(self._input, self._taken, room)
                self._taken += took
            else:
                written = self._stream.finish(room)
                self._finished = True
            if written:
                return written


class RavlinFile(io.BufferedIOBase):
    """A packed file, read or written as a stream of its unpacked bytes. Reading supports
    read(), read1(), readinto(), peek(), readline() and iteration over lines; writing packs
    what is written, and close() ends the stream. Neither direction seeks."""

    def __init__(self, filename, mode="rb", *, method=1):
        if mode not in _MODES:
            raise ValueError(f"invalid mode {mode!r}: use 'rb', 'wb' or 'xb'")
        self._reading = _MODES[mode] == "rb"
        self._file, self._owns_file, self._packer, self._buffer = None, False, None, None
        if isinstance(filename, (str, bytes, os.PathLike)):
            self._file = builtins.open(filename, _MODES[mode])
            self._owns_file = True
        elif hasattr(filename, "read" if self._reading else "write"):
            self._file, self._owns_file = filename, False
        else:
            raise TypeError("filename must be a path or a binary file object")
        try:
            if self._reading:
                self._buffer = io.BufferedReader(_UnpackReader(self._file, method))
            else:
                self._packer = Stream(packing=True, method=method)
                self._room = bytearray(_WRITE_ROOM)
        except BaseException:
            self._close_file()
            raise

    def readable(self):
        self._check_open()
        return self._reading

    def writable(self):
        self._check_open()
        return not self._reading

    def seekable(self):
        return False

    def fileno(self):
        return self._file.fileno()

    def read(self, size=-1):
        return self._reader().read(size)

    def read1(self, size=-1):
        return self._reader().read1(size)

    def readinto(self, buffer):
        return self._reader().readinto(buffer)

    def readinto1(self, buffer):
        return self._reader().readinto1(buffer)

    def peek(self, size=0):
        return self._reader().peek(size)

    def readline(self, size=-1):
        return self._reader().readline(size)

    def write(self, data):
        self._check_open()
        if self._reading:
            raise io.UnsupportedOperation("write() on a file opened for reading")
        data = bytes(data)
        taken = 0
        while taken < len(data) or self._packer.pending():
            written, took = self._packer.write(data, taken, self._room)
            self._file.write(self._room[:written])
            taken += took
        return len(data)

    def close(self):
        if self.closed:
            return
        try:
            while self._packer is not None:
                self._file.write(self._room[:self._packer.finish(self._room)])
                if not self._packer.pending():
                    break
        finally:
            self._packer = None
            self._close_file()
            super().close()

    def _close_file(self):
        if self._owns_file and self._file is not None:
            self._file.close()

    def _reader(self):
        self._check_open()
        if not self._reading:
            raise io.UnsupportedOperation("read on a file opened for writing")
        return self._buffer

    def _check_open(self):
        if self.closed:
            raise ValueError("I/O operation on closed file")

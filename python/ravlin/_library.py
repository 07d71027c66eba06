"""The C library libravlin.so.1 through ctypes: loading, errors, and its streaming contexts."""

import ctypes
import os

# The library at this path instead of the system's (the tests use the one just built).
LIBRARY_VARIABLE = "RAVLIN_LIBRARY"
_SONAME = "libravlin.so.1"
_MAJOR = 1


class RavlinError(ValueError):
    """A failure of the library, with its message and its error code (``code``)."""

    def __init__(self, code, message):
        super().__init__(message)
        self.code = code


class _In(ctypes.Structure):
    _fields_ = [("src", ctypes.c_void_p), ("size", ctypes.c_size_t), ("pos", ctypes.c_size_t)]


class _Out(ctypes.Structure):
    _fields_ = [("dst", ctypes.c_void_p), ("size", ctypes.c_size_t), ("pos", ctypes.c_size_t)]


def _load():
    library = ctypes.CDLL(os.environ.get(LIBRARY_VARIABLE) or _SONAME)
    context, method, size = ctypes.c_void_p, ctypes.c_int, ctypes.c_size_t
    signatures = {
        "ravlin_version_number": (ctypes.c_uint, []),
        "ravlin_version_string": (ctypes.c_char_p, []),
        "ravlin_error_name": (ctypes.c_char_p, [ctypes.c_int]),
        "ravlin_pack_bound": (size, [method, size]),
        "ravlin_pack": (ctypes.c_int, [method, ctypes.c_char_p, size, ctypes.c_void_p, size,
                                       ctypes.POINTER(size)]),
    }
    for kind in ("packer", "unpacker"):
        signatures.update({
            f"ravlin_{kind}_create": (ctypes.c_int, [ctypes.POINTER(context), method]),
            f"ravlin_{kind}_free": (None, [context]),
            f"ravlin_{kind}_write": (ctypes.c_int, [context, ctypes.POINTER(_In),
                                                    ctypes.POINTER(_Out)]),
            f"ravlin_{kind}_finish": (ctypes.c_int, [context, ctypes.POINTER(_Out)]),
            f"ravlin_{kind}_pending": (size, [context]),
        })
    signatures["ravlin_unpacker_ended"] = (ctypes.c_int, [context])
    for name, (result, arguments) in signatures.items():
        function = getattr(library, name)
        function.restype, function.argtypes = result, arguments
    if library.ravlin_version_number() // 10000 != _MAJOR:
        raise ImportError(f"ravlin needs {_SONAME}, not version "
                          f"{library.ravlin_version_string().decode()}")
    return library


_lib = _load()
VERSION = _lib.ravlin_version_string().decode()


def check(code):
    """Raises the RavlinError of a C error code other than 0."""
    if code != 0:
        raise RavlinError(code, _lib.ravlin_error_name(code).decode())


def method_number(method):
    if method not in (1, 2):
        raise ValueError(f"method must be 1 (byte units) or 2 (16-bit words), not {method!r}")
    return method


def pack_bound(method, size):
    return _lib.ravlin_pack_bound(method, size)


def pack_into(method, data, room):
    """Packs the bytes `data` into the bytearray `room`; returns the stream's size."""
    size = ctypes.c_size_t()
    check(_lib.ravlin_pack(method, data, len(data), _address(room), len(room),
                           ctypes.byref(size)))
    return size.value


def _address(buffer):
    """The address of a writable buffer's first byte, or None for an empty one."""
    if len(buffer) == 0:
        return None
    return ctypes.addressof(ctypes.c_char.from_buffer(buffer))


class Stream:
    """A packer or unpacker context of the library, fed bytes and drained into writable
    buffers of any size. Errors are raised as RavlinError."""

    def __init__(self, packing, method):
        kind = "packer" if packing else "unpacker"
        self._write, self._finish, self._pending, self._free = (
            getattr(_lib, f"ravlin_{kind}_{call}") for call in ("write", "finish", "pending",
                                                                 "free"))
        self._packing = packing
        self._context = ctypes.c_void_p()
        check(getattr(_lib, f"ravlin_{kind}_create")(ctypes.byref(self._context),
                                                      method_number(method)))

    def __del__(self):
        if getattr(self, "_context", None):
            self._free(self._context)
            self._context = None

    def write(self, data, offset, room):
        """Takes bytes of `data` (bytes) from `offset` on and writes output into `room`;
        returns (bytes written, bytes taken)."""
        source = ctypes.cast(ctypes.c_char_p(data), ctypes.c_void_p).value
        piece = _In(source + offset if source else None, len(data) - offset, 0)
        out = _Out(_address(room), len(room), 0)
        check(self._write(self._context, ctypes.byref(piece), ctypes.byref(out)))
        return out.pos, piece.pos

    def finish(self, room):
        """Ends the input and writes output into `room`; returns the bytes written. Call it
        again while pending() is not 0."""
        out = _Out(_address(room), len(room), 0)
        check(self._finish(self._context, ctypes.byref(out)))
        return out.pos

    def pending(self):
        return self._pending(self._context)

    def ended(self):
        """Whether an unpacker has taken the end marker; never for a packer."""
        return not self._packing and _lib.ravlin_unpacker_ended(self._context) != 0

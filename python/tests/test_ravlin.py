"""The Python module against the library it loads (RAVLIN_LIBRARY in the build's tests)."""

import gzip
import io
import os
import random
import tempfile
import unittest

import ravlin


def sprite(size, seed):
    """Runs of 2 to 40 equal bytes between stretches of 1 to 8 bytes, from a few colours."""
    rng = random.Random(seed)
    out = bytearray()
    while len(out) < size:
        out += bytes([rng.randrange(6)]) * rng.randint(2, 40)
        out += bytes(rng.randrange(6, 12) for _ in range(rng.randint(1, 8)))
    return bytes(out[:size])


# (name, data, method); every size even, so that both methods apply where method 2 is named.
SAMPLES = [
    ("empty", b"", 1),
    ("one byte", b"a", 1),
    ("one word", b"\x34\x12", 2),
    ("sprite", sprite(300_000, 1), 1),
    ("sprite as words", sprite(300_000, 2), 2),
    ("noise", random.Random(3).randbytes(100_000), 1),
    ("dense", bytes(4_000_000), 2),
]


class PackUnpackTest(unittest.TestCase):
    def test_round_trips(self):
        for name, data, method in SAMPLES:
            for kind in (bytes, bytearray, memoryview):
                with self.subTest(name=name, kind=kind.__name__):
                    packed = ravlin.pack(kind(data), method=method)
                    self.assertIsInstance(packed, bytes)
                    self.assertEqual(ravlin.unpack(kind(packed), method=method), data)

    def test_known_streams(self):
        for data, method, stream in [
            (b"aaabc", 1, "83 61 02 62 63 00"),
            (b"\x34\x12" * 3, 2, "83 34 12 00"),
            (b"", 1, "00"),
            (b"a", 1, "01 61 00"),
        ]:
            with self.subTest(data=data, method=method):
                self.assertEqual(ravlin.pack(data, method), bytes.fromhex(stream))
                self.assertEqual(ravlin.unpack(bytes.fromhex(stream), method), data)
        # Bytes after the end marker are not part of the stream.
        self.assertEqual(ravlin.unpack(bytes.fromhex("82 51 00 6A 75")), b"QQ")

    def test_errors_carry_the_library_message(self):
        for call, data, method, code, message in [
            (ravlin.unpack, b"\x02\x41", 1, 1, "Read beyond end of file"),
            (ravlin.unpack, b"", 1, 1, "Read beyond end of file"),
            (ravlin.unpack, b"\x83\x34", 2, 1, "Read beyond end of file"),
            (ravlin.pack, b"abc", 2, 1, "Read beyond end of file"),
        ]:
            with self.subTest(call=call.__name__, data=data, method=method):
                with self.assertRaises(ravlin.RavlinError) as caught:
                    call(data, method)
                self.assertIsInstance(caught.exception, ValueError)
                self.assertEqual(caught.exception.code, code)
                self.assertEqual(str(caught.exception), message)
        with self.assertRaises(ValueError):
            ravlin.pack(b"ab", method=3)


class OpenTest(unittest.TestCase):
    def setUp(self):
        folder = tempfile.TemporaryDirectory()
        self.addCleanup(folder.cleanup)
        self.path = os.path.join(folder.name, "tiles.pack1")

    def test_written_in_pieces_is_the_packed_stream(self):
        data = sprite(700_000, 4)
        for method in (1, 2):
            for piece, size in [(1, 5000), (7, 50_000), (4096, 700_000), (1 << 20, 700_000)]:
                with self.subTest(method=method, piece=piece):
                    with ravlin.open(self.path, "wb", method=method) as f:
                        for at in range(0, size, piece):
                            self.assertEqual(f.write(data[at:min(at + piece, size)]),
                                             min(piece, size - at))
                    with io.FileIO(self.path) as raw:
                        self.assertEqual(raw.read(), ravlin.pack(data[:size], method))

    def test_reads_as_gzip_does(self):
        lines = b"".join(b"%d: " % k + b"=" * (k % 300) + b"\n" for k in range(3000))
        with ravlin.open(self.path, "wb") as f:
            f.write(lines)
        gzipped = gzip.compress(lines)
        for name, read in [
            ("read()", lambda f: [f.read(), f.read()]),
            ("read(n)", lambda f: list(iter(lambda: f.read(1000), b""))),
            ("read1", lambda f: b"".join(iter(lambda: f.read1(333), b""))),
            ("readinto", lambda f: b"".join(_readinto_all(f, 4097))),
            ("lines", list),
            ("readline and next", lambda f: [f.readline(), next(f), f.readline(5), f.peek(1)[:1]]),
        ]:
            with self.subTest(how=name):
                with ravlin.open(self.path) as f, gzip.open(io.BytesIO(gzipped)) as reference:
                    self.assertEqual(read(f), read(reference))

    def test_file_objects_and_errors(self):
        buffer = io.BytesIO()
        with ravlin.open(buffer, "wb", method=2) as f:
            f.write(b"\x01\x02" * 1000)
        self.assertFalse(buffer.closed)
        self.assertEqual(ravlin.open(io.BytesIO(buffer.getvalue()), method=2).read(),
                         b"\x01\x02" * 1000)
        # A stream cut inside a block, and one of odd size for words.
        for stream, method in [(bytes.fromhex("05 61 62"), 1), (bytes.fromhex("85 61"), 2)]:
            with self.subTest(stream=stream.hex(), method=method):
                with ravlin.open(io.BytesIO(stream), method=method) as f:
                    with self.assertRaisesRegex(ravlin.RavlinError, "Read beyond end of file"):
                        f.read()
        f = ravlin.open(self.path, "wb", method=2)
        f.write(b"abc")
        with self.assertRaisesRegex(ravlin.RavlinError, "Read beyond end of file"):
            f.close()
        self.assertTrue(f.closed)
        with self.assertRaises(ValueError):
            f.write(b"ab")
        for mode in ("a", "rt", "r+"):
            with self.subTest(mode=mode), self.assertRaises(ValueError):
                ravlin.open(self.path, mode)


def _readinto_all(f, size):
    buffer = bytearray(size)
    while True:
        count = f.readinto(buffer)
        if not count:
            return
        yield bytes(buffer[:count])


if __name__ == "__main__":
    unittest.main()

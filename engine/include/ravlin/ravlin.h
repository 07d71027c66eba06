/* libravlin: packs and unpacks raw graphics data with a plain run-length code.
 *
 * This is the library's stable interface, in C; ravlin/ravlin.hpp is a header-only C++ layer
 * over it. Everything the shared library libravlin.so.1 exports is declared here.
 *
 * The packed stream is a sequence of blocks closed by an end marker, with no header:
 *   00            end marker; unpacking stops, later bytes are ignored
 *   01 .. 7F      literal block: that many units follow, copied as they are
 *   80 .. FF      repeat block: one unit follows, standing for (control & 0x7F) units
 * A unit is one byte (RAVLIN_METHOD_I, for 1 to 8 bits per pixel) or one 16-bit little-endian
 * word (RAVLIN_METHOD_II, for 15 bits per pixel). Nothing in a stream records its method: the
 * caller must know it (by convention the file suffixes .pack1 and .pack2). The packer writes
 * literal blocks of 1 to 127 units and repeat blocks of 2 to 127, greedily, and ends every
 * stream with 00; the unpacker takes any control byte, and a stream that ends after a whole
 * block without an end marker.
 *
 * One-shot, on memory:
 *
 *   size_t bound = ravlin_pack_bound(RAVLIN_METHOD_I, size);
 *   unsigned char* packed = malloc(bound);
 *   size_t packed_size;
 *   ravlin_error error = ravlin_pack(RAVLIN_METHOD_I, data, size, packed, bound, &packed_size);
 *   if (error) fprintf(stderr, "%s\n", ravlin_error_name(error));
 *
 * Streaming, with input and output in pieces of any size (see "Streaming" below):
 *
 *   ravlin_packer* packer;
 *   if (ravlin_packer_create(&packer, RAVLIN_METHOD_I)) ...;
 *   for each piece of input:
 *     ravlin_in in = {piece, piece_size, 0};
 *     while (in.pos < in.size) {
 *       ravlin_out out = {buffer, sizeof buffer, 0};
 *       if ((error = ravlin_packer_write(packer, &in, &out))) break;
 *       fwrite(buffer, 1, out.pos, file);
 *     }
 *   do {
 *     ravlin_out out = {buffer, sizeof buffer, 0};
 *     if ((error = ravlin_packer_finish(packer, &out))) break;
 *     fwrite(buffer, 1, out.pos, file);
 *   } while (ravlin_packer_pending(packer) > 0);
 *   ravlin_packer_free(packer);
 *
 * However the input is cut into pieces and whatever room each call has for output, a stream
 * gives the same bytes and the same errors as the one-shot call on the whole input.
 *
 * Errors are values: every function that can fail returns a ravlin_error, RAVLIN_OK (0) on
 * success. No output is ever written past a capacity the caller gives.
 *
 * Thread safety: the functions without a context are reentrant and may run on any number of
 * threads at once. A context (ravlin_packer, ravlin_unpacker) may move between threads but must
 * be used by one thread at a time: use one context per thread.
 */
#ifndef RAVLIN_RAVLIN_H
#define RAVLIN_RAVLIN_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
/* No exception ever leaves the library; C++ callers may rely on it. */
#define RAVLIN_NOEXCEPT noexcept
#else
#define RAVLIN_NOEXCEPT
#endif

/* ---- Version ------------------------------------------------------------------------------ */

/* The version of these declarations; ravlin_version_number() gives that of the library loaded,
   which may be a later release of the same major version. */
#define RAVLIN_VERSION_MAJOR 1
#define RAVLIN_VERSION_MINOR 4
#define RAVLIN_VERSION_RELEASE 0
#define RAVLIN_VERSION_NUMBER \
  (RAVLIN_VERSION_MAJOR * 10000 + RAVLIN_VERSION_MINOR * 100 + RAVLIN_VERSION_RELEASE)
#define RAVLIN_VERSION_STRING_OF(major, minor, release) #major "." #minor "." #release
#define RAVLIN_VERSION_STRING_EXPAND(major, minor, release) \
  RAVLIN_VERSION_STRING_OF(major, minor, release)
#define RAVLIN_VERSION_STRING \
  RAVLIN_VERSION_STRING_EXPAND(RAVLIN_VERSION_MAJOR, RAVLIN_VERSION_MINOR, RAVLIN_VERSION_RELEASE)

/* The loaded library's RAVLIN_VERSION_NUMBER (10400 for 1.4.0) and RAVLIN_VERSION_STRING. */
unsigned ravlin_version_number(void) RAVLIN_NOEXCEPT;
const char* ravlin_version_string(void) RAVLIN_NOEXCEPT;

/* ---- Methods and errors ------------------------------------------------------------------- */

typedef enum ravlin_method {
  RAVLIN_METHOD_I = 1,  /* byte units */
  RAVLIN_METHOD_II = 2  /* 16-bit little-endian word units */
} ravlin_method;

/* The numbers are part of the interface and never change meaning. */
typedef enum ravlin_error {
  RAVLIN_OK = 0,
  /* A stream that is empty or ends inside a block; an input to pack with method II whose size
     is odd (its last byte is half a unit). */
  RAVLIN_ERROR_READ_BEYOND_END = 1,
  RAVLIN_ERROR_OUT_OF_MEMORY = 2,
  /* A one-shot call's output does not fit in the capacity given. */
  RAVLIN_ERROR_OUTPUT_FULL = 3,
  /* A null pointer where data is needed, a method that is not one, pos beyond size. */
  RAVLIN_ERROR_INVALID_ARGUMENT = 4,
  /* A write after the stream's finish call. */
  RAVLIN_ERROR_STREAM_FINISHED = 5,
  /* The progress callback asked to stop. */
  RAVLIN_ERROR_STOPPED = 6,
  /* A fault inside the library; please report it. */
  RAVLIN_ERROR_INTERNAL = 7
} ravlin_error;

/* The message of an error, in English: "Read beyond end of file", "Out of memory", "Output
   buffer too small", ...; the first two are the messages the Ravlin programs show. "No error"
   for RAVLIN_OK and "Unknown error" for a number that is not a ravlin_error. The text is static:
   never free it. */
const char* ravlin_error_name(ravlin_error error) RAVLIN_NOEXCEPT;

/* ---- One-shot, on memory ------------------------------------------------------------------ */

/* The largest stream that ravlin_pack() makes of src_size bytes with `method`: a capacity that
   never gives RAVLIN_ERROR_OUTPUT_FULL. About 4/3 of src_size for method I and 255/254 for
   method II. 0 when `method` is not a method or the bound does not fit in a size_t. */
size_t ravlin_pack_bound(ravlin_method method, size_t src_size) RAVLIN_NOEXCEPT;

/* Packs the src_size bytes at src into dst, which has room for dst_capacity bytes, and sets
   *dst_size to the stream's size. Every input has a stream: no bytes give 00, a single unit u
   gives 01 u 00. src may be NULL when src_size is 0.
   Errors: RAVLIN_ERROR_READ_BEYOND_END for a method II input of odd size;
   RAVLIN_ERROR_OUTPUT_FULL when the stream is longer than dst_capacity (ravlin_pack_bound()
   is always enough); RAVLIN_ERROR_OUT_OF_MEMORY; RAVLIN_ERROR_INVALID_ARGUMENT.
   On an error *dst_size is the number of bytes at the start of dst that hold the first bytes of
   what packing produced before it failed (dst_capacity for RAVLIN_ERROR_OUTPUT_FULL). Bytes of
   dst past *dst_size may have been written, on success too, never any past dst_capacity. */
ravlin_error ravlin_pack(ravlin_method method, const void* src, size_t src_size, void* dst,
                         size_t dst_capacity, size_t* dst_size) RAVLIN_NOEXCEPT;

/* Unpacks the stream of src_size bytes at src into dst, which has room for dst_capacity bytes,
   and sets *dst_size to the size of the output. Bytes after the end marker are ignored.
   There is no bound to ask for in advance: a stream can unpack to 63 times its size (method I
   repeat blocks, 2 bytes for 127) or 84 times (method II, 3 bytes for 254). A caller that
   knows the size it packed gives that; one that does not uses an ravlin_unpacker, whose output
   can be taken in pieces.
   Errors: RAVLIN_ERROR_READ_BEYOND_END when the stream is empty or ends inside a block;
   RAVLIN_ERROR_OUTPUT_FULL when the output is longer than dst_capacity;
   RAVLIN_ERROR_OUT_OF_MEMORY; RAVLIN_ERROR_INVALID_ARGUMENT.
   On an error, *dst_size and dst are as for ravlin_pack(): for RAVLIN_ERROR_READ_BEYOND_END they
   hold the units decoded before the stream ran out, the whole units of a cut literal block
   included. */
ravlin_error ravlin_unpack(ravlin_method method, const void* src, size_t src_size, void* dst,
                           size_t dst_capacity, size_t* dst_size) RAVLIN_NOEXCEPT;

/* ---- Streaming ---------------------------------------------------------------------------- */

/* A piece of input: the call takes bytes from src + pos and advances pos over what it took. */
typedef struct ravlin_in {
  const void* src;
  size_t size;
  size_t pos;
} ravlin_in;

/* Room for output: the call writes from dst + pos and advances pos over what it wrote. Bytes of
   dst between the new pos and size may have been written as well; none past size ever are. */
typedef struct ravlin_out {
  void* dst;
  size_t size;
  size_t pos;
} ravlin_out;

/* Progress, reported by a context: `done` input bytes taken so far (bytes to pack, or stream
   bytes), of `total` as given to ravlin_*_set_progress(). Called each time another 256 KiB of
   input has been packed, or another 16 KiB of stream unpacked (more when the call's room can
   take all the output of more: at most 1.4 MB of output or one room's worth lies between two
   calls), and once more by the finish call, with `done` then counting all the input. `done`
   never decreases. Returning non-zero stops the stream: the call returns
   RAVLIN_ERROR_STOPPED. The callback must not call functions of the same context. */
typedef int (*ravlin_progress_fn)(uint64_t done, uint64_t total, void* user);

/* The `total` to give when the input's size is not known in advance. */
#define RAVLIN_SIZE_UNKNOWN UINT64_MAX

/* A packing stream. Between calls it holds back less than 2 KiB of input (the last blocks
   depend on where the input ends) and output that did not fit in the room of the last call
   (at most about 350 KB, given out first by the next call). */
typedef struct ravlin_packer ravlin_packer;

/* Creates a packer for `method` in *packer. RAVLIN_ERROR_INVALID_ARGUMENT when `method` is not a
   method or packer is NULL, RAVLIN_ERROR_OUT_OF_MEMORY; *packer is then NULL. */
ravlin_error ravlin_packer_create(ravlin_packer** packer, ravlin_method method) RAVLIN_NOEXCEPT;

/* Frees a packer at any stage; NULL is allowed. */
void ravlin_packer_free(ravlin_packer* packer) RAVLIN_NOEXCEPT;

/* Sets or (with a NULL callback) removes the progress callback; call it before the first
   write. `user` is handed to the callback as it is. */
void ravlin_packer_set_progress(ravlin_packer* packer, ravlin_progress_fn callback, void* user,
                                uint64_t total) RAVLIN_NOEXCEPT;

/* Takes input from *in and writes output to *out. Returns when all of the input is taken
   (in->pos == in->size) or when *out is full and output waits in the packer; so a loop that
   calls it with fresh room until the input is taken always ends. */
ravlin_error ravlin_packer_write(ravlin_packer* packer, ravlin_in* in,
                                 ravlin_out* out) RAVLIN_NOEXCEPT;

/* Ends the input: packs the last units and the end marker, and writes what fits to *out. Call it
   again with fresh room until ravlin_packer_pending() is 0; later calls only give out the output
   that waits. RAVLIN_ERROR_READ_BEYOND_END when a method II input ended in half a unit. */
ravlin_error ravlin_packer_finish(ravlin_packer* packer, ravlin_out* out) RAVLIN_NOEXCEPT;

/* Bytes of output waiting in the packer for room. */
size_t ravlin_packer_pending(const ravlin_packer* packer) RAVLIN_NOEXCEPT;

/* An unpacking stream. Between calls it holds back at most one cut block of input and output
   that did not fit in the room of the last call (at most about 1.4 MB). */
typedef struct ravlin_unpacker ravlin_unpacker;

ravlin_error ravlin_unpacker_create(ravlin_unpacker** unpacker,
                                    ravlin_method method) RAVLIN_NOEXCEPT;
void ravlin_unpacker_free(ravlin_unpacker* unpacker) RAVLIN_NOEXCEPT;
void ravlin_unpacker_set_progress(ravlin_unpacker* unpacker, ravlin_progress_fn callback,
                                  void* user, uint64_t total) RAVLIN_NOEXCEPT;

/* As ravlin_packer_write(), but it takes no input past the end marker: once the marker is taken,
   in->pos stops after it and ravlin_unpacker_ended() is 1. So a loop also ends on the marker:
     while (in.pos < in.size && !ravlin_unpacker_ended(unpacker)) { ...write... } */
ravlin_error ravlin_unpacker_write(ravlin_unpacker* unpacker, ravlin_in* in,
                                   ravlin_out* out) RAVLIN_NOEXCEPT;

/* Ends the stream and writes what fits to *out; call it again until ravlin_unpacker_pending() is
   0. A stream that ends after a whole block without an end marker ends normally;
   RAVLIN_ERROR_READ_BEYOND_END when no byte came or the stream ended inside a block (the whole
   units of a cut literal block are output first). */
ravlin_error ravlin_unpacker_finish(ravlin_unpacker* unpacker, ravlin_out* out) RAVLIN_NOEXCEPT;
size_t ravlin_unpacker_pending(const ravlin_unpacker* unpacker) RAVLIN_NOEXCEPT;

/* 1 once the end marker has been taken, else 0. */
int ravlin_unpacker_ended(const ravlin_unpacker* unpacker) RAVLIN_NOEXCEPT;

/* Errors of a stream: a failure is reported once the output made before it has been given out.
   The call that meets it returns the error when that output fits in *out; otherwise it returns
   RAVLIN_OK with output pending, as when the room is full, and a later call returns the error
   with the last of that output. So the output and the error are the same whatever room the
   calls have. The context is then spent: every later write or finish returns the same error and
   writes nothing. Free it. */

#ifdef __cplusplus
}
#endif

#endif /* RAVLIN_RAVLIN_H */

/* An asset tool in C built on the installed library: packs a file read in pieces through a
   packer context into OUTPUT_FOLDER/NAME.pack1 or .pack2 (NAME: the input's name without its
   extension), checks that unpacking the stream gives the file back, and prints the output path.
   Usage: ravlin-consumer-c 1|2 INPUT OUTPUT_FOLDER */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <ravlin/ravlin.h>

static unsigned char* grow(unsigned char* bytes, size_t* capacity, size_t needed) {
  if (needed <= *capacity) return bytes;
  *capacity = needed * 2;
  return realloc(bytes, *capacity);
}

/* Writes what the packer made into `out` to the file; 0 on a write error. */
static int save(FILE* file, const ravlin_out* out) {
  return fwrite(out->dst, 1, out->pos, file) == out->pos;
}

int main(int argc, char** argv) {
  if (argc != 4 || (strcmp(argv[1], "1") != 0 && strcmp(argv[1], "2") != 0)) {
    fprintf(stderr, "usage: ravlin-consumer-c 1|2 INPUT OUTPUT_FOLDER\n");
    return 2;
  }
  const ravlin_method method = argv[1][0] == '1' ? RAVLIN_METHOD_I : RAVLIN_METHOD_II;
  const char* slash = strrchr(argv[2], '/');
  const char* name = slash ? slash + 1 : argv[2];
  const char* dot = strrchr(name, '.');
  const int stem = dot && dot != name ? (int)(dot - name) : (int)strlen(name);
  char output[4096];
  snprintf(output, sizeof output, "%s/%.*s.pack%s", argv[3], stem, name, argv[1]);

  FILE* in = fopen(argv[2], "rb");
  FILE* out = fopen(output, "wb");
  if (!in || !out) {
    fprintf(stderr, "ravlin-consumer-c: cannot open %s\n", in ? output : argv[2]);
    return 1;
  }
  ravlin_packer* packer;
  ravlin_error error = ravlin_packer_create(&packer, method);
  unsigned char piece[4093]; /* an odd size, so that pieces split method II's words */
  unsigned char room[1000];
  unsigned char* input = NULL;
  size_t input_size = 0, input_capacity = 0, got;
  int saved = 1;
  while (!error && (got = fread(piece, 1, sizeof piece, in)) > 0) {
    input = grow(input, &input_capacity, input_size + got);
    if (!input) return 1;
    memcpy(input + input_size, piece, got);
    input_size += got;
    ravlin_in chunk = {piece, got, 0};
    while (!error && chunk.pos < chunk.size) {
      ravlin_out packed = {room, sizeof room, 0};
      error = ravlin_packer_write(packer, &chunk, &packed);
      saved = saved && save(out, &packed);
    }
  }
  do {
    ravlin_out packed = {room, sizeof room, 0};
    if (!error) error = ravlin_packer_finish(packer, &packed);
    saved = saved && save(out, &packed);
  } while (!error && ravlin_packer_pending(packer) > 0);
  ravlin_packer_free(packer);
  fclose(in);
  if (fclose(out) != 0 || !saved) {
    fprintf(stderr, "ravlin-consumer-c: %s: cannot write\n", output);
    return 1;
  }
  if (error) {
    fprintf(stderr, "ravlin-consumer-c: %s: %s\n", argv[2], ravlin_error_name(error));
    return 1;
  }

  /* The check: the stream as written unpacks, one-shot, to exactly the input. */
  FILE* written = fopen(output, "rb");
  size_t stream_capacity = 0, stream_size = 0;
  unsigned char* stream = NULL;
  while (written && (stream = grow(stream, &stream_capacity, stream_size + sizeof piece)) &&
         (got = fread(stream + stream_size, 1, sizeof piece, written)) > 0) {
    stream_size += got;
  }
  if (written) fclose(written);
  unsigned char* unpacked = malloc(input_size + 1);
  size_t unpacked_size = 0;
  if (!stream || !unpacked ||
      ravlin_unpack(method, stream, stream_size, unpacked, input_size, &unpacked_size) !=
          RAVLIN_OK ||
      unpacked_size != input_size || (input_size > 0 && memcmp(unpacked, input, input_size) != 0)) {
    fprintf(stderr, "ravlin-consumer-c: the round trip changed the data\n");
    return 1;
  }
  free(input);
  free(stream);
  free(unpacked);
  printf("%s\n", output);
  return 0;
}

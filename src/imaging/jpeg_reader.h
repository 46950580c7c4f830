/* A JPEG decompressor behind a plain C interface. libjpeg reports errors by longjmp, which
 * must never cross C++ frames: every libjpeg call and its setjmp stay inside jpeg_reader.c. */
#pragma once
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct KinoJpegReader KinoJpegReader;

/* Reads up to size bytes of the file, in order, into into; 0 at its end or on an error. */
typedef size_t (*KinoJpegRead)(void* user, unsigned char* into, size_t size);

/* Null when out of memory. One reader decodes one image at a time; reuse it for the next. */
KinoJpegReader* kino_jpeg_new(void);
void kino_jpeg_free(KinoJpegReader* reader);

/* Reads the header of the JPEG that read gives (from its first byte; read and user must stay
 * until kino_jpeg_end). 1 when the image can be decoded to 32-bit BGRX pixels: then *width and
 * *height are its size. 0 for a damaged file and for colour spaces left to other decoders
 * (CMYK, YCCK). */
int kino_jpeg_start(KinoJpegReader* reader, KinoJpegRead read, void* user, unsigned* width, unsigned* height);

/* Decodes the top-left width x height pixels of the started image (each at most the image's)
 * into rows stride bytes apart, BGRX with X = 0xFF; the file is read no further than those rows
 * need. 1 when every row decoded; 0 on an error or a warning (damaged data that libjpeg would
 * paper over). */
int kino_jpeg_read(KinoJpegReader* reader, unsigned width, unsigned height, unsigned char* pixels, ptrdiff_t stride);

/* Lets go of the image (after any of the above; twice is harmless). */
void kino_jpeg_end(KinoJpegReader* reader);

#ifdef __cplusplus
}
#endif

/* A JPEG decompressor behind a plain C interface. libjpeg reports errors by longjmp, which
 * must never cross C++ frames: every libjpeg call and its setjmp stay inside jpeg_reader.c. */
#pragma once
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct KinoJpegReader KinoJpegReader;

/* Null when out of memory. One reader decodes one image at a time; reuse it for the next. */
KinoJpegReader* kino_jpeg_new(void);
void kino_jpeg_free(KinoJpegReader* reader);

/* Reads the header of the JPEG in data (which must stay until kino_jpeg_end). 1 when the image
 * can be decoded to 32-bit BGRX pixels: then *width and *height are its size. 0 for a damaged
 * file and for colour spaces left to other decoders (CMYK, YCCK). */
int kino_jpeg_start(KinoJpegReader* reader, const unsigned char* data, size_t size, unsigned* width,
                    unsigned* height);

/* Decodes the started image into rows stride bytes apart, BGRX with X = 0xFF. 1 when every row
 * decoded; 0 on an error or a warning (damaged data that libjpeg would paper over). */
int kino_jpeg_read(KinoJpegReader* reader, unsigned char* pixels, ptrdiff_t stride);

/* Lets go of the image (after any of the above; twice is harmless). */
void kino_jpeg_end(KinoJpegReader* reader);

#ifdef __cplusplus
}
#endif

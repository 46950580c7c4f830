#include "imaging/jpeg_reader.h"

#include <setjmp.h>
#include <stdio.h> /* jpeglib.h needs FILE */
#include <stdlib.h>

#include <jpeglib.h>

struct KinoJpegReader {
    struct jpeg_decompress_struct info;
    struct jpeg_error_mgr errors;
    jmp_buf failed;
};

static void fail(j_common_ptr info) {
    longjmp(((struct KinoJpegReader*)info->client_data)->failed, 1);
}

/* Warnings mean damaged data (a cut file, a bad Huffman code): such a file is not ours to
 * guess at. Trace messages (level > 0) are dropped. */
static void message(j_common_ptr info, int level) {
    if (level < 0) fail(info);
}

static void no_output(j_common_ptr info) { (void)info; }

static int create(KinoJpegReader* reader) {
    reader->info.err = jpeg_std_error(&reader->errors);
    reader->errors.error_exit = fail;
    reader->errors.emit_message = message;
    reader->errors.output_message = no_output;
    reader->info.client_data = reader;
    if (setjmp(reader->failed)) return 0; /* out of memory */
    jpeg_create_decompress(&reader->info);
    return 1;
}

KinoJpegReader* kino_jpeg_new(void) {
    KinoJpegReader* reader = calloc(1, sizeof(*reader));
    if (reader && !create(reader)) {
        free(reader);
        return NULL;
    }
    return reader;
}

void kino_jpeg_free(KinoJpegReader* reader) {
    if (!reader) return;
    jpeg_destroy_decompress(&reader->info);
    free(reader);
}

int kino_jpeg_start(KinoJpegReader* reader, const unsigned char* data, size_t size, unsigned* width,
                    unsigned* height) {
    struct jpeg_decompress_struct* info = &reader->info;
    if (size == 0 || size != (unsigned long)size) return 0;
    if (setjmp(reader->failed)) {
        jpeg_abort_decompress(info);
        return 0;
    }
    jpeg_mem_src(info, data, (unsigned long)size);
    if (jpeg_read_header(info, TRUE) != JPEG_HEADER_OK) {
        jpeg_abort_decompress(info);
        return 0;
    }
    if (info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK) {
        jpeg_abort_decompress(info);
        return 0;
    }
    info->out_color_space = JCS_EXT_BGRX;

    *width = info->image_width;
    *height = info->image_height;
    return 1;
}

int kino_jpeg_read(KinoJpegReader* reader, unsigned char* pixels, ptrdiff_t stride) {
    struct jpeg_decompress_struct* info = &reader->info;
    if (setjmp(reader->failed)) {
        jpeg_abort_decompress(info);
        return 0;
    }
    jpeg_start_decompress(info);
    while (info->output_scanline < info->output_height) {
        JSAMPROW rows[4];
        JDIMENSION count = 0;
        while (count < 4 && info->output_scanline + count < info->output_height) {
            rows[count] = pixels + (ptrdiff_t)(info->output_scanline + count) * stride;
            ++count;
        }
        if (jpeg_read_scanlines(info, rows, count) == 0) { /* no data left: cannot happen in memory */
            jpeg_abort_decompress(info);
            return 0;
        }
    }
    jpeg_finish_decompress(info);
    return 1;
}

void kino_jpeg_end(KinoJpegReader* reader) { jpeg_abort_decompress(&reader->info); }

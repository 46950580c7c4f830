#include "imaging/jpeg_reader.h"

#include <setjmp.h>
#include <stdio.h> /* jpeglib.h needs FILE */
#include <stdlib.h>
#include <string.h>

#include <jpeglib.h>
#include <jerror.h>

enum { kChunk = 64 * 1024, kBandRows = 16 };

struct KinoJpegReader {
    struct jpeg_decompress_struct info;
    struct jpeg_error_mgr errors;
    struct jpeg_source_mgr source;
    jmp_buf failed;
    KinoJpegRead read;
    void* user;
    unsigned char* chunk; /* kChunk bytes of the file */
    unsigned char* band;  /* rows wider than the part kept, while a part is decoded */
    size_t bandBytes;
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

static void init_source(j_decompress_ptr info) { (void)info; }

/* The next chunk of the file. Its end before the image's is a warning, which fails the decode. */
static boolean fill_input_buffer(j_decompress_ptr info) {
    struct KinoJpegReader* reader = (struct KinoJpegReader*)info->client_data;
    const size_t got = reader->read(reader->user, reader->chunk, kChunk);
    if (got == 0) WARNMS(info, JWRN_JPEG_EOF); /* does not return */
    reader->source.next_input_byte = reader->chunk;
    reader->source.bytes_in_buffer = got;
    return TRUE;
}

static void skip_input_data(j_decompress_ptr info, long count) {
    struct jpeg_source_mgr* source = info->src;
    if (count <= 0) return;
    while ((size_t)count > source->bytes_in_buffer) {
        count -= (long)source->bytes_in_buffer;
        fill_input_buffer(info);
    }
    source->next_input_byte += count;
    source->bytes_in_buffer -= (size_t)count;
}

static void term_source(j_decompress_ptr info) { (void)info; }

static int create(KinoJpegReader* reader) {
    reader->info.err = jpeg_std_error(&reader->errors);
    reader->errors.error_exit = fail;
    reader->errors.emit_message = message;
    reader->errors.output_message = no_output;
    reader->info.client_data = reader;
    if (setjmp(reader->failed)) return 0; /* out of memory */
    jpeg_create_decompress(&reader->info);
    reader->source.init_source = init_source;
    reader->source.fill_input_buffer = fill_input_buffer;
    reader->source.skip_input_data = skip_input_data;
    reader->source.resync_to_restart = jpeg_resync_to_restart;
    reader->source.term_source = term_source;
    reader->info.src = &reader->source;
    return 1;
}

KinoJpegReader* kino_jpeg_new(void) {
    KinoJpegReader* reader = calloc(1, sizeof(*reader));
    if (reader) reader->chunk = malloc(kChunk);
    if (reader && (!reader->chunk || !create(reader))) {
        free(reader->chunk);
        free(reader);
        return NULL;
    }
    return reader;
}

void kino_jpeg_free(KinoJpegReader* reader) {
    if (!reader) return;
    jpeg_destroy_decompress(&reader->info);
    free(reader->band);
    free(reader->chunk);
    free(reader);
}

int kino_jpeg_start(KinoJpegReader* reader, KinoJpegRead read, void* user, unsigned* width, unsigned* height) {
    struct jpeg_decompress_struct* info = &reader->info;
    reader->read = read;
    reader->user = user;
    reader->source.next_input_byte = NULL;
    reader->source.bytes_in_buffer = 0;
    if (setjmp(reader->failed)) {
        jpeg_abort_decompress(info);
        return 0;
    }
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

int kino_jpeg_read(KinoJpegReader* reader, unsigned width, unsigned height, unsigned char* pixels, ptrdiff_t stride) {
    struct jpeg_decompress_struct* info = &reader->info;
    if (setjmp(reader->failed)) {
        jpeg_abort_decompress(info);
        return 0;
    }
    jpeg_start_decompress(info);
    if (width == 0 || height == 0 || width > info->output_width || height > info->output_height) {
        jpeg_abort_decompress(info);
        return 0;
    }
    if (width < info->output_width) {
        /* One column more than kept: smooth upsampling treats the part's last column as an
         * image edge, which would change the last kept pixels. The width grows to a whole iMCU. */
        JDIMENSION left = 0, decoded = width + 1;
        jpeg_crop_scanline(info, &left, &decoded);
    }
    const size_t rowBytes = (size_t)info->output_width * 4;
    const int banded = info->output_width > width;
    if (banded && reader->bandBytes < rowBytes * kBandRows) {
        free(reader->band);
        reader->bandBytes = 0;
        reader->band = malloc(rowBytes * kBandRows);
        if (!reader->band) {
            jpeg_abort_decompress(info);
            return 0;
        }
        reader->bandBytes = rowBytes * kBandRows;
    }
    while (info->output_scanline < height) {
        const JDIMENSION first = info->output_scanline;
        JSAMPROW rows[kBandRows];
        JDIMENSION count = 0;
        while (count < kBandRows && first + count < height) {
            rows[count] = banded ? reader->band + count * rowBytes : pixels + (ptrdiff_t)(first + count) * stride;
            ++count;
        }
        const JDIMENSION got = jpeg_read_scanlines(info, rows, count);
        if (got == 0) { /* a suspending source: not ours */
            jpeg_abort_decompress(info);
            return 0;
        }
        if (banded) {
            for (JDIMENSION i = 0; i < got; ++i)
                memcpy(pixels + (ptrdiff_t)(first + i) * stride, reader->band + i * rowBytes, (size_t)width * 4);
        }
    }
    /* The whole image: the rest of the file is checked too. A part: what lies below it is never
     * read, and damage there is never seen. */
    if (height == info->output_height) jpeg_finish_decompress(info);
    else jpeg_abort_decompress(info);
    return 1;
}

void kino_jpeg_end(KinoJpegReader* reader) { jpeg_abort_decompress(&reader->info); }

#include "containers/realmedia.h"

#include <climits>
#include <cstring>
#include <strings.h>

#include "model/byte_order.h"
#include "model/stream_io.h"

// A chunk is an id, a big-endian size that counts the 8 header bytes too,
// and a body. The first chunk is the ".RMF" file header itself.
static const int kChunkHeaderSize = 8;
// Bytes read from the start of a file properties ("PROP") body: version,
// rates, packet sizes and count, then the duration in milliseconds.
static const size_t kPropFixedSize = 26;
// Bytes read from the start of a media properties ("MDPR") body, up to and
// including the size byte of the stream name.
static const size_t kMdprFixedSize = 33;
// Stream name and MIME type are each read into the one work buffer, so
// neither may be longer than this.
static const unsigned kMaxRmText = 63;
// Start of a video stream's type-specific part: length, four bytes, then the
// "VIDO" tag and codec, picture size and frame rate.
static const size_t kVideoPartSize = 28;

bool read_rm_chunk_header(FILE* file, char id[5], int64_t* next_chunk) {
    unsigned char header[kChunkHeaderSize];
    if (!seek_to(file, *next_chunk) || !read_exact(file, header, sizeof header)) return false;
    memcpy(id, header, 4);
    id[4] = '\0';
    int32_t size = int32_t(read_u32be(header + 4));
    if (size < kChunkHeaderSize) return false;
    *next_chunk += size;
    return true;
}

// The media properties of one stream. False ends the walk: the body was cut
// short or a text was longer than the work buffer takes.
static bool read_media_properties(FILE* file, IdentResult* record, unsigned char* buf) {
    if (!read_exact(file, buf, kMdprFixedSize)) return false;
    if (buf[0] != 0 || buf[1] != 0) return true;  // an object version other than 0
    int32_t average_bit_rate = int32_t(read_u32be(buf + 8));
    double stream_duration = int32_t(read_u32be(buf + 28)) * 0.001;
    if (stream_duration > record->duration) record->duration = stream_duration;

    unsigned name_size = buf[32];
    if (name_size > kMaxRmText) return false;
    // The stream name, unused, with the MIME type's size byte after it.
    if (!read_exact(file, buf, name_size + 1)) return false;
    unsigned mime_size = buf[name_size];
    if (mime_size > kMaxRmText) return false;
    if (!read_exact(file, buf, mime_size)) return false;
    buf[mime_size] = '\0';

    const char* mime = reinterpret_cast<const char*>(buf);
    if (strncmp(mime, "video/", 6) == 0) {
        record->has_video = 1;
        if (!read_exact(file, buf, kVideoPartSize)) return false;
        if (memcmp(buf + 8, "VIDORV10", 8) != 0) return true;
        record->width = read_u16be(buf + 16);
        record->height = read_u16be(buf + 18);
        record->frame_rate = read_u16be(buf + 26);
    } else if (strncmp(mime, "audio/", 6) == 0) {
        record->has_audio = 1;
        record->audio_byte_rate = average_bit_rate / 8;
    }
    return true;
}

bool identify_realmedia(FILE* file, IdentResult* record) {
    clear_ident_result(record);
    rewind(file);
    unsigned char buf[64];
    if (!read_exact(file, buf, 4) || memcmp(buf, ".RMF", 4) != 0) return false;
    copy_text(record->format.name, "RealMedia", 64);
    copy_text(record->format.author, "RealNetworks, Inc.", 64);
    copy_text(record->format.web_site, "https://www.realnetworks.com", 255);

    // Every chunk is at least a header long, so each step moves forward.
    int64_t next_chunk = 0;
    char id[5];
    while (read_rm_chunk_header(file, id, &next_chunk)) {
        if (strcasecmp(id, "PROP") == 0) {
            if (!read_exact(file, buf, kPropFixedSize)) break;
            if (buf[0] != 0 || buf[1] != 0) continue;
            record->duration = int32_t(read_u32be(buf + 22)) * 0.001;
        } else if (strcasecmp(id, "MDPR") == 0) {
            if (!read_media_properties(file, record, buf)) break;
        }
    }
    return true;
}

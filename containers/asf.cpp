#include "containers/asf.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "front/driver.h"
#include "model/byte_order.h"
#include "model/codec_db.h"
#include "model/stream_io.h"
#include "platform/platform.h"

// GUIDs as their 16 bytes stand in the file: the first group little-endian
// in 4 bytes, the next two little-endian in 2 bytes each, the last 8 bytes
// as written.
using Guid = unsigned char[16];
// 75B22630-668E-11CF-A6D9-00AA0062CE6C
static const Guid kHeaderObject = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                   0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
// 8CABDCA1-A947-11CF-8EE4-00C00C205365
static const Guid kFilePropertiesObject = {0xA1, 0xDC, 0xAB, 0x8C, 0x47, 0xA9, 0xCF, 0x11,
                                           0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
// B7DC0791-A9B7-11CF-8EE6-00C00C205365
static const Guid kStreamPropertiesObject = {0x91, 0x07, 0xDC, 0xB7, 0xB7, 0xA9, 0xCF, 0x11,
                                             0x8E, 0xE6, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
// BC19EFC0-5B4D-11CF-A8FD-00805F5C442B
static const Guid kVideoMedia = {0xC0, 0xEF, 0x19, 0xBC, 0x4D, 0x5B, 0xCF, 0x11,
                                 0xA8, 0xFD, 0x00, 0x80, 0x5F, 0x5C, 0x44, 0x2B};
// F8699E40-5B4D-11CF-A8FD-00805F5C442B
static const Guid kAudioMedia = {0x40, 0x9E, 0x69, 0xF8, 0x4D, 0x5B, 0xCF, 0x11,
                                 0xA8, 0xFD, 0x00, 0x80, 0x5F, 0x5C, 0x44, 0x2B};
// 75B22633-668E-11CF-A6D9-00AA0062CE6C
static const Guid kContentDescriptionObject = {0x33, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                               0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};

// Every header object starts with its GUID and a 64-bit size that counts
// the 24 bytes of this header too.
static const int32_t kObjectHeader = 24;
// The header object's size and object count follow its GUID, then two
// reserved bytes; the first header object comes after them.
static const int64_t kFirstObject = 30;
// Fields read from each object body, up to the last one used.
static const size_t kFilePropertiesRead = 68;
static const size_t kStreamPropertiesRead = 54;
static const size_t kVideoTypeDataRead = 31;
static const size_t kAudioTypeDataRead = 12;
static const uint32_t kBroadcastFlag = 1;
// Stream numbers have 7 bits, so a header describes at most 127 streams. The
// bound matters because every stream costs a codec database lookup, which
// reads the database afresh.
static const int kMaxStreams = 127;
// Longest content-description text taken, in bytes.
static const uint32_t kMaxMetaText = 1024;
static const int kMetaTexts = 5;
static const char* const kMetaLabels[kMetaTexts] = {"Title", "Author", "Copyright",
                                                    "Description", "Rating"};

static bool same_guid(const unsigned char* p, const Guid guid) { return memcmp(p, guid, 16) == 0; }

static void write_format_description(FormatInfo* format) {
    copy_text(format->name, "Advanced Systems Format (ASF)", 64);
    copy_text(format->short_name, "ASF", 16);
    copy_text(format->author, "Microsoft Corporation", 64);
    copy_text(format->web_site, "https://www.microsoft.com", 255);
}

char* wide_to_local(const unsigned char* text, int32_t units) {
    return utf16le_to_local(text, units, use_ansi_code_page != 0);
}

bool read_meta_string(FILE* file, MetaItem* items, int32_t* index, const char* label,
                      uint32_t length) {
    if (length == 0) return true;
    if (length > kMaxMetaText) return false;
    MetaItem* item = &items[*index];
    ++*index;
    item->label = label;
    unsigned char text[kMaxMetaText];
    // An odd last byte is read with the text and dropped.
    if (!read_exact(file, text, length)) return false;
    item->value = wide_to_local(text, int32_t(length / 2));
    return item->value != nullptr;
}

// Play time from the play duration (100 ns units) less the preroll (ms); a
// broadcast file has no play time. The data rate is the file size field over
// the play time, rounded; a quotient beyond 64 bits leaves it absent.
static void take_file_properties(const unsigned char* body, IdentResult* record) {
    if (read_u32le(body + 64) & kBroadcastFlag) return;
    double play_duration = u64le_to_double(body + 40);
    double preroll = u64le_to_double(body + 56);
    record->duration = (play_duration * 0.0001 - preroll) * 0.001;
    if (record->duration == 0) return;
    double rate = std::floor(u64le_to_double(body + 16) / record->duration + 0.5);
    if (std::isfinite(rate) && rate >= -9223372036854775808.0 && rate < 9223372036854775808.0)
        record->data_rate = int32_t(uint32_t(uint64_t(int64_t(rate))));
}

// Gives false when the walk ends here.
static bool read_stream_properties(FILE* file, IdentResult* record) {
    unsigned char body[kStreamPropertiesRead];
    if (!read_exact(file, body, sizeof body)) return false;
    if (same_guid(body, kVideoMedia)) {
        record->has_video = 1;
        unsigned char video[kVideoTypeDataRead];
        if (!read_exact(file, video, sizeof video)) return false;
        record->width = int32_t(read_u32le(video));
        record->height = int32_t(read_u32le(video + 4));
        record->video_codec_id = read_u32le(video + 27);
        record->has_video_codec_id = 1;
        lookup_codec("msvid", record->video_codec_id, &record->video_codec);
    } else if (same_guid(body, kAudioMedia)) {
        record->has_audio = 1;
        unsigned char audio[kAudioTypeDataRead];
        if (!read_exact(file, audio, sizeof audio)) return false;
        uint32_t tag_and_channels = read_u32le(audio);
        record->audio_codec_id = tag_and_channels & 0xFFFF;
        record->channels = int16_t(uint16_t(tag_and_channels >> 16));
        record->has_audio_codec_id = 1;
        lookup_codec("msaud", record->audio_codec_id, &record->audio_codec);
        record->sample_rate = int32_t(read_u32le(audio + 4));
        record->audio_byte_rate = int32_t(read_u32le(audio + 8));
    }
    return true;
}

// The five texts go into a new array built on the side; only when all of
// them were read does it replace the record's array and count, so a failure
// leaves an earlier object's texts in place. Gives false when the walk ends
// here.
static bool read_content_description(FILE* file, IdentResult* record) {
    unsigned char lengths[2 * kMetaTexts];
    if (!read_exact(file, lengths, sizeof lengths)) return false;
    int32_t count = 0;
    for (int i = 0; i < kMetaTexts; ++i)
        if (read_u16le(lengths + 2 * i) != 0) ++count;
    MetaItem* items = nullptr;
    if (count > 0) {
        // One entry more than the texts: its null label ends the array.
        items = static_cast<MetaItem*>(calloc(size_t(count) + 1, sizeof *items));
        if (!items) return false;
    }
    int32_t index = 0;
    for (int i = 0; i < kMetaTexts; ++i) {
        if (!read_meta_string(file, items, &index, kMetaLabels[i], read_u16le(lengths + 2 * i))) {
            release_meta_items(items);
            return false;
        }
    }
    release_meta_items(record->meta_items);
    record->meta_items = items;
    record->meta_count = count;
    return true;
}

bool identify_asf(FILE* file, IdentResult* record) {
    clear_ident_result(record);
    rewind(file);
    unsigned char guid[16];
    if (!read_exact(file, guid, sizeof guid) || !same_guid(guid, kHeaderObject)) return false;
    write_format_description(&record->format);
    unsigned char header[12];
    if (!read_exact(file, header, sizeof header)) return false;
    uint32_t object_count = read_u32le(header + 8);

    // Each object moves the walk forward by at least its 24-byte header, so
    // a count beyond the header's objects ends at the end of the file.
    int64_t position = kFirstObject;
    int streams = 0;
    for (uint32_t walked = 0; walked < object_count; ++walked) {
        if (!step_to(file, position)) return true;
        unsigned char object[kObjectHeader];
        if (!read_exact(file, object, sizeof object)) return true;
        if (read_u32le(object + 20) != 0) return true;
        int32_t size = int32_t(read_u32le(object + 16));
        if (size < kObjectHeader) return true;
        position += size;

        if (same_guid(object, kFilePropertiesObject)) {
            unsigned char body[kFilePropertiesRead];
            if (!read_exact(file, body, sizeof body)) return true;
            take_file_properties(body, record);
        } else if (same_guid(object, kStreamPropertiesObject)) {
            if (++streams > kMaxStreams) return true;
            if (!read_stream_properties(file, record)) return true;
        } else if (same_guid(object, kContentDescriptionObject)) {
            if (!read_content_description(file, record)) return true;
        }
    }
    return true;
}

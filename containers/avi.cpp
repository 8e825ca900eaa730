#include "containers/avi.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "model/byte_order.h"
#include "model/codec_db.h"
#include "model/stream_io.h"
#include "platform/platform.h"

// A chunk is an 8-byte header (identifier, 32-bit size) and a body of that
// size. Sizes are signed: 2^31 or more reads as negative and is refused.
static const int64_t kChunkHeader = 8;
// Only the first 44 bytes of the main header are needed, whatever its size.
static const size_t kMainHeaderRead = 44;
// Smallest stream format body that holds the audio fields used.
static const int32_t kMinFormatSize = 12;
// Smallest stream list size: the "strl" type alone.
static const int32_t kMinListSize = 4;
// The movie data's chunk identifiers number the streams with two decimal
// digits, so a file holds at most 100. The bound matters because every
// stream costs a codec database lookup, which reads the database afresh.
static const int kMaxStreams = 100;

static bool has_id(const unsigned char* p, const char* id) { return memcmp(p, id, 4) == 0; }

static int32_t read_s32le(const unsigned char* p) { return int32_t(read_u32le(p)); }

static bool is_letter_or_digit(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// RIFF chunks are word-aligned: a body of odd size is followed by a pad byte.
static int64_t padded(int64_t size) { return size + (size & 1); }

static void write_format_description(FormatInfo* format) {
    copy_text(format->name, "Audio-Video Interleaved (AVI)", 64);
    copy_text(format->short_name, "AVI", 16);
    copy_text(format->author, "Microsoft Corporation", 64);
    copy_text(format->web_site, "https://www.microsoft.com", 255);
}

// The main header: frame period, frame count and picture size. A period of
// 0 gives no frame rate and hence no duration or data rate.
static void take_main_header(FILE* file, const unsigned char* body, IdentResult* record) {
    uint32_t micro_sec_per_frame = read_u32le(body);
    uint32_t total_frames = read_u32le(body + 16);
    if (micro_sec_per_frame != 0) {
        record->frame_rate = 1000000.0 / double(micro_sec_per_frame);
        record->duration = double(total_frames) / record->frame_rate;
    }
    int32_t length = file_length(file);
    if (record->duration != 0 && length >= 0) {
        // The duration is at least one microsecond (one frame of the shortest
        // period) and the length below 2^31, so the quotient fits in 64 bits.
        double rate = std::trunc(double(length) / record->duration);
        record->data_rate = int32_t(uint32_t(uint64_t(int64_t(rate))));
    }
    record->width = read_s32le(body + 32);
    record->height = read_s32le(body + 36);
}

// The chunks after the stream format chunk up to the list's end (names,
// extra format data, filler) must form a clean chain; nothing is taken from
// them. Each step moves forward by at least a chunk header.
static bool remaining_chunks_are_clean(FILE* file, int64_t position, int64_t list_end) {
    while (position < list_end) {
        unsigned char header[kChunkHeader];
        if (!read_exact(file, header, sizeof header)) return false;
        for (int i = 0; i < 4; ++i)
            if (!is_letter_or_digit(header[i])) return false;
        int32_t size = read_s32le(header + 4);
        if (size < 0) return false;
        position += kChunkHeader + padded(size);
        if (!step_to(file, position)) return false;
    }
    return true;
}

// One stream list at position: its stream header and stream format. Gives
// false when the walk ends here; otherwise sets next to the following list.
static bool read_stream_list(FILE* file, int64_t position, IdentResult* record, int64_t* next) {
    if (!step_to(file, position)) return false;
    unsigned char list[12];
    if (!read_exact(file, list, sizeof list) || !has_id(list, "LIST") || !has_id(list + 8, "strl"))
        return false;
    int32_t list_size = read_s32le(list + 4);
    if (list_size < kMinListSize) return false;
    int64_t list_end = position + kChunkHeader + list_size;

    unsigned char strh[16];
    if (!read_exact(file, strh, sizeof strh) || !has_id(strh, "strh")) return false;
    int64_t format_position = position + 12 + kChunkHeader + read_s32le(strh + 4);
    bool is_audio = false;
    if (has_id(strh + 8, "vids")) {
        record->has_video = 1;
        record->has_video_codec_id = 1;
        record->video_codec_id = read_u32le(strh + 12);
        lookup_codec("msvid", record->video_codec_id, &record->video_codec);
    } else if (has_id(strh + 8, "auds")) {
        is_audio = true;
    }

    if (!step_to(file, format_position)) return false;
    unsigned char strf[20];
    if (!read_exact(file, strf, sizeof strf) || !has_id(strf, "strf")) return false;
    int32_t format_size = read_s32le(strf + 4);
    if (format_size < kMinFormatSize) return false;
    int64_t format_end = format_position + kChunkHeader + padded(format_size);
    if (is_audio) {
        record->has_audio = 1;
        record->has_audio_codec_id = 1;
        uint32_t tag_and_channels = read_u32le(strf + 8);
        record->audio_codec_id = tag_and_channels & 0xFFFF;
        record->channels = int16_t(uint16_t(tag_and_channels >> 16));
        lookup_codec("msaud", record->audio_codec_id, &record->audio_codec);
        record->sample_rate = read_s32le(strf + 12);
        record->audio_byte_rate = read_s32le(strf + 16);
    }

    if (!step_to(file, format_end)) return false;
    if (!remaining_chunks_are_clean(file, format_end, list_end)) return false;
    *next = list_end;
    return true;
}

bool identify_avi(FILE* file, IdentResult* record) {
    clear_ident_result(record);
    rewind(file);
    unsigned char riff[12];
    if (!read_exact(file, riff, sizeof riff) || !has_id(riff, "RIFF") || !has_id(riff + 8, "AVI "))
        return false;
    write_format_description(&record->format);

    unsigned char list[12];
    if (!read_exact(file, list, sizeof list) || !has_id(list, "LIST") || !has_id(list + 8, "hdrl"))
        return true;
    unsigned char avih[kChunkHeader];
    if (!read_exact(file, avih, sizeof avih) || !has_id(avih, "avih")) return true;
    int32_t main_header_size = read_s32le(avih + 4);
    if (main_header_size < 0) return true;
    // The first stream list is expected right after the main header.
    int64_t position = 12 + 12 + kChunkHeader + int64_t(main_header_size);
    unsigned char body[kMainHeaderRead];
    if (!read_exact(file, body, sizeof body)) return true;
    take_main_header(file, body, record);

    // Each list lies at least 12 bytes past the one before it, and a header
    // listing more streams than a file can hold ends the walk there.
    for (int streams = 0; streams < kMaxStreams; ++streams)
        if (!read_stream_list(file, position, record, &position)) break;
    return true;
}

// The identification record: the one place where an identifier leaves what it
// learned about the examined file, and the only thing the report writer reads.
#pragma once

#include <cstdint>

// Description of a container format or a codec. Every text is always
// terminated within its array; an empty text means the item is absent.
struct FormatInfo {
    char name[65];
    char short_name[17];
    char author[65];
    char web_site[256];
    char notes[1024];
};

// One content-description text of an ASF file.
struct MetaItem {
    const char* label;  // static text, never freed
    char* value;        // heap text owned by the record
};

struct IdentResult {
    FormatInfo format;
    uint8_t has_video;
    uint8_t has_audio;
    double duration;          // seconds
    int32_t data_rate;        // bytes per second
    int32_t width;
    int32_t height;
    double frame_rate;        // frames per second
    int32_t sample_rate;      // Hz
    int32_t audio_byte_rate;  // bytes per second
    int32_t channels;
    uint8_t has_video_codec_id;
    uint32_t video_codec_id;  // FourCC, first character in the lowest byte
    uint8_t has_audio_codec_id;
    uint32_t audio_codec_id;  // WAVE format tag, or a QuickTime sound type
    FormatInfo video_codec;
    FormatInfo audio_codec;
    int32_t meta_count;
    // Made with calloc, one entry longer than its items: the extra entry has
    // a null label and ends the array, so the record can release every value.
    MetaItem* meta_items;
};

extern IdentResult ident_result;

// Releases a metadata array and every value in it (null is allowed).
void release_meta_items(MetaItem* items);

// Every identifier begins with this: releases the metadata texts the record
// owns, then sets every byte of the record to zero.
void clear_ident_result(IdentResult* record);

// Copies at most max_chars characters of src into dst (an array of at least
// max_chars + 1 bytes) and terminates it.
void copy_text(char* dst, const char* src, int max_chars);

// Turns a 32-bit code into text, lowest byte first, each byte masked to 7
// bits. Writes into buf (5 bytes) or, when buf is null, into a static buffer
// that the next call overwrites.
const char* fourcc_text(uint32_t code, char* buf = nullptr);

// Packs four bytes as they stand in a file into a FourCC (first byte lowest).
constexpr uint32_t make_fourcc(char a, char b, char c, char d) {
    return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 |
           uint32_t(uint8_t(d)) << 24;
}

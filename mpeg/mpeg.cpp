#include "mpeg/mpeg.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "mpeg/end_duration.h"
#include "mpeg/stream_readers.h"
#include "model/stream_io.h"
#include "platform/platform.h"

const float mpeg_frame_rates[16] = {
    0.0f, 23.976f, 24.0f, 25.0f, 29.97f, 30.0f, 50.0f, 59.94f, 60.0f, 0, 0, 0, 0, 0, 0, 0,
};

const int32_t mpeg_audio_bit_rates[2][4][16] = {
    {
        {0},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
    },
    {
        {0},
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},
    },
};

const int32_t mpeg_audio_sample_rates[2][4] = {
    {22050, 24000, 16000, 0},
    {44100, 48000, 32000, 0},
};

const int32_t mpeg_audio_channels[4] = {2, 2, 2, 1};

// The forward walk looks at start codes in this many bytes after the start.
static const int64_t kMpegWindow = 262144;

// Stream rate states besides a rate in bytes per second.
static const int32_t kRateNone = 0;
static const int32_t kRateVariable = -1;

// Mux rates and rate bounds count units of 50 bytes per second.
static const int32_t kMuxRateUnit = 50;

static const int kSequenceHeader = 0x1B3;
static const int kExtension = 0x1B5;
static const int kPackHeader = 0x1BA;
static const int kSystemHeader = 0x1BB;
static const int kAudioStream0 = 0x1C0;

struct FirstBytesRule {
    unsigned char code;  // byte after 00 00 01
    unsigned char mask;  // applied to the fifth byte; 0: no test
    unsigned char value;
    const char* name;
    const char* short_name;
    int kind;
};

// Tried in order; the first that holds decides.
static const FirstBytesRule kFirstBytesRules[] = {
    {0xBA, 0xF1, 0x21, "MPEG-1 System Stream", "MPEG-1", kMpegSystem},
    {0xBA, 0xF0, 0x40, "MPEG-2 Program Stream", "MPEG-2", kMpeg2Flag},
    {0xB3, 0x00, 0x00, "MPEG-1 Video Elementary Stream", "MPEG-1 Video", kMpegVideo},
    {0xC0, 0x00, 0x00, "MPEG Audio Elementary Stream", "MPEG Audio", kMpegAudio},
};

// Pack and system headers feed one rule: the first rate seen is kept, and
// any rate that differs from it makes the stream variable for good.
static void apply_rate(int32_t* stream_rate, int32_t rate) {
    if (*stream_rate == kRateNone) {
        *stream_rate = rate;
    } else if (*stream_rate != rate) {
        *stream_rate = kRateVariable;
    }
}

// Sequence header: 12-bit width, 12-bit height, aspect ratio and frame-rate
// code, then fields not used here.
static bool read_sequence_header(FILE* file, IdentResult* record) {
    unsigned char q[8];
    if (!read_exact(file, q, sizeof q)) return false;
    record->width = (q[0] << 4) | (q[1] >> 4);
    record->height = ((q[1] & 0x0F) << 8) | q[2];
    record->frame_rate = double(mpeg_frame_rates[q[3] & 0x0F]);
    return true;
}

// A sequence extension (identifier 0001) shows MPEG-2 video in a stream that
// was named MPEG-1: the "1" of both names becomes "2".
static bool read_extension(FILE* file, IdentResult* record, int* kind) {
    unsigned char e;
    if (!read_exact(file, &e, 1)) return false;
    if ((e & 0xF0) == 0x10 && strncmp(record->format.name, "MPEG-1", 6) == 0) {
        record->format.name[5] = '2';
        record->format.short_name[5] = '2';
        *kind += kMpeg2Flag;
    }
    return true;
}

// Pack header: the MPEG-1 layout (0010 ...) carries the 22-bit mux rate in
// bytes 5-7 between markers; the MPEG-2 layout in bytes 6-8.
static bool read_pack_header(FILE* file, int32_t* stream_rate) {
    unsigned char p[9];
    if (!read_exact(file, p, 8)) return false;
    int32_t mux_rate;
    if ((p[0] & 0xF1) == 0x21) {
        mux_rate = ((p[5] & 0x7F) << 15) | (p[6] << 7) | (p[7] >> 1);
    } else {
        if (!read_exact(file, p + 8, 1)) return false;
        mux_rate = (p[6] << 14) | (p[7] << 6) | (p[8] >> 2);
    }
    apply_rate(stream_rate, mux_rate * kMuxRateUnit);
    return true;
}

// System header: header length, then the 22-bit rate bound between markers.
static bool read_system_header(FILE* file, int32_t* stream_rate) {
    unsigned char s[6];
    if (!read_exact(file, s, sizeof s)) return false;
    int32_t rate_bound = ((s[2] & 0x7F) << 15) | (s[3] << 7) | (s[4] >> 1);
    apply_rate(stream_rate, rate_bound * kMuxRateUnit);
    return true;
}

// Audio frame header: 12-bit sync word, ID, layer bits, protection bit,
// bit-rate index, sampling-frequency index, padding and private bits, mode.
static void decode_audio_frame_header(const unsigned char* a, IdentResult* record) {
    if (a[0] != 0xFF || (a[1] & 0xF0) != 0xF0) return;
    const int id = (a[1] >> 3) & 0x01;
    const int layer = 4 - ((a[1] >> 1) & 0x03);
    const int bit_rate_index = a[2] >> 4;
    const int sample_rate_index = (a[2] >> 2) & 0x03;
    const int mode = a[3] >> 6;
    record->sample_rate = mpeg_audio_sample_rates[id][sample_rate_index];
    // Layer bits 00 are reserved: layer 4 has no bit rates.
    const int32_t kbits = layer <= 3 ? mpeg_audio_bit_rates[id][layer][bit_rate_index] : 0;
    record->audio_byte_rate = kbits * 1000 / 8;
    record->channels = mpeg_audio_channels[mode];
    snprintf(record->audio_codec.name, sizeof record->audio_codec.name,
             id ? "MPEG-1 Layer %d" : "MPEG-1, Low Bitrate Extension, Layer %d", layer);
}

static bool read_first_audio_packet(FILE* file, IdentResult* record) {
    if (!skip_packet_header(file)) return false;
    unsigned char a[4];
    if (!read_exact(file, a, sizeof a)) return false;
    decode_audio_frame_header(a, record);
    return true;
}

// Classifies the file by its first five bytes; fills the names and returns
// the kind, or 0.
static int classify_first_bytes(const unsigned char* b, const char** name,
                                const char** short_name) {
    if (b[0] != 0x00 || b[1] != 0x00 || b[2] != 0x01) return kMpegNone;
    for (const FirstBytesRule& rule : kFirstBytesRules) {
        if (b[3] == rule.code && (b[4] & rule.mask) == rule.value) {
            *name = rule.name;
            *short_name = rule.short_name;
            return rule.kind;
        }
    }
    return kMpegNone;
}

int identify_mpeg(FILE* file, IdentResult* record, int32_t embedded_limit, int32_t end_budget) {
    clear_ident_result(record);
    rewind(file);
    unsigned char first[5];
    if (!read_exact(file, first, sizeof first)) return kMpegNone;
    rewind(file);

    const char* name = nullptr;
    const char* short_name = nullptr;
    int kind = classify_first_bytes(first, &name, &short_name);
    if (kind == kMpegNone && embedded_limit != 0 && find_embedded_pack(file, embedded_limit)) {
        name = "MPEG-1 Embedded System Stream";
        short_name = "MPEG-1";
        kind = kMpegEmbeddedSystem;
    }
    if (kind == kMpegNone) return kMpegNone;

    copy_text(record->format.name, name, 64);
    copy_text(record->format.short_name, short_name, 16);
    copy_text(record->format.author, "Moving Picture Experts Group", 64);
    copy_text(record->format.web_site, "https://www.mpeg.org", 255);

    const int64_t start = ftell(file);
    if (start < 0) return kind;
    const int64_t window_limit = start + kMpegWindow;
    int32_t stream_rate = kRateNone;

    // Each start code found moves the walk forward; it ends at the end of the
    // file or at the window limit.
    for (int code; (code = next_start_code(file, window_limit)) != 0;) {
        bool complete = true;
        if (code == kSequenceHeader) {
            if (record->has_video) continue;
            record->has_video = 1;
            complete = read_sequence_header(file, record);
        } else if (code == kExtension) {
            if (kind & kMpeg2Flag) continue;
            complete = read_extension(file, record, &kind);
        } else if (code == kPackHeader) {
            complete = read_pack_header(file, &stream_rate);
        } else if (code == kSystemHeader) {
            complete = read_system_header(file, &stream_rate);
        } else if (code == kAudioStream0) {
            if (record->has_audio) continue;
            record->has_audio = 1;
            complete = read_first_audio_packet(file, record);
        }
        if (!complete) return kind;
    }

    const int32_t length = file_length(file);
    if (stream_rate > 0 && length >= 0) {
        record->duration = double(int64_t(length) - start) / double(stream_rate);
        record->data_rate = stream_rate;
    }
    if (end_budget != 0) {
        double from_end = duration_from_end(file, record->frame_rate, end_budget);
        if (from_end > record->duration) record->duration = from_end;
    }
    return kind;
}

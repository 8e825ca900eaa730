#include "mpeg/stream_readers.h"

#include <cstdint>
#include <cstring>

#include "model/stream_io.h"

const int32_t pts_dts_lengths[4] = {0, 0, 5, 10};

// The patterns searched for are start codes; a fixed history of the last
// bytes read is enough to compare them after every byte.
static const int kMaxPatternLength = 16;

// A packet's length field is 16 bits, so no packet header runs further than
// that many bytes past the field; a longer run of stuffing or unknown bytes
// is no header.
static const int64_t kMaxPacketBytes = 65535;

// An MPEG-1 pack header takes 8 bytes after its start code; the 3 after that
// must be the prefix of the next start code.
static const int kEmbeddedPackBytes = 11;

static const int64_t kNoLimit = INT64_MAX;

bool find_pattern(FILE* file, const unsigned char* pattern, int length, int64_t limit) {
    if (length <= 0 || length > kMaxPatternLength) return false;
    int64_t position = ftell(file);
    if (position < 0) return false;
    if (limit <= 0) limit = kNoLimit;
    // The last bytes read, newest at the end; matched against the pattern
    // after every byte, so a byte that breaks a partial match can begin a
    // new one (00 00 00 01 is found as 00 00 01).
    unsigned char recent[kMaxPatternLength];
    int held = 0;
    for (;;) {
        if (position >= limit) return false;
        ++position;
        int c = getc(file);
        if (c == EOF) return false;
        if (held == length) {
            memmove(recent, recent + 1, size_t(length - 1));
            --held;
        }
        recent[held++] = static_cast<unsigned char>(c);
        if (held == length && memcmp(recent, pattern, size_t(length)) == 0) return true;
    }
}

int next_start_code(FILE* file, int64_t limit) {
    static const unsigned char kPrefix[3] = {0x00, 0x00, 0x01};
    if (!find_pattern(file, kPrefix, 3, limit)) return 0;
    int code = getc(file);
    if (code == EOF) return 0;
    return 0x100 | code;
}

static bool skip_forward(FILE* file, int64_t count) {
    return count == 0 || fseek(file, long(count), SEEK_CUR) == 0;
}

static bool read_byte(FILE* file, unsigned char* byte) {
    int c = getc(file);
    if (c == EOF) return false;
    *byte = static_cast<unsigned char>(c);
    return true;
}

// An MPEG-2 header may end in stuffing bytes after its optional fields; its
// header data length counts them, so the header ends there when that lies
// further on.
static bool reach_header_end(FILE* file, int64_t header_end) {
    int64_t position = ftell(file);
    if (position < 0) return false;
    return position >= header_end || seek_to(file, header_end);
}

// MPEG-2 form: a flags byte and the header data length, then the optional
// fields the flags announce, then stuffing up to the header's end.
static bool skip_mpeg2_header(FILE* file) {
    unsigned char head[2];
    if (!read_exact(file, head, 2)) return false;
    const unsigned char flags = head[0];
    int64_t fields_start = ftell(file);
    if (fields_start < 0) return false;
    const int64_t header_end = fields_start + head[1];

    int64_t fields = pts_dts_lengths[flags >> 6];
    if (flags & 0x20) fields += 6;  // ESCR
    if (flags & 0x10) fields += 3;  // ES rate
    if (flags & 0x08) fields += 1;  // DSM trick mode
    if (flags & 0x04) fields += 1;  // additional copy info
    if (flags & 0x02) fields += 2;  // previous-packet CRC
    if (!skip_forward(file, fields)) return false;
    if (!(flags & 0x01)) return reach_header_end(file, header_end);

    unsigned char extension;
    if (!read_byte(file, &extension)) return false;
    if (extension & 0x40) return false;  // pack header field: not supported
    fields = 0;
    if (extension & 0x80) fields += 16;  // private data
    if (extension & 0x20) fields += 2;   // program packet sequence counter
    if (extension & 0x10) fields += 2;   // P-STD buffer
    if (!skip_forward(file, fields)) return false;
    if (!(extension & 0x01)) return reach_header_end(file, header_end);

    unsigned char second_length;
    if (!read_byte(file, &second_length)) return false;
    if (!skip_forward(file, second_length & 0x7F)) return false;
    return reach_header_end(file, header_end);
}

// MPEG-1 form: stuffing bytes 0xFF, an optional buffer field (01...), then a
// PTS (0010), a PTS and DTS pair (0011 then 0001), or 0x0F for none.
static bool skip_mpeg1_header(FILE* file) {
    int64_t passed = 0;
    for (;;) {
        unsigned char b;
        if (!read_byte(file, &b)) return false;
        int64_t after = 0;
        if ((b & 0xC0) == 0x40) {
            after = 1;
        } else if ((b & 0xF0) != 0 && b != 0xFF) {
            after = 4;
        }
        if (!skip_forward(file, after)) return false;
        if ((b & 0xF0) < 0x30) return true;
        passed += 1 + after;
        if (passed > kMaxPacketBytes) return false;
    }
}

bool skip_packet_header(FILE* file) {
    unsigned char head[3];  // packet length, first header byte
    if (!read_exact(file, head, 3)) return false;
    if ((head[2] & 0xC0) == 0x80) return skip_mpeg2_header(file);
    if (ungetc(head[2], file) == EOF) return false;
    return skip_mpeg1_header(file);
}

// The MPEG-1 pack header tests: the 0010 marker of the clock reference, the
// marker bits around it and the mux rate, and the next start-code prefix.
static bool is_mpeg1_pack_followed_by_start_code(const unsigned char* e) {
    return (e[0] & 0xF1) == 0x21 && (e[2] & 0x01) && (e[4] & 0x01) && (e[5] & 0x80) &&
           (e[7] & 0x01) && e[8] == 0x00 && e[9] == 0x00 && e[10] == 0x01;
}

bool find_embedded_pack(FILE* file, int64_t limit) {
    static const unsigned char kPackStart[4] = {0x00, 0x00, 0x01, 0xBA};
    rewind(file);
    // Each failed candidate leaves the file just past its start code, so the
    // search moves forward by at least 4 bytes per round.
    for (;;) {
        if (limit > 0) {
            int64_t position = ftell(file);
            if (position < 0 || position >= limit) return false;
        }
        if (!find_pattern(file, kPackStart, 4, limit)) return false;
        unsigned char e[kEmbeddedPackBytes];
        if (!read_exact(file, e, kEmbeddedPackBytes)) return false;
        if (is_mpeg1_pack_followed_by_start_code(e)) {
            return fseek(file, -long(kEmbeddedPackBytes + 4), SEEK_CUR) == 0;
        }
        if (fseek(file, -long(kEmbeddedPackBytes), SEEK_CUR) != 0) return false;
    }
}

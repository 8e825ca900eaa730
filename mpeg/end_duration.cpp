#include "mpeg/end_duration.h"

#include <cstdint>

#include "model/stream_io.h"
#include "platform/platform.h"

// The file is read backwards in blocks of this size, the last block first.
static const int64_t kBlockSize = 1024;

// The system clock reference runs at 90 kHz; the pack values below drop its
// two lowest bits.
static const double kClockTicksPerSecondBy4 = 22500.0;

static const int kPictureCode = 0x100;
static const int kGroupOfPicturesCode = 0x1B8;
static const int kPackCode = 0x1BA;

// Going backwards a start code shows as its code byte, then 01, 00, 00.
enum Expected { kExpectNone = -1, kExpectZero = 0, kExpectSecondZero = 1, kExpectOne = 2 };

struct StartCodeMatcher {
    int expected;
    int candidate;  // 0x100 | the byte that may be the code byte
};

// Feeds one byte (going backwards); returns the code of the start code that
// the byte completes, or -1.
static int feed_matcher(StartCodeMatcher* m, unsigned char b) {
    if (m->expected == kExpectOne && b == 0x01) {
        m->expected = kExpectSecondZero;
    } else if (m->expected == kExpectSecondZero && b == 0x00) {
        m->expected = kExpectZero;
    } else if (m->expected == kExpectZero && b == 0x00) {
        m->expected = kExpectNone;
        return m->candidate;
    } else {
        // A byte that does not fit the prefix may be the code byte of an
        // earlier start code.
        m->candidate = 0x100 | b;
        m->expected = kExpectOne;
    }
    return -1;
}

static bool read_at(FILE* file, int64_t position, unsigned char* buf, size_t count) {
    return seek_to(file, position) && read_exact(file, buf, count);
}

// Group-of-pictures time code: drop flag, hours (5 bits), minutes (6),
// marker, seconds (6), pictures (6), then the group flags.
static double time_from_group(const unsigned char* g, double frame_rate, int32_t pictures_after) {
    int hours = (g[0] >> 2) & 0x1F;
    int minutes = ((g[0] & 0x03) << 4) | (g[1] >> 4);
    int seconds = ((g[1] & 0x07) << 3) | (g[2] >> 5);
    int pictures = ((g[2] & 0x1F) << 1) | (g[3] >> 7);
    if (double(pictures) >= frame_rate) pictures = 0;
    double time = hours * 3600.0 + minutes * 60.0 + seconds;
    if (frame_rate != 0) time += (double(pictures) + double(pictures_after)) / frame_rate;
    return time;
}

// The pack's system clock reference without its two lowest bits, in either
// layout; false when the bytes have neither.
static bool pack_clock(const unsigned char* k, int64_t* value) {
    const int64_t k0 = k[0], k1 = k[1], k2 = k[2], k3 = k[3], k4 = k[4];
    if ((k0 & 0xF1) == 0x21) {  // MPEG-1: 0010, bits 32-30, marker, ...
        *value = ((k0 & 0x0E) << 27) | (k1 << 20) | ((k2 & 0xFE) << 12) | (k3 << 5) |
                 ((k4 & 0xF8) >> 3);
        return true;
    }
    if ((k0 & 0xC4) == 0x44) {  // MPEG-2: 01, bits 32-30, marker, bits 29-28, ...
        *value = ((k0 & 0x38) << 25) | ((k0 & 0x03) << 26) | (k1 << 18) | ((k2 & 0xF8) << 10) |
                 ((k2 & 0x03) << 11) | (k3 << 3) | ((k4 & 0xE0) >> 5);
        return true;
    }
    return false;
}

double duration_from_end(FILE* file, double frame_rate, int32_t end_budget) {
    int32_t budget = end_budget < 0 ? INT32_MAX : end_budget;
    int64_t block_start = file_length(file);
    if (block_start <= 0) return 0;
    unsigned char block[kBlockSize];
    int64_t left = 0;
    StartCodeMatcher matcher = {kExpectOne, 0};
    int32_t pictures_after = 0;

    // Each round examines one byte further back, within the budget.
    for (;;) {
        if (left == 0 && block_start == 0) return 0;
        if (budget < 0) return 0;
        --budget;
        if (left == 0) {
            int64_t new_start = block_start > kBlockSize ? block_start - kBlockSize : 0;
            int64_t size = block_start - new_start;
            // A block that cannot be read whole (the file shrank) ends the scan.
            if (!read_at(file, new_start, block, size_t(size))) return 0;
            block_start = new_start;
            left = size;
        }
        --left;
        const int64_t position = block_start + left;
        const int code = feed_matcher(&matcher, block[left]);
        if (code == kPictureCode) {
            ++pictures_after;
        } else if (code == kGroupOfPicturesCode) {
            unsigned char g[4];
            if (!read_at(file, position + 4, g, sizeof g)) return 0;
            return time_from_group(g, frame_rate, pictures_after);
        } else if (code == kPackCode) {
            unsigned char k[6];  // k5 is the MPEG-2 clock extension, not used
            int64_t value;
            if (read_at(file, position + 4, k, sizeof k) && pack_clock(k, &value)) {
                return double(value) / kClockTicksPerSecondBy4;
            }
        }
    }
}

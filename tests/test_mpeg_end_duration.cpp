// Play time from the end of an MPEG file: the last group-of-pictures time
// code with the pictures after it, or the last pack's clock reference.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "mpeg/end_duration.h"
#include "tests/support.h"

namespace {

Bytes start_code(int code) { return bytes({0x00, 0x00, 0x01, code}); }

Bytes group_of_pictures(const Bytes& time_code) { return start_code(0xB8) + time_code; }

// A picture header: temporal reference 0, an I picture, then slice-like
// bytes free of start-code prefixes.
Bytes picture() { return start_code(0x00) + bytes({0x00, 0x0F, 0xFF, 0xF8, 0x55, 0x66}); }

Bytes pictures(int count) {
    Bytes out;
    for (int i = 0; i < count; ++i) out += picture();
    return out;
}

Bytes filler(size_t n) { return Bytes(n, char(0x77)); }

double scan(const Bytes& data, double frame_rate, int32_t budget = 262144) {
    OpenBytes f(data);
    return duration_from_end(f.file(), frame_rate, budget);
}

// 0 h 1 min 2 s, pictures field 5.
const Bytes kTimeCode = bytes({0x00, 0x18, 0x42, 0x80});

TEST(MpegDurationFromEnd, GroupTimeCodePlusCountedPictures) {
    struct Case {
        const char* what;
        Bytes time_code;
        double frame_rate;
        double seconds;
    };
    const Case cases[] = {
        {"time code and pictures", kTimeCode, 25, 62 + 15 / 25.0},
        {"no frame rate: whole seconds", kTimeCode, 0, 62},
        {"drop flag and hours stay out of minutes", bytes({0x84, 0x18, 0x42, 0x80}), 25,
         3662 + 15 / 25.0},
        {"pictures field not below the rate", bytes({0x00, 0x18, 0x4F, 0x00}), 25, 62 + 10 / 25.0},
        {"largest fields", bytes({0x7F, 0xF7, 0xFF, 0x80}), 60, 31 * 3600 + 63 * 60 + 63 + 10 / 60.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes data = filler(50) + group_of_pictures(c.time_code) + pictures(10) + filler(3);
        EXPECT_DOUBLE_EQ(scan(data, c.frame_rate), c.seconds);
    }
}

TEST(MpegDurationFromEnd, PicturesCountedAcrossBlocks) {
    // 300 pictures of 10 bytes after the group: the scan crosses three
    // block boundaries, some start codes straddling them.
    Bytes data = filler(5000) + group_of_pictures(kTimeCode) + pictures(300) + filler(7);
    EXPECT_DOUBLE_EQ(scan(data, 25), 62 + 305 / 25.0);
    // A file shorter than one block is read from position 0.
    EXPECT_DOUBLE_EQ(scan(group_of_pictures(kTimeCode), 25), 62 + 5 / 25.0);
}

// Pack headers reading 10 seconds in each layout.
const Bytes kMpeg1Pack = start_code(0xBA) + bytes({0x21, 0x00, 0x37, 0x77, 0x41, 0x80});
const Bytes kMpeg2Pack = start_code(0xBA) + bytes({0x44, 0x00, 0xDD, 0xDD, 0x04, 0x01});
// 0x21 0x00 0x01 0x00 0x01: clock reference 0.
const Bytes kMpeg1PackAtZero = start_code(0xBA) + bytes({0x21, 0x00, 0x01, 0x00, 0x01, 0x80});

TEST(MpegDurationFromEnd, LastPackClockReferenceInBothLayouts) {
    EXPECT_DOUBLE_EQ(scan(filler(20) + kMpeg1Pack + filler(20), 0), 10);
    EXPECT_DOUBLE_EQ(scan(filler(20) + kMpeg2Pack + filler(20), 0), 10);
    // Largest MPEG-1 clock reference: 2^33 - 1 ticks, two lowest bits dropped.
    Bytes largest = start_code(0xBA) + bytes({0x2F, 0xFF, 0xFF, 0xFF, 0xFF, 0x80});
    EXPECT_DOUBLE_EQ(scan(largest, 0), double((int64_t(1) << 31) - 1) / 22500);
    // A pack matching neither layout is passed over; so is one cut short.
    Bytes neither = start_code(0xBA) + bytes({0x00, 0x00, 0x01, 0x00, 0x01, 0x80});
    EXPECT_DOUBLE_EQ(scan(kMpeg2Pack + filler(10) + neither + filler(5), 0), 10);
    EXPECT_DOUBLE_EQ(scan(kMpeg1Pack + filler(10) + start_code(0xBA) + bytes({0x21, 0x00}), 0),
                     10);
}

TEST(MpegDurationFromEnd, LaterMarkDecides) {
    EXPECT_DOUBLE_EQ(scan(kMpeg1Pack + group_of_pictures(kTimeCode) + pictures(10), 25), 62.6);
    EXPECT_DOUBLE_EQ(scan(group_of_pictures(kTimeCode) + pictures(10) + kMpeg1Pack, 25), 10);
    // A pack at clock 0 is still a mark: the scan stops there with 0.
    EXPECT_DOUBLE_EQ(scan(kMpeg1Pack + kMpeg1PackAtZero, 25), 0);
}

TEST(MpegDurationFromEnd, UnreadableLastTimeCodeGivesZero) {
    // The last group's time code is cut short: no look at earlier groups.
    Bytes data = group_of_pictures(kTimeCode) + filler(10) + start_code(0xB8) + bytes({0x00});
    EXPECT_DOUBLE_EQ(scan(data, 25), 0);
    EXPECT_DOUBLE_EQ(scan(filler(3000), 25), 0);
    EXPECT_DOUBLE_EQ(scan(Bytes(), 25), 0);
}

TEST(MpegDurationFromEnd, BudgetBoundsTheBytesExamined) {
    // The pack's first byte lies 11 bytes before the end: budget 10 lets
    // 11 bytes be examined, budget 9 only 10.
    Bytes data = filler(100) + kMpeg1Pack + filler(1);
    EXPECT_DOUBLE_EQ(scan(data, 0, 10), 10);
    EXPECT_DOUBLE_EQ(scan(data, 0, 9), 0);

    Bytes far = kMpeg1Pack + filler(300000);
    EXPECT_DOUBLE_EQ(scan(far, 0), 0);
    EXPECT_DOUBLE_EQ(scan(far, 0, -1), 10);
}

}  // namespace

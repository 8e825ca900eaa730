// Forward MPEG readers: pattern search below a limit, both packet-header
// forms, and the search for an MPEG-1 pack behind leading data.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "mpeg/stream_readers.h"
#include "tests/support.h"

namespace {

const unsigned char kPrefix[3] = {0x00, 0x00, 0x01};

// An MPEG-1 pack header (start code, clock reference 0, mux rate 2520)
// followed by the prefix of the next start code, as the embedded search
// wants it.
Bytes mpeg1_pack_then_prefix() {
    return bytes({0x00, 0x00, 0x01, 0xBA, 0x21, 0x00, 0x01, 0x00, 0x01, 0x80, 0x13, 0xB1,
                  0x00, 0x00, 0x01, 0xBB});
}

TEST(MpegFindPattern, StopsJustAfterThePatternOrAtTheLimit) {
    struct Case {
        const char* what;
        Bytes data;
        long start;
        int64_t limit;
        bool found;
        long position;  // after the call
    };
    const Case cases[] = {
        {"extra zero before the prefix", bytes({0, 0, 0, 1, 0xB3}), 0, 0, true, 4},
        {"broken partial match restarts", bytes({0, 1, 0, 0, 1}), 0, 0, true, 5},
        {"prefix ending just below limit", bytes({0, 0, 1}), 0, 3, true, 3},
        {"01 at the limit is not read", bytes({0, 0, 1}), 0, 2, false, 2},
        {"limit is absolute, not relative", bytes({9, 9, 0, 0, 1}), 2, 5, true, 5},
        {"limit below the start", bytes({9, 9, 0, 0, 1}), 2, 4, false, 4},
        {"negative limit: none", bytes({9, 0, 0, 1}), 0, -1, true, 4},
        {"no match to the end", bytes({0, 0, 2, 0, 0}), 0, 0, false, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OpenBytes f(c.data);
        ASSERT_EQ(fseek(f.file(), c.start, SEEK_SET), 0);
        EXPECT_EQ(find_pattern(f.file(), kPrefix, 3, c.limit), c.found);
        EXPECT_EQ(ftell(f.file()), c.position);
    }
}

TEST(MpegNextStartCode, ReturnsCodeByteEvenBeyondLimit) {
    OpenBytes at_end(bytes({0xFF, 0, 0, 1}));
    EXPECT_EQ(next_start_code(at_end.file(), 0), 0);

    OpenBytes code(bytes({0xFF, 0, 0, 0, 1, 0xB3, 0, 0, 1, 0xBA}));
    EXPECT_EQ(next_start_code(code.file(), 0), 0x1B3);
    // The second prefix ends at position 9; the code byte at 9 lies at the limit.
    EXPECT_EQ(next_start_code(code.file(), 9), 0x1BA);
    EXPECT_EQ(next_start_code(code.file(), 0), 0);
}

// The bytes after a packet start code: the packet length, then the header,
// then payload bytes that no skip may reach (so a stop inside them shows).
Bytes packet(const Bytes& header) { return be16(0x1234) + header + Bytes(64, char(0xAA)); }

struct SkipCase {
    const char* what;
    Bytes header;  // after the packet length
    bool ok;
    long data_at;  // position of the packet data, counted from the packet length
};

void check_skips(const SkipCase* cases, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const SkipCase& c = cases[i];
        SCOPED_TRACE(c.what);
        OpenBytes f(packet(c.header));
        EXPECT_EQ(skip_packet_header(f.file()), c.ok);
        if (c.ok) {
            EXPECT_EQ(ftell(f.file()), c.data_at);
        }
    }
}

TEST(MpegSkipPacketHeader, Mpeg2FormPassesOptionalFields) {
    // Header: 10xxxxxx, flags, header data length, then the fields.
    const SkipCase cases[] = {
        {"PTS", bytes({0x80, 0x80, 0x00}), true, 5 + 5},
        {"PTS and DTS", bytes({0x80, 0xC0, 0x00}), true, 5 + 10},
        {"PTS/DTS value 01 has no bytes", bytes({0x80, 0x40, 0x00}), true, 5},
        {"PTS and ESCR", bytes({0x80, 0xA0, 0x00}), true, 5 + 11},
        {"ES rate, trick mode, copy info, CRC", bytes({0x80, 0x1E, 0x00}), true, 5 + 7},
        {"extension with P-STD buffer", bytes({0x80, 0x81, 0x00}) + zeros(5) + bytes({0x10}), true,
         5 + 5 + 1 + 2},
        {"extension with private data and counter", bytes({0x80, 0x01, 0x00, 0xA0}), true,
         5 + 1 + 18},
        {"second extension ignores the top length bit",
         bytes({0x80, 0x01, 0x00, 0x01, 0x85}), true, 5 + 1 + 1 + 5},
        {"pack header field fails", bytes({0x80, 0x01, 0x00, 0x41}), false, 0},
        {"pack header field fails with all else", bytes({0x80, 0xFF, 0x00}) + zeros(23) +
         bytes({0xFF}), false, 0},
        {"first byte 0xBF is MPEG-2 form", bytes({0xBF, 0x80, 0x00}), true, 5 + 5},
        // Stuffing after the fields is counted by the header data length.
        {"stuffing after PTS", bytes({0x80, 0x80, 0x08}) + zeros(5) + Bytes(3, char(0xFF)), true,
         5 + 8},
        {"stuffing after extension", bytes({0x81, 0x81, 0x09}) + zeros(5) + bytes({0x10, 0, 0}),
         true, 5 + 9},
        {"length shorter than the fields", bytes({0x80, 0xC0, 0x02}), true, 5 + 10},
    };
    check_skips(cases, sizeof cases / sizeof cases[0]);
}

TEST(MpegSkipPacketHeader, Mpeg1FormPassesStuffingBufferAndTimeStamps) {
    const SkipCase cases[] = {
        {"stuffing, buffer, PTS", bytes({0xFF, 0xFF, 0x41, 0x00, 0x21, 1, 2, 3, 4}), true, 2 + 9},
        {"PTS and DTS", bytes({0x31, 1, 2, 3, 4, 0x11, 1, 2, 3, 4}), true, 2 + 10},
        {"no time stamps", bytes({0x0F}), true, 2 + 1},
        {"invalid byte passes four more", bytes({0xC5, 1, 2, 3, 4, 0x0F}), true, 2 + 6},
    };
    check_skips(cases, sizeof cases / sizeof cases[0]);
}

TEST(MpegSkipPacketHeader, FailsOnShortOrEndlessHeaders) {
    const Bytes cases[] = {
        be16(8),                                       // no header byte
        be16(8) + bytes({0x80, 0x80}),                 // no header data length
        be16(8) + bytes({0x80, 0x01, 0x00}),           // extension flags missing
        be16(8) + bytes({0x80, 0x01, 0x00, 0x01}),     // second extension length missing
        be16(8) + Bytes(40, char(0xFF)),               // stuffing to the end of the file
        be16(8) + Bytes(70000, char(0xFF)) + bytes({0x0F}),  // longer than any packet
    };
    for (const Bytes& data : cases) {
        OpenBytes f(data);
        EXPECT_FALSE(skip_packet_header(f.file())) << data.size();
    }
}

TEST(MpegFindEmbeddedPack, FindsValidPackBelowLimit) {
    Bytes leading(2048, char(0x5A));
    Bytes data = leading + mpeg1_pack_then_prefix() + zeros(32);
    struct Case {
        int64_t limit;
        bool found;
    };
    // The pack start code occupies positions 2048-2051: all four below the limit.
    const Case cases[] = {{131072, true}, {2052, true}, {2051, false}, {-1, true}};
    for (const Case& c : cases) {
        OpenBytes f(data);
        ASSERT_EQ(find_embedded_pack(f.file(), c.limit), c.found) << c.limit;
        if (c.found) {
            EXPECT_EQ(ftell(f.file()), 2048);
        }
    }
}

TEST(MpegFindEmbeddedPack, PassesOverPacksThatFailTheTests) {
    Bytes no_next_prefix = mpeg1_pack_then_prefix();
    no_next_prefix[14] = 0x02;  // the eleventh byte after the start code
    Bytes no_marker = mpeg1_pack_then_prefix();
    no_marker[8] = 0x00;  // e4 marker bit
    // A failed candidate's bytes may hold the next start code: the search
    // resumes right after the failed start code.
    Bytes overlapping = bytes({0x00, 0x00, 0x01, 0xBA}) + mpeg1_pack_then_prefix();
    Bytes data = Bytes(100, char(0x5A)) + no_next_prefix + no_marker + overlapping + zeros(16);
    OpenBytes f(data);
    ASSERT_TRUE(find_embedded_pack(f.file(), 131072));
    EXPECT_EQ(ftell(f.file()), long(100 + 16 + 16 + 4));

    OpenBytes none(Bytes(100, char(0x5A)) + no_next_prefix + no_marker);
    EXPECT_FALSE(find_embedded_pack(none.file(), 131072));
    // A pack start code near the end whose 11 bytes are cut short.
    OpenBytes cut(Bytes(10, char(0x5A)) + mpeg1_pack_then_prefix().substr(0, 12));
    EXPECT_FALSE(find_embedded_pack(cut.file(), -1));
}

}  // namespace

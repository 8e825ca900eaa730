// The MPEG identifier: kinds by the first bytes, relabelling to MPEG-2, the
// multiplex rate, the first audio frame header and the two durations, on
// crafted streams and on real files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "model/ident_record.h"
#include "mpeg/mpeg.h"
#include "tests/support.h"

namespace {

Bytes start_code(int code) { return bytes({0x00, 0x00, 0x01, code}); }

// MPEG-1 pack: 0010, clock reference in three marked parts, marked mux rate.
Bytes mpeg1_pack(uint64_t clock, uint32_t mux_rate) {
    return start_code(0xBA) +
           bytes({int(0x21 | ((clock >> 29) & 0x0E)), int((clock >> 22) & 0xFF),
                  int(((clock >> 14) & 0xFE) | 1), int((clock >> 7) & 0xFF),
                  int(((clock << 1) & 0xFE) | 1), int(0x80 | ((mux_rate >> 15) & 0x7F)),
                  int((mux_rate >> 7) & 0xFF), int(((mux_rate << 1) & 0xFE) | 1)});
}

// MPEG-2 pack: 01, clock reference, extension, 22-bit mux rate, 11, no stuffing.
Bytes mpeg2_pack(uint64_t clock, uint32_t mux_rate) {
    return start_code(0xBA) +
           bytes({int(0x44 | ((clock >> 27) & 0x38) | ((clock >> 28) & 0x03)),
                  int((clock >> 20) & 0xFF),
                  int(((clock >> 12) & 0xF8) | 0x04 | ((clock >> 13) & 0x03)),
                  int((clock >> 5) & 0xFF), int(((clock << 3) & 0xF8) | 0x04), 0x01,
                  int((mux_rate >> 14) & 0xFF), int((mux_rate >> 6) & 0xFF),
                  int(((mux_rate << 2) & 0xFC) | 0x03), 0xF8});
}

Bytes system_header(uint32_t rate_bound) {
    return start_code(0xBB) + be16(9) +
           bytes({int(0x80 | ((rate_bound >> 15) & 0x7F)), int((rate_bound >> 7) & 0xFF),
                  int(((rate_bound << 1) & 0xFE) | 1), 0x04, 0xE1, 0xFF, 0xE0, 0xE0, 0xE6});
}

// Sequence header: size, aspect ratio 1 and the frame-rate code, bit rate,
// buffer size and flags.
Bytes sequence_header(int width, int height, int rate_code) {
    return start_code(0xB3) + bytes({width >> 4, ((width & 0x0F) << 4) | (height >> 8),
                                     height & 0xFF, 0x10 | rate_code, 0xFF, 0xFF, 0xE0, 0xA0});
}

Bytes extension(int first_byte) { return start_code(0xB5) + bytes({first_byte, 0x48, 0x00}); }

// Audio packet of stream 0 with an MPEG-1 header (no time stamps).
Bytes mpeg1_audio_packet(const Bytes& frame_header) {
    return start_code(0xC0) + be16(20) + bytes({0x0F}) + frame_header + Bytes(15, char(0x55));
}

// Audio packet with an MPEG-2 header: PTS, then stuffing counted by the
// header data length.
Bytes mpeg2_audio_packet(const Bytes& frame_header, int stuffing) {
    return start_code(0xC0) + be16(30) + bytes({0x81, 0x80, 5 + stuffing, 0x21, 0, 1, 0, 1}) +
           Bytes(size_t(stuffing), char(0xFF)) + frame_header + Bytes(15, char(0x55));
}

const Bytes kLayer2Mono = bytes({0xFF, 0xFD, 0x80, 0xC0});

Bytes filler(size_t n) { return Bytes(n, char(0x77)); }

struct Identified {
    int kind;
    IdentResult record;
};

Identified identify(const Bytes& data, int32_t embedded_limit = 131072, int32_t end_budget = 0) {
    OpenBytes f(data);
    Identified out;
    out.kind = identify_mpeg(f.file(), &ident_result, embedded_limit, end_budget);
    out.record = ident_result;
    return out;
}

TEST(MpegIdentify, KindAndNamesFromFirstBytes) {
    const Bytes pack1 = mpeg1_pack(0, 2520);
    struct Case {
        const char* what;
        Bytes data;
        int32_t embedded_limit;
        int kind;
        const char* name;
        const char* short_name;
    };
    const Case cases[] = {
        {"MPEG-1 pack", pack1 + filler(8), 131072, 3, "MPEG-1 System Stream", "MPEG-1"},
        {"MPEG-2 pack", mpeg2_pack(0, 2520) + filler(8), 131072, 8, "MPEG-2 Program Stream",
         "MPEG-2"},
        {"sequence header", sequence_header(352, 288, 3), 131072, 1,
         "MPEG-1 Video Elementary Stream", "MPEG-1 Video"},
        {"audio packet", mpeg1_audio_packet(kLayer2Mono), 131072, 2,
         "MPEG Audio Elementary Stream", "MPEG Audio"},
        {"pack of neither layout", start_code(0xBA) + bytes({0x64}) + filler(40), 131072, 0, "",
         ""},
        {"four bytes only", start_code(0xB3), -1, 0, "", ""},
        {"pack behind leading data", start_code(0xBA) + bytes({0x64}) + filler(40) + pack1 +
         start_code(0xBB), 131072, 4, "MPEG-1 Embedded System Stream", "MPEG-1"},
        {"embedded search off", filler(40) + pack1 + start_code(0xBB), 0, 0, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Identified id = identify(c.data, c.embedded_limit);
        EXPECT_EQ(id.kind, c.kind);
        EXPECT_STREQ(id.record.format.name, c.name);
        EXPECT_STREQ(id.record.format.short_name, c.short_name);
        if (c.kind != 0) {
            EXPECT_STREQ(id.record.format.author, "Moving Picture Experts Group");
            EXPECT_STREQ(id.record.format.web_site, "https://www.mpeg.org");
        }
    }
}

TEST(MpegIdentify, SequenceExtensionRelabelsMpeg1Streams) {
    const Bytes video = sequence_header(720, 576, 3) + extension(0x14);
    struct Case {
        const char* what;
        Bytes data;
        int kind;
        const char* name;
        const char* short_name;
    };
    const Case cases[] = {
        {"video stream", video, 9, "MPEG-2 Video Elementary Stream", "MPEG-2 Video"},
        {"other extension", sequence_header(720, 576, 3) + extension(0x24), 1,
         "MPEG-1 Video Elementary Stream", "MPEG-1 Video"},
        {"system stream, twice", mpeg1_pack(0, 1) + video + extension(0x14), 11,
         "MPEG-2 System Stream", "MPEG-2"},
        {"embedded stream", filler(10) + mpeg1_pack(0, 1) + video, 12,
         "MPEG-2 Embedded System Stream", "MPEG-2"},
        {"audio stream keeps its name", mpeg1_audio_packet(kLayer2Mono) + video, 2,
         "MPEG Audio Elementary Stream", "MPEG Audio"},
        {"program stream", mpeg2_pack(0, 1) + video, 8, "MPEG-2 Program Stream", "MPEG-2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Identified id = identify(c.data);
        EXPECT_EQ(id.kind, c.kind);
        EXPECT_STREQ(id.record.format.name, c.name);
        EXPECT_STREQ(id.record.format.short_name, c.short_name);
    }
}

TEST(MpegIdentify, FirstSequenceHeaderGivesPictureAndFrameRate) {
    Identified id = identify(sequence_header(4095, 2160, 4) + sequence_header(352, 288, 3));
    EXPECT_TRUE(id.record.has_video);
    EXPECT_EQ(id.record.width, 4095);
    EXPECT_EQ(id.record.height, 2160);
    // The single-precision value, widened.
    EXPECT_EQ(id.record.frame_rate, double(29.97f));
    EXPECT_EQ(id.record.frame_rate, 29.969999313354492);
    EXPECT_EQ(identify(sequence_header(16, 16, 9)).record.frame_rate, 0.0);
}

TEST(MpegIdentify, MultiplexRateAndDurationFromFileSize) {
    const Bytes pack = mpeg1_pack(0, 2520);
    struct Case {
        const char* what;
        Bytes data;
        int32_t data_rate;
    };
    const Case cases[] = {
        {"same mux rate throughout", pack + filler(100) + pack + system_header(2520) + pack,
         126000},
        {"MPEG-2 packs", mpeg2_pack(0, 2520) + filler(100) + mpeg2_pack(0, 2520), 126000},
        {"differing rate bound makes it variable", pack + system_header(2521) + pack, 0},
        {"differing packs stay variable", pack + mpeg1_pack(0, 100) + pack, 0},
        {"zero rate is no rate", mpeg1_pack(0, 0) + pack, 126000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Identified id = identify(c.data);
        EXPECT_EQ(id.record.data_rate, c.data_rate);
        EXPECT_DOUBLE_EQ(id.record.duration,
                         c.data_rate ? double(c.data.size()) / c.data_rate : 0.0);
    }
    // Behind leading data the size counts from the embedded pack.
    Bytes embedded = filler(1000) + pack + system_header(2520) + filler(200) + pack;
    Identified id = identify(embedded);
    EXPECT_EQ(id.kind, 4);
    EXPECT_DOUBLE_EQ(id.record.duration, double(embedded.size() - 1000) / 126000);
}

TEST(MpegIdentify, WalkEndsAtTheWindow) {
    // The walk covers 262144 bytes: a start code whose prefix lies below
    // that is seen even with its code byte at the limit.
    const Bytes head = sequence_header(352, 288, 3);
    for (size_t prefix_at : {size_t(262141), size_t(262142)}) {
        Bytes data = head + Bytes(prefix_at - head.size(), char(0xFF)) + mpeg1_pack(0, 2520);
        EXPECT_EQ(identify(data).record.data_rate, prefix_at == 262141 ? 126000 : 0) << prefix_at;
    }
}

TEST(MpegIdentify, FirstAudioPacketFrameHeader) {
    struct Case {
        const char* what;
        Bytes header;
        int32_t sample_rate;
        int32_t byte_rate;
        int32_t channels;
        const char* codec;
    };
    const Case cases[] = {
        {"layer 2, 44.1 kHz, mono", kLayer2Mono, 44100, 16000, 1, "MPEG-1 Layer 2"},
        {"lower sampling frequencies", bytes({0xFF, 0xF5, 0x80, 0x40}), 22050, 8000, 2,
         "MPEG-1, Low Bitrate Extension, Layer 2"},
        {"layer 1, 48 kHz, dual channel", bytes({0xFF, 0xFF, 0xE4, 0x80}), 48000, 56000, 2,
         "MPEG-1 Layer 1"},
        {"layer 3, 32 kHz, joint stereo", bytes({0xFF, 0xFB, 0x98, 0x40}), 32000, 16000, 2,
         "MPEG-1 Layer 3"},
        {"reserved layer bits", bytes({0xFF, 0xF9, 0xE4, 0x00}), 48000, 0, 2, "MPEG-1 Layer 4"},
        {"reserved layer, lower frequencies", bytes({0xFF, 0xF1, 0xFC, 0xC0}), 0, 0, 1,
         "MPEG-1, Low Bitrate Extension, Layer 4"},
        {"no sync word", bytes({0xFF, 0xE5, 0x80, 0x40}), 0, 0, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // A later packet with a valid header is never looked at.
        Identified id = identify(mpeg1_pack(0, 1) + mpeg1_audio_packet(c.header) +
                                 mpeg1_audio_packet(kLayer2Mono));
        EXPECT_TRUE(id.record.has_audio);
        EXPECT_EQ(id.record.sample_rate, c.sample_rate);
        EXPECT_EQ(id.record.audio_byte_rate, c.byte_rate);
        EXPECT_EQ(id.record.channels, c.channels);
        EXPECT_STREQ(id.record.audio_codec.name, c.codec);
        EXPECT_FALSE(id.record.has_audio_codec_id);
    }
}

TEST(MpegIdentify, StuffingInMpeg2AudioPacketHeaderIsPassedOver) {
    for (int stuffing : {0, 1, 3}) {
        Identified id = identify(mpeg2_pack(0, 2520) + mpeg2_audio_packet(kLayer2Mono, stuffing));
        EXPECT_EQ(id.record.sample_rate, 44100) << stuffing;
        EXPECT_STREQ(id.record.audio_codec.name, "MPEG-1 Layer 2") << stuffing;
    }
}

TEST(MpegIdentify, ShortHeaderEndsTheWalkWithoutDurations) {
    const Bytes pack = mpeg1_pack(22500 * 4 * 100, 2520);
    struct Case {
        const char* what;
        Bytes data;
    };
    const Case cases[] = {
        {"sequence header cut short", pack + start_code(0xB3) + bytes({0x16, 0x01})},
        {"pack header cut short", pack + start_code(0xBA) + bytes({0x21, 0x00})},
        {"audio packet header with a pack field",
         pack + start_code(0xC0) + be16(20) + bytes({0x80, 0x01, 0x03, 0x40}) + filler(30)},
        {"audio frame header cut short", pack + mpeg1_audio_packet(Bytes()).substr(0, 9)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Identified id = identify(c.data, 131072, 262144);
        EXPECT_EQ(id.kind, 3);
        EXPECT_EQ(id.record.data_rate, 0);
        EXPECT_EQ(id.record.duration, 0.0);
    }
    // A short sequence header still marks the stream as carrying video.
    EXPECT_TRUE(identify(start_code(0xB3) + bytes({0x16})).record.has_video);
}

TEST(MpegIdentify, LargerDurationWins) {
    // Size / rate: 1000 * 126000 bytes would be needed for 1000 s; here the
    // file is small, so the size gives little and the last pack decides.
    Bytes data = mpeg1_pack(0, 2520) + filler(5000) + mpeg1_pack(90000 * 40, 2520);
    const double from_size = double(data.size()) / 126000;
    EXPECT_DOUBLE_EQ(identify(data, 131072, 0).record.duration, from_size);
    EXPECT_DOUBLE_EQ(identify(data, 131072, 262144).record.duration, 40.0);
    // A smaller time at the end leaves the size duration.
    Bytes early = mpeg1_pack(0, 20) + filler(5000) + mpeg1_pack(9000, 20);
    EXPECT_DOUBLE_EQ(identify(early, 131072, 262144).record.duration,
                     double(early.size()) / 1000);
    // The group-of-pictures time uses the frame rate of the first sequence header.
    Bytes video = sequence_header(352, 288, 3) + start_code(0xB8) +
                  bytes({0x00, 0x18, 0x42, 0x80}) + start_code(0x00) + bytes({0x00, 0x0F});
    EXPECT_DOUBLE_EQ(identify(video, 131072, 262144).record.duration, 62 + 6 / 25.0);
}

// Real files made by tests/data/make_mpeg.sh; the expected values are what
// ffprobe reports for them (sizes, rates, channels) and the mux rate asked
// of the muxer. Durations: the last pack's clock reference runs about half
// a second ahead of the media (the muxer's preload), and the backward scan
// misses pictures whose temporal reference begins with the byte 01.
struct RealFile {
    const char* name;
    int kind;
    const char* format;
    int width, height;
    double frame_rate;
    int sample_rate, audio_byte_rate, channels;
    const char* audio_codec;
    int data_rate;
    double min_duration, max_duration;
};

TEST(MpegRealFiles, MatchWhatTheirMakerReports) {
    const RealFile files[] = {
        {"mpeg1_system.mpg", 3, "MPEG-1 System Stream", 160, 120, 25, 44100, 8000, 1,
         "MPEG-1 Layer 2", 50000, 2.0, 2.6},
        {"mpeg2_program.vob", 8, "MPEG-2 Program Stream", 176, 144, double(29.97f), 48000, 16000,
         2, "MPEG-1 Layer 2", 75000, 1.0, 1.6},
        {"mpeg1_video.m1v", 1, "MPEG-1 Video Elementary Stream", 128, 96, double(23.976f), 0, 0, 0,
         "", 0, 1.8, 2.1},
        {"mpeg2_video.m2v", 9, "MPEG-2 Video Elementary Stream", 160, 120, 25, 0, 0, 0, "", 0,
         2.0, 2.0},
        {"audio_only.mpg", 3, "MPEG-1 System Stream", 0, 0, 0, 22050, 8000, 2,
         "MPEG-1, Low Bitrate Extension, Layer 2", -1, 2.8, 3.5},
        {"junk_front.mpg", 4, "MPEG-1 Embedded System Stream", 160, 120, 25, 0, 0, 0, "", 25000,
         1.0, 1.6},
    };
    for (const RealFile& f : files) {
        SCOPED_TRACE(f.name);
        Identified id = identify(read_file(test_data(f.name)), 131072, 262144);
        const IdentResult& r = id.record;
        EXPECT_EQ(id.kind, f.kind);
        EXPECT_STREQ(r.format.name, f.format);
        EXPECT_EQ(r.has_video != 0, f.width != 0);
        EXPECT_EQ(r.has_audio != 0, f.sample_rate != 0);
        EXPECT_EQ(r.width, f.width);
        EXPECT_EQ(r.height, f.height);
        EXPECT_EQ(r.frame_rate, f.frame_rate);
        EXPECT_EQ(r.sample_rate, f.sample_rate);
        EXPECT_EQ(r.audio_byte_rate, f.audio_byte_rate);
        EXPECT_EQ(r.channels, f.channels);
        EXPECT_STREQ(r.audio_codec.name, f.audio_codec);
        if (f.data_rate >= 0) {
            EXPECT_EQ(r.data_rate, f.data_rate);
        }
        EXPECT_GE(r.duration, f.min_duration);
        EXPECT_LE(r.duration, f.max_duration);
    }
}

TEST(MpegRealFiles, ReportThroughTheDriver) {
    RunResult run = run_driver({test_data("mpeg2_program.vob")});
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.output,
              "   File Name:  mpeg2_program.vob\n"
              "\n"
              " File Format:  MPEG-2 Program Stream\n"
              "      Author:  Moving Picture Experts Group\n"
              "    Web Site:  https://www.mpeg.org\n"
              "\n"
              "     Content:  Video and Audio\n"
              "    Duration:  1.267 sec\n"
              "   Data Rate:  600 kbps (ave)\n"
              "  Video Info:  176 x 144, 29.970 fps\n"
              "  Audio Info:  48000 Hz, 128.0 kbps, stereo\n"
              "\n"
              "Audio Format:  MPEG-1 Layer 2\n");
    // The options reach the identifier: the pack start code lies at 3000-3003.
    const std::string junk = test_data("junk_front.mpg");
    EXPECT_NE(run_driver({junk}).output.find("MPEG-1 Embedded System Stream"), std::string::npos);
    EXPECT_NE(run_driver({"-M:3003", junk}).output.find("File Format:  unknown"),
              std::string::npos);
    EXPECT_NE(run_driver({"-M:3004", junk}).output.find("Embedded"), std::string::npos);
    // Without the scan from the end, the duration comes from size / mux rate.
    const std::string system = test_data("mpeg1_system.mpg");
    EXPECT_NE(run_driver({system}).output.find("Duration:  2.044 sec"), std::string::npos);
    EXPECT_NE(run_driver({"-D0", system}).output.find("Duration:  1.352 sec"), std::string::npos);
}

}  // namespace

#include <gtest/gtest.h>

#include "containers/realmedia.h"
#include "tests/support.h"

namespace {

Bytes u8(unsigned v) { return Bytes(1, char(v)); }

Bytes chunk(const std::string& id, const Bytes& body) { return id + be32(uint32_t(8 + body.size())) + body; }

// The file header chunk: version, file version, header count.
Bytes rmf_header() { return chunk(".RMF", be16(0) + be32(0) + be32(4)); }

Bytes prop(int32_t duration_ms, unsigned version = 0, const std::string& id = "PROP") {
    return chunk(id, be16(version) + zeros(20) + be32(uint32_t(duration_ms)) + zeros(14));
}

// A video stream's type-specific part: length, four bytes, tag and codec,
// width, height, six bytes, frame rate.
Bytes video_part(unsigned width, unsigned height, unsigned fps, const std::string& codec = "VIDORV10") {
    return be32(34) + be32(0) + codec + be16(width) + be16(height) + zeros(6) + be16(fps) + zeros(6);
}

// A media properties chunk: version, stream number, maximum and average bit
// rate, packet sizes, start time, preroll, duration, name, MIME type, then
// the type-specific part.
Bytes mdpr(const std::string& mime, int32_t average_bit_rate = 0, int32_t duration_ms = 0,
           const Bytes& type_specific = "", const std::string& name = "Stream", unsigned version = 0,
           const std::string& id = "MDPR") {
    Bytes body = be16(version) + be16(0) + be32(0) + be32(uint32_t(average_bit_rate)) + zeros(16) +
                 be32(uint32_t(duration_ms)) + u8(unsigned(name.size())) + name + u8(unsigned(mime.size())) +
                 mime + type_specific;
    return chunk(id, body);
}

// The bytes without their last n, as a file cut off by the end.
Bytes cut(const Bytes& b, size_t n) { return b.substr(0, b.size() - n); }

bool identify(const Bytes& contents) {
    OpenBytes file(contents);
    return identify_realmedia(file.file(), &ident_result);
}

TEST(RealMedia, SignatureIsExactAndAloneSuffices) {
    EXPECT_FALSE(identify(".rmf" + zeros(40)));
    EXPECT_FALSE(identify(".RM"));
    ASSERT_TRUE(identify(".RMF"));
    EXPECT_STREQ(ident_result.format.name, "RealMedia");
    EXPECT_STREQ(ident_result.format.author, "RealNetworks, Inc.");
    EXPECT_STREQ(ident_result.format.web_site, "https://www.realnetworks.com");
    EXPECT_STREQ(ident_result.format.short_name, "");
    EXPECT_EQ(ident_result.duration, 0);
}

TEST(RealMedia, DurationFromFileAndStreams) {
    struct Case {
        const char* what;
        Bytes chunks;
        double duration;
    } cases[] = {
        {"stream longer than file", prop(59000) + mdpr("audio/x", 0, 60000), 60.0},
        {"file longer than stream", prop(61000) + mdpr("audio/x", 0, 60000), 61.0},
        {"file properties after a stream replace it", mdpr("audio/x", 0, 60000) + prop(50000), 50.0},
        {"ids in any letter case", prop(1000, 0, "prop") + mdpr("audio/x", 0, 2500, "", "s", 0, "MdPr"), 2.5},
        {"version other than 0 is passed over",
         prop(7000, 1) + mdpr("audio/x", 0, 9000, "", "s", 1) + mdpr("audio/x", 0, 3000), 3.0},
        {"chunk of size 8 has an empty body", chunk("CONT", "") + prop(4000), 4.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(identify(rmf_header() + c.chunks));
        EXPECT_DOUBLE_EQ(ident_result.duration, c.duration);
    }
}

TEST(RealMedia, StreamKindsAndParameters) {
    ASSERT_TRUE(identify(rmf_header() + mdpr("video/x-pn-realvideo", 90000, 0, video_part(352, 288, 25)) +
                         mdpr("audio/x-pn-realaudio", 44100)));
    EXPECT_EQ(ident_result.has_video, 1);
    EXPECT_EQ(ident_result.has_audio, 1);
    EXPECT_EQ(ident_result.width, 352);
    EXPECT_EQ(ident_result.height, 288);
    EXPECT_EQ(ident_result.frame_rate, 25.0);
    EXPECT_EQ(ident_result.audio_byte_rate, 5512);  // 44100 / 8, truncated
    EXPECT_EQ(ident_result.has_video_codec_id, 0);
    EXPECT_EQ(ident_result.has_audio_codec_id, 0);
    EXPECT_EQ(ident_result.sample_rate, 0);

    // A later RealVideo version gives no picture; an earlier RV10 stream's
    // picture stays. The last audio stream gives the byte rate.
    ASSERT_TRUE(identify(rmf_header() + mdpr("video/x-pn-realvideo", 0, 0, video_part(176, 144, 15)) +
                         mdpr("video/x-pn-realvideo", 0, 0, video_part(640, 480, 30, "VIDORV20")) +
                         mdpr("audio/a", 64000) + mdpr("audio/b", 16000)));
    EXPECT_EQ(ident_result.width, 176);
    EXPECT_EQ(ident_result.frame_rate, 15.0);
    EXPECT_EQ(ident_result.audio_byte_rate, 2000);

    ASSERT_TRUE(identify(rmf_header() + mdpr("video/x-pn-realvideo", 0, 0, video_part(640, 480, 30, "VIDORV20"))));
    EXPECT_EQ(ident_result.has_video, 1);
    EXPECT_EQ(ident_result.width, 0);
    EXPECT_EQ(ident_result.frame_rate, 0);

    // The MIME prefix must match in letter case; other types set nothing.
    ASSERT_TRUE(identify(rmf_header() + mdpr("Video/x", 0, 0, video_part(176, 144, 15)) +
                         mdpr("AUDIO/x", 64000) + mdpr("logical-fileinfo", 64000)));
    EXPECT_EQ(ident_result.has_video, 0);
    EXPECT_EQ(ident_result.has_audio, 0);
    EXPECT_EQ(ident_result.width, 0);
    EXPECT_EQ(ident_result.audio_byte_rate, 0);
}

TEST(RealMedia, TextLimitsEndTheWalk) {
    const std::string s63(63, 'n'), s64(64, 'n');
    struct Case {
        const char* what;
        Bytes stream;
        bool later_chunk_read;
    } cases[] = {
        {"name of 63", mdpr("audio/x", 8000, 0, "", s63), true},
        {"name of 64", mdpr("audio/x", 8000, 0, "", s64), false},
        {"MIME type of 63", mdpr("audio/" + std::string(57, 'm'), 8000), true},
        {"MIME type of 64", mdpr("audio/" + std::string(58, 'm'), 8000), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(identify(rmf_header() + prop(1000) + c.stream + prop(5000)));
        EXPECT_EQ(ident_result.has_audio, c.later_chunk_read);
        EXPECT_DOUBLE_EQ(ident_result.duration, c.later_chunk_read ? 5.0 : 1.0);
    }
}

TEST(RealMedia, MalformedChunksEndTheWalkQuietly) {
    struct Case {
        const char* what;
        Bytes contents;
        double duration;
    } cases[] = {
        {"file header size below 8", ".RMF" + be32(7) + prop(3000), 0},
        {"size of 2^31 or more", rmf_header() + prop(3000) + "DATA" + be32(0x80000000u) + prop(6000), 3.0},
        {"size beyond the end of the file", rmf_header() + prop(3000) + "DATA" + be32(0x7FFFFFFF) + prop(6000), 3.0},
        {"cut off in the fixed part", rmf_header() + prop(3000) + cut(mdpr("audio/x", 0, 9000), 30), 3.0},
        {"cut off in the video part",
         rmf_header() + cut(mdpr("video/x", 0, 4000, video_part(176, 144, 15)), 10), 4.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(identify(c.contents));
        EXPECT_DOUBLE_EQ(ident_result.duration, c.duration);
        EXPECT_EQ(ident_result.width, 0);
    }
}

// Files from an independent writer; values as its own reader reports them.
TEST(RealMedia, RealFiles) {
    FILE* file = fopen(test_data("rm_rv10_ac3.rm").c_str(), "rb");
    ASSERT_NE(file, nullptr);
    ASSERT_TRUE(identify_realmedia(file, &ident_result));
    fclose(file);
    EXPECT_EQ(ident_result.has_video, 1);
    EXPECT_EQ(ident_result.has_audio, 1);
    EXPECT_DOUBLE_EQ(ident_result.duration, 2.02);
    EXPECT_EQ(ident_result.width, 176);
    EXPECT_EQ(ident_result.height, 144);
    EXPECT_EQ(ident_result.frame_rate, 15.0);
    EXPECT_EQ(ident_result.audio_byte_rate, 8000);  // 64000 bit/s

    // RealVideo 2.0: video without a picture size; RealAudio 14.4 at 8000 bit/s.
    file = fopen(test_data("rm_rv20_ra144.rm").c_str(), "rb");
    ASSERT_NE(file, nullptr);
    ASSERT_TRUE(identify_realmedia(file, &ident_result));
    fclose(file);
    EXPECT_EQ(ident_result.has_video, 1);
    EXPECT_EQ(ident_result.has_audio, 1);
    EXPECT_DOUBLE_EQ(ident_result.duration, 2.0);
    EXPECT_EQ(ident_result.width, 0);
    EXPECT_EQ(ident_result.audio_byte_rate, 1000);
}

TEST(RealMedia, ReportThroughTheDriver) {
    RunResult run = run_driver({test_data("rm_rv10_ac3.rm")});
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.output,
              "   File Name:  rm_rv10_ac3.rm\n"
              "\n"
              " File Format:  RealMedia\n"
              "      Author:  RealNetworks, Inc.\n"
              "    Web Site:  https://www.realnetworks.com\n"
              "\n"
              "     Content:  Video and Audio\n"
              "    Duration:  2.020 sec\n"
              "  Video Info:  176 x 144, 15 fps\n"
              "  Audio Info:  64.0 kbps\n");
}

}  // namespace

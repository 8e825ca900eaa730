#include <gtest/gtest.h>

#include <cstring>

#include "containers/avi.h"
#include "front/driver.h"
#include "tests/support.h"

// Builders for crafted AVI files. chunk() writes a RIFF chunk the way a
// writer does, with a pad byte after an odd-sized body; sized_chunk() states
// any size, whatever the body holds.
static Bytes sized_chunk(const char* id, uint32_t size, const Bytes& body) {
    return Bytes(id, 4) + le32(size) + body;
}
static Bytes chunk(const char* id, const Bytes& body) {
    Bytes out = sized_chunk(id, uint32_t(body.size()), body);
    if (body.size() % 2) out += '\0';
    return out;
}
static Bytes list(const char* type, const Bytes& content) {
    return chunk("LIST", Bytes(type, 4) + content);
}
static Bytes fourcc(const char* text) { return Bytes(text, 4); }

// The 56-byte main header.
static Bytes avih(uint32_t micro_sec_per_frame, uint32_t frames, uint32_t width, uint32_t height) {
    return chunk("avih", le32(micro_sec_per_frame) + zeros(12) + le32(frames) + zeros(12) +
                             le32(width) + le32(height) + zeros(16));
}
// The 56-byte stream header.
static Bytes strh(const char* type, const char* handler) {
    return chunk("strh", fourcc(type) + fourcc(handler) + zeros(48));
}
static Bytes wave_format(uint16_t tag, uint16_t channels, uint32_t rate, uint32_t byte_rate) {
    return le16(tag) + le16(channels) + le32(rate) + le32(byte_rate) + le16(4) + le16(16);
}
static Bytes video_stream(const char* handler, const Bytes& extra = "") {
    return list("strl", strh("vids", handler) + chunk("strf", zeros(40)) + extra);
}
static Bytes audio_stream(uint16_t tag, uint16_t channels, uint32_t rate, uint32_t byte_rate,
                          const Bytes& extra = "") {
    return list("strl", strh("auds", "none") +
                            chunk("strf", wave_format(tag, channels, rate, byte_rate)) + extra);
}
// A RIFF AVI file whose header list holds hdrl_content, followed by a movie
// list, padded with filler data to total bytes when total is given.
static Bytes avi_file(const Bytes& hdrl_content, size_t total = 0) {
    Bytes body = fourcc("AVI ") + list("hdrl", hdrl_content) + list("movi", "");
    Bytes file = chunk("RIFF", body);
    if (total > file.size()) file += zeros(total - file.size());
    return file;
}
static const Bytes kMainHeader = avih(40000, 250, 320, 240);

// The file up to and including the first occurrence of marker.
static Bytes cut_after(const Bytes& file, const char* marker) {
    return file.substr(0, file.find(marker) + strlen(marker));
}

static bool identify(const Bytes& bytes) {
    OpenBytes file(bytes);
    return identify_avi(file.file(), &ident_result);
}

TEST(Avi, Signature) {
    Bytes riff_avi = "RIFF" + le32(4) + "AVI ";
    EXPECT_FALSE(identify(riff_avi.substr(0, 11)));
    EXPECT_FALSE(identify("RIFF" + le32(4) + "WAVE" + zeros(40)));
    EXPECT_FALSE(identify("RIFX" + le32(4) + "AVI " + zeros(40)));

    ASSERT_TRUE(identify(riff_avi));
    EXPECT_STREQ(ident_result.format.name, "Audio-Video Interleaved (AVI)");
    EXPECT_STREQ(ident_result.format.short_name, "AVI");
    EXPECT_STREQ(ident_result.format.author, "Microsoft Corporation");
    EXPECT_STREQ(ident_result.format.web_site, "https://www.microsoft.com");
    EXPECT_EQ(ident_result.format.notes[0], '\0');
    EXPECT_EQ(ident_result.has_video + ident_result.has_audio, 0);
    EXPECT_EQ(ident_result.duration, 0);
}

TEST(Avi, MainHeaderAndStreams) {
    Bytes file = avi_file(kMainHeader + video_stream("DIVX") +
                              audio_stream(0x0055, 2, 44100, 16000, chunk("strn", "Sound")),
                          1000000);
    ASSERT_EQ(file.size(), 1000000u);
    ASSERT_TRUE(identify(file));
    EXPECT_DOUBLE_EQ(ident_result.frame_rate, 25.0);
    EXPECT_DOUBLE_EQ(ident_result.duration, 10.0);
    EXPECT_EQ(ident_result.data_rate, 100000);
    EXPECT_EQ(ident_result.width, 320);
    EXPECT_EQ(ident_result.height, 240);
    EXPECT_EQ(ident_result.has_video, 1);
    EXPECT_EQ(ident_result.has_video_codec_id, 1);
    EXPECT_EQ(ident_result.video_codec_id, make_fourcc('D', 'I', 'V', 'X'));
    EXPECT_EQ(ident_result.has_audio, 1);
    EXPECT_EQ(ident_result.has_audio_codec_id, 1);
    EXPECT_EQ(ident_result.audio_codec_id, 0x0055u);
    EXPECT_EQ(ident_result.channels, 2);
    EXPECT_EQ(ident_result.sample_rate, 44100);
    EXPECT_EQ(ident_result.audio_byte_rate, 16000);
}

TEST(Avi, LastStreamOfEachKindWinsAndOtherTypesSetNothing) {
    Bytes text_stream = list("strl", strh("txts", "abcd") + chunk("strf", zeros(12)));
    ASSERT_TRUE(
        identify(avi_file(kMainHeader + video_stream("DIVX") + audio_stream(1, 1, 8000, 8000) +
                          text_stream + video_stream("MJPG") + audio_stream(2, 2, 22050, 9000))));
    EXPECT_EQ(ident_result.video_codec_id, make_fourcc('M', 'J', 'P', 'G'));
    EXPECT_EQ(ident_result.audio_codec_id, 2u);
    EXPECT_EQ(ident_result.channels, 2);
    EXPECT_EQ(ident_result.sample_rate, 22050);

    // A text stream alone is neither video nor audio, but the walk passes it.
    ASSERT_TRUE(identify(avi_file(kMainHeader + text_stream + audio_stream(1, 1, 8000, 8000))));
    EXPECT_EQ(ident_result.has_video, 0);
    EXPECT_EQ(ident_result.has_audio, 1);
}

// Each malformed structure ends the walk with true; what was read before
// it stays.
TEST(Avi, WalkStops) {
    const Bytes video = video_stream("DIVX");
    const Bytes audio = audio_stream(1, 2, 8000, 32000);
    struct Case {
        const char* what;
        Bytes file;
        bool main_header, video, audio;
    } cases[] = {
        {"no header list", chunk("RIFF", fourcc("AVI ") + list("movi", zeros(64))), false, false,
         false},
        {"first chunk not avih", avi_file(chunk("JUNK", zeros(56)) + kMainHeader + video), false,
         false, false},
        {"negative main header size", avi_file(sized_chunk("avih", 0x80000000u, zeros(56)) + video),
         false, false, false},
        {"main header cut short", avi_file(sized_chunk("avih", 56, zeros(40))).substr(0, 64), false,
         false, false},
        {"filler between main header and first stream",
         avi_file(kMainHeader + chunk("JUNK", zeros(8)) + video), true, false, false},
        {"main header size off by 4",
         avi_file(sized_chunk("avih", 52, kMainHeader.substr(8)) + video), true, false, false},
        {"stream list size below 4",
         avi_file(kMainHeader + sized_chunk("LIST", 3, "strl" + strh("vids", "DIVX"))), true, false,
         false},
        {"not a strl list", avi_file(kMainHeader + list("odml", zeros(8)) + video), true, false,
         false},
        {"missing strh", avi_file(kMainHeader + list("strl", chunk("strf", zeros(40)))), true,
         false, false},
        {"missing strf",
         avi_file(kMainHeader + video +
                  list("strl", strh("auds", "none") + chunk("JUNK", zeros(16)))),
         true, true, false},
        {"audio format of 10 bytes",
         avi_file(kMainHeader + video +
                  list("strl", strh("auds", "none") + chunk("strf", zeros(10)))),
         true, true, false},
        {"video format of 10 bytes, audio after it",
         avi_file(kMainHeader + list("strl", strh("vids", "DIVX") + chunk("strf", zeros(10))) +
                  audio),
         true, true, false},
        {"stream header size far beyond the file",
         avi_file(
             kMainHeader +
             list("strl", sized_chunk("strh", 0x7FFFFFF0u, "vids" + fourcc("DIVX") + zeros(48)) +
                              chunk("strf", zeros(40))) +
             audio),
         true, true, false},
        {"negative stream header size",
         avi_file(
             kMainHeader +
             list("strl", sized_chunk("strh", 0xFFFFFF00u, "vids" + fourcc("DIVX") + zeros(48)) +
                              chunk("strf", zeros(40))) +
             audio),
         true, true, false},
        {"remaining chunk id not letters and digits",
         avi_file(kMainHeader + video_stream("DIVX", chunk("st-n", "ab")) + audio), true, true,
         false},
        {"negative remaining chunk size",
         avi_file(kMainHeader + video_stream("DIVX", sized_chunk("strn", 0x80000000u, "ab")) +
                  audio),
         true, true, false},
        // The check ends at the list's end, wherever the last chunk reaches.
        {"remaining chunk beyond the list's end",
         avi_file(kMainHeader + video_stream("DIVX", sized_chunk("strn", 0x7FFFFFFFu, "ab")) +
                  audio),
         true, true, true},
        {"file ends inside the remaining chunks",
         cut_after(avi_file(kMainHeader + video_stream("DIVX", chunk("strn", "ab")) + audio),
                   "strn"),
         true, true, false},
        {"stream list size past the file",
         avi_file(kMainHeader + sized_chunk("LIST", 0x7FFFFFFFu, video.substr(8))), true, true,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(identify(c.file));
        EXPECT_STREQ(ident_result.format.short_name, "AVI");
        EXPECT_EQ(ident_result.width == 320, c.main_header);
        EXPECT_EQ(ident_result.has_video, c.video);
        EXPECT_EQ(ident_result.has_audio, c.audio);
    }
}

// RIFF chunks are word-aligned: after an odd-sized chunk the next one starts
// one byte later, and the streams after such a chunk must still be read.
TEST(Avi, OddChunkPadBytes) {
    const Bytes audio = audio_stream(0x0001, 1, 11025, 11025);
    Bytes odd_format = wave_format(0x0002, 2, 22050, 22000) + le16(1) + "x";  // 19 bytes
    struct Case {
        const char* what;
        Bytes file;
    } cases[] = {
        {"odd stream name",
         avi_file(kMainHeader + video_stream("DIVX", chunk("strn", Bytes("abcd", 5))) + audio)},
        {"odd format chunk followed by a name",
         avi_file(
             kMainHeader +
             list("strl", strh("auds", "none") + chunk("strf", odd_format) + chunk("strn", "ab")) +
             audio)},
        {"odd format chunk ending the list",
         avi_file(kMainHeader + list("strl", strh("auds", "none") + chunk("strf", odd_format)) +
                  audio)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(identify(c.file));
        EXPECT_EQ(ident_result.has_audio, 1);
        EXPECT_EQ(ident_result.sample_rate, 11025);
    }
}

// A frame period of 0 gives no frame rate, duration or data rate; the rest
// of the header and the streams are still read.
TEST(Avi, ZeroFramePeriod) {
    ASSERT_TRUE(identify(avi_file(avih(0, 250, 320, 240) + video_stream("DIVX"), 100000)));
    EXPECT_EQ(ident_result.frame_rate, 0);
    EXPECT_EQ(ident_result.duration, 0);
    EXPECT_EQ(ident_result.data_rate, 0);
    EXPECT_EQ(ident_result.width, 320);
    EXPECT_EQ(ident_result.has_video, 1);
}

TEST(Avi, ZeroFramesAndTinyFramePeriod) {
    ASSERT_TRUE(identify(avi_file(avih(40000, 0, 320, 240), 100000)));
    EXPECT_DOUBLE_EQ(ident_result.frame_rate, 25.0);
    EXPECT_EQ(ident_result.duration, 0);
    EXPECT_EQ(ident_result.data_rate, 0);

    // One frame of one microsecond: the quotient (10^11) keeps its low 32 bits.
    ASSERT_TRUE(identify(avi_file(avih(1, 1, 0, 0), 100000)));
    EXPECT_DOUBLE_EQ(ident_result.duration, 1e-6);
    EXPECT_EQ(ident_result.data_rate, int32_t(uint32_t(100000000000ull)));
}

// The data rate is the file length over the duration, truncated.
TEST(Avi, DataRateTruncates) {
    ASSERT_TRUE(identify(avi_file(avih(40000, 75, 0, 0), 1000)));  // 3 s
    EXPECT_EQ(ident_result.data_rate, 333);
}

// Codecs are described from the database beside the program: a later stream
// whose codec the database lacks keeps the earlier description beside its
// own identifier.
TEST(Avi, CodecDescriptions) {
    TempFile db("msvid: DIVX\n  N: DivX video\nmsaud: 0x0055\n  N: Layer 3 audio\n", "reelkit.cdb");
    std::string program = db.dir() + "/reelkit";
    const char* saved = program_path;
    program_path = program.c_str();
    bool recognised =
        identify(avi_file(kMainHeader + video_stream("DIVX") +
                          audio_stream(0x0055, 2, 44100, 16000) + video_stream("ZZZZ")));
    program_path = saved;
    ASSERT_TRUE(recognised);
    EXPECT_EQ(ident_result.video_codec_id, make_fourcc('Z', 'Z', 'Z', 'Z'));
    EXPECT_STREQ(ident_result.video_codec.name, "DivX video");
    EXPECT_STREQ(ident_result.audio_codec.name, "Layer 3 audio");
}

// Stream numbers have two digits: the walk reads at most 100 stream lists.
TEST(Avi, AtMostOneHundredStreams) {
    Bytes streams;
    for (int i = 0; i < 99; ++i) streams += video_stream("DIVX");
    ASSERT_TRUE(identify(avi_file(kMainHeader + streams + video_stream("XVID"))));
    EXPECT_EQ(ident_result.video_codec_id, make_fourcc('X', 'V', 'I', 'D'));
    ASSERT_TRUE(
        identify(avi_file(kMainHeader + streams + video_stream("DIVX") + video_stream("XVID"))));
    EXPECT_EQ(ident_result.video_codec_id, make_fourcc('D', 'I', 'V', 'X'));
}

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "containers/asf.h"
#include "front/driver.h"
#include "platform/platform.h"
#include "tests/support.h"

using namespace std::string_literals;

// Builders for crafted ASF headers. guid() turns the textual form into the
// 16 bytes as they stand in a file: the first three groups little-endian,
// the last two as written.
static Bytes guid(const char* text) {
    std::string hex;
    for (const char* p = text; *p; ++p)
        if (*p != '-') hex += *p;
    auto byte_at = [&](size_t i) { return char(std::stoi(hex.substr(2 * i, 2), nullptr, 16)); };
    Bytes out;
    for (size_t i : {3, 2, 1, 0, 5, 4, 7, 6}) out += byte_at(i);
    for (size_t i = 8; i < 16; ++i) out += byte_at(i);
    return out;
}
static const Bytes kHeaderGuid = guid("75B22630-668E-11CF-A6D9-00AA0062CE6C");
static const Bytes kFileProperties = guid("8CABDCA1-A947-11CF-8EE4-00C00C205365");
static const Bytes kStreamProperties = guid("B7DC0791-A9B7-11CF-8EE6-00C00C205365");
static const Bytes kVideoMedia = guid("BC19EFC0-5B4D-11CF-A8FD-00805F5C442B");
static const Bytes kAudioMedia = guid("F8699E40-5B4D-11CF-A8FD-00805F5C442B");
static const Bytes kContentDescription = guid("75B22633-668E-11CF-A6D9-00AA0062CE6C");
static const Bytes kDataObject = guid("75B22636-668E-11CF-A6D9-00AA0062CE6C");

static Bytes object(const Bytes& id, const Bytes& body) {
    return id + le64(24 + body.size()) + body;
}

// The header object with count objects, then whatever follows the header.
static Bytes asf_file(uint32_t count, const Bytes& objects, const Bytes& after = "") {
    return kHeaderGuid + le64(30 + objects.size()) + le32(count) + "\x01\x02" + objects + after;
}
static Bytes file_properties(uint64_t file_size, uint64_t play_100ns, uint64_t preroll_ms,
                             uint32_t flags = 2) {
    return object(kFileProperties, zeros(16) + le64(file_size) + zeros(8) + le64(1) +
                                       le64(play_100ns) + le64(play_100ns) + le64(preroll_ms) +
                                       le32(flags) + le32(3200) + le32(3200) + le32(128000));
}
static Bytes stream_properties(const Bytes& type, const Bytes& type_data) {
    return object(kStreamProperties, type + zeros(16) + le64(0) + le32(uint32_t(type_data.size())) +
                                         le32(0) + le16(1) + le32(0) + type_data);
}
static Bytes video_stream(uint32_t width, uint32_t height, const char* compression) {
    Bytes bitmap_header = le32(40) + le32(width) + le32(height) + le16(1) + le16(24) +
                          Bytes(compression, 4) + zeros(20);
    return stream_properties(kVideoMedia,
                             le32(width) + le32(height) + "\x02" + le16(40) + bitmap_header);
}
static Bytes audio_stream(uint16_t tag, uint16_t channels, uint32_t rate, uint32_t byte_rate) {
    return stream_properties(kAudioMedia, le16(tag) + le16(channels) + le32(rate) +
                                              le32(byte_rate) + le16(2) + le16(16) + le16(0));
}
// UTF-16LE of a text, with its terminating NUL unit.
static Bytes utf16(const std::u16string& text) {
    Bytes out;
    for (char16_t unit : text + u'\0') out += le16(unit);
    return out;
}
// The five texts; each is stored with the length it has here.
static Bytes content_description(const Bytes& title, const Bytes& author = "",
                                 const Bytes& copyright = "", const Bytes& description = "",
                                 const Bytes& rating = "") {
    Bytes lengths, texts;
    for (const Bytes* t : {&title, &author, &copyright, &description, &rating}) {
        lengths += le16(uint32_t(t->size()));
        texts += *t;
    }
    return object(kContentDescription, lengths + texts);
}
// A content description whose stated lengths need not match its texts.
static Bytes content_description_lengths(uint16_t title_length, const Bytes& texts) {
    return object(kContentDescription, le16(title_length) + zeros(8) + texts);
}

static bool identify(const Bytes& bytes) {
    OpenBytes file(bytes);
    return identify_asf(file.file(), &ident_result);
}

// The metadata of the record as "label=value" lines, counted items only.
static std::string meta() {
    std::string out;
    for (int i = 0; i < ident_result.meta_count; ++i)
        out += std::string(ident_result.meta_items[i].label) + "=" +
               ident_result.meta_items[i].value + "\n";
    return out;
}

TEST(Asf, Signature) {
    Bytes start = asf_file(0, "");
    EXPECT_FALSE(identify(start.substr(0, 15)));
    EXPECT_FALSE(identify(start.substr(0, 27)));
    EXPECT_FALSE(identify(kContentDescription + zeros(40)));

    ASSERT_TRUE(identify(start.substr(0, 28)));
    ASSERT_TRUE(identify(start));
    EXPECT_STREQ(ident_result.format.name, "Advanced Systems Format (ASF)");
    EXPECT_STREQ(ident_result.format.short_name, "ASF");
    EXPECT_STREQ(ident_result.format.author, "Microsoft Corporation");
    EXPECT_STREQ(ident_result.format.web_site, "https://www.microsoft.com");
    EXPECT_EQ(ident_result.has_video + ident_result.has_audio, 0);
    EXPECT_EQ(ident_result.duration, 0);
}

TEST(Asf, HeaderObjects) {
    Bytes objects = file_properties(1000000, 130000000, 3000) + video_stream(640, 480, "WMV2") +
                    audio_stream(0x0161, 2, 44100, 16000) +
                    content_description(utf16(u"ABCDE"), "", utf16(u"(c) Us"));
    ASSERT_TRUE(identify(asf_file(4, objects, object(kDataObject, zeros(100)))));
    EXPECT_DOUBLE_EQ(ident_result.duration, 10.0);
    EXPECT_EQ(ident_result.data_rate, 100000);
    EXPECT_EQ(ident_result.has_video, 1);
    EXPECT_EQ(ident_result.width, 640);
    EXPECT_EQ(ident_result.height, 480);
    EXPECT_EQ(ident_result.has_video_codec_id, 1);
    EXPECT_EQ(ident_result.video_codec_id, make_fourcc('W', 'M', 'V', '2'));
    EXPECT_EQ(ident_result.has_audio, 1);
    EXPECT_EQ(ident_result.has_audio_codec_id, 1);
    EXPECT_EQ(ident_result.audio_codec_id, 0x0161u);
    EXPECT_EQ(ident_result.channels, 2);
    EXPECT_EQ(ident_result.sample_rate, 44100);
    EXPECT_EQ(ident_result.audio_byte_rate, 16000);
    EXPECT_EQ(ident_result.frame_rate, 0);
    EXPECT_EQ(meta(), "Title=ABCDE\nCopyright=(c) Us\n");
}

// Codecs are described from the database beside the program.
TEST(Asf, CodecDescriptions) {
    TempFile db(
        "msvid: WMV2\n  N: Windows Media Video 8\nmsaud: 0x0161\n  N: Windows Media Audio 2\n",
        "reelkit.cdb");
    std::string program = db.dir() + "/reelkit";
    const char* saved = program_path;
    program_path = program.c_str();
    bool recognised = identify(
        asf_file(2, video_stream(640, 480, "WMV2") + audio_stream(0x0161, 2, 44100, 16000)));
    program_path = saved;
    ASSERT_TRUE(recognised);
    EXPECT_STREQ(ident_result.video_codec.name, "Windows Media Video 8");
    EXPECT_STREQ(ident_result.audio_codec.name, "Windows Media Audio 2");
}

TEST(Asf, PlayTimeAndDataRate) {
    struct Case {
        const char* what;
        uint64_t file_size, play_100ns, preroll_ms;
        uint32_t flags;
        double duration;
        int32_t data_rate;
    } cases[] = {
        {"play time less preroll", 1000000, 130000000, 3000, 0, 10.0, 100000},
        {"broadcast", 1000000, 130000000, 3000, 1, 0, 0},
        {"rounded to nearest", 1000, 30000000, 0, 0, 3.0, 333},
        {"play time above 32 bits", 50000000, 10000000000ull, 0, 0, 1000.0, 50000},
        {"preroll longer than play time", 1000000, 10000000, 3000, 0, -2.0, -500000},
        {"zero play time", 1000000, 0, 0, 0, 0, 0},
        // 10^-7 s: the quotient lies far beyond 64 bits.
        {"quotient does not fit", 0xFFFFFFFFFFFFull, 10001, 1, 0, 1e-7, 0},
        // Low 32 bits of 10^11, as in the other identifiers.
        {"quotient keeps low 32 bits", 100000000000ull, 10000000, 0, 0, 1.0,
         int32_t(uint32_t(100000000000ull))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(identify(
            asf_file(1, file_properties(c.file_size, c.play_100ns, c.preroll_ms, c.flags))));
        EXPECT_NEAR(ident_result.duration, c.duration, 1e-12);
        EXPECT_EQ(ident_result.data_rate, c.data_rate);
    }
}

// Each malformed object ends the walk with true; what was read before it
// stays, and nothing after it is read.
TEST(Asf, WalkStops) {
    const Bytes video = video_stream(320, 240, "WMV1");
    const Bytes audio = audio_stream(0x0160, 1, 22050, 4000);
    auto with_size = [](const Bytes& obj, uint64_t size) {
        return obj.substr(0, 16) + le64(size) + obj.substr(24);
    };
    struct Case {
        const char* what;
        Bytes file;
        bool video, audio;
    } cases[] = {
        {"count reached", asf_file(1, video + audio), true, false},
        {"count past the header's objects",
         asf_file(100, video, object(kDataObject, zeros(50)) + audio), true, true},
        {"count past the end of the file", asf_file(0xFFFFFFFFu, video + audio), true, true},
        {"size with a high half", asf_file(2, with_size(video, 0x100000000ull | 85) + audio), false,
         false},
        {"size below 24", asf_file(2, with_size(video, 23) + audio), false, false},
        {"size of 2 GB or more", asf_file(2, with_size(video, 0x80000000ull) + audio), false,
         false},
        {"size far past the end", asf_file(2, with_size(video, 0x7FFFFFFFull) + audio), true,
         false},
        {"object header cut short", asf_file(2, video + audio.substr(0, 20)), true, false},
        {"stream properties cut short", asf_file(2, video + audio.substr(0, 24 + 53)), true, false},
        {"audio format cut short", asf_file(2, video + audio.substr(0, 24 + 54 + 11)), true, true},
        {"video format cut short", asf_file(2, video.substr(0, 24 + 54 + 30)), true, false},
        {"file properties cut short",
         asf_file(3, file_properties(1, 1, 0).substr(0, 24 + 67) + video), false, false},
        {"other stream type passed over",
         asf_file(
             2, stream_properties(guid("59DACFC0-59E6-11D0-A3AC-00A0C90348F6"), zeros(40)) + audio),
         false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(identify(c.file));
        EXPECT_EQ(ident_result.has_video, c.video);
        EXPECT_EQ(ident_result.has_audio, c.audio);
    }
    // A cut-off audio stream keeps its flag but none of its values.
    ASSERT_TRUE(identify(asf_file(1, audio.substr(0, 24 + 54 + 11))));
    EXPECT_EQ(ident_result.has_audio, 1);
    EXPECT_EQ(ident_result.has_audio_codec_id, 0);
    EXPECT_EQ(ident_result.sample_rate, 0);
}

// Content descriptions: what the record holds afterwards, and whether the
// walk went on to the audio stream behind the object. Objects cut short end
// the file.
TEST(Asf, ContentDescription) {
    const Bytes audio = audio_stream(0x0160, 1, 22050, 4000);
    Bytes x511(1022, '\0');
    for (size_t i = 0; i < x511.size(); i += 2) x511[i] = 'x';
    struct Case {
        const char* what;
        Bytes object;
        std::string meta;
        bool walk_goes_on;
        bool ends_file = false;
    } cases[] = {
        {"title only", content_description(utf16(u"ABCDE")), "Title=ABCDE\n", true},
        {"all five in order",
         content_description(utf16(u"T"), utf16(u"A"), utf16(u"C"), utf16(u"D"), utf16(u"R")),
         "Title=T\nAuthor=A\nCopyright=C\nDescription=D\nRating=R\n", true},
        {"no texts", content_description(""), "", true},
        {"odd length drops its last byte", content_description_lengths(7, "A\0B\0C\0D"s),
         "Title=ABC\n", true},
        {"length 1 gives an empty text", content_description_lengths(1, "A"), "Title=\n", true},
        {"text without terminator", content_description("H\0i\0"s), "Title=Hi\n", true},
        {"text ends at its first NUL", content_description(utf16(u"AB") + utf16(u"CD")),
         "Title=AB\n", true},
        {"length 1024 is read", content_description(x511 + zeros(2)),
         "Title=" + std::string(511, 'x') + "\n", true},
        {"length 1025 ends the walk", content_description_lengths(1025, x511 + zeros(3)), "", false,
         false},
        {"text cut off by the end of the file", content_description_lengths(12, "A\0B\0"s), "",
         false, true},
        {"later text cut off",
         content_description(utf16(u"T"), "A", utf16(u"C")).substr(0, 24 + 10 + 4 + 1), "", false,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(identify(asf_file(2, c.ends_file ? c.object : c.object + audio)));
        EXPECT_EQ(meta(), c.meta);
        EXPECT_EQ(ident_result.has_audio, c.walk_goes_on);
    }
}

// A later content description replaces an earlier one only when all its
// texts were read; either way no storage is left behind.
TEST(Asf, SecondContentDescription) {
    Bytes first = content_description(utf16(u"First"), utf16(u"Me"));
    ASSERT_TRUE(identify(asf_file(2, first + content_description("", "", utf16(u"Second")))));
    EXPECT_EQ(meta(), "Copyright=Second\n");

    ASSERT_TRUE(identify(asf_file(2, first + content_description_lengths(1025, zeros(1025)))));
    EXPECT_EQ(meta(), "Title=First\nAuthor=Me\n");

    ASSERT_TRUE(identify(asf_file(
        2, first + content_description(utf16(u"Second"), utf16(u"Cut")).substr(0, 24 + 10 + 16))));
    EXPECT_EQ(meta(), "Title=First\nAuthor=Me\n");

    ASSERT_TRUE(identify(asf_file(2, first + content_description(""))));
    EXPECT_EQ(meta(), "");
    clear_ident_result(&ident_result);
}

TEST(WideText, Utf16ToUtf8) {
    struct Case {
        const char* what;
        Bytes text;
        int32_t units;
        std::string expected;
    } cases[] = {
        {"no units", utf16(u"A"), 0, ""},
        {"ASCII", utf16(u"Hall B"), 6, "Hall B"},
        {"stops at the count", utf16(u"Hall B"), 4, "Hall"},
        {"stops at NUL", utf16(u"Ha") + utf16(u"ll"), 6, "Ha"},
        {"two- and three-byte characters", utf16(u"Café ☕"), 6, "Caf\xC3\xA9 \xE2\x98\x95"},
        {"surrogate pair", utf16(u"\U0001D11E!"), 3, "\xF0\x9D\x84\x9E!"},
        {"lone high surrogate", le16(0xD834) + le16('A'), 2, "?A"},
        {"high surrogate at the end", le16('A') + le16(0xD834) + le16(0xDD1E), 2, "A?"},
        {"lone low surrogate", le16(0xDD1E) + le16(0xDD1E), 2, "??"},
        {"negative count", utf16(u"A"), -1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (bool ansi : {false, true}) {
            char* text = utf16le_to_local(reinterpret_cast<const unsigned char*>(c.text.data()),
                                          c.units, ansi);
            ASSERT_NE(text, nullptr);
            EXPECT_EQ(std::string(text), c.expected);
            free(text);
        }
    }
}

// The report of a crafted file through the driver: the metadata lines come
// first, a non-ASCII title as UTF-8, and the -A choice gives the same text.
TEST(Asf, ReportWithNonAsciiTitle) {
    Bytes objects =
        file_properties(4000, 20000000, 0) +
        content_description(utf16(u"Caf\u00E9 \U0001D11E"), "", "", utf16(u"Recorded in hall B"));
    TempFile file(asf_file(2, objects), "talk.asf");
    for (const char* option : {"", "-A"}) {
        std::vector<std::string> args{file.path()};
        if (*option) args.insert(args.begin(), option);
        RunResult run = run_driver(args);
        EXPECT_EQ(run.output,
                  "   File Name:  talk.asf\n"
                  "       Title:  Caf\xC3\xA9 \xF0\x9D\x84\x9E\n"
                  " Description:  Recorded in hall B\n"
                  "\n"
                  " File Format:  Advanced Systems Format (ASF)\n"
                  "      Author:  Microsoft Corporation\n"
                  "    Web Site:  https://www.microsoft.com\n"
                  "\n"
                  "    Duration:  2.000 sec\n"
                  "   Data Rate:  16 kbps (ave)\n");
    }
    use_ansi_code_page = 0;
}

// Stream numbers have 7 bits: the walk reads at most 127 stream objects.
TEST(Asf, AtMost127Streams) {
    Bytes streams;
    for (int i = 0; i < 126; ++i) streams += video_stream(64, 48, "WMV1");
    ASSERT_TRUE(identify(asf_file(200, streams + video_stream(64, 48, "WMV2"))));
    EXPECT_EQ(ident_result.video_codec_id, make_fourcc('W', 'M', 'V', '2'));
    ASSERT_TRUE(identify(
        asf_file(200, streams + video_stream(64, 48, "WMV1") + video_stream(64, 48, "WMV2"))));
    EXPECT_EQ(ident_result.video_codec_id, make_fourcc('W', 'M', 'V', '1'));
}

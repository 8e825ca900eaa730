#include <gtest/gtest.h>

#include <climits>
#include <utility>
#include <vector>

#include "containers/quicktime.h"
#include "tests/support.h"

namespace {

Bytes atom(const std::string& type, const Bytes& body) { return be32(uint32_t(8 + body.size())) + type + body; }

// An atom with its size in the 64-bit field after the type.
Bytes atom64(const std::string& type, const Bytes& body) {
    return be32(1) + type + be64(16 + body.size()) + body;
}

// Movie header: version and flags, creation and modification times, time
// scale, duration, then fields not read.
Bytes mvhd(uint32_t time_scale, uint32_t duration) {
    return atom("mvhd", zeros(12) + be32(time_scale) + be32(duration) + zeros(80));
}

Bytes mdhd(uint32_t time_scale) { return atom("mdhd", zeros(12) + be32(time_scale) + be32(0) + zeros(4)); }

// Handler reference: version and flags, component type, subtype.
Bytes hdlr(const Bytes& component, const std::string& subtype) {
    return atom("hdlr", zeros(4) + component + subtype + zeros(13));
}

Bytes stts(const std::vector<std::pair<uint32_t, uint32_t>>& runs) {
    Bytes body = zeros(4) + be32(uint32_t(runs.size()));
    for (const auto& run : runs) body += be32(run.first) + be32(run.second);
    return atom("stts", body);
}

// Sample descriptions: reserved bytes and data-reference index, then for
// video version, revision, vendor and qualities before width and height,
// for sound version, revision and vendor before the channel count.
Bytes video_entry(const std::string& type, unsigned width, unsigned height) {
    return atom(type, zeros(8) + zeros(16) + be16(width) + be16(height) + zeros(50));
}
Bytes sound_entry(const std::string& type, unsigned channels) {
    return atom(type, zeros(8) + zeros(8) + be16(channels) + be16(16) + zeros(8));
}

Bytes stsd(const Bytes& entries) { return atom("stsd", zeros(4) + be32(1) + entries); }

const Bytes kMhlr = "mhlr";

// A track as a movie stores it: the media header and handler reference come
// before the sample table.
Bytes trak(const std::string& subtype, uint32_t time_scale, const Bytes& table, const Bytes& component = kMhlr) {
    Bytes minf = atom("minf", hdlr("dhlr", "alis") + atom("dinf", atom("dref", zeros(8))) + atom("stbl", table));
    return atom("trak", atom("tkhd", zeros(84)) + atom("mdia", mdhd(time_scale) + hdlr(component, subtype) + minf));
}

bool identify(const Bytes& contents, int32_t atom_limit = 4) {
    OpenBytes file(contents);
    return identify_quicktime(file.file(), &ident_result, atom_limit);
}

TEST(QuickTime, RecognitionScansTheFirstTopLevelAtoms) {
    const Bytes other = atom("free", zeros(4));
    const Bytes moov = atom("moov", mvhd(600, 1200));
    struct Case {
        const char* what;
        Bytes contents;
        int32_t atom_limit;
        bool recognised;
    } cases[] = {
        {"mdat fourth", other + other + other + atom("mdat", zeros(10)), 4, true},
        {"moov fifth", other + other + other + other + moov, 4, false},
        {"moov fifth, limit 5", other + other + other + other + moov, 5, true},
        {"limit 0", moov, 0, false},
        {"negative limit", moov, -1, false},
        {"shorter than a header", Bytes("\0\0\0\x08moo", 7), 4, false},
        {"first atom cut off", atom("mdat", zeros(100)).substr(0, 50), 4, false},
        {"size below 8 before moov", be32(7) + "free" + moov, 4, false},
        {"extended size", atom64("moov", mvhd(600, 1200)), 4, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(identify(c.contents, c.atom_limit), c.recognised);
    }
    ASSERT_TRUE(identify(moov));
    EXPECT_STREQ(ident_result.format.name, "QuickTime");
    EXPECT_STREQ(ident_result.format.author, "Apple Computer, Inc.");
    EXPECT_STREQ(ident_result.format.web_site, "https://www.apple.com/quicktime");
    EXPECT_STREQ(ident_result.format.short_name, "");
}

TEST(QuickTime, AtomHeaderSizes) {
    struct Case {
        const char* what;
        Bytes contents;
        bool ok;
        int64_t end;
    } cases[] = {
        {"plain", atom("free", zeros(4)) + zeros(20), true, 12},
        {"size 0 runs to the end of the file", be32(0) + "mdat" + zeros(20), true, 28},
        {"ends exactly at the end of the file", atom("free", zeros(4)), true, 12},
        {"ends beyond the end of the file", be32(13) + "free" + zeros(4), false, 0},
        {"size below 8", be32(7) + "free" + zeros(20), false, 0},
        {"size of 2^31 or more", be32(0x80000000u) + "free" + zeros(20), false, 0},
        {"extended size of 16: empty body", be32(1) + "free" + be64(16) + zeros(8), true, 16},
        {"extended size", atom64("free", zeros(8)), true, 24},
        {"extended size upper half not 0", be32(1) + "free" + be64(0x100000018ull) + zeros(8), false, 0},
        {"extended size below 16", be32(1) + "free" + be64(15) + zeros(8), false, 0},
        {"extended size of 2^31", be32(1) + "free" + be64(0x80000000ull) + zeros(8), false, 0},
        {"extended size cut off", be32(1) + "free" + be32(0), false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OpenBytes file(c.contents);
        AtomPathEntry entry{{'x', 'x', 'x', 'x'}, '/'};
        int64_t end = -7;
        ASSERT_EQ(read_atom_header(file.file(), &entry, &end), c.ok);
        if (c.ok) {
            EXPECT_EQ(end, c.end);
            EXPECT_EQ(std::string(entry.type, 4), c.contents.substr(4, 4));
            EXPECT_EQ(entry.separator, 0);
            // The file stands at the start of the body.
            EXPECT_EQ(ftell(file.file()), c.contents.substr(0, 4) == be32(1) ? 16 : 8);
        } else {
            EXPECT_EQ(end, -7);
        }
    }
}

TEST(QuickTime, MovieHeaderDuration) {
    // At the top level too, the last one wins, and one without a time scale
    // keeps what an earlier one gave.
    ASSERT_TRUE(identify(mvhd(600, 900) + atom("moov", mvhd(1000, 0xFFFFFFFFu))));
    EXPECT_DOUBLE_EQ(ident_result.duration, 4294967.295);
    ASSERT_TRUE(identify(atom("moov", mvhd(600, 1200) + mvhd(0, 5))));
    EXPECT_DOUBLE_EQ(ident_result.duration, 2.0);
    // The last top-level atom may run to the end of the file.
    ASSERT_TRUE(identify(atom("moov", mvhd(600, 1200)) + be32(0) + "mdat" + zeros(1000)));
    EXPECT_DOUBLE_EQ(ident_result.duration, 2.0);
}

TEST(QuickTime, CompressedMovie) {
    Bytes cmov = atom("cmov", atom("dcom", "zlib") + atom("cmvd", be32(5000) + zeros(40)));
    ASSERT_TRUE(identify(atom("moov", cmov)));
    EXPECT_STREQ(ident_result.format.name, "QuickTime 3+");
    EXPECT_EQ(ident_result.duration, 0);
    EXPECT_EQ(ident_result.has_video, 0);
}

TEST(QuickTime, TrackDetails) {
    Bytes video = trak("vide", 30000, stts({{10, 1001}, {10, 999}}) + stsd(video_entry("avc1", 320, 240)));
    Bytes sound = trak("soun", 44100, stts({{43, 1024}}) + stsd(sound_entry("mp4a", 2)));
    ASSERT_TRUE(identify(atom("ftyp", "isom") + atom("moov", mvhd(1000, 2500) + video + sound) +
                         atom("mdat", zeros(64))));
    EXPECT_EQ(ident_result.has_video, 1);
    EXPECT_EQ(ident_result.has_audio, 1);
    EXPECT_DOUBLE_EQ(ident_result.duration, 2.5);
    EXPECT_DOUBLE_EQ(ident_result.frame_rate, 30.0);
    EXPECT_EQ(ident_result.width, 320);
    EXPECT_EQ(ident_result.height, 240);
    EXPECT_EQ(ident_result.has_video_codec_id, 1);
    EXPECT_EQ(ident_result.video_codec_id, make_fourcc('a', 'v', 'c', '1'));
    // A sound track's sampling rate is its media time scale, not the number
    // of table samples (AAC packets) per second.
    EXPECT_EQ(ident_result.sample_rate, 44100);
    EXPECT_EQ(ident_result.channels, 2);
    EXPECT_EQ(ident_result.has_audio_codec_id, 1);
    EXPECT_EQ(ident_result.audio_codec_id, make_fourcc('m', 'p', '4', 'a'));
    EXPECT_EQ(ident_result.data_rate, 0);
    EXPECT_EQ(ident_result.audio_byte_rate, 0);
}

TEST(QuickTime, TimeToSampleTables) {
    const Bytes earlier_video = trak("vide", 600, stts({{1, 24}}));   // 25 fps
    const Bytes earlier_sound = trak("soun", 8000, stts({{1, 1}}));  // 8000 Hz
    struct Case {
        const char* what;
        Bytes track;
        double frame_rate;
        int32_t sample_rate;
    } cases[] = {
        {"video, one run", trak("vide", 3000, stts({{300, 100}})), 30.0, 8000},
        {"video, runs averaged", trak("vide", 30000, stts({{10, 1001}, {10, 999}})), 30.0, 8000},
        {"video, fractional", trak("vide", 30000, stts({{5, 1001}})), 30000.0 / 1001, 8000},
        {"sound, uncompressed", trak("soun", 32000, stts({{96000, 1}})), 25.0, 32000},
        {"sound, averaged packets", trak("soun", 32000, stts({{1, 2}, {1, 4}})), 25.0, 32000},
        {"sound, time scale above 2^31", trak("soun", 0xFFFFFFFFu, stts({{1, 1}})), 25.0, INT32_MAX},
        {"sound, no time scale", trak("soun", 0, stts({{1, 1}})), 25.0, 0},
        {"no entries", trak("vide", 3000, stts({})), 25.0, 8000},
        {"only empty runs", trak("soun", 3000, stts({{0, 100}, {0, 5}})), 25.0, 8000},
        {"zero durations", trak("vide", 3000, stts({{10, 0}})), 25.0, 8000},
        {"neither video nor sound", trak("text", 3000, stts({{1, 1}})), 25.0, 8000},
        {"data handler only", trak("vide", 3000, stts({{1, 1}}), "dhlr"), 25.0, 8000},
        {"ISO media handler", trak("vide", 3000, stts({{1, 100}}), zeros(4)), 30.0, 8000},
        {"entries cut by the end of the file", trak("vide", 3000, stts({{1, 100}})).substr(0, 250), 25.0, 8000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(identify(atom("moov", earlier_video + earlier_sound) + c.track));
        EXPECT_DOUBLE_EQ(ident_result.frame_rate, c.frame_rate);
        EXPECT_EQ(ident_result.sample_rate, c.sample_rate);
    }
}

TEST(QuickTime, HandlerKinds) {
    struct Case {
        const char* what;
        Bytes component;
        std::string subtype;
        bool video, audio;
    } cases[] = {
        {"QuickTime video", kMhlr, "vide", true, false},
        {"ISO sound", zeros(4), "soun", false, true},
        {"data handler", "dhlr", "vide", false, false},
        {"other subtype", kMhlr, "tmcd", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(identify(atom("moov", trak(c.subtype, 1000, stsd(video_entry("abcd", 64, 48)), c.component))));
        EXPECT_EQ(ident_result.has_video, c.video);
        EXPECT_EQ(ident_result.has_audio, c.audio);
        EXPECT_EQ(ident_result.has_video_codec_id, c.video);
        EXPECT_EQ(ident_result.has_audio_codec_id, c.audio);
    }
}

TEST(QuickTime, LastTrackAndLastSampleDescriptionWin) {
    Bytes first = trak("vide", 600, stts({{1, 20}}) + stsd(video_entry("jpeg", 640, 480)));
    Bytes second = trak("vide", 600, stts({{1, 40}}) + stsd(video_entry("SVQ1", 160, 120) + video_entry("SVQ3", 176, 144)));
    ASSERT_TRUE(identify(atom("moov", first + second)));
    EXPECT_DOUBLE_EQ(ident_result.frame_rate, 15.0);
    EXPECT_EQ(ident_result.width, 176);
    EXPECT_EQ(ident_result.height, 144);
    EXPECT_EQ(ident_result.video_codec_id, make_fourcc('S', 'V', 'Q', '3'));
}

TEST(QuickTime, SampleDescriptionCutByTheEndOfTheFile) {
    // A sound description of 16 body bytes: the channel count lies beyond it.
    Bytes head = atom("moov", trak("soun", 22050, ""));
    Bytes table = atom("stbl", atom("stsd", zeros(8) + atom("twos", zeros(16))));
    ASSERT_TRUE(identify(head + atom("trak", mdhd(22050) + hdlr(kMhlr, "soun") + table)));
    EXPECT_EQ(ident_result.has_audio_codec_id, 1);
    EXPECT_EQ(ident_result.audio_codec_id, make_fourcc('t', 'w', 'o', 's'));
    EXPECT_EQ(ident_result.channels, 0);
    // With more atoms after it, the count is read from the bytes that follow.
    ASSERT_TRUE(identify(head + atom("trak", mdhd(22050) + hdlr(kMhlr, "soun") + table) + be16(1) + zeros(6)));
    EXPECT_EQ(ident_result.channels, 1);

    // A video description cut short keeps its codec but gives no picture size.
    Bytes video = atom("trak", hdlr(kMhlr, "vide") + atom("stsd", zeros(8) + atom("mp4v", zeros(20))));
    ASSERT_TRUE(identify(atom("moov", trak("vide", 600, stsd(video_entry("jpeg", 64, 48)))) + video));
    EXPECT_EQ(ident_result.video_codec_id, make_fourcc('m', 'p', '4', 'v'));
    EXPECT_EQ(ident_result.width, 64);
}

TEST(QuickTime, SampleDescriptionTypedLikeAHandledAtom) {
    // An "mvhd" among the sample descriptions is read as a movie header.
    Bytes track = trak("vide", 600, stsd(mvhd(100, 700)));
    ASSERT_TRUE(identify(atom("moov", track)));
    EXPECT_DOUBLE_EQ(ident_result.duration, 7.0);
    EXPECT_EQ(ident_result.has_video_codec_id, 0);
    // A "trak" there resets the track kind, so the next description is not
    // taken as video.
    track = trak("vide", 600, stsd(atom("trak", "") + video_entry("jpeg", 64, 48)));
    ASSERT_TRUE(identify(atom("moov", track)));
    EXPECT_EQ(ident_result.has_video, 1);
    EXPECT_EQ(ident_result.has_video_codec_id, 0);
}

TEST(QuickTime, MalformedAtomEndsTheWholeWalk) {
    // Intact movie first, then a cut-off media data atom.
    Bytes moov = atom("moov", mvhd(600, 1200) + trak("vide", 600, stts({{1, 20}}) + stsd(video_entry("jpeg", 64, 48))));
    ASSERT_TRUE(identify(moov + be32(5000) + "mdat" + zeros(100)));
    EXPECT_DOUBLE_EQ(ident_result.duration, 2.0);
    EXPECT_DOUBLE_EQ(ident_result.frame_rate, 30.0);
    EXPECT_EQ(ident_result.width, 64);
    // A bad header deep inside ends the walk: the top-level atom after the
    // movie is not read.
    Bytes bad = atom("moov", atom("trak", be32(3) + "junk" + zeros(8)));
    ASSERT_TRUE(identify(bad + mvhd(600, 1200)));
    EXPECT_EQ(ident_result.duration, 0);
    // A short body read ends only that atom.
    ASSERT_TRUE(identify(atom("moov", atom("mdhd", zeros(4)) + mvhd(600, 1200))));
    EXPECT_DOUBLE_EQ(ident_result.duration, 2.0);
}

// Wraps body in depth "moov" atoms.
Bytes nest(int depth, const Bytes& body) {
    Bytes headers;
    for (int i = depth; i > 0; --i) headers += be32(uint32_t(8 * i + body.size())) + "moov";
    return headers + body;
}

TEST(QuickTime, DeepNesting) {
    // The path has 13 levels. A movie header at the deepest level is read;
    // a container there is handled but not entered, and its siblings are.
    ASSERT_TRUE(identify(nest(kAtomPathDepth - 1, mvhd(100, 300))));
    EXPECT_DOUBLE_EQ(ident_result.duration, 3.0);
    ASSERT_TRUE(identify(nest(kAtomPathDepth - 1, mvhd(100, 400) + atom("moov", mvhd(100, 900)))));
    EXPECT_DOUBLE_EQ(ident_result.duration, 4.0);
    ASSERT_TRUE(identify(nest(kAtomPathDepth - 1, atom("trak", "") + atom("cmov", atom("dcom", "zlib")))));
    EXPECT_STREQ(ident_result.format.name, "QuickTime");

    // Hostile nesting far deeper than the path ends quietly.
    ASSERT_TRUE(identify(nest(100000, mvhd(100, 500))));
    EXPECT_EQ(ident_result.duration, 0);
}

TEST(QuickTime, HostileCountsStayWithinTheirAtoms) {
    // Tables that claim four billion entries each: only what each atom holds
    // is read, so the walk passes every table once and reaches the movie
    // header behind them.
    Bytes tables;
    Bytes hostile = atom("stts", zeros(4) + be32(0xFFFFFFFFu) + be32(1) + be32(1));
    for (int i = 0; i < 20000; ++i) tables += hostile;
    ASSERT_TRUE(identify(atom("moov", trak("vide", 600, tables) + mvhd(100, 600))));
    EXPECT_DOUBLE_EQ(ident_result.duration, 6.0);
    EXPECT_DOUBLE_EQ(ident_result.frame_rate, 600.0);
}

// Files from an independent writer; values as its own reader reports them.
TEST(QuickTime, RealFiles) {
    struct Case {
        const char* file;
        bool video, audio;
        double duration;
        int32_t width, height;
        double frame_rate;
        const char* video_codec;
        int32_t sample_rate, channels;
        const char* audio_codec;
    } cases[] = {
        {"qt_mpeg4_aac.mov", true, true, 1.0, 160, 120, 25.0, "mp4v", 44100, 2, "mp4a"},
        {"qt_svq1_pcm.mov", true, true, 1.0, 128, 96, 12.0, "SVQ1", 22050, 1, "twos"},
        {"qt_mjpeg.mov", true, false, 1.0, 96, 64, 10.0, "jpeg", 0, 0, nullptr},
        {"mp4_h264_aac.mp4", true, true, 1.001, 192, 108, 30000.0 / 1001, "avc1", 48000, 2, "mp4a"},
        {"mp4_mpeg4_ac3.mp4", true, true, 1.019, 176, 144, 15.0, "mp4v", 48000, 2, "ac-3"},
        {"m4a_aac.m4a", false, true, 1.0, 0, 0, 0, nullptr, 44100, 2, "mp4a"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        FILE* file = fopen(test_data(c.file).c_str(), "rb");
        ASSERT_NE(file, nullptr);
        bool recognised = identify_quicktime(file, &ident_result, 4);
        fclose(file);
        ASSERT_TRUE(recognised);
        EXPECT_EQ(ident_result.has_video, c.video);
        EXPECT_EQ(ident_result.has_audio, c.audio);
        EXPECT_DOUBLE_EQ(ident_result.duration, c.duration);
        EXPECT_EQ(ident_result.width, c.width);
        EXPECT_EQ(ident_result.height, c.height);
        EXPECT_NEAR(ident_result.frame_rate, c.frame_rate, 1e-9);
        EXPECT_EQ(ident_result.has_video_codec_id, c.video_codec != nullptr);
        if (c.video_codec) {
            EXPECT_STREQ(fourcc_text(ident_result.video_codec_id), c.video_codec);
        }
        EXPECT_EQ(ident_result.sample_rate, c.sample_rate);
        EXPECT_EQ(ident_result.channels, c.channels);
        EXPECT_EQ(ident_result.has_audio_codec_id, c.audio_codec != nullptr);
        if (c.audio_codec) {
            EXPECT_STREQ(fourcc_text(ident_result.audio_codec_id), c.audio_codec);
        }
    }
}

TEST(QuickTime, AtomLimitOption) {
    Bytes file_bytes;
    for (int i = 0; i < 4; ++i) file_bytes += atom("free", zeros(4));
    file_bytes += atom("moov", mvhd(600, 1200));
    TempFile file(file_bytes, "late.mov");
    EXPECT_NE(run_driver({file.path()}).output.find("File Format:  unknown"), std::string::npos);
    for (const char* option : {"-Q5", "/q:5"}) {
        RunResult run = run_driver({option, file.path()});
        EXPECT_NE(run.output.find("File Format:  QuickTime\n"), std::string::npos) << option;
        EXPECT_NE(run.output.find("Duration:  2.000 sec"), std::string::npos) << option;
    }
}

TEST(QuickTime, ReportThroughTheDriver) {
    RunResult run = run_driver({test_data("m4a_aac.m4a")});
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_NE(run.output.find(" File Format:  QuickTime\n"
                              "      Author:  Apple Computer, Inc.\n"
                              "    Web Site:  https://www.apple.com/quicktime\n"
                              "\n"
                              "     Content:  Audio only\n"
                              "    Duration:  1.000 sec\n"
                              "  Audio Info:  44100 Hz, stereo\n"
                              "\n"
                              "Audio Format:"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("      FourCC:  \"mp4a\"\n"), std::string::npos) << run.output;
    // The shipped database describes the AAC sample type.
    EXPECT_EQ(run.output.find("Audio Format:\n"), std::string::npos) << run.output;
}

}  // namespace

namespace {

// Sample-description types are looked up under "qtvid" and "qtaud", and the
// report shows what the database says of them.
TEST(QuickTime, CodecDescriptionsFromTheDatabase) {
    TempFile db(
        "qtvid: avc1\n"
        "  N: Test AVC Video; AVC\n"
        "  A: Test Video Works\n"
        "qtaud: mp4a\n"
        "  N: Test AAC Audio\n"
        "  W: https://audio.example\n",
        "reelkit.cdb");
    RunResult run = run_driver_as(db.dir() + "/reelkit", {test_data("mp4_h264_aac.mp4")});
    EXPECT_EQ(run.output,
              "   File Name:  mp4_h264_aac.mp4\n"
              "\n"
              " File Format:  QuickTime\n"
              "      Author:  Apple Computer, Inc.\n"
              "    Web Site:  https://www.apple.com/quicktime\n"
              "\n"
              "     Content:  Video and Audio\n"
              "    Duration:  1.001 sec\n"
              "  Video Info:  192 x 108, 29.970 fps\n"
              "  Audio Info:  48000 Hz, stereo\n"
              "\n"
              "Video Format:  Test AVC Video\n"
              "      FourCC:  \"avc1\"\n"
              "      Author:  Test Video Works\n"
              "\n"
              "Audio Format:  Test AAC Audio\n"
              "      FourCC:  \"mp4a\"\n"
              "    Web Site:  https://audio.example\n");

    // The description belongs to the codec reported: the last sample
    // description, even when the database knows an earlier one only.
    Bytes track = trak("vide", 600, stsd(video_entry("avc1", 64, 48) + video_entry("zzzz", 64, 48)));
    TempFile movie(atom("moov", track), "two.mov");
    run = run_driver_as(db.dir() + "/reelkit", {movie.path()});
    EXPECT_NE(run.output.find("Video Format:\n      FourCC:  \"zzzz\"\n"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("Test AVC Video"), std::string::npos) << run.output;
}

}  // namespace

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "front/report.h"
#include "model/ident_record.h"
#include "tests/support.h"

namespace {

std::string report_of(const std::function<void(IdentResult&)>& fill) {
    clear_ident_result(&ident_result);
    fill(ident_result);
    char* text = nullptr;
    size_t size = 0;
    FILE* out = open_memstream(&text, &size);
    write_report(out);
    fclose(out);
    std::string result(text, size);
    free(text);
    clear_ident_result(&ident_result);
    return result;
}

void set_avi_format(IdentResult& r) {
    strcpy(r.format.name, "Audio-Video Interleaved (AVI)");
    strcpy(r.format.short_name, "AVI");
    strcpy(r.format.author, "Microsoft Corporation");
    strcpy(r.format.web_site, "https://www.microsoft.com");
}

TEST(Report, WorkedExampleAvi) {
    std::string report = report_of([](IdentResult& r) {
        set_avi_format(r);
        r.has_video = r.has_audio = 1;
        r.duration = 125.0;
        r.data_rate = 400000;
        r.width = 352;
        r.height = 288;
        r.frame_rate = 25.0;
        r.sample_rate = 44100;
        r.audio_byte_rate = 176400;
        r.channels = 2;
        r.has_video_codec_id = 1;
        r.video_codec_id = make_fourcc('M', 'J', 'P', 'G');
        r.has_audio_codec_id = 1;
        r.audio_codec_id = 1;
        strcpy(r.video_codec.name, "Motion JPEG");
    });
    EXPECT_EQ(report,
              "\n"
              " File Format:  Audio-Video Interleaved (AVI)\n"
              "      Author:  Microsoft Corporation\n"
              "    Web Site:  https://www.microsoft.com\n"
              "\n"
              "     Content:  Video and Audio\n"
              "    Duration:  2 min 5 sec\n"
              "   Data Rate:  3200 kbps (ave)\n"
              "  Video Info:  352 x 288, 25 fps\n"
              "  Audio Info:  44100 Hz, 1411.2 kbps, stereo\n"
              "\n"
              "Video Format:  Motion JPEG\n"
              "      FourCC:  \"MJPG\"\n"
              "\n"
              "Audio Format:\n"
              "   Format ID:  0x0001\n");
}

TEST(Report, MetadataLinesBeforeTheFormatBlock) {
    static const char* labels[] = {"Title", "Author", "Description"};
    static char title[] = "Opening talk", empty[] = "", description[] = "Recorded in hall B";
    std::string report = report_of([](IdentResult& r) {
        strcpy(r.format.name, "Advanced Systems Format (ASF)");
        // The record releases its metadata, so it must own heap copies.
        r.meta_items = static_cast<MetaItem*>(calloc(4, sizeof(MetaItem)));
        char* values[] = {title, empty, description};
        for (int i = 0; i < 3; ++i) r.meta_items[i] = {labels[i], strdup(values[i])};
        r.meta_count = 3;
    });
    EXPECT_EQ(report,
              "       Title:  Opening talk\n"
              " Description:  Recorded in hall B\n"
              "\n"
              " File Format:  Advanced Systems Format (ASF)\n");
}

TEST(Report, MetadataBeyondTheCountIsNotPrinted) {
    std::string report = report_of([](IdentResult& r) {
        r.meta_items = static_cast<MetaItem*>(calloc(2, sizeof(MetaItem)));
        r.meta_items[0] = {"Title", strdup("unfinished")};
        r.meta_count = 0;
    });
    EXPECT_EQ(report, "\n File Format:\n");
}

struct DurationCase {
    double duration;
    int32_t data_rate;
    const char* lines;  // what follows the format block
};

TEST(Report, DurationAndDataRate) {
    const DurationCase cases[] = {
        {59.9996, 0, "\n    Duration:  60.000 sec\n"},
        {60.0, 0, "\n    Duration:  1 min 0 sec\n"},
        {3599.5, 0, "\n    Duration:  1 hr 0 min 0 sec\n"},
        {90061.0, 0, "\n    Duration:  25 hr 1 min 1 sec\n"},
        {-2.5, 0, "\n    Duration:  -2.500 sec\n"},
        {10.0, 100000, "\n    Duration:  10.000 sec\n   Data Rate:  800 kbps (ave)\n"},
        {10.0, -100000, "\n    Duration:  10.000 sec\n   Data Rate:  -799 kbps (ave)\n"},
        // Rates whose eightfold leaves 32 bits, and durations past 2^32 s.
        {10.0, INT32_MAX, "\n    Duration:  10.000 sec\n   Data Rate:  17179869 kbps (ave)\n"},
        {5e9, 0, "\n    Duration:  1388888 hr 53 min 20 sec\n"},
        {1e300, 0, "\n    Duration:  5124095576030431 hr 0 min 15 sec\n"},
        // Zero or non-finite durations are absent, and so is their data rate.
        {0.0, 100000, ""},
        {NAN, 100000, ""},
        {INFINITY, 100000, ""},
    };
    for (const DurationCase& c : cases) {
        std::string report = report_of([&](IdentResult& r) {
            r.duration = c.duration;
            r.data_rate = c.data_rate;
        });
        EXPECT_EQ(report, std::string("\n File Format:\n") + c.lines) << c.duration;
    }
}

TEST(Report, ContentLineAndDurationSpacing) {
    std::string with_content = report_of([](IdentResult& r) {
        r.has_audio = 1;
        r.duration = 1.5;
    });
    EXPECT_EQ(with_content, "\n File Format:\n\n     Content:  Audio only\n    Duration:  1.500 sec\n");
    std::string video_only = report_of([](IdentResult& r) { r.has_video = 1; });
    EXPECT_EQ(video_only, "\n File Format:\n\n     Content:  Video only\n");
}

struct VideoCase {
    int32_t width, height;
    double frame_rate;
    const char* line;
};

TEST(Report, VideoLine) {
    const VideoCase cases[] = {
        {352, 0, 0, ""},
        {352, 0, 25, "  Video Info:  25 fps\n"},
        {320, 240, 0, "  Video Info:  320 x 240\n"},
        {320, 240, 29.97002997, "  Video Info:  320 x 240, 29.970 fps\n"},
        {0, 0, double(23.976f), "  Video Info:  23.976 fps\n"},
        {0, 0, NAN, ""},
    };
    for (const VideoCase& c : cases) {
        std::string report = report_of([&](IdentResult& r) {
            r.has_video = 1;
            r.width = c.width;
            r.height = c.height;
            r.frame_rate = c.frame_rate;
        });
        EXPECT_EQ(report, std::string("\n File Format:\n\n     Content:  Video only\n") + c.line);
    }
    // Without the video flag there is no video line, whatever the fields.
    EXPECT_EQ(report_of([](IdentResult& r) {
                  r.width = 320;
                  r.height = 240;
              }),
              "\n File Format:\n");
}

struct AudioCase {
    int32_t sample_rate, byte_rate, channels;
    const char* line;
};

TEST(Report, AudioLine) {
    const AudioCase cases[] = {
        {0, 0, 1, "  Audio Info:  mono\n"},
        {0, 0, 6, "  Audio Info:  stereo\n"},
        {0, 0, -3, "  Audio Info:  mono\n"},
        {0, 16000, 0, "  Audio Info:  128.0 kbps\n"},
        {48000, 0, 2, "  Audio Info:  48000 Hz, stereo\n"},
        {0, INT32_MAX, 0, "  Audio Info:  17179869.2 kbps\n"},
        {0, 0, 0, ""},
    };
    for (const AudioCase& c : cases) {
        std::string report = report_of([&](IdentResult& r) {
            r.has_audio = 1;
            r.sample_rate = c.sample_rate;
            r.audio_byte_rate = c.byte_rate;
            r.channels = c.channels;
        });
        EXPECT_EQ(report, std::string("\n File Format:\n\n     Content:  Audio only\n") + c.line);
    }
}

TEST(Report, CodecBlocks) {
    std::string report = report_of([](IdentResult& r) {
        r.has_video_codec_id = 1;
        r.video_codec_id = 0;
        r.has_audio_codec_id = 1;
        r.audio_codec_id = 0x1100736D;
        strcpy(r.audio_codec.name, "Example audio");
        strcpy(r.audio_codec.author, "Example Labs");
        strcpy(r.audio_codec.web_site, "https://example.com");
        strcpy(r.audio_codec.notes, "  first note\n  second note\n");
    });
    EXPECT_EQ(report,
              "\n File Format:\n"
              "\nVideo Format:\n"
              "      FourCC:  0x00000000\n"
              "\nAudio Format:  Example audio\n"
              "   Format ID:  0x1100736D\n"
              "      Author:  Example Labs\n"
              "    Web Site:  https://example.com\n"
              "  first note\n  second note\n");

    std::string printable = report_of([](IdentResult& r) {
        r.has_video_codec_id = 1;
        r.video_codec_id = make_fourcc('D', 'I', 'B', ' ');
        r.has_audio_codec_id = 1;
        r.audio_codec_id = make_fourcc('s', 'o', 'w', 't');
    });
    EXPECT_EQ(printable,
              "\n File Format:\n"
              "\nVideo Format:\n      FourCC:  \"DIB \"\n"
              "\nAudio Format:\n      FourCC:  \"sowt\"\n");

    // A name without an identifier (the MPEG audio layer name).
    std::string name_only = report_of([](IdentResult& r) { strcpy(r.audio_codec.name, "MPEG-1 Layer 2"); });
    EXPECT_EQ(name_only, "\n File Format:\n\nAudio Format:  MPEG-1 Layer 2\n");
}

TEST(FourCC, TextAndPrintability) {
    char buf[5];
    EXPECT_STREQ(fourcc_text(make_fourcc('D', 'I', 'V', 'X'), buf), "DIVX");
    EXPECT_STREQ(fourcc_text(0x0055, buf), "U");
    EXPECT_STREQ(fourcc_text(0xC1C2C3C4), "DCBA");  // each byte masked to 7 bits
    EXPECT_TRUE(is_printable_fourcc(make_fourcc(' ', '~', 'a', 'Z')));
    EXPECT_FALSE(is_printable_fourcc(make_fourcc('a', 'b', 'c', 0x7F)));
    EXPECT_FALSE(is_printable_fourcc(make_fourcc('a', 'b', 'c', char(0x80))));
    EXPECT_FALSE(is_printable_fourcc(0x0055));
}

}  // namespace

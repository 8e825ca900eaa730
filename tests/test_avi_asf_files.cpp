// Reports of real AVI and ASF files, made by an independent writer
// (tests/data/make_avi_asf.sh), checked field by field against what ffprobe
// said about each file (the .probe file beside it).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "front/driver.h"
#include "model/codec_db.h"
#include "tests/support.h"

using Fields = std::map<std::string, std::string>;

// ffprobe's flat output: key=value or key="value" per line.
static Fields read_probe(const std::string& path) {
    Fields fields;
    std::istringstream in(read_file(path));
    std::string line;
    while (std::getline(in, line)) {
        size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string value = line.substr(eq + 1);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        fields[line.substr(0, eq)] = value;
    }
    return fields;
}

struct Report {
    Fields meta;    // the lines before the format block
    Fields fields;  // the first line of each label after it
};

// Splits "%12s:  %s" lines into label and value.
static Report parse_report(const std::string& text) {
    Report report;
    bool in_meta = true;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() < 13 || line[12] != ':') continue;
        std::string label =
            line.substr(line.find_first_not_of(' '), 12 - line.find_first_not_of(' '));
        std::string value = line.size() > 15 ? line.substr(15) : "";
        if (label == "File Format") in_meta = false;
        if (label == "File Name") continue;
        Fields& target = in_meta ? report.meta : report.fields;
        target.emplace(label, value);
    }
    return report;
}

static std::string format(const char* pattern, double value) {
    char buf[64];
    snprintf(buf, sizeof buf, pattern, value);
    return buf;
}

static double ratio(const std::string& text) {
    size_t slash = text.find('/');
    return std::stod(text.substr(0, slash)) / std::stod(text.substr(slash + 1));
}

// The name the shipped database gives a codec; empty when it has none.
static std::string shipped_name(const char* section, uint32_t id) {
    std::string program = program_in_data_dir();
    const char* saved = program_path;
    program_path = program.c_str();
    FormatInfo info{};
    lookup_codec(section, id, &info);
    program_path = saved;
    return info.name;
}

static std::string upper(std::string s) {
    for (char& c : s) c = char(toupper(static_cast<unsigned char>(c)));
    return s;
}

TEST(AviAsfFiles, ReportsMatchProbe) {
    const char* names[] = {"avi_mjpeg_pcm.avi",       "avi_msmpeg4_adpcm.avi",
                           "avi_xvid_video_only.avi", "asf_wmv2_wma2_meta.wmv",
                           "asf_wmv1_video_only.wmv", "asf_wma1_audio_only.wma"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        std::string base = std::string(name).substr(0, std::string(name).rfind('.'));
        Fields probe = read_probe(test_data(base + ".probe"));
        ASSERT_FALSE(probe.empty());
        RunResult run = run_driver({test_data(name)});
        ASSERT_EQ(run.exit_code, 0);
        Report report = parse_report(run.output);
        bool is_avi = probe["format.format_name"] == "avi";

        EXPECT_EQ(report.fields["File Format"],
                  is_avi ? "Audio-Video Interleaved (AVI)" : "Advanced Systems Format (ASF)");

        // Streams by kind; the play time is the AVI file's, and for ASF that
        // of its longest stream (ffprobe adds the last packet's span to the
        // file's).
        int video = -1, audio = -1;
        double duration = is_avi ? std::stod(probe["format.duration"]) : 0;
        for (int i = 0; probe.count("streams.stream." + std::to_string(i) + ".codec_type"); ++i) {
            std::string s = "streams.stream." + std::to_string(i) + ".";
            (probe[s + "codec_type"] == "video" ? video : audio) = i;
            if (!is_avi) duration = std::max(duration, std::stod(probe[s + "duration"]));
        }
        EXPECT_EQ(report.fields["Content"], video >= 0 && audio >= 0 ? "Video and Audio"
                                            : video >= 0             ? "Video only"
                                                                     : "Audio only");
        EXPECT_EQ(report.fields["Duration"], format("%0.3f sec", duration));
        double bytes_per_second = std::stod(probe["format.size"]) / duration;
        EXPECT_EQ(report.fields["Data Rate"],
                  format("%0.0f kbps (ave)",
                         std::floor((std::floor(bytes_per_second) * 8 + 500) / 1000)));

        if (video >= 0) {
            std::string v = "streams.stream." + std::to_string(video) + ".";
            std::string info = probe[v + "width"] + " x " + probe[v + "height"];
            if (is_avi) {
                double rate = ratio(probe[v + "r_frame_rate"]);
                info += format(rate == std::floor(rate) ? ", %0.0f fps" : ", %0.3f fps", rate);
            }
            EXPECT_EQ(report.fields["Video Info"], info);
            EXPECT_EQ(report.fields["FourCC"], "\"" + probe[v + "codec_tag_string"] + "\"");
            // Every codec of these files is described in the shipped database.
            std::string codec =
                shipped_name("msvid", uint32_t(std::stoul(probe[v + "codec_tag"], nullptr, 16)));
            EXPECT_NE(codec, "");
            EXPECT_EQ(report.fields["Video Format"], codec);
        } else {
            EXPECT_EQ(report.fields.count("Video Info"), 0u);
            EXPECT_EQ(report.fields.count("FourCC"), 0u);
        }
        if (audio >= 0) {
            std::string a = "streams.stream." + std::to_string(audio) + ".";
            EXPECT_EQ(report.fields["Audio Info"],
                      probe[a + "sample_rate"] + " Hz, " +
                          format("%0.1f kbps", std::stod(probe[a + "bit_rate"]) / 1000) + ", " +
                          (probe[a + "channels"] == "1" ? "mono" : "stereo"));
            EXPECT_EQ(report.fields["Format ID"], "0x" + upper(probe[a + "codec_tag"].substr(2)));
            std::string codec =
                shipped_name("msaud", uint32_t(std::stoul(probe[a + "codec_tag"], nullptr, 16)));
            EXPECT_NE(codec, "");
            EXPECT_EQ(report.fields["Audio Format"], codec);
        } else {
            EXPECT_EQ(report.fields.count("Audio Info"), 0u);
            EXPECT_EQ(report.fields.count("Format ID"), 0u);
        }

        // The content description: ffprobe names the author "artist". The
        // writer keeps the comment outside the content description.
        Fields expected_meta;
        const std::pair<const char*, const char*> texts[] = {{"Title", "title"},
                                                             {"Author", "artist"},
                                                             {"Copyright", "copyright"},
                                                             {"Rating", "rating"}};
        for (const auto& text : texts)
            if (!is_avi && probe.count(std::string("format.tags.") + text.second))
                expected_meta[text.first] = probe[std::string("format.tags.") + text.second];
        EXPECT_EQ(report.meta, expected_meta);
    }
}

// The metadata file carries every text the writer puts into the content
// description, the title with characters beyond ASCII and beyond 16 bits.
TEST(AviAsfFiles, MetadataFileHasItsTexts) {
    Report report = parse_report(run_driver({test_data("asf_wmv2_wma2_meta.wmv")}).output);
    EXPECT_EQ(report.meta, (Fields{{"Title", "Caf\xC3\xA9 \xE2\x98\x95 \xF0\x9D\x84\x9E"},
                                   {"Author", "Reel Author"},
                                   {"Copyright", "(c) 2026 Reelkit"},
                                   {"Rating", "Family"}}));
}

// The samples shipped for the README are recognised with both streams.
TEST(AviAsfFiles, Samples) {
    for (const char* name : {"sample.avi", "sample.wmv"}) {
        SCOPED_TRACE(name);
        Report report =
            parse_report(run_driver({std::string(REELKIT_SOURCE_DIR) + "/samples/" + name}).output);
        EXPECT_EQ(report.fields["Content"], "Video and Audio");
        EXPECT_EQ(report.fields["Video Info"].substr(0, 9), "160 x 120");
    }
}

// Hostile input across the whole chain: files cut anywhere, size fields that
// point far past the end, and the memory a run may take.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "tests/support.h"

namespace {

struct RealFile {
    const char* name;
    bool signature_at_start;  // recognised by its first bytes alone
};

const RealFile kRealFiles[] = {
    {"avi_mjpeg_pcm.avi", true}, {"avi_msmpeg4_adpcm.avi", true}, {"asf_wmv2_wma2_meta.wmv", true},
    {"asf_wma1_audio_only.wma", true}, {"rm_rv10_ac3.rm", true}, {"rm_rv20_ra144.rm", true},
    {"mpeg1_system.mpg", true}, {"mpeg2_program.vob", true}, {"mpeg2_video.m2v", true},
    // QuickTime needs its atoms, and the embedded MPEG stream lies behind
    // 3000 bytes of other data.
    {"qt_svq1_pcm.mov", false}, {"qt_mpeg4_aac.mov", false}, {"mp4_h264_aac.mp4", false},
    {"m4a_aac.m4a", false}, {"junk_front.mpg", false},
};

std::string format_line(const std::string& report) {
    size_t at = report.find(" File Format:");
    return at == std::string::npos ? "" : report.substr(at, report.find('\n', at) - at);
}

// Every real file cut short at many points: whatever the walk was reading
// when the bytes ran out, it ends quietly, and a file whose signature
// survives the cut keeps its format.
TEST(HostileInput, RealFilesCutAnywhere) {
    for (const RealFile& real : kRealFiles) {
        const char* name = real.name;
        Bytes whole = read_file(test_data(name));
        ASSERT_GT(whole.size(), 4096u) << name;
        std::string expected = format_line(run_driver({test_data(name)}).output);
        ASSERT_FALSE(expected.empty()) << name;
        const size_t cuts[] = {5, 12, 29, 64, 100, 333, 1000, 2047, 4096, whole.size() / 3,
                               whole.size() / 2, whole.size() - 1};
        for (size_t cut : cuts) {
            TempFile part(whole.substr(0, cut));
            RunResult run = run_driver({part.path()});
            SCOPED_TRACE(std::string(name) + " cut at " + std::to_string(cut));
            EXPECT_EQ(run.exit_code, 0);
            std::string format = format_line(run.output);
            EXPECT_FALSE(format.empty());
            if (cut >= 64 && real.signature_at_start) {
                EXPECT_EQ(format, expected);
            }
        }
    }
}

// Every 32-bit field of the first kilobyte set to a huge size in turn, in
// both byte orders: positions computed from it lie far past the end of the
// file, and every walk must treat that as a short read.
TEST(HostileInput, SizeFieldsPointingFarPastTheEnd) {
    for (const char* name : {"avi_mjpeg_pcm.avi", "asf_wmv2_wma2_meta.wmv", "rm_rv10_ac3.rm",
                             "qt_svq1_pcm.mov", "mpeg2_program.vob"}) {
        Bytes whole = read_file(test_data(name));
        Bytes head = whole.substr(0, 1024);
        for (size_t at = 4; at + 4 <= head.size(); at += 4) {
            for (const Bytes& huge : {le32(0x7FFFFFF0u), be32(0x7FFFFFF0u), le32(0xFFFFFFF0u)}) {
                Bytes hostile = head;
                hostile.replace(at, 4, huge);
                TempFile file(hostile);
                RunResult run = run_driver({file.path()});
                ASSERT_EQ(run.exit_code, 0) << name << " at " << at;
                ASSERT_FALSE(format_line(run.output).empty()) << name << " at " << at;
            }
        }
    }
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// Peak resident memory, in kilobytes, of one run of reelkit-cli.
long peak_memory_kb(const std::string& path) {
    pid_t pid = fork();
    if (pid == 0) {
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        execl(REELKIT_CLI, REELKIT_CLI, path.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << path;
    return usage.ru_maxrss;
}

// Bytes of an ASF header: the header object GUID, its size and object count,
// two reserved bytes, then the objects.
Bytes asf_header(uint32_t count, const Bytes& objects) {
    const unsigned char header_guid[] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                         0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
    return Bytes(reinterpret_cast<const char*>(header_guid), 16) + le64(30 + objects.size()) + le32(count) +
           "\x01\x02" + objects;
}

// A content-description object with five texts of the largest accepted
// length (1024 bytes each).
Bytes largest_content_description() {
    const unsigned char guid[] = {0x33, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                  0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
    Bytes body;
    for (int i = 0; i < 5; ++i) body += le16(1024);
    for (int i = 0; i < 5 * 512; ++i) body += le16('a' + i % 26);
    return Bytes(reinterpret_cast<const char*>(guid), 16) + le64(24 + body.size()) + body;
}

// The only heap storage that grows with the input is the ASF metadata: at
// most five texts of 1024 bytes per content-description object, and each
// later object replaces the earlier one's. A header of thousands of such
// objects, or one that claims four billion objects, runs in the memory of a
// plain text file.
TEST(HostileInput, MemoryStaysSmallWhateverTheHeaderClaims) {
    if (kSanitized) GTEST_SKIP() << "the sanitizers' own bookkeeping hides the program's memory";
    TempFile text(Bytes(300000, 'a'));
    Bytes many;
    for (int i = 0; i < 3000; ++i) many += largest_content_description();
    TempFile descriptions(asf_header(3000, many));  // about 15 MB of metadata in all
    TempFile endless(asf_header(0xFFFFFFFFu, largest_content_description()));

    long baseline = peak_memory_kb(text.path());
    EXPECT_LT(peak_memory_kb(descriptions.path()), baseline + 2048);
    EXPECT_LT(peak_memory_kb(endless.path()), baseline + 2048);
}

}  // namespace

#include <gtest/gtest.h>

#include "containers/text.h"
#include "tests/support.h"

namespace {

bool is_text(const Bytes& bytes) {
    OpenBytes file(bytes);
    return identify_text(file.file(), &ident_result);
}

TEST(TextDetector, ByteSet) {
    EXPECT_TRUE(is_text("Hello\r\n"));
    EXPECT_TRUE(is_text("\t tabs, ~tildes~ and spaces \n"));
    // Every byte outside tab, LF, CR and 0x20..0x7E makes the file binary.
    for (int c = 0; c < 256; ++c) {
        bool text_byte = c == 9 || c == 10 || c == 13 || (c >= 32 && c <= 126);
        EXPECT_EQ(is_text("abc" + Bytes(1, char(c)) + "def"), text_byte) << "byte " << c;
    }
    EXPECT_FALSE(is_text("caf\xC3\xA9"));  // UTF-8 beyond ASCII
}

TEST(TextDetector, ReportsOnlyTheFormatName) {
    OpenBytes file("plain words\n");
    ident_result.width = 7;
    ASSERT_TRUE(identify_text(file.file(), &ident_result));
    EXPECT_STREQ(ident_result.format.name, "ASCII Text");
    EXPECT_STREQ(ident_result.format.author, "");
    EXPECT_EQ(ident_result.width, 0);  // the record was cleared
    EXPECT_EQ(ident_result.has_video, 0);
}

TEST(TextDetector, LargeFilesAcrossBlockBoundaries) {
    // The detector reads growing blocks; a bad byte must be seen wherever it
    // falls, including the first and last byte of a block.
    const size_t size = 3'000'000;
    for (size_t bad_at : {size_t(0), size_t(4095), size_t(4096), size_t(12287), size_t(1'000'000),
                          size - 1}) {
        Bytes bytes(size, 'a');
        bytes[bad_at] = '\0';
        EXPECT_FALSE(is_text(bytes)) << "bad byte at " << bad_at;
    }
    EXPECT_TRUE(is_text(Bytes(size, 'a')));
    EXPECT_TRUE(is_text(Bytes(4096, 'a')));  // exactly one full first block
    EXPECT_TRUE(is_text(""));
}

TEST(TextDetector, ReadsFromTheStartWhereverThePositionIs) {
    OpenBytes file(Bytes("\x01", 1) + "text");
    fseek(file.file(), 1, SEEK_SET);
    EXPECT_FALSE(identify_text(file.file(), &ident_result));
}

}  // namespace

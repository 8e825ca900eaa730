// Codec database lookup against small database files written by the tests.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "front/driver.h"
#include "model/codec_db.h"
#include "platform/platform.h"
#include "tests/support.h"

namespace {

// A database file "reelkit.cdb" beside a made-up program path for as long as
// the object lives.
class Database {
public:
    explicit Database(const Bytes& text)
        : file_(text, "reelkit.cdb"), program_(file_.dir() + "/reelkit"), saved_(program_path) {
        program_path = program_.c_str();
    }
    ~Database() { program_path = saved_; }
    void rewrite(const Bytes& text) { std::ofstream(file_.path(), std::ios::binary) << text; }

private:
    TempFile file_;
    std::string program_;
    const char* saved_;
};

// A destination whose every field shows whether the lookup wrote it.
FormatInfo untouched_info() {
    FormatInfo info;
    memset(&info, 'z', sizeof info);
    copy_text(info.name, "untouched", 64);
    copy_text(info.short_name, "untouched", 16);
    copy_text(info.author, "untouched", 64);
    copy_text(info.web_site, "untouched", 255);
    copy_text(info.notes, "untouched", 1023);
    return info;
}

struct Fields {
    std::string name, short_name, author, web_site, notes;
};

Fields fields_of(const FormatInfo& info) {
    return {info.name, info.short_name, info.author, info.web_site, info.notes};
}

bool operator==(const Fields& a, const Fields& b) {
    return a.name == b.name && a.short_name == b.short_name && a.author == b.author &&
           a.web_site == b.web_site && a.notes == b.notes;
}

std::ostream& operator<<(std::ostream& os, const Fields& f) {
    return os << "{name=\"" << f.name << "\" short=\"" << f.short_name << "\" author=\"" << f.author
              << "\" web=\"" << f.web_site << "\" notes=\"" << f.notes << "\"}";
}

const Fields kUntouched{"untouched", "untouched", "untouched", "untouched", "untouched"};

Fields lookup(const char* section, uint32_t id, bool* opened = nullptr) {
    FormatInfo info = untouched_info();
    bool result = lookup_codec(section, id, &info);
    if (opened) *opened = result;
    return fields_of(info);
}

uint32_t fourcc(const char* text) {
    char c[4] = {0, 0, 0, 0};
    for (int i = 0; i < 4 && text[i]; ++i) c[i] = text[i];
    return make_fourcc(c[0], c[1], c[2], c[3]);
}

const char kExample[] =
    "msaud: 0x0055\n"
    "  N: Example Layer 3 Audio; EL3\n"
    "  A: Example Audio Labs\n"
    "  Decoder ships with the system.\n"
    "msvid: abcd\n"
    "  Name: Example ABCD Video; ABCD\n"
    "  Author: Example Video Works\n"
    "  Notes: a label line that is passed over\n"
    "  Second note line.\n"
    "msvid: *\n"
    "  N: Unlisted video codec\n";

TEST(CodecDb, ExampleDatabase) {
    Database db(kExample);
    struct Case {
        const char* section;
        uint32_t id;
        Fields expected;
    } cases[] = {
        {"msaud", 0x0055,
         {"Example Layer 3 Audio", "EL3", "Example Audio Labs", "", "  Decoder ships with the system.\n"}},
        {"msvid", fourcc("ABCD"),
         {"Example ABCD Video", "ABCD", "Example Video Works", "", "  Second note line.\n"}},
        {"msvid", fourcc("abcd"),
         {"Example ABCD Video", "ABCD", "Example Video Works", "", "  Second note line.\n"}},
        {"MSVID", fourcc("aBcD"),
         {"Example ABCD Video", "ABCD", "Example Video Works", "", "  Second note line.\n"}},
        {"msvid", fourcc("WXYZ"), {"Unlisted video codec", "", "", "", ""}},
        {"msaud", 0x0002, kUntouched},
        {"qtvid", fourcc("ABCD"), kUntouched},
    };
    for (const Case& c : cases) {
        bool opened = false;
        EXPECT_EQ(lookup(c.section, c.id, &opened), c.expected) << c.section << " " << std::hex << c.id;
        EXPECT_TRUE(opened);
    }
}

TEST(CodecDb, MissingDatabaseLeavesDestinationUntouched) {
    Database db(kExample);
    std::string elsewhere = std::string(program_path) + "-gone/reelkit";
    program_path = elsewhere.c_str();
    bool opened = true;
    EXPECT_EQ(lookup("msaud", 0x0055, &opened), kUntouched);
    EXPECT_FALSE(opened);
}

TEST(CodecDb, EachLookupReadsTheFileAfresh) {
    Database db("msvid: DIVX\n  N: First\n");
    EXPECT_EQ(lookup("msvid", fourcc("DIVX")).name, "First");
    db.rewrite("msvid: DIVX\n  N: Second\n");
    EXPECT_EQ(lookup("msvid", fourcc("DIVX")).name, "Second");
}

TEST(CodecDb, PathBesideProgram) {
    const char* saved = program_path;
    struct Case {
        const char* program;
        const char* expected;
    } cases[] = {
        {"/opt/reelkit/bin/reelkit", "/opt/reelkit/bin/reelkit.cdb"},
        {"C:\\Tools\\REELKIT.EXE", "C:\\Tools\\reelkit.cdb"},
        {"a\\b/c", "a\\b/reelkit.cdb"},
        {"a/b\\c", "a/b\\reelkit.cdb"},
        {"reelkit", "reelkit.cdb"},
        {"", "reelkit.cdb"},
        {"dir/", "dir/reelkit.cdb"},
    };
    for (const Case& c : cases) {
        program_path = c.program;
        char* path = path_beside_program("reelkit.cdb");
        ASSERT_NE(path, nullptr);
        EXPECT_STREQ(path, c.expected) << c.program;
        free(path);
    }
    program_path = saved;
}

// Which key lines match: each case is a database, a lookup and the name it
// gives ("untouched" when nothing matched, "" when an entry matched without
// giving a name).
TEST(CodecDb, KeyLineMatching) {
    struct Case {
        const char* what;
        const char* text;
        const char* section;
        uint32_t id;
        const char* name;
    } cases[] = {
        {"wildcard first catches every id", "msvid: *\n  N: Any\nmsvid: DIVX\n  N: DivX\n", "msvid",
         fourcc("DIVX"), "Any"},
        {"wildcard of another section", "msaud: *\n  N: Any\nmsvid: DIVX\n  N: DivX\n", "msvid",
         fourcc("DIVX"), "DivX"},
        {"wildcard followed by text", "msvid: *abc\n  N: Any\n", "msvid", fourcc("XVID"), "Any"},
        {"first of two equal keys wins", "msvid: divx\n  N: One\nmsvid: DIVX\n  N: Two\n", "msvid",
         fourcc("DivX"), "One"},
        {"key line without details", "msvid: DIVX\nmsvid: *\n  N: Any\n", "msvid", fourcc("DIVX"), ""},
        {"section key case ignored", "MsViD: divx\n  N: DivX\n", "msvid", fourcc("DIVX"), "DivX"},
        {"six-letter section key", "msvidx: DIVX\n  N: DivX\n", "msvid", fourcc("DIVX"), "untouched"},
        {"section key must start the line", " msvid: DIVX\n  N: DivX\n", "msvid", fourcc("DIVX"),
         "untouched"},
        {"blanks before the key text", "msvid:\t  DIVX\n  N: DivX\n", "msvid", fourcc("DIVX"), "DivX"},
        {"no key text", "msvid:\nmsvid: \n  N: Empty\n", "msvid", fourcc("DIVX"), "untouched"},
        {"four characters taken, rest ignored", "msvid: DIVXtra\n  N: DivX\n", "msvid",
         fourcc("DIVX"), "DivX"},
        {"trailing blank is part of the key", "qtvid: raw \n  N: Raw\n", "qtvid", fourcc("raw "),
         "Raw"},
        {"trailing blank missing from the id", "qtvid: raw \n  N: Raw\n", "qtvid", fourcc("raw"),
         "untouched"},
        {"one-letter key ends the line", "msaud: U\n  N: Letter\n", "msaud", 0x0055, "Letter"},
        {"one-letter key with a blank after", "msaud: U \n  N: Letter\n", "msaud", 0x0055,
         "untouched"},
        {"one-letter key at the end of the file", "msaud: U", "msaud", 0x0055, ""},
        {"numeric form", "msaud: 0x0055\n  N: Mp3\n", "msaud", 0x0055, "Mp3"},
        {"numeric form without blanks", "msaud:0x55\n  N: Mp3\n", "msaud", 0x0055, "Mp3"},
        {"numeric form, text after digits", "msaud: 0x0055 MPEG layer 3\n  N: Mp3\n", "msaud", 0x0055,
         "Mp3"},
        {"numeric form, digits of either case", "msvid: 0x5856496a\n  N: jIVX\n", "msvid",
         fourcc("jIVX"), "jIVX"},
        {"numeric form, upper-case hex digits", "msvid: 0x58564944\n  N: DivX\n", "msvid",
         fourcc("DIVX"), "DivX"},
        {"numeric form, full 32 bits", "msvid: 0xFFFFFFFF\n  N: All ones\n", "msvid", 0xFFFFFFFFu,
         "All ones"},
        {"numeric form, leading zeros", "msaud: 0x0000000000055\n  N: Mp3\n", "msaud", 0x0055, "Mp3"},
        {"numeric form beyond 32 bits", "msaud: 0x100000055\n  N: Mp3\n", "msaud", 0x0055,
         "untouched"},
        {"numeric form of another section", "msvid: 0x0055\n  N: Mp3\n", "msaud", 0x0055,
         "untouched"},
        {"upper-case X fails the numeric form", "msaud: 0X55\n  N: Mp3\n", "msaud", 0x0055,
         "untouched"},
        {"upper-case X, then the text form", "msvid: 0X55\n  N: Text\n", "msvid", fourcc("0x55"),
         "Text"},
        {"numeric line tried as text", "msvid: 0x12345\n  N: Text\n", "msvid", fourcc("0X12"), "Text"},
        {"0x without digits, then the text form", "msvid: 0xZZ\n  N: Text\n", "msvid", fourcc("0XZZ"),
         "Text"},
        {"numeric key text against a one-character id", "msaud: 0x0055\n  N: Mp3\n", "msaud", 0x0002,
         "untouched"},
        {"key line inside a block is not a key", "msvid: XVID\n  N: Xvid\n  msvid: DIVX\n", "msvid",
         fourcc("DIVX"), "untouched"},
    };
    for (const Case& c : cases) {
        Database db(c.text);
        EXPECT_EQ(lookup(c.section, c.id).name, c.name) << c.what;
    }
}

// How detail lines fill the destination: each case is the detail block of a
// wildcard entry.
TEST(CodecDb, DetailLines) {
    std::string long_name(70, 'n');
    std::string long_author(70, 'a');
    std::string long_site(260, 'w');
    struct Case {
        const char* what;
        std::string block;
        Fields expected;
    } cases[] = {
        {"all labels, long and short", "  Name: Long; L\n  Author: Maker\n  WebSite: https://x.example/\n",
         {"Long", "L", "Maker", "https://x.example/", ""}},
        {"labels ignore case, tab indent", "\tn: Tabbed; T\n\ta: Maker\n\tw: site\n",
         {"Tabbed", "T", "Maker", "site", ""}},
        {"no short name", "  N: Only name\n", {"Only name", "", "", "", ""}},
        {"blanks inside and before ; belong to the value", "  N:   Two  words ;  Short one ;x\n",
         {"Two  words ", "Short one ", "", "", ""}},
        {"empty value, short name kept", "  N: ; Short\n", {"", "Short", "", "", ""}},
        {"N: alone empties name and short name", "  N: Full; F\n  N:\n", {"", "", "", "", ""}},
        {"shorter replacement", "  N: A much longer name; LONGSHORT\n  N: Tiny; T\n  A: Longer maker\n  A: M\n",
         {"Tiny", "T", "M", "", ""}},
        {"fields cut to width", "  N: " + long_name + "; 12345678901234567890\n  A: " + long_author + "\n",
         {long_name.substr(0, 64), "1234567890123456", long_author.substr(0, 64), "", ""}},
        {"web site from the first piece of a long line", "  W: " + long_site + "\n",
         {"", "", "", std::string(250, 'w'), ""}},
        {"other labels are passed over", "  Notes: skipped\n  Url: also skipped\n", {"", "", "", "", ""}},
        {"label over 15 characters goes to notes", "  VeryLongLabelName: text\n",
         {"", "", "", "", "  VeryLongLabelName: text\n"}},
        {"label run together with its value goes to notes", "  N:Run together; R\n",
         {"", "", "", "", "  N:Run together; R\n"}},
        {"15-character label still a label", "  ExactlyFifteen: x\n", {"", "", "", "", ""}},
        {"line of blanks goes to notes", "  Note one.\n   \n\tNote two.\n",
         {"", "", "", "", "  Note one.\n   \n\tNote two.\n"}},
        {"empty line ends the block", "  N: Kept\n\n  N: Lost\n  after\n", {"Kept", "", "", "", ""}},
        {"line not starting with a blank ends the block", "  N: Kept\nx N: Lost\n  after\n",
         {"Kept", "", "", "", ""}},
        {"CR LF lines and a stray CR", "  N: Cr\rlf; C\r\n  note\r\n", {"Crlf", "C", "", "", "  note\n"}},
        {"0x1A ends the file", "  N: Before\n\x1A" "  after\n  N: After\n", {"Before", "", "", "", ""}},
        {"last line without line end", "  N: Kept\n  tail", {"Kept", "", "", "", "  tail"}},
    };
    for (const Case& c : cases) {
        Database db("msvid: *\n" + c.block);
        EXPECT_EQ(lookup("msvid", fourcc("WXYZ")), c.expected) << c.what;
    }
}

TEST(CodecDb, CrLfAndEndOfFileByteInKeyLines) {
    {
        Database db("msaud: U\r\n  N: Letter\r\n");
        EXPECT_EQ(lookup("msaud", 0x0055).name, "Letter");
    }
    {
        Database db("msvid: XVID\n  N: Xvid\n\x1A" "msvid: DIVX\n  N: DivX\n");
        EXPECT_EQ(lookup("msvid", fourcc("DIVX")), kUntouched);
    }
}

TEST(CodecDb, NotesFitRule) {
    // Ten lines of 100 characters make 1000.
    std::string hundred = "  " + std::string(97, 'x') + "\n";
    std::string block;
    for (int i = 0; i < 10; ++i) block += hundred;
    std::string line24 = "  " + std::string(21, 'b') + "\n";
    std::string line23 = "  " + std::string(20, 'c') + "\n";
    std::string line21 = "  " + std::string(18, 'd') + "\n";
    std::string line2 = " \n";

    struct Case {
        const char* what;
        std::string tail;
        std::string expected_tail;
    } cases[] = {
        {"23 characters fit, giving 1023", line23, line23},
        {"24 characters dropped, a later shorter line appended", line24 + line23, line23},
        {"nothing fits once full", line23 + line2, line23},
        {"dropped line between two that fit", line2 + line24 + line21, line2 + line21},
    };
    for (const Case& c : cases) {
        Database db("msvid: *\n" + block + c.tail);
        std::string notes = lookup("msvid", fourcc("WXYZ")).notes;
        EXPECT_EQ(notes, block + c.expected_tail) << c.what;
        EXPECT_LE(notes.size(), 1023u);
    }
}

// Long lines are read in pieces, each taken as a line of its own: 127
// characters while looking for key lines, 255 inside a detail block.
TEST(CodecDb, LongLinesReadInPieces) {
    struct Case {
        const char* what;
        std::string text;
        Fields expected;
    } cases[] = {
        {"key line starting at character 128 of a line",
         std::string(127, '-') + "msvid: DIVX\n  N: Found\n", {"Found", "", "", "", ""}},
        {"key line starting at character 127 is not one",
         std::string(126, '-') + "msvid: DIVX\n  N: Found\n", kUntouched},
        {"blank at character 256 of a detail line continues the block",
         "msvid: DIVX\n  " + std::string(253, 'a') + " N: Piece\n",
         {"Piece", "", "", "", "  " + std::string(253, 'a')}},
        {"non-blank at character 256 of a detail line ends the block",
         "msvid: DIVX\n  " + std::string(253, 'a') + "N: Piece\n  after\n",
         {"", "", "", "", "  " + std::string(253, 'a')}},
    };
    for (const Case& c : cases) {
        Database db(c.text);
        EXPECT_EQ(lookup("msvid", fourcc("DIVX")), c.expected) << c.what;
    }
}

TEST(TextLines, WindowsTextModeSemantics) {
    OpenBytes bytes("ab\r\ncd\rx\n\r\r\nlast\x1A" "after\n");
    char buf[16];
    const char* expected[] = {"ab\n", "cdx\n", "\n", "last"};
    for (const char* line : expected) {
        ASSERT_TRUE(read_text_line(bytes.file(), buf, sizeof buf));
        EXPECT_STREQ(buf, line);
    }
    // 0x1A ends the file for every later read too.
    EXPECT_FALSE(read_text_line(bytes.file(), buf, sizeof buf));
    EXPECT_FALSE(read_text_line(bytes.file(), buf, sizeof buf));
    EXPECT_STREQ(buf, "");
}

TEST(TextLines, LongLinesComeInPiecesOfSizeMinusOne) {
    OpenBytes bytes("abcdefg\r\nhi");
    char buf[4];
    const char* expected[] = {"abc", "def", "g\n", "hi"};
    for (const char* line : expected) {
        ASSERT_TRUE(read_text_line(bytes.file(), buf, sizeof buf));
        EXPECT_STREQ(buf, line);
    }
    EXPECT_FALSE(read_text_line(bytes.file(), buf, sizeof buf));
}

TEST(TextLines, EmptyFile) {
    OpenBytes bytes("");
    char buf[8] = "junk";
    EXPECT_FALSE(read_text_line(bytes.file(), buf, sizeof buf));
    EXPECT_STREQ(buf, "");
}

}  // namespace

// Checks the shipped codec database, data/reelkit.cdb, so that an edit to the
// data cannot silently break lookups: every line is a comment, an empty line,
// a key line of a known section in one of the two key forms, or a detail line
// of an entry; no entry is hidden behind an earlier one; every field fits.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "front/driver.h"
#include "model/codec_db.h"
#include "tests/support.h"

namespace {

// Lines up to this length (line feed excluded) are read whole both while
// key lines are looked for and inside a detail block.
const size_t kMaxLine = 126;
const char* const kSections[] = {"msvid", "msaud", "qtvid", "qtaud"};

struct Entry {
    int line = 0;
    std::string section;
    bool numeric = false;
    uint32_t value = 0;   // numeric form
    std::string text;     // text form, as written
    std::string name, short_name, author, web_site;
    size_t notes_length = 0;
};

struct CheckResult {
    std::vector<Entry> entries;
    std::vector<std::string> problems;
};

std::string upper(std::string s) {
    for (char& c : s) {
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    }
    return s;
}

bool is_hex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The id a text key stands for: its characters, first in the lowest byte.
uint32_t id_of_text(const std::string& text) {
    uint32_t id = 0;
    for (size_t i = 0; i < text.size() && i < 4; ++i) id |= uint32_t(uint8_t(text[i])) << (8 * i);
    return id;
}

// True when a lookup of some id would reach entry a before it could reach b
// for the same id: equal keys of the same section, letter case ignored.
bool same_key(const Entry& a, const Entry& b) {
    if (upper(a.section) != upper(b.section)) return false;
    if (a.numeric && b.numeric) return a.value == b.value;
    if (!a.numeric && !b.numeric) return upper(a.text) == upper(b.text);
    const Entry& num = a.numeric ? a : b;
    const Entry& txt = a.numeric ? b : a;
    return upper(fourcc_text(num.value)) == upper(txt.text);
}

void parse_key_line(const std::string& line, int number, CheckResult* out) {
    auto problem = [&](const std::string& what) {
        out->problems.push_back("line " + std::to_string(number) + ": " + what + ": \"" + line + "\"");
    };
    size_t colon = line.find(':');
    std::string section = colon == std::string::npos ? "" : line.substr(0, colon);
    bool known = false;
    for (const char* s : kSections) known = known || upper(section) == upper(s);
    if (!known) return problem("not a key line of a known section");
    std::string key = line.substr(colon + 1);
    if (key.size() < 2 || key[0] != ' ' || key[1] == ' ' || key[1] == '\t')
        return problem("the key must follow \": \" directly");
    key = key.substr(1);

    Entry entry;
    entry.line = number;
    entry.section = section;
    if (key.size() > 2 && key[0] == '0' && key[1] == 'x') {
        std::string digits = key.substr(2);
        if (digits.empty() || digits.size() > 8) return problem("numeric key needs 1 to 8 hex digits");
        for (char c : digits) {
            if (!is_hex(c)) return problem("numeric key with other text after the digits");
        }
        entry.numeric = true;
        entry.value = uint32_t(std::stoul(digits, nullptr, 16));
    } else {
        if (key.size() > 4) return problem("text key longer than four characters");
        if (key[0] == '0' && (key.size() > 1 && (key[1] == 'x' || key[1] == 'X')))
            return problem("text key that looks like a number");
        for (char c : key) {
            if (c < 0x20 || c > 0x7E) return problem("text key with a character outside printable ASCII");
        }
        entry.text = key;
    }
    for (const Entry& earlier : out->entries) {
        if (upper(earlier.section) != upper(section)) continue;
        if (!earlier.numeric && earlier.text[0] == '*')
            return problem("hidden by the wildcard on line " + std::to_string(earlier.line));
        if (same_key(earlier, entry))
            return problem("same key as line " + std::to_string(earlier.line));
    }
    out->entries.push_back(entry);
}

void parse_detail_line(const std::string& line, int number, Entry* entry, CheckResult* out) {
    auto problem = [&](const std::string& what) {
        out->problems.push_back("line " + std::to_string(number) + ": " + what + ": \"" + line + "\"");
    };
    if (line.find_last_not_of(" \t") != line.size() - 1) return problem("trailing blanks");
    size_t start = line.find_first_not_of(" \t");
    size_t end = line.find_first_of(" \t", start);
    std::string word = line.substr(start, end == std::string::npos ? std::string::npos : end - start);
    std::string rest = end == std::string::npos ? "" : line.substr(line.find_first_not_of(" \t", end));
    std::string label = upper(word);
    if (label == "N:" || label == "NAME:") {
        size_t semi = rest.find(';');
        std::string name = rest.substr(0, semi);
        std::string short_name;
        if (semi != std::string::npos) {
            short_name = rest.substr(semi + 1);
            if (short_name.find(';') != std::string::npos) return problem("more than one \";\"");
            if (!name.empty() && name.back() == ' ') return problem("blank before \";\"");
            size_t first = short_name.find_first_not_of(" \t");
            short_name = first == std::string::npos ? "" : short_name.substr(first);
        }
        if (name.empty()) return problem("empty name");
        if (name.size() > 64) return problem("name longer than 64 characters");
        if (short_name.size() > 16) return problem("short name longer than 16 characters");
        entry->name = name;
        entry->short_name = short_name;
    } else if (label == "A:" || label == "AUTHOR:" || label == "W:" || label == "WEBSITE:") {
        if (rest.find(';') != std::string::npos) return problem("\";\" would cut the value");
        bool author = label[0] == 'A';
        if (rest.size() > (author ? 64u : 255u)) return problem("value too long");
        (author ? entry->author : entry->web_site) = rest;
    } else {
        // The lookup cuts the word after 15 characters; a cut word that
        // ends in ":" makes the whole line a skipped label.
        if (word.substr(0, 15).back() == ':') return problem("notes line read as an unknown label");
        entry->notes_length += line.size() + 1;
        if (entry->notes_length > 1023) return problem("notes longer than 1023 characters");
    }
}

CheckResult check_database(const Bytes& text) {
    CheckResult out;
    std::vector<std::string> lines;
    std::string current;
    for (char c : text) {
        if (c == '\x1A' || c == '\0') {
            out.problems.push_back("byte 0x1A or NUL in the file");
            return out;
        }
        if (c == '\r') continue;
        if (c == '\n') {
            lines.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) lines.push_back(current);

    bool in_entry = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        int number = int(i + 1);
        if (line.size() > kMaxLine) {
            out.problems.push_back("line " + std::to_string(number) + " longer than " +
                                   std::to_string(kMaxLine) + " characters");
            in_entry = false;
            continue;
        }
        if (line.empty() || line[0] == '#') {
            in_entry = false;
        } else if (line[0] == ' ' || line[0] == '\t') {
            if (!in_entry) {
                out.problems.push_back("line " + std::to_string(number) + ": detail line outside an entry");
                continue;
            }
            parse_detail_line(line, number, &out.entries.back(), &out);
        } else {
            size_t before = out.entries.size();
            parse_key_line(line, number, &out);
            in_entry = out.entries.size() > before;
        }
    }
    for (const Entry& e : out.entries) {
        if (e.name.empty()) out.problems.push_back("line " + std::to_string(e.line) + ": entry without a name");
    }
    return out;
}

std::string shipped_path() { return std::string(REELKIT_SOURCE_DIR) + "/data/reelkit.cdb"; }

std::string joined(const std::vector<std::string>& problems) {
    std::string all;
    for (const std::string& p : problems) all += p + "\n";
    return all;
}

TEST(CodecDbFile, ShippedDatabaseParsesCleanly) {
    Bytes text = read_file(shipped_path());
    ASSERT_FALSE(text.empty());
    CheckResult result = check_database(text);
    EXPECT_TRUE(result.problems.empty()) << joined(result.problems);
    EXPECT_FALSE(result.entries.empty());
}

// The checker itself must notice each kind of fault.
TEST(CodecDbFile, CheckerFindsFaults) {
    struct Case {
        const char* what;
        const char* text;
    } cases[] = {
        {"unknown section", "mvid: DIVX\n  N: DivX\n"},
        {"key without a blank after the colon", "msvid:DIVX\n  N: DivX\n"},
        {"two blanks before the key", "msvid:  DIVX\n  N: DivX\n"},
        {"text key over four characters", "msvid: DIVXX\n  N: DivX\n"},
        {"text with trailing words", "msaud: 0x0055 MP3\n  N: MP3\n"},
        {"numeric key over 32 bits", "msaud: 0x100000055\n  N: MP3\n"},
        {"upper-case X", "msaud: 0X0055\n  N: MP3\n"},
        {"duplicate key, other case", "msvid: DIVX\n  N: A\n\nmsvid: divx\n  N: B\n"},
        {"numeric key equal to an earlier text key", "msaud: U\n  N: A\n\nmsaud: 0x55\n  N: B\n"},
        {"text key equal to an earlier numeric key", "msvid: 0x58564944\n  N: A\n\nmsvid: divx\n  N: B\n"},
        {"entry after a wildcard", "qtvid: *\n  N: Any\n\nqtvid: avc1\n  N: AVC\n"},
        {"entry without a name", "msvid: DIVX\n  A: Maker\n"},
        {"name over 64 characters",
         "msvid: DIVX\n  N: 12345678901234567890123456789012345678901234567890123456789012345\n"},
        {"short name over 16 characters", "msvid: DIVX\n  N: DivX; 12345678901234567\n"},
        {"blank before the semicolon", "msvid: DIVX\n  N: DivX ; D\n"},
        {"semicolon in the maker", "msvid: DIVX\n  N: DivX\n  A: One; Two\n"},
        {"notes line read as a label", "msvid: DIVX\n  N: DivX\n  Note: text\n"},
        {"long word cut into a label", "msvid: DIVX\n  N: DivX\n  abcdefghijklmn:x text\n"},
        {"trailing blank", "msvid: DIVX\n  N: DivX \n"},
        {"detail line after an empty line", "msvid: DIVX\n  N: DivX\n\n  lost note\n"},
        {"line too long", "msvid: DIVX\n  N: DivX\n  "
                          "0123456789012345678901234567890123456789012345678901234567890123456789"
                          "01234567890123456789012345678901234567890123456789012345678\n"},
        {"end-of-file byte", "msvid: DIVX\n  N: DivX\n\x1A"},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(check_database(c.text).problems.empty()) << c.what;
    }
    EXPECT_TRUE(check_database("# comment\n\nmsvid: DIVX\n  N: DivX; D\n  Note text.\n\n"
                               "msaud: 0x0055\n  N: MP3\n\nqtaud: raw \n  N: Raw\n")
                    .problems.empty());
}

// Every entry is what a lookup of its own id finds.
TEST(CodecDbFile, EveryEntryIsReachable) {
    CheckResult result = check_database(read_file(shipped_path()));
    ASSERT_FALSE(result.entries.empty());
    std::string program = program_in_data_dir();
    const char* saved = program_path;
    program_path = program.c_str();
    for (const Entry& e : result.entries) {
        if (!e.numeric && e.text[0] == '*') continue;
        FormatInfo info;
        memset(&info, 0, sizeof info);
        uint32_t id = e.numeric ? e.value : id_of_text(e.text);
        ASSERT_TRUE(lookup_codec(e.section.c_str(), id, &info));
        EXPECT_EQ(info.name, e.name) << "line " << e.line;
        EXPECT_EQ(info.short_name, e.short_name) << "line " << e.line;
        EXPECT_EQ(info.author, e.author) << "line " << e.line;
        EXPECT_EQ(info.web_site, e.web_site) << "line " << e.line;
        EXPECT_EQ(strlen(info.notes), e.notes_length) << "line " << e.line;
    }
    program_path = saved;
}

// Codecs that real files carry and the database must describe, with the
// short name it gives them.
TEST(CodecDbFile, DescribesCommonCodecs) {
    struct Case {
        const char* section;
        uint32_t id;
        const char* short_name;
    } cases[] = {
        {"msvid", make_fourcc('D', 'I', 'V', 'X'), "DivX"},
        {"msvid", make_fourcc('x', 'v', 'i', 'd'), "Xvid"},
        {"msvid", make_fourcc('D', 'X', '5', '0'), "DivX 5"},
        {"msvid", make_fourcc('m', 'p', '4', 'v'), "MPEG-4"},
        {"msvid", make_fourcc('H', '2', '6', '4'), "H.264"},
        {"msvid", make_fourcc('a', 'v', 'c', '1'), "AVC"},
        {"msvid", make_fourcc('H', 'E', 'V', 'C'), "HEVC"},
        {"msvid", make_fourcc('H', 'V', 'C', '1'), "HEVC"},
        {"msvid", make_fourcc('M', 'J', 'P', 'G'), "MJPEG"},
        {"msvid", make_fourcc('d', 'v', 's', 'd'), "DV"},
        {"msvid", make_fourcc('W', 'M', 'V', '1'), "WMV7"},
        {"msvid", make_fourcc('W', 'M', 'V', '2'), "WMV8"},
        {"msvid", make_fourcc('W', 'M', 'V', '3'), "WMV9"},
        {"msvid", make_fourcc('W', 'V', 'C', '1'), "VC-1"},
        {"msvid", make_fourcc('V', 'P', '8', '0'), "VP8"},
        {"msvid", make_fourcc('A', 'V', '0', '1'), "AV1"},
        {"msvid", make_fourcc('c', 'v', 'i', 'd'), "Cinepak"},
        {"msvid", make_fourcc('I', 'V', '5', '0'), "Indeo 5"},
        {"msvid", make_fourcc('M', 'S', 'V', 'C'), "Video 1"},
        {"msvid", make_fourcc('R', 'L', 'E', ' '), "RLE"},
        {"msvid", 0x00000000, "RGB"},
        {"msvid", 0x00000001, "RLE8"},
        {"msaud", 0x0001, "PCM"},
        {"msaud", 0x0002, "MS ADPCM"},
        {"msaud", 0x0003, "Float"},
        {"msaud", 0x0006, "A-law"},
        {"msaud", 0x0007, "mu-law"},
        {"msaud", 0x0011, "IMA ADPCM"},
        {"msaud", 0x0031, "GSM 6.10"},
        {"msaud", 0x0050, "MPEG Audio"},
        {"msaud", 0x0055, "MP3"},
        {"msaud", 0x00FF, "AAC"},
        {"msaud", 0x0160, "WMA1"},
        {"msaud", 0x0161, "WMA2"},
        {"msaud", 0x0162, "WMA Pro"},
        {"msaud", 0x0163, "WMA Lossless"},
        {"msaud", 0x1610, "HE-AAC"},
        {"msaud", 0x2000, "AC-3"},
        {"msaud", 0x2001, "DTS"},
        {"msaud", 0xFFFE, "Extensible"},
        {"qtvid", make_fourcc('a', 'v', 'c', '1'), "AVC"},
        {"qtvid", make_fourcc('h', 'v', 'c', '1'), "HEVC"},
        {"qtvid", make_fourcc('m', 'p', '4', 'v'), "MPEG-4"},
        {"qtvid", make_fourcc('j', 'p', 'e', 'g'), "JPEG"},
        {"qtvid", make_fourcc('m', 'j', 'p', 'a'), "MJPEG-A"},
        {"qtvid", make_fourcc('S', 'V', 'Q', '1'), "Sorenson"},
        {"qtvid", make_fourcc('S', 'V', 'Q', '3'), "Sorenson 3"},
        {"qtvid", make_fourcc('c', 'v', 'i', 'd'), "Cinepak"},
        {"qtvid", make_fourcc('r', 'l', 'e', ' '), "Animation"},
        {"qtvid", make_fourcc('r', 'a', 'w', ' '), "Raw"},
        {"qtvid", make_fourcc('a', 'p', '4', 'h'), "ProRes 4444"},
        {"qtvid", make_fourcc('a', 'p', 'c', 'h'), "ProRes 422 HQ"},
        {"qtvid", make_fourcc('a', 'p', 'c', 'n'), "ProRes 422"},
        {"qtvid", make_fourcc('a', 'p', 'c', 's'), "ProRes 422 LT"},
        {"qtvid", make_fourcc('a', 'p', 'c', 'o'), "ProRes Proxy"},
        {"qtaud", make_fourcc('s', 'o', 'w', 't'), "PCM LE"},
        {"qtaud", make_fourcc('t', 'w', 'o', 's'), "PCM BE"},
        {"qtaud", make_fourcc('r', 'a', 'w', ' '), "Raw"},
        {"qtaud", make_fourcc('i', 'm', 'a', '4'), "IMA4"},
        {"qtaud", make_fourcc('m', 'p', '4', 'a'), "AAC"},
        {"qtaud", make_fourcc('.', 'm', 'p', '3'), "MP3"},
        {"qtaud", make_fourcc('a', 'l', 'a', 'c'), "ALAC"},
        {"qtaud", make_fourcc('a', 'c', '-', '3'), "AC-3"},
        {"qtaud", make_fourcc('u', 'l', 'a', 'w'), "mu-law"},
        {"qtaud", make_fourcc('a', 'l', 'a', 'w'), "A-law"},
        {"qtaud", make_fourcc('l', 'p', 'c', 'm'), "LPCM"},
        {"qtaud", make_fourcc('m', 's', 0, 'U'), "MP3"},
    };
    std::string program = program_in_data_dir();
    const char* saved = program_path;
    program_path = program.c_str();
    for (const Case& c : cases) {
        FormatInfo info;
        memset(&info, 0, sizeof info);
        ASSERT_TRUE(lookup_codec(c.section, c.id, &info));
        EXPECT_EQ(std::string(info.short_name), c.short_name) << c.section << " " << fourcc_text(c.id);
        EXPECT_NE(info.name[0], '\0') << c.section << " " << fourcc_text(c.id);
    }
    program_path = saved;
}

// The build puts the database beside the command-line program.
TEST(CodecDbFile, CopiedBesideTheProgram) {
    std::string cli = REELKIT_CLI;
    std::string beside = cli.substr(0, cli.find_last_of('/') + 1) + "reelkit.cdb";
    EXPECT_EQ(read_file(beside), read_file(shipped_path()));
}

}  // namespace

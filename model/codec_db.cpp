// The codec database "reelkit.cdb": a text file of entries, each a key line
// naming a section and a codec id, followed by indented detail lines.
//
// Key lines come in two forms, tried in this order on every line:
//   numeric   "msaud: 0x0055"  section key (1-5 letters), ":", blanks, "0x"
//                              (lower-case x), hexadecimal digits; the rest
//                              of the line is ignored
//   text      "msvid: DIVX"    section key, ":", blanks, then the next one to
//                              four characters up to the end of the line,
//                              compared with the id's FourCC text; a key
//                              text starting with "*" matches every id
// Section keys and key texts compare with letter case ignored. Detail lines
// start with a blank or a tab and split into a word, a value and, after a
// ";", an extra part:
//   N: or Name:       value is the name, extra the short name
//   A: or Author:     value is the maker
//   W: or WebSite:    value is the web site
//   other word ending in ":"   ignored
//   anything else     the whole line, as read, is appended to the notes
// The file is opened, scanned from its first line and closed on every
// lookup; the first matching entry wins.
#include "model/codec_db.h"

#include <cstdlib>
#include <cstring>

#include "front/driver.h"
#include "platform/platform.h"

static const char kDatabaseName[] = "reelkit.cdb";

// Lines are read in pieces of at most these sizes (terminator included);
// each piece is taken as a line of its own.
static const int kKeyLineSize = 128;
static const int kDetailLineSize = 256;

// Key line parts.
static const int kSectionKeyMax = 5;
static const int kKeyTextMax = 4;

// Detail line parts.
static const int kWordMax = 15;
static const int kValueMax = 255;
static const int kExtraMax = 31;

// Widths of the FormatInfo texts.
static const int kNameMax = 64;
static const int kShortNameMax = 16;
static const int kAuthorMax = 64;
static const int kWebSiteMax = 255;
static const size_t kNotesSize = sizeof(FormatInfo::notes);

// Blanks as a formatted scan skips them.
static bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

static bool is_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

static int hex_digit_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

static char ascii_upper(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

static bool equal_ignoring_case(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b) {
        if (ascii_upper(*a) != ascii_upper(*b)) return false;
    }
    return *a == *b;
}

static const char* skip_blanks(const char* p) {
    while (is_blank(*p)) ++p;
    return p;
}

// The section key at the very start of a key line and the ":" after it.
// Returns the position after the ":", or null when the line has no such
// start (a sixth letter stands where the ":" must be).
static const char* read_section_key(const char* line, char key[kSectionKeyMax + 1]) {
    int n = 0;
    while (n < kSectionKeyMax && is_letter(line[n])) {
        key[n] = line[n];
        ++n;
    }
    key[n] = '\0';
    if (n == 0 || line[n] != ':') return nullptr;
    return line + n + 1;
}

static bool numeric_key_matches(const char* line, const char* section, uint32_t id) {
    char key[kSectionKeyMax + 1];
    const char* p = read_section_key(line, key);
    if (!p) return false;
    p = skip_blanks(p);
    if (p[0] != '0' || p[1] != 'x') return false;
    p += 2;
    if (hex_digit_value(*p) < 0) return false;
    // A number beyond 32 bits names no codec id; leading zeros are fine.
    uint64_t value = 0;
    bool too_big = false;
    for (; hex_digit_value(*p) >= 0; ++p) {
        if (value > 0x0FFFFFFFu) too_big = true;
        value = (value << 4 | uint64_t(hex_digit_value(*p))) & 0xFFFFFFFFu;
    }
    return equal_ignoring_case(key, section) && !too_big && value == id;
}

static bool text_key_matches(const char* line, const char* section, const char* id_text) {
    char key[kSectionKeyMax + 1];
    const char* p = read_section_key(line, key);
    if (!p) return false;
    p = skip_blanks(p);
    char text[kKeyTextMax + 1];
    int n = 0;
    while (n < kKeyTextMax && p[n] != '\0' && p[n] != '\n') {
        text[n] = p[n];
        ++n;
    }
    text[n] = '\0';
    if (n == 0) return false;
    return equal_ignoring_case(key, section) && (text[0] == '*' || equal_ignoring_case(text, id_text));
}

char* path_beside_program(const char* file_name) {
    const char* program = program_path ? program_path : "";
    size_t dir_length = 0;
    for (size_t i = 0; program[i]; ++i) {
        if (program[i] == '/' || program[i] == '\\') dir_length = i + 1;
    }
    size_t name_length = strlen(file_name);
    char* path = static_cast<char*>(malloc(dir_length + name_length + 1));
    if (!path) return nullptr;
    memcpy(path, program, dir_length);
    memcpy(path + dir_length, file_name, name_length + 1);
    return path;
}

// The three parts of a detail line; each is empty when it is not found.
struct DetailParts {
    char word[kWordMax + 1];
    char value[kValueMax + 1];
    char extra[kExtraMax + 1];
};

// Copies up to max characters from p that are not in stop (nor the end of
// the text) into out and returns the position after them.
static const char* take_until(const char* p, const char* stop, char* out, int max) {
    int n = 0;
    while (n < max && *p && !strchr(stop, *p)) out[n++] = *p++;
    out[n] = '\0';
    return p;
}

// word: after blanks, up to 15 non-blank characters (a longer run goes on
// into the value); value: after blanks, up to 255 characters before ";" or
// the line end; extra: only after a ";", after blanks, up to 31 characters
// before the next ";" or the line end.
static void split_detail_line(const char* line, DetailParts* parts) {
    parts->word[0] = parts->value[0] = parts->extra[0] = '\0';
    const char* p = skip_blanks(line);
    int n = 0;
    while (n < kWordMax && *p && !is_blank(*p)) parts->word[n++] = *p++;
    parts->word[n] = '\0';
    if (n == 0) return;
    p = take_until(skip_blanks(p), ";\n", parts->value, kValueMax);
    if (*p != ';') return;
    take_until(skip_blanks(p + 1), ";\n", parts->extra, kExtraMax);
}

static void apply_detail_line(const char* line, FormatInfo* dest) {
    DetailParts parts;
    split_detail_line(line, &parts);
    const char* word = parts.word;
    if (equal_ignoring_case(word, "N:") || equal_ignoring_case(word, "Name:")) {
        copy_text(dest->name, parts.value, kNameMax);
        copy_text(dest->short_name, parts.extra, kShortNameMax);
    } else if (equal_ignoring_case(word, "A:") || equal_ignoring_case(word, "Author:")) {
        copy_text(dest->author, parts.value, kAuthorMax);
    } else if (equal_ignoring_case(word, "W:") || equal_ignoring_case(word, "WebSite:")) {
        copy_text(dest->web_site, parts.value, kWebSiteMax);
    } else if (word[0] && word[strlen(word) - 1] == ':') {
        // A label this program does not know: passed over.
    } else {
        // A notes line goes in whole or not at all; a later shorter line
        // may still fit.
        size_t length = strlen(line);
        size_t present = strlen(dest->notes);
        if (length < kNotesSize - present) memcpy(dest->notes + present, line, length + 1);
    }
}

void read_detail_block(FILE* db, FormatInfo* dest) {
    memset(dest, 0, sizeof *dest);
    char line[kDetailLineSize];
    // The block is the run of lines that start with a blank or a tab.
    while (read_text_line(db, line, kDetailLineSize)) {
        if (line[0] != ' ' && line[0] != '\t') break;
        apply_detail_line(line, dest);
    }
}

bool lookup_codec(const char* section, uint32_t id, FormatInfo* dest) {
    char* path = path_beside_program(kDatabaseName);
    if (!path) return false;
    FILE* db = fopen(path, "r");
    free(path);
    if (!db) return false;

    char id_text[5];
    fourcc_text(id, id_text);
    char line[kKeyLineSize];
    while (read_text_line(db, line, kKeyLineSize)) {
        if (numeric_key_matches(line, section, id) || text_key_matches(line, section, id_text)) {
            read_detail_block(db, dest);
            break;
        }
    }
    fclose(db);
    return true;
}

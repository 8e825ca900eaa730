#include <cstdlib>

#include "model/byte_order.h"
#include "platform/platform.h"

// On Linux the console and the desktop both use UTF-8, so both code-page
// choices give the same text; a Windows build maps them to its OEM and ANSI
// code pages. Characters that UTF-8 cannot carry (a surrogate without its
// partner) become "?".

static const char kUnrepresentable = '?';

static bool is_high_surrogate(uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
static bool is_low_surrogate(uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

static uint32_t unit_at(const unsigned char* text, int32_t i) { return read_u16le(text + 2 * i); }

static char* put_utf8(char* out, uint32_t c) {
    if (c < 0x80) {
        *out++ = char(c);
    } else if (c < 0x800) {
        *out++ = char(0xC0 | c >> 6);
        *out++ = char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out++ = char(0xE0 | c >> 12);
        *out++ = char(0x80 | (c >> 6 & 0x3F));
        *out++ = char(0x80 | (c & 0x3F));
    } else {
        *out++ = char(0xF0 | c >> 18);
        *out++ = char(0x80 | (c >> 12 & 0x3F));
        *out++ = char(0x80 | (c >> 6 & 0x3F));
        *out++ = char(0x80 | (c & 0x3F));
    }
    return out;
}

char* utf16le_to_local(const unsigned char* text, int32_t units, bool ansi_code_page) {
    (void)ansi_code_page;
    if (units < 0) units = 0;
    // A unit gives at most 3 bytes; a surrogate pair gives 4 for its 2 units.
    char* result = static_cast<char*>(malloc(size_t(units) * 3 + 1));
    if (!result) return nullptr;
    char* out = result;
    for (int32_t i = 0; i < units; ++i) {
        uint32_t unit = unit_at(text, i);
        if (unit == 0) break;
        if (is_high_surrogate(unit) && i + 1 < units && is_low_surrogate(unit_at(text, i + 1))) {
            uint32_t low = unit_at(text, ++i);
            out = put_utf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        } else if (is_high_surrogate(unit) || is_low_surrogate(unit)) {
            *out++ = kUnrepresentable;
        } else {
            out = put_utf8(out, unit);
        }
    }
    *out = '\0';
    return result;
}

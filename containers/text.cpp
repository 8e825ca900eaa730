#include "containers/text.h"

#include <cstddef>
#include <cstdint>

// Blocks start small, since most files are not text and fail in their first
// bytes, and grow while the file stays text, up to a size that keeps the
// scan at memory speed.
static const size_t kFirstBlock = 4096;
static const size_t kLargestBlock = 1 << 20;

// Whether any byte of the block lies outside the text set (tab, line feed,
// carriage return, 0x20 to 0x7E). Branch-free, so the compiler vectorises it.
static bool holds_non_text(const unsigned char* bytes, size_t count) {
    unsigned char bad = 0;
    for (size_t i = 0; i < count; ++i) {
        unsigned char c = bytes[i];
        unsigned char outside_printable = static_cast<unsigned char>(c - 0x20) > 0x5E;
        bad |= outside_printable & (c != '\t') & (c != '\n') & (c != '\r');
    }
    return bad != 0;
}

bool identify_text(FILE* file, IdentResult* record) {
    clear_ident_result(record);
    rewind(file);
    static unsigned char block[kLargestBlock];
    size_t block_size = kFirstBlock;
    for (;;) {
        size_t got = fread(block, 1, block_size, file);
        if (holds_non_text(block, got)) return false;
        // A short read is the end of the file; a read error counts as one too.
        if (got < block_size) break;
        if (block_size < kLargestBlock) block_size *= 2;
    }
    copy_text(record->format.name, "ASCII Text", 64);
    return true;
}

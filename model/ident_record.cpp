#include "model/ident_record.h"

#include <cstdlib>
#include <cstring>

IdentResult ident_result;

void release_meta_items(MetaItem* items) {
    if (!items) return;
    // Every array is made with all its slots zeroed, so values past
    // meta_count are either set or null.
    for (MetaItem* item = items; item->label; ++item) free(item->value);
    free(items);
}

void clear_ident_result(IdentResult* record) {
    release_meta_items(record->meta_items);
    memset(record, 0, sizeof *record);
}

void copy_text(char* dst, const char* src, int max_chars) {
    int n = 0;
    while (n < max_chars && src[n]) {
        dst[n] = src[n];
        ++n;
    }
    dst[n] = '\0';
}

const char* fourcc_text(uint32_t code, char* buf) {
    static char shared[5];
    char* out = buf ? buf : shared;
    for (int i = 0; i < 4; ++i) out[i] = char((code >> (8 * i)) & 0x7F);
    out[4] = '\0';
    return out;
}

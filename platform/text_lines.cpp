// Line reading with the semantics of a Windows text-mode stream, for text
// files (the codec database) that may have been written on either system.
#include "platform/platform.h"

// A text-mode stream ends at this byte even when more bytes follow it.
static const int kTextEndOfFile = 0x1A;

bool read_text_line(FILE* file, char* buf, int size) {
    if (size < 1) return false;
    int count = 0;
    while (count < size - 1) {
        int c = fgetc(file);
        if (c == EOF) break;
        if (c == kTextEndOfFile) {
            // Push the byte back so that every later read stops here too.
            ungetc(c, file);
            break;
        }
        if (c == '\r') continue;
        buf[count++] = char(c);
        if (c == '\n') break;
    }
    buf[count] = '\0';
    return count > 0;
}

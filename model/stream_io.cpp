#include "model/stream_io.h"

// The longest step forward that is read over rather than sought.
static const int64_t kReadOver = 4096;

bool step_to(FILE* file, int64_t position) {
    if (position < 0) return false;
    int64_t here = ftello(file);
    if (here >= 0 && position >= here && position - here <= kReadOver) {
        unsigned char passed[kReadOver];
        (void)fread(passed, 1, size_t(position - here), file);
        return true;
    }
    return seek_to(file, position);
}

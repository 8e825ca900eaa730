// Reads and seeks on the examined file's stream, shared by the identifiers.
#pragma once

#include <cstdint>
#include <cstdio>

// Reads exactly count bytes; false when fewer arrive (the end of the file or
// a read error), which ends whatever was being read.
inline bool read_exact(FILE* file, unsigned char* buf, size_t count) {
    return fread(buf, 1, count, file) == count;
}

// Seeks to a 64-bit position from the start of the file. A negative position
// fails; one past the end succeeds, and the next read comes up short.
inline bool seek_to(FILE* file, int64_t position) {
    return position >= 0 && fseeko(file, off_t(position), SEEK_SET) == 0;
}

// Like seek_to, but a short step forward is read over rather than sought: a
// seek costs a system call, and a file of many tiny chunks would otherwise
// take minutes to walk. A step that meets the end of the file leaves the
// stream there, where the next read is short as it would be after a seek.
// Unlike a seek, a step that is read over leaves the end-of-file indicator
// as the read set it.
bool step_to(FILE* file, int64_t position);

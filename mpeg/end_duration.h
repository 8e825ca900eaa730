// Play time of an MPEG file from its last part: the last group-of-pictures
// time code, or the last pack's system clock reference, met scanning back
// from the end of the file.
#pragma once

#include <cstdint>
#include <cstdio>

// frame_rate: the frame rate of the first sequence header (0 when none).
// end_budget: bytes that may be examined (negative: no limit). Returns the
// duration in seconds, or 0 when no mark was found. Leaves the file position
// anywhere.
double duration_from_end(FILE* file, double frame_rate, int32_t end_budget);

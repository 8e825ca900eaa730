// The MPEG identifier: system, program, video and audio streams recognised
// by their first bytes, or an MPEG-1 system stream behind other data, and a
// forward walk over the start codes of the first part of the file.
#pragma once

#include <cstdint>
#include <cstdio>

#include "model/ident_record.h"

// Stream kinds that identify_mpeg returns; 0 means not recognised.
enum MpegKind {
    kMpegNone = 0,
    kMpegVideo = 1,
    kMpegAudio = 2,
    kMpegSystem = 3,
    kMpegEmbeddedSystem = 4,
    kMpeg2Flag = 8,  // MPEG-2 program stream, or added when a sequence extension is met
};

// Frame rates by the 4-bit code of a video sequence header.
extern const float mpeg_frame_rates[16];
// Audio bit rates in kbit/s by ID bit, layer number (row 0 all zeros) and index.
extern const int32_t mpeg_audio_bit_rates[2][4][16];
// Audio sample rates in Hz by ID bit and sampling-frequency index.
extern const int32_t mpeg_audio_sample_rates[2][4];
// Channel counts by the 2-bit audio mode.
extern const int32_t mpeg_audio_channels[4];

// embedded_limit: how far into the file an embedded MPEG-1 system stream is
// searched for (0: not searched; negative: no limit). end_budget: bytes
// scanned back from the end for the last time stamp (0: not scanned;
// negative: no limit). Returns the stream kind.
int identify_mpeg(FILE* file, IdentResult* record, int32_t embedded_limit, int32_t end_budget);

#pragma once

#include <cstdio>

#include "model/ident_record.h"

// Recognises an Audio-Video Interleaved file by its "RIFF" / "AVI " header
// and reads the main header and the stream lists of its header list: frame
// rate, duration, data rate, picture size, the video FourCC and the audio
// format. Once the signature matched the answer is true, however far the
// walk gets.
bool identify_avi(FILE* file, IdentResult* record);

#pragma once

#include <cstdint>
#include <cstdio>

#include "model/ident_record.h"

// Reads the chunk header at *next_chunk: seeks there, stores the four id
// characters and a terminating zero in id, and moves *next_chunk on to the
// chunk after this one. The file is then at the start of the chunk's body.
// False when the header cannot be read or its size is below 8.
bool read_rm_chunk_header(FILE* file, char id[5], int64_t* next_chunk);

// Recognises a RealMedia file by its ".RMF" signature and takes the play
// time, the kinds of stream, the RealVideo 1.0 picture size and frame rate,
// and the audio byte rate from its file and media properties chunks.
bool identify_realmedia(FILE* file, IdentResult* record);

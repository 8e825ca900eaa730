// The codec database: a plain-text file "reelkit.cdb" beside the program that
// describes codecs by section ("msvid", "msaud", "qtvid", "qtaud") and id.
#pragma once

#include <cstdint>
#include <cstdio>

#include "model/ident_record.h"

// The directory part of program_path (up to and including its last "/" or
// "\") followed by file_name. The caller releases the text with free().
char* path_beside_program(const char* file_name);

// Fills dest from the first entry of section that matches id. True when the
// database could be opened (whether or not an entry matched); dest is left
// untouched when nothing matched or the database is missing.
bool lookup_codec(const char* section, uint32_t id, FormatInfo* dest);

// Reads the detail block after a matching key line from the open database
// into dest, which it clears first.
void read_detail_block(FILE* db, FormatInfo* dest);

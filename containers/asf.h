#pragma once

#include <cstdint>
#include <cstdio>

#include "model/ident_record.h"

// Recognises an Advanced Systems Format file by its Header Object GUID and
// walks the header's objects: play time and data rate, picture size and video
// FourCC, audio format, and the content-description texts. Once the GUID
// and the 12 bytes after it were read the answer is true, however far the
// walk gets.
bool identify_asf(FILE* file, IdentResult* record);

// Reads one content-description text of length bytes from the present
// position into items[*index] under label, and advances *index. A length of
// 0 succeeds without using an item; a length above the text limit, a short
// read or a failed conversion fails.
bool read_meta_string(FILE* file, MetaItem* items, int32_t* index, const char* label,
                      uint32_t length);

// units 16-bit units of UTF-16LE text as a new heap text (release with
// free()) in the code page that use_ansi_code_page selects; null when no
// storage could be had.
char* wide_to_local(const unsigned char* text, int32_t units);

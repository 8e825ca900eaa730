#pragma once

#include <cstdio>

#include "model/ident_record.h"

// Recognises a file made only of text bytes (tab, line feed, carriage return
// and 0x20 to 0x7E) up to its end, and names it "ASCII Text".
bool identify_text(FILE* file, IdentResult* record);

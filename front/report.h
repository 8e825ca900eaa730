// The report writer: prints the identification record as plain text.
#pragma once

#include <cstdint>
#include <cstdio>

// True when all four bytes of code are printable ASCII (0x20 to 0x7E).
bool is_printable_fourcc(uint32_t code);

// Prints ident_result to out, from the metadata lines to the codec blocks.
void write_report(FILE* out);

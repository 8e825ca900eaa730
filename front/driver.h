// The identification driver: reads the command line, opens the file and
// offers it to the chain of identifiers, then prints the report.
#pragma once

#include <cstdint>
#include <cstdio>

// The program's own path, argument 0; the codec database lies beside it.
extern const char* program_path;

// 1: UTF-16 texts are converted for the desktop (set by -A and by the
// windowed front end); 0: for the console.
extern uint8_t use_ansi_code_page;

// Writes the usage text, an error message, or the file-name line and the
// report to out. Returns 0, or 1 when the file cannot be opened or is too big.
int identify_and_report(int argc, char** argv, FILE* out);

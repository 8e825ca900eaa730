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

// What the command line asks for. Options are "-" or "/", a letter, then a
// value directly or after ":"; every other argument is a file name, the last
// one wins.
struct CommandLine {
    const char* file_name;   // null when none was given
    bool show_usage;         // an unknown option letter, or no file name
    int32_t end_budget;      // -D
    int32_t embedded_limit;  // -M
    int32_t atom_limit;      // -Q
};

// Scans arguments 1 to argc - 1; -A sets use_ansi_code_page. The scan stops
// at the first unknown option letter.
CommandLine scan_arguments(int argc, char** argv);

// Writes the usage text, an error message, or the file-name line and the
// report to out. Returns 0, or 1 when the file cannot be opened or is too big.
int identify_and_report(int argc, char** argv, FILE* out);

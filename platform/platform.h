// The few operating-system services the program needs, behind one small
// interface: file size and name, text conversion, text-mode line reading,
// the program's own path, and what the windowed front end needs.
#pragma once

#include <cstdint>
#include <cstdio>

// Size of the open file in bytes, or -1 when it cannot be had. Does not move
// the stream's position. Files that reach the identifiers are below 2^31
// bytes, so the size fits.
int32_t file_length(FILE* file);

// True when the open file is 2^31 bytes or larger. A size query that fails
// answers false.
bool is_over_2gb(FILE* file);

// True when the open stream is a directory (Linux lets fopen open one).
bool is_directory(FILE* file);

// The name of the directory entry that path names, without its directory
// part; an empty text when no such entry exists. Static storage, overwritten
// by the next call.
const char* display_name(const char* path);

// The full path of the running program's executable as the system reports
// it, or an empty text when it cannot be had. Static storage.
const char* own_executable_path();

// Reads one line of a text file the way a Windows text-mode stream delivers
// it: every carriage-return byte is dropped wherever it stands, and a byte
// 0x1A ends the file. Reads at most size - 1 characters, up to and including
// the line feed, into buf and terminates it. False at the end of the file
// (or on a read error) when nothing was read.
bool read_text_line(FILE* file, char* buf, int size);

// Converts units 16-bit units of UTF-16LE text to a new heap text (release
// with free()) in the console's code page, or the desktop's when
// ansi_code_page is set. Text ends at the first NUL unit.
char* utf16le_to_local(const unsigned char* text, int32_t units, bool ansi_code_page);

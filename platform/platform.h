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

// ---------------------------------------------------------------------------
// Services of the windowed front end: where the report file goes, opening it
// safely, showing it in the desktop's viewer, and removing it afterwards.

// The user's temporary directory: TMPDIR when set and non-empty, else "/tmp".
const char* temp_directory();

// Creates (or empties) the file at path for writing, readable and writable
// by its owner only. The path usually lies in a directory that every user
// can write, so a symbolic link there is never followed, and an existing
// entry that is not a regular file of this user with a single name is
// refused rather than emptied. Null on refusal or failure.
FILE* create_private_file(const char* path);

// Starts the desktop's viewer ("xdg-open") on path, its one argument, without
// a shell and without waiting for it. A viewer that cannot be started is not
// reported.
void start_viewer(const char* path);

// Suspends the program for the given number of milliseconds.
void sleep_ms(int milliseconds);

// Removes the file at path; a failure is not reported.
void delete_file(const char* path);

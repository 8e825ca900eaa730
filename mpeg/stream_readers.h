// Forward readers over an MPEG stream: pattern and start-code search below a
// position limit, packet headers of both forms, and the search for an MPEG-1
// system stream that begins behind other data.
#pragma once

#include <cstdint>
#include <cstdio>

// Time-stamp bytes of an MPEG-2 packet header for each value of its two
// PTS/DTS flag bits: 00 none, 01 none (forbidden), 10 PTS, 11 PTS and DTS.
extern const int32_t pts_dts_lengths[4];

// Searches forward from the current position for the length bytes of
// pattern, all of them at positions below limit (0 or less: no limit). True
// leaves the file just after the last pattern byte.
bool find_pattern(FILE* file, const unsigned char* pattern, int length, int64_t limit);

// Finds the next start-code prefix 00 00 01 below limit and reads the code
// byte after it (wherever it lies). Returns 0x100 | code byte, or 0 when no
// prefix lies below the limit or the file ends right after it.
int next_start_code(FILE* file, int64_t limit);

// Called just after a packet start code: passes over the packet length and
// the packet header, MPEG-1 or MPEG-2 form, leaving the file at the first
// byte of the packet's data. False when the file ends, a seek fails, the
// header is longer than a packet can be, or it carries a pack header field.
bool skip_packet_header(FILE* file);

// Looks from the start of the file for an MPEG-1 pack header directly
// followed by another start-code prefix, with its start code below limit
// (negative: no limit). True leaves the file at the pack start code.
bool find_embedded_pack(FILE* file, int64_t limit);

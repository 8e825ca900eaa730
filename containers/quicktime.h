#pragma once

#include <cstdint>
#include <cstdio>

#include "model/ident_record.h"

// One level of the atom path: the type of the atom handled at that level and
// a separator that is "/" while the walk is inside that atom's body and 0
// while the entry is the deepest one. Entries lie back to back, so the path
// down to the current entry reads as one text such as "moov/trak/tkhd".
struct AtomPathEntry {
    char type[4];
    char separator;
};
static_assert(sizeof(AtomPathEntry) == 5, "path entries must lie back to back");

// Nesting levels the walk keeps; a well-formed movie uses seven.
const int kAtomPathDepth = 13;
extern AtomPathEntry atom_path[kAtomPathDepth];

// The track the walk is in: its kind, from the media handler, and the time
// scale of its media header. Reset at every track atom.
enum TrackKind : uint8_t { kTrackNone = 0, kTrackVideo = 1, kTrackSound = 2 };
extern TrackKind track_kind;
extern uint32_t media_time_scale;

// Reads the atom header at the current position into entry and stores the
// absolute position just past the atom in *end_position. False when the
// header is cut short, its size is malformed, or the atom ends beyond the
// end of the file; *end_position is then untouched.
bool read_atom_header(FILE* file, AtomPathEntry* entry, int64_t* end_position);

// Acts on the atom whose header was just read into entry (the file is at the
// start of its body, which ends at end_position). path is entry 0.
void handle_atom(FILE* file, IdentResult* record, AtomPathEntry* path, AtomPathEntry* entry,
                 int64_t end_position);

// Walks the atom list that starts at the current position and runs for
// extent bytes, entering container atoms. False when an atom header failed
// anywhere in the list or below it.
bool walk_atoms(FILE* file, IdentResult* record, int64_t extent, AtomPathEntry* path,
                AtomPathEntry* entry);

// Recognises a QuickTime movie (or an MP4/M4A/3GP file, which share its
// atoms) by a "moov" or "mdat" atom among the first atom_limit top-level
// atoms, then walks the whole atom tree for the movie's details.
bool identify_quicktime(FILE* file, IdentResult* record, int32_t atom_limit);

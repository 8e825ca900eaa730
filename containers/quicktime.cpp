#include "containers/quicktime.h"

#include <climits>
#include <cstring>

#include "model/byte_order.h"
#include "model/codec_db.h"
#include "model/stream_io.h"
#include "platform/platform.h"

AtomPathEntry atom_path[kAtomPathDepth];
TrackKind track_kind = kTrackNone;
uint32_t media_time_scale = 0;

// Atoms whose bodies are lists of atoms. An "stsd" body starts with version,
// flags and entry count before its list of sample descriptions.
static const char* const kContainerTypes[] = {"moov", "cmov", "trak", "mdia",
                                              "minf", "dinf", "stbl", "stsd"};
static const long kSampleTableHeader = 8;
// Body bytes read from each handled atom (see handle_atom).
static const size_t kMovieHeaderSize = 20;
static const size_t kMediaHeaderSize = 16;
static const size_t kHandlerSize = 12;
static const size_t kTimeToSampleHeader = 8;
static const size_t kTimeToSampleEntry = 8;
// A sample description starts with 6 reserved bytes and a data-reference
// index; a video one then has version, revision, vendor and qualities before
// its width and height, a sound one version, revision and vendor before its
// channel count.
static const long kSampleDescriptionHeader = 8;
static const long kVideoFieldsBeforeSize = 16;
static const long kSoundFieldsBeforeChannels = 8;

static bool type_is(const AtomPathEntry* entry, const char* type) {
    return memcmp(entry->type, type, 4) == 0;
}

static bool is_container(const AtomPathEntry* entry) {
    for (const char* type : kContainerTypes)
        if (type_is(entry, type)) return true;
    return false;
}

bool read_atom_header(FILE* file, AtomPathEntry* entry, int64_t* end_position) {
    // Without the file's length no atom's extent can be checked.
    int64_t length = file_length(file);
    if (length < 0) return false;
    unsigned char header[8];
    if (!read_exact(file, header, sizeof header)) return false;
    memcpy(entry->type, header + 4, 4);
    entry->separator = 0;
    int32_t size = int32_t(read_u32be(header));
    int64_t end;
    if (size == 0) {
        // The atom runs to the end of the file.
        end = length;
    } else if (size == 1) {
        // A 64-bit size follows the type; only sizes below 2^31 are taken.
        unsigned char extended[8];
        if (!read_exact(file, extended, sizeof extended)) return false;
        if (read_u32be(extended) != 0) return false;
        int32_t low = int32_t(read_u32be(extended + 4));
        if (low < 16) return false;
        end = int64_t(ftell(file)) + low - 16;
    } else {
        if (size < 8) return false;
        end = int64_t(ftell(file)) + size - 8;
    }
    if (end > length) return false;
    *end_position = end;
    return true;
}

static void handle_movie_header(FILE* file, IdentResult* record) {
    unsigned char body[kMovieHeaderSize];
    if (!read_exact(file, body, sizeof body)) return;
    uint32_t time_scale = read_u32be(body + 12);
    // Without a time scale the duration has no unit; keep what was known.
    if (time_scale == 0) return;
    record->duration = double(read_u32be(body + 16)) / double(time_scale);
}

static void handle_media_header(FILE* file) {
    unsigned char body[kMediaHeaderSize];
    if (!read_exact(file, body, sizeof body)) return;
    media_time_scale = read_u32be(body + 12);
}

// Only a media handler names the track's kind. QuickTime stores the
// component type "mhlr" there; ISO media files (MP4, M4A, 3GP) leave the
// field zero. A data handler ("dhlr") changes nothing.
static void handle_handler_reference(FILE* file, IdentResult* record) {
    unsigned char body[kHandlerSize];
    if (!read_exact(file, body, sizeof body)) return;
    static const unsigned char kNoComponentType[4] = {0, 0, 0, 0};
    if (memcmp(body + 4, "mhlr", 4) != 0 && memcmp(body + 4, kNoComponentType, 4) != 0) return;
    if (memcmp(body + 8, "vide", 4) == 0) {
        record->has_video = 1;
        track_kind = kTrackVideo;
    } else if (memcmp(body + 8, "soun", 4) == 0) {
        record->has_audio = 1;
        track_kind = kTrackSound;
    }
}

// The time-to-sample table: runs of samples of one duration. Their average
// duration gives a video track's frame rate. A sound track's sampling rate
// is its media time scale; a table sample there is a packet (1024 audio
// samples for AAC), so the table only tells that the track has samples.
static void handle_time_to_sample(FILE* file, IdentResult* record, int64_t end_position) {
    unsigned char buf[kTimeToSampleHeader];
    if (!read_exact(file, buf, sizeof buf)) return;
    uint32_t entry_count = read_u32be(buf + 4);
    // Only entries inside the atom are read, so a hostile count ends with
    // the atom rather than rereading the rest of the file for every table.
    int64_t room = (end_position - int64_t(ftell(file))) / int64_t(kTimeToSampleEntry);
    if (room < 0) room = 0;
    if (int64_t(entry_count) > room) entry_count = uint32_t(room);
    double weighted = 0;
    double total = 0;
    for (uint32_t i = 0; i < entry_count; ++i) {
        if (!read_exact(file, buf, kTimeToSampleEntry)) return;
        double count = int32_t(read_u32be(buf));
        double duration = int32_t(read_u32be(buf + 4));
        weighted += duration * count;
        total += count;
    }
    if (weighted == 0 || total == 0) return;
    if (track_kind == kTrackVideo) {
        record->frame_rate = double(media_time_scale) / (weighted / total);
    } else if (track_kind == kTrackSound) {
        record->sample_rate =
            media_time_scale > uint32_t(INT32_MAX) ? INT32_MAX : int32_t(media_time_scale);
    }
}

// An atom inside "stsd": its type is the codec of the track's samples. The
// codec is described once the walk is over (see identify_quicktime).
static void handle_sample_description(FILE* file, IdentResult* record, const AtomPathEntry* entry) {
    if (fseek(file, kSampleDescriptionHeader, SEEK_CUR) != 0) return;
    unsigned char type_bytes[4];
    memcpy(type_bytes, entry->type, 4);
    unsigned char buf[4];
    if (track_kind == kTrackVideo) {
        record->has_video_codec_id = 1;
        record->video_codec_id = read_u32le(type_bytes);
        if (fseek(file, kVideoFieldsBeforeSize, SEEK_CUR) != 0) return;
        if (!read_exact(file, buf, 4)) return;
        record->width = read_u16be(buf);
        record->height = read_u16be(buf + 2);
    } else if (track_kind == kTrackSound) {
        record->has_audio_codec_id = 1;
        record->audio_codec_id = read_u32le(type_bytes);
        if (fseek(file, kSoundFieldsBeforeChannels, SEEK_CUR) != 0) return;
        if (!read_exact(file, buf, 2)) return;
        record->channels = read_u16be(buf);
    }
}

void handle_atom(FILE* file, IdentResult* record, AtomPathEntry* path, AtomPathEntry* entry,
                 int64_t end_position) {
    if (type_is(entry, "dcom")) {
        // Stands inside a compressed movie ("cmov"); its data is not entered.
        copy_text(record->format.name, "QuickTime 3+", 64);
    } else if (type_is(entry, "trak")) {
        track_kind = kTrackNone;
        media_time_scale = 0;
    } else if (type_is(entry, "mvhd")) {
        handle_movie_header(file, record);
    } else if (type_is(entry, "mdhd")) {
        handle_media_header(file);
    } else if (type_is(entry, "hdlr")) {
        handle_handler_reference(file, record);
    } else if (type_is(entry, "stts")) {
        handle_time_to_sample(file, record, end_position);
    } else if (entry != path && type_is(entry - 1, "stsd")) {
        handle_sample_description(file, record, entry);
    }
}

bool walk_atoms(FILE* file, IdentResult* record, int64_t extent, AtomPathEntry* path,
                AtomPathEntry* entry) {
    int64_t limit = int64_t(ftell(file)) + extent;
    // Every atom is at least a header long and the walk seeks to its end, so
    // each step moves forward; nesting is bounded by the path's depth.
    while (!feof(file) && int64_t(ftell(file)) < limit) {
        int64_t end_position;
        if (!read_atom_header(file, entry, &end_position)) return false;
        handle_atom(file, record, path, entry, end_position);
        // A container at the deepest level has no path entry left for its
        // children: it is handled, and passed over like any other atom.
        if (is_container(entry) && entry < path + kAtomPathDepth - 1) {
            if (type_is(entry, "stsd")) fseek(file, kSampleTableHeader, SEEK_CUR);
            entry->separator = '/';
            if (!walk_atoms(file, record, end_position - int64_t(ftell(file)), path, entry + 1))
                return false;
            entry->separator = 0;
        }
        seek_to(file, end_position);
    }
    return true;
}

bool identify_quicktime(FILE* file, IdentResult* record, int32_t atom_limit) {
    clear_ident_result(record);
    rewind(file);
    // The movie atom or the media data must be among the first atom_limit
    // top-level atoms.
    bool recognised = false;
    for (int32_t count = 0; count < atom_limit; ++count) {
        int64_t end_position;
        if (!read_atom_header(file, &atom_path[0], &end_position)) break;
        if (type_is(&atom_path[0], "moov") || type_is(&atom_path[0], "mdat")) {
            recognised = true;
            break;
        }
        if (!seek_to(file, end_position)) return false;
    }
    if (!recognised) return false;
    copy_text(record->format.name, "QuickTime", 64);
    copy_text(record->format.author, "Apple Computer, Inc.", 64);
    copy_text(record->format.web_site, "https://www.apple.com/quicktime", 255);

    rewind(file);
    walk_atoms(file, record, INT32_MAX, atom_path, atom_path);
    // The last sample description of each kind names the codec reported.
    // Each lookup reads the whole database, so it is made once per kind
    // rather than once per description: a file of many tiny descriptions
    // would otherwise take seconds per megabyte.
    if (record->has_video_codec_id) lookup_codec("qtvid", record->video_codec_id, &record->video_codec);
    if (record->has_audio_codec_id) lookup_codec("qtaud", record->audio_codec_id, &record->audio_codec);
    return true;
}

#include "front/report.h"

#include <cinttypes>
#include <cmath>

#include "model/ident_record.h"

bool is_printable_fourcc(uint32_t code) {
    for (int i = 0; i < 4; ++i) {
        uint32_t c = (code >> (8 * i)) & 0xFF;
        if (c < 0x20 || c > 0x7E) return false;
    }
    return true;
}

// A duration or frame rate that is not a finite number counts as absent.
static bool present(double value) {
    return value != 0 && std::isfinite(value);
}

static void write_description(FILE* out, const FormatInfo& info) {
    if (info.author[0]) fprintf(out, "      Author:  %s\n", info.author);
    if (info.web_site[0]) fprintf(out, "    Web Site:  %s\n", info.web_site);
    if (info.notes[0]) fputs(info.notes, out);
}

// Below a minute: seconds with milliseconds. Otherwise whole seconds, rounded,
// as minutes and seconds with hours in front when there are any (hours are
// not folded into days).
static void write_duration(FILE* out, double duration) {
    if (duration < 60) {
        fprintf(out, "%0.3f sec", duration);
        return;
    }
    double rounded = std::floor(duration + 0.5);
    uint64_t s = rounded >= 18446744073709551615.0 ? UINT64_MAX : uint64_t(rounded);
    uint64_t hours = s / 3600;
    unsigned minutes = unsigned(s / 60 % 60);
    unsigned seconds = unsigned(s % 60);
    if (hours != 0)
        fprintf(out, "%" PRIu64 " hr %u min %u sec", hours, minutes, seconds);
    else
        fprintf(out, "%u min %u sec", minutes, seconds);
}

static void write_video_line(FILE* out, const IdentResult& r) {
    bool has_size = r.width != 0 && r.height != 0;
    bool has_rate = present(r.frame_rate);
    if (!r.has_video || (!has_size && !has_rate)) return;
    fputs("  Video Info:  ", out);
    if (has_size) fprintf(out, "%d x %d", r.width, r.height);
    if (has_rate) {
        if (has_size) fputs(", ", out);
        if (std::floor(r.frame_rate) == r.frame_rate)
            fprintf(out, "%0.0f fps", r.frame_rate);
        else
            fprintf(out, "%0.3f fps", r.frame_rate);
    }
    fputs("\n", out);
}

static void write_audio_line(FILE* out, const IdentResult& r) {
    if (!r.has_audio || (r.sample_rate == 0 && r.audio_byte_rate == 0 && r.channels == 0)) return;
    fputs("  Audio Info:  ", out);
    const char* separator = "";
    if (r.sample_rate != 0) {
        fprintf(out, "%d Hz", r.sample_rate);
        separator = ", ";
    }
    if (r.audio_byte_rate != 0) {
        fprintf(out, "%s%0.1f kbps", separator, double(int64_t(r.audio_byte_rate) * 8) * 0.001);
        separator = ", ";
    }
    if (r.channels != 0) fprintf(out, "%s%s", separator, r.channels <= 1 ? "mono" : "stereo");
    fputs("\n", out);
}

// A codec block: the heading with the codec's name, the identifier (quoted
// when printable, else in hexadecimal), then what the database says of it.
static void write_codec_block(FILE* out, const char* heading, const FormatInfo& codec, bool has_id,
                              uint32_t id, const char* hex_line) {
    if (!codec.name[0] && !has_id) return;
    fputs(heading, out);
    if (codec.name[0]) fprintf(out, "  %s", codec.name);
    fputs("\n", out);
    if (has_id) {
        if (is_printable_fourcc(id))
            fprintf(out, "      FourCC:  \"%s\"\n", fourcc_text(id));
        else
            fprintf(out, hex_line, (unsigned long)id);
    }
    write_description(out, codec);
}

void write_report(FILE* out) {
    const IdentResult& r = ident_result;

    for (int32_t i = 0; i < r.meta_count; ++i) {
        const MetaItem& item = r.meta_items[i];
        if (item.value[0]) fprintf(out, "%12s:  %s\n", item.label, item.value);
    }

    fputs("\n File Format:", out);
    if (r.format.name[0]) fprintf(out, "  %s", r.format.name);
    fputs("\n", out);
    write_description(out, r.format);

    // Without a content line, the duration line still stands apart from the
    // format block by an empty line of its own.
    bool empty_line_owed = false;
    if (r.has_video && r.has_audio)
        fputs("\n     Content:  Video and Audio\n", out);
    else if (r.has_video)
        fputs("\n     Content:  Video only\n", out);
    else if (r.has_audio)
        fputs("\n     Content:  Audio only\n", out);
    else
        empty_line_owed = true;

    if (present(r.duration)) {
        if (empty_line_owed) fputs("\n", out);
        fputs("    Duration:  ", out);
        write_duration(out, r.duration);
        // The data rate belongs to the duration block: without a duration
        // there is no data-rate line.
        if (r.data_rate != 0)
            fprintf(out, "\n   Data Rate:  %" PRId64 " kbps (ave)", (int64_t(r.data_rate) * 8 + 500) / 1000);
        fputs("\n", out);
    }

    write_video_line(out, r);
    write_audio_line(out, r);

    write_codec_block(out, "\nVideo Format:", r.video_codec, r.has_video_codec_id, r.video_codec_id,
                      "      FourCC:  0x%08lX\n");
    write_codec_block(out, "\nAudio Format:", r.audio_codec, r.has_audio_codec_id, r.audio_codec_id,
                      "   Format ID:  0x%04lX\n");
}

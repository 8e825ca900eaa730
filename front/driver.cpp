#include "front/driver.h"

#include <climits>
#include <cstring>

#include "containers/asf.h"
#include "containers/avi.h"
#include "containers/quicktime.h"
#include "containers/realmedia.h"
#include "containers/text.h"
#include "front/report.h"
#include "mpeg/mpeg.h"
#include "model/ident_record.h"
#include "platform/platform.h"

const char* program_path = "";
uint8_t use_ansi_code_page = 0;

// Settings of one run, from the command line.
static int32_t end_budget;      // -D: bytes scanned back from the end of an MPEG file
static int32_t embedded_limit;  // -M: how far an embedded MPEG-1 stream is searched for
static int32_t atom_limit;      // -Q: top-level QuickTime atoms examined

static const int32_t kDefaultEndBudget = 262144;
static const int32_t kDefaultEmbeddedLimit = 131072;
static const int32_t kDefaultAtomLimit = 4;

using Identifier = bool (*)(FILE*, IdentResult*);

static bool identify_quicktime_with_limit(FILE* file, IdentResult* record) {
    return identify_quicktime(file, record, atom_limit);
}

static bool identify_mpeg_with_settings(FILE* file, IdentResult* record) {
    return identify_mpeg(file, record, embedded_limit, end_budget) != kMpegNone;
}

// The chain of identifiers, in the order they are offered the file; the
// first that recognises it ends the chain. Identifiers that take settings
// are reached through a small adapter.
static const Identifier kChain[] = {
    identify_text,
    identify_avi,
    identify_asf,
    identify_realmedia,
    identify_quicktime_with_limit,
    identify_mpeg_with_settings,
};

static bool is_ascii_letter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// A decimal integer as the option values are written: leading white space,
// one sign, then digits up to the first non-digit; no digits give 0. Values
// beyond the signed 32-bit range are held at its ends.
static int32_t parse_option_value(const char* text) {
    while (*text == ' ' || (*text >= '\t' && *text <= '\r')) ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') negative = *text++ == '-';
    int64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + (*text - '0');
        if (value > int64_t(INT32_MAX) + 1) value = int64_t(INT32_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT32_MAX) value = INT32_MAX;
    return int32_t(value);
}

// An argument is an option when it starts with "-" or "/", has a second
// character, and its third character is not a letter.
static bool is_option(const char* arg) {
    return (arg[0] == '-' || arg[0] == '/') && arg[1] != '\0' &&
           !is_ascii_letter(static_cast<unsigned char>(arg[2]));
}

static void write_usage(FILE* out) {
    fputs("Reelkit, Tapeloupe, Version 1.02\n", out);
    fputs("Copyright (C) 2026 Tapeloupe. All rights reserved.\n\n", out);
    fputs("REELKIT filename\n", out);
}

// Reports an empty file, or offers the file to the chain and prints the
// report of the identifier that recognises it.
static void identify_open_file(FILE* file, FILE* out) {
    if (file_length(file) == 0) {
        fputs("\n File Format:  empty file\n", out);
        return;
    }
    for (Identifier identify : kChain) {
        if (identify(file, &ident_result)) {
            write_report(out);
            return;
        }
    }
    fputs("\n File Format:  unknown\n", out);
}

CommandLine scan_arguments(int argc, char** argv) {
    CommandLine line{nullptr, false, kDefaultEndBudget, kDefaultEmbeddedLimit, kDefaultAtomLimit};
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (!is_option(arg)) {
            line.file_name = arg;
            continue;
        }
        char letter = arg[1];
        if (letter >= 'a' && letter <= 'z') letter = char(letter - 'a' + 'A');
        const char* value = arg[2] == ':' ? arg + 3 : arg + 2;
        switch (letter) {
            case 'A': use_ansi_code_page = 1; break;
            case 'D': line.end_budget = parse_option_value(value); break;
            case 'M': line.embedded_limit = parse_option_value(value); break;
            case 'Q': line.atom_limit = parse_option_value(value); break;
            default: line.show_usage = true; return line;
        }
    }
    if (!line.file_name) line.show_usage = true;
    return line;
}

int identify_and_report(int argc, char** argv, FILE* out) {
    program_path = argc > 0 && argv[0] ? argv[0] : "";
    CommandLine line = scan_arguments(argc, argv);
    if (line.show_usage) {
        write_usage(out);
        return 0;
    }
    const char* file_name = line.file_name;
    end_budget = line.end_budget;
    embedded_limit = line.embedded_limit;
    atom_limit = line.atom_limit;

    // A directory opens on Linux but is no file to examine.
    FILE* file = fopen(file_name, "rb");
    if (file && is_directory(file)) {
        fclose(file);
        file = nullptr;
    }
    if (!file) {
        fprintf(out, "Can't open file \"%s\".\n", file_name);
        return 1;
    }
    if (is_over_2gb(file)) {
        fputs("File is too big.  Can't handle files over 2GB.\n", out);
        fclose(file);
        return 1;
    }
    fprintf(out, "   File Name:  %s\n", display_name(file_name));
    identify_open_file(file, out);
    fclose(file);
    return 0;
}

// Helpers shared by the tests: byte builders for crafted files, temporary
// files, and runs of the driver in-process or of the built executables.
#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include "model/ident_record.h"

using Bytes = std::string;

Bytes le16(uint32_t v);
Bytes le32(uint32_t v);
Bytes le64(uint64_t v);
Bytes be16(uint32_t v);
Bytes be32(uint32_t v);
Bytes be64(uint64_t v);
Bytes zeros(size_t n);
// Bytes given by value, as in bytes({0x00, 0x00, 0x01, 0xBA}).
Bytes bytes(std::initializer_list<int> values);

// A file in a fresh temporary directory, removed with the object.
class TempFile {
public:
    explicit TempFile(const Bytes& contents, const std::string& name = "sample.bin");
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const std::string& path() const { return path_; }
    const std::string& dir() const { return dir_; }

private:
    std::string dir_;
    std::string path_;
};

// The file's bytes opened for binary reading, for calling an identifier
// directly. Closed with the object.
class OpenBytes {
public:
    explicit OpenBytes(const Bytes& contents);
    ~OpenBytes();
    OpenBytes(const OpenBytes&) = delete;
    OpenBytes& operator=(const OpenBytes&) = delete;
    FILE* file() const { return file_; }

private:
    TempFile temp_;
    FILE* file_;
};

struct RunResult {
    std::string output;
    int exit_code;
};

// Argument 0 under which the shipped codec database (data/reelkit.cdb) lies
// beside the "program".
std::string program_in_data_dir();

// Runs identify_and_report in this process; argv[0] is program_in_data_dir()
// unless the arguments start with an explicit program path via run_driver_as.
RunResult run_driver(const std::vector<std::string>& args);
RunResult run_driver_as(const std::string& argv0, const std::vector<std::string>& args);

// Runs an executable with the arguments (no shell) and captures its standard
// output and exit code.
RunResult run_program(const std::string& program, const std::vector<std::string>& args,
                      const std::vector<std::string>& extra_env = {});

// Reads a whole file; empty when it cannot be read.
Bytes read_file(const std::string& path);

// Path of a committed test fixture under tests/data/.
std::string test_data(const std::string& name);

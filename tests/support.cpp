#include "tests/support.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "front/driver.h"

extern char** environ;

static Bytes pack(uint64_t v, int bytes, bool big_endian) {
    Bytes out(size_t(bytes), '\0');
    for (int i = 0; i < bytes; ++i) {
        int shift = 8 * (big_endian ? bytes - 1 - i : i);
        out[size_t(i)] = char((v >> shift) & 0xFF);
    }
    return out;
}

Bytes le16(uint32_t v) { return pack(v, 2, false); }
Bytes le32(uint32_t v) { return pack(v, 4, false); }
Bytes le64(uint64_t v) { return pack(v, 8, false); }
Bytes be16(uint32_t v) { return pack(v, 2, true); }
Bytes be32(uint32_t v) { return pack(v, 4, true); }
Bytes be64(uint64_t v) { return pack(v, 8, true); }
Bytes zeros(size_t n) { return Bytes(n, '\0'); }

Bytes bytes(std::initializer_list<int> values) {
    Bytes out;
    for (int v : values) out += char(v);
    return out;
}

TempFile::TempFile(const Bytes& contents, const std::string& name) {
    const char* base = getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/reelkit-test-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) abort();
    dir_ = buf.data();
    path_ = dir_ + "/" + name;
    std::ofstream(path_, std::ios::binary) << contents;
}

TempFile::~TempFile() {
    unlink(path_.c_str());
    rmdir(dir_.c_str());
}

OpenBytes::OpenBytes(const Bytes& contents) : temp_(contents), file_(fopen(temp_.path().c_str(), "rb")) {
    if (!file_) abort();
}

OpenBytes::~OpenBytes() { fclose(file_); }

std::string program_in_data_dir() { return std::string(REELKIT_SOURCE_DIR) + "/data/reelkit"; }

RunResult run_driver_as(const std::string& argv0, const std::vector<std::string>& args) {
    // The driver keeps argument 0 as program_path: the texts stay alive until
    // the next run, as a process's arguments would.
    static std::vector<std::string> all;
    all = {argv0};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(&a[0]);
    argv.push_back(nullptr);

    char* text = nullptr;
    size_t size = 0;
    FILE* out = open_memstream(&text, &size);
    if (!out) abort();
    RunResult result;
    result.exit_code = identify_and_report(int(all.size()), argv.data(), out);
    fclose(out);
    result.output.assign(text, size);
    free(text);
    return result;
}

RunResult run_driver(const std::vector<std::string>& args) {
    return run_driver_as(program_in_data_dir(), args);
}

RunResult run_program(const std::string& program, const std::vector<std::string>& args,
                      const std::vector<std::string>& extra_env) {
    std::vector<std::string> all{program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(&a[0]);
    argv.push_back(nullptr);

    std::vector<std::string> env_strings(extra_env);
    for (char** e = environ; *e; ++e) env_strings.push_back(*e);
    std::vector<char*> envp;
    for (std::string& e : env_strings) envp.push_back(&e[0]);
    envp.push_back(nullptr);

    int pipe_fds[2];
    if (pipe(pipe_fds) != 0) abort();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, pipe_fds[0]);
    pid_t pid;
    RunResult result{"", -1};
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        close(pipe_fds[0]);
        close(pipe_fds[1]);
        return result;
    }
    posix_spawn_file_actions_destroy(&actions);
    close(pipe_fds[1]);
    char buf[4096];
    ssize_t n;
    while ((n = read(pipe_fds[0], buf, sizeof buf)) > 0) result.output.append(buf, size_t(n));
    close(pipe_fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

Bytes read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string test_data(const std::string& name) {
    return std::string(REELKIT_SOURCE_DIR) + "/tests/data/" + name;
}

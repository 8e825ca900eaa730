// reelkit-cli: the identification report on standard output.
#include <cstdio>

#include "front/driver.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
    // Argument 0 is the executable's own full path, so that the codec
    // database is found beside the program however it was started.
    const char* self = own_executable_path();
    if (argc > 0 && self[0]) argv[0] = const_cast<char*>(self);
    return identify_and_report(argc, argv, stdout);
}

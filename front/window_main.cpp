// reelkit: the identification report shown in the desktop's viewer. The
// report goes into a file in the temporary directory, the viewer is started
// on it, and the file is removed two seconds later.
#include <cstdio>

#include "front/driver.h"
#include "platform/platform.h"

static const char kReportName[] = "Reelkit.out";
// Room for the temporary directory, the separator and the report name; a
// longer path is refused like a directory that cannot be used.
static const int kReportPathSize = 4096;
// How long the viewer is given to read the report before it is removed.
static const int kViewerGraceMs = 2000;

int main(int argc, char** argv) {
    char report_path[kReportPathSize];
    int length = snprintf(report_path, sizeof report_path, "%s/%s", temp_directory(), kReportName);
    if (length < 0 || length >= kReportPathSize) return 1;

    FILE* report = create_private_file(report_path);
    if (!report) return 1;

    // UTF-16 texts are converted for the desktop, whatever the options say.
    use_ansi_code_page = 1;
    // Argument 0 is the executable's own full path, so that the codec
    // database is found beside the program however it was started.
    const char* self = own_executable_path();
    if (argc > 0 && self[0]) argv[0] = const_cast<char*>(self);
    int result = identify_and_report(argc, argv, report);
    fclose(report);

    start_viewer(report_path);
    sleep_ms(kViewerGraceMs);
    delete_file(report_path);
    return result;
}

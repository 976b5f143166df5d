#include "TestDirs.h"

#include "base/FormatSettings.h"

#include <QByteArray>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace tallivo::test {

void PrepareTestProcess() {
    static std::string runtimeDir;
    if (runtimeDir.empty()) {
        char tmpl[] = "/tmp/tallivo-test-XXXXXX";
        if (const char* dir = mkdtemp(tmpl)) runtimeDir = dir;
        if (!runtimeDir.empty()) {
            setenv("XDG_RUNTIME_DIR", runtimeDir.c_str(), 1);
            // One folder per test process: a run of the suite would
            // otherwise leave hundreds behind in /tmp.
            std::atexit([] {
                std::error_code ignored;
                std::filesystem::remove_all(runtimeDir, ignored);
            });
        }
    }
    FormatSettings().DecimalSeparator = u',';
}

} // namespace tallivo::test

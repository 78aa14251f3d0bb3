#include "framework/core/data_file_report.h"

#include <utility>

#include "framework/core/debug_stream.h"

namespace vael {

namespace {
MissingDataFileReport& installed() {
    static MissingDataFileReport report;
    return report;
}
} // namespace

MissingDataFileReport setMissingDataFileReport(MissingDataFileReport report) {
    MissingDataFileReport old = std::move(installed());
    installed() = std::move(report);
    return old;
}

void reportMissingDataFile(const std::string& path, const std::string& without) {
    debugStream() << "The data file " << path << " is missing; going on without " << without << std::endl;
    if (installed()) installed()(path, without);
}

} // namespace vael

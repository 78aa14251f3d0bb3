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

void reportMissingDataFile(const std::string& path, const std::string& instead) {
    reportUnusableDataFile(path, "is missing", instead);
}

void reportUnusableDataFile(const std::string& path, const std::string& problem, const std::string& instead) {
    debugStream() << "The data file " << path << " " << problem << ": " << instead << std::endl;
    if (installed()) installed()(path, problem, instead);
}

} // namespace vael

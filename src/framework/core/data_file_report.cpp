#include "framework/core/data_file_report.h"

#include <utility>

#include "framework/core/debug_stream.h"
#include "framework/core/printable.h"

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

void reportUnusableDataFile(const std::string& rawPath, const std::string& rawProblem,
                            const std::string& rawInstead) {
    // A problem names what the file holds (an image's name read from a damaged archive), and a path may
    // come from the environment: neither reaches a terminal or a box with its control bytes.
    const std::string path = printable(rawPath, LoneBytes::Escaped),
                      problem = printable(rawProblem, LoneBytes::Escaped),
                      instead = printable(rawInstead, LoneBytes::Escaped);
    debugStream() << "The data file " << path << " " << problem << ": " << instead << std::endl;
    if (installed()) installed()(path, problem, instead);
}

} // namespace vael

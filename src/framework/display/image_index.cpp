#include "framework/display/image_index.h"

#include <filesystem>
#include <string>
#include <vector>

#include "framework/core/assertion.h"
#include "framework/core/data_file_report.h"
#include "framework/core/debug_stream.h"
#include "framework/core/file_lookup.h"
#include "framework/core/printable.h"
#include "framework/core/read_file.h"
#include "framework/display/byte_reader.h"

namespace vael {

ImageIndex::~ImageIndex() {
    for (std::int16_t i = 0; i < count_; ++i)
        delete libraries_[i];
}

bool ImageIndex::read(const std::string& directory) {
    const std::string path = directory + "/" + FileName;
    std::vector<std::uint8_t> data;
    ReadFault fault = ReadFault::None;
    if (std::string error; !readFileBytes(path, data, error, file_limits::Data, &fault)) {
        // What is there and cannot be read is told as it is: "Can't find" would send the player looking
        // for a file that is in its place.
        Assertion::fail(fault == ReadFault::Missing ? "Can't find " + path : "The image index " + error,
                        "image_index.cpp", __LINE__);
        return false;
    }
    // An index with nothing in it would start a game that shows no picture, and one cut short a game that
    // misses some: both are the index's fault, not an archive's, and are asked as a missing one is.
    if (data.empty()) {
        Assertion::fail("The image index " + path + " is empty", "image_index.cpp", __LINE__);
        return false;
    }
    if (const std::string damage = read(data.data(), data.size()); !damage.empty())
        Assertion::fail("The image index " + path + " is damaged: " + damage, "image_index.cpp", __LINE__);
    return true;
}

std::string ImageIndex::read(const std::uint8_t* data, std::size_t size) {
    const std::uint8_t* cursor = data;
    const std::uint8_t* end = data + size;
    std::string damage;
    while (cursor < end && count_ < DynArray<OIF<Bitmap>*>::kMaxSize) {
        ByteReader in(cursor, end);
        const std::string name = in.text(LibraryNameSize);
        if (!in.ok()) {
            debugStream() << "The image index ends inside a library name" << std::endl;
            return damage.empty() ? "it ends inside a library's name" : damage;
        }
        cursor = in.position();
        const std::uint8_t* before = cursor;
        OIF<Bitmap>* library = libraries_[count_] = new OIF<Bitmap>(name, cursor, end);
        ++count_;
        // An entry read whole leaves its archive a table of images, empty or not; one refused leaves none.
        if (damage.empty() && library->tableUses() == 0)
            damage = "the entry of the archive \"" + printable(name, LoneBytes::Escaped) +
                     "\" is cut short or wrong";
        // Nobody read the entry: what follows cannot be found.
        if (cursor <= before) return damage;
    }
    return damage;
}

void findIndexedDataFile(OIFBase* library, const std::uint8_t*& cursor, const std::uint8_t* end,
                         const std::string& installDirectory, const std::string& cdDirectory) {
    ByteReader in(cursor, end);
    const std::string name = in.text(ImageIndex::DataFileNameSize);
    cursor = in.position();
    if (!in.ok()) {
        debugStream() << "The image index ends inside a data-file name" << std::endl;
        return;
    }
    // Index entries name their files in capitals; ours are lower case on disk.
    std::string path = installDirectory + "/" + name;
    auto found = name.empty() ? std::nullopt : findFileNoCase(installDirectory, name);
    if (found && std::filesystem::is_regular_file(*found)) {
        path = found->string();
    } else {
        debugStream() << name << " not found, checking CD" << std::endl;
        // Something that is no file in the archive's place (a folder, a FIFO) is told as what it is.
        std::filesystem::path other;
        const std::string problem = name.empty() ? std::string() : notAFile(installDirectory, name, &other);
        auto onCd = cdDirectory.empty() || name.empty() ? std::nullopt : findFileNoCase(cdDirectory, name);
        if (onCd && std::filesystem::is_regular_file(*onCd)) {
            path = onCd->string();
            // The game plays on with the other copy, but the data folder the player chose is not whole.
            const std::string instead = "the game takes " + path + " in its place";
            if (problem.empty())
                reportMissingDataFile(installDirectory + "/" + name, instead);
            else
                reportUnusableDataFile(other.string(), problem, instead);
        } else {
            Assertion::fail(problem.empty() ? "Can't find " + name
                                            : "The archive " + other.string() + " " + problem,
                            "image_index.cpp", __LINE__);
        }
    }
    library->readMemory(path, cursor, end);
}

} // namespace vael

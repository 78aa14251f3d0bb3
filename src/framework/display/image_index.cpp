#include "framework/display/image_index.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

#include "framework/core/assertion.h"
#include "framework/core/debug_stream.h"
#include "framework/core/file_lookup.h"
#include "framework/display/byte_reader.h"

namespace vael {

ImageIndex::~ImageIndex() {
    for (std::int16_t i = 0; i < count_; ++i)
        delete libraries_[i];
}

bool ImageIndex::read(const std::string& directory) {
    const std::string path = directory + "/" + FileName;
    std::error_code code;
    // A folder opens as a file would, and its length is no length to read.
    std::ifstream file;
    if (!std::filesystem::is_directory(path, code)) file.open(path, std::ios::binary);
    if (!file.is_open()) {
        Assertion::fail("Can't find " + path, "image_index.cpp", __LINE__);
        return false;
    }
    // Read in one piece at its size: grown as it came, the buffer would pass through twice the index.
    file.seekg(0, std::ios::end);
    const std::streamoff length = file.tellg();
    file.seekg(0);
    std::vector<std::uint8_t> data(length > 0 ? static_cast<std::size_t>(length) : 0);
    file.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
    data.resize(static_cast<std::size_t>(std::max<std::streamsize>(file.gcount(), 0)));
    read(data.data(), data.size());
    return true;
}

void ImageIndex::read(const std::uint8_t* data, std::size_t size) {
    const std::uint8_t* cursor = data;
    const std::uint8_t* end = data + size;
    while (cursor < end && count_ < DynArray<OIF<Bitmap>*>::kMaxSize) {
        ByteReader in(cursor, end);
        const std::string name = in.text(LibraryNameSize);
        if (!in.ok()) {
            debugStream() << "The image index ends inside a library name" << std::endl;
            return;
        }
        cursor = in.position();
        const std::uint8_t* before = cursor;
        libraries_[count_] = new OIF<Bitmap>(name, cursor, end);
        ++count_;
        // Nobody read the entry: what follows cannot be found.
        if (cursor <= before) return;
    }
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
        auto onCd = cdDirectory.empty() || name.empty() ? std::nullopt : findFileNoCase(cdDirectory, name);
        if (onCd && std::filesystem::is_regular_file(*onCd))
            path = onCd->string();
        else
            Assertion::fail("Can't find " + name, "image_index.cpp", __LINE__);
    }
    library->readMemory(path, cursor, end);
}

} // namespace vael

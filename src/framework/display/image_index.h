#pragma once
// The image index "oiffile.hed": the compact directory of every archive the program opens at start-up,
// read whole once; each archive it names stays loaded (and shared by name) while the index is kept.
#include <cstdint>
#include <string>

#include "framework/core/dyn_array.h"
#include "framework/display/oif.h"

namespace vael {

class ImageIndex {
public:
    static constexpr const char* FileName = "oiffile.hed";
    static constexpr int LibraryNameSize = 64;
    static constexpr int DataFileNameSize = 13;

    ImageIndex() = default;
    ImageIndex(const ImageIndex&) = delete;
    ImageIndex& operator=(const ImageIndex&) = delete;
    ~ImageIndex();

    // Reads the index file of the directory; false (after "Can't find ") when there is none, or it is
    // empty. One that is damaged is told as the index, and what of it could be read is kept.
    bool read(const std::string& directory);
    // Reads an index held in memory; what is wrong with it, empty when it was read whole.
    std::string read(const std::uint8_t* data, std::size_t size);

    std::int16_t count() const { return count_; }
    OIF<Bitmap>* library(std::int16_t index) {
        return index >= 0 && index < count_ ? libraries_[index] : nullptr;
    }

private:
    DynArray<OIF<Bitmap>*> libraries_;
    std::int16_t count_ = 0;
};

// The data-file finder of index entries: takes the data-file name at the cursor, looks for the file in
// the installation directory, then in the CD directory (when there is one), and has the library read the
// rest of the entry. A file found nowhere is reported; the entry is read all the same, so that the index
// goes on with the next one.
void findIndexedDataFile(OIFBase* library, const std::uint8_t*& cursor, const std::uint8_t* end,
                         const std::string& installDirectory, const std::string& cdDirectory);

} // namespace vael

#include "framework/display/oif_storage.h"

#include "framework/display/byte_reader.h"

namespace vael {

OIFStorage::OIFStorage(std::istream& file) {
    std::uint8_t field[NameSize];
    // A cut-off name leaves the record unnamed.
    if (readBytes(file, field, NameSize)) name_ = ByteReader(field, field + NameSize).text(NameSize);
}

} // namespace vael

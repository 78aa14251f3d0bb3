#pragma once
// The base of the records other than images that archives carry (walking-animation offsets, say): a
// named record that the archive reader can make from its file and lock like an image, which for such a
// record does nothing.
#include <istream>
#include <string>

namespace vael {

class OIFStorage {
public:
    static constexpr int NameSize = 128;

    OIFStorage() = default;
    // Reads the record's name at the file's position.
    explicit OIFStorage(std::istream& file);
    OIFStorage(const OIFStorage&) = default;
    OIFStorage& operator=(const OIFStorage&) = default;
    virtual ~OIFStorage() = default;

    virtual void lock() {}
    virtual void unlock() {}
    virtual void unlockAll() {}

    const std::string& name() const { return name_; }

private:
    std::string name_;
};

} // namespace vael

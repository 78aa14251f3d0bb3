#pragma once
// The base of every image archive, and the application's record of one shared, loaded archive. The
// archive kinds themselves belong to the display; the application only needs to make, fill, share and
// empty them.
#include <cstdint>
#include <istream>
#include <string>

namespace vael {

class OIFBase {
public:
    explicit OIFBase(const std::string& name) : name_(name) {}
    OIFBase(const OIFBase&) = delete;
    OIFBase& operator=(const OIFBase&) = delete;
    virtual ~OIFBase() = default;

    // Reads the archive from its open data file.
    virtual void readFile(const std::string& path, std::istream& file) = 0;
    // Reads the archive's compact layout from the image index in memory, from cursor up to end at most,
    // and leaves the cursor after it.
    virtual void readMemory(const std::string& path, const std::uint8_t*& cursor,
                            const std::uint8_t* end) = 0;
    // Makes this archive share (or copy) the tables of another of the same name.
    virtual void copyFrom(const OIFBase& other) = 0;
    // Deletes the archive's images.
    virtual void deleteImages() = 0;
    // A new, empty archive of the same kind with the given name; the caller owns it.
    virtual OIFBase* clone(const std::string& name) const = 0;

    std::string name() const { return name_; }
    void setName(const std::string& name) { name_ = name; }

private:
    std::string name_;
};

// One loaded archive and its use count; the list that keeps it holds one reference itself.
class OIFCount {
public:
    // Takes ownership of the library.
    explicit OIFCount(OIFBase* library) : library_(library) {}
    OIFCount(const OIFCount&) = delete;
    OIFCount& operator=(const OIFCount&) = delete;
    // Empties the recorded library and deletes it.
    ~OIFCount() {
        library_->deleteImages();
        delete library_;
    }

    // Lets the given library take the recorded one's tables, and counts the use.
    void addRef(OIFBase& library) {
        library.copyFrom(*library_);
        ++count_;
    }
    std::int16_t release() { return --count_; }

    std::string name() const { return library_->name(); }
    std::int16_t count() const { return count_; }
    OIFBase* library() const { return library_; }

private:
    OIFBase* library_;
    std::int16_t count_ = 1;
};

} // namespace vael

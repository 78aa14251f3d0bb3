#pragma once
// The application's file-open choice on our own window: the files of one directory that match a
// pattern, listed for a click, and a field for the name. The run answers 1 when a name was given with OK
// or a double click, and path() is then that file in the directory.
#include <string>

#include "framework/ui/dialog.h"

namespace vael {

class FileOpenDialog : public Dialog {
public:
    static constexpr const char* ResourceName = "LoadSaveDlg";
    static constexpr std::int16_t NameId = 10, ListId = 11, DescriptionId = 12, DeleteId = 13, HelpId = 9;

    // The directory is that of the file name given, or the current one when it names none.
    FileOpenDialog(const std::string& description, const std::string& pattern, const std::string& fileName);

    const std::string& path() const { return path_; }
    const std::string& directory() const { return directory_; }
    void onInitDialog() override;
    void onCommand(std::uint16_t id, std::uint16_t notification) override;

private:
    void accept();

    std::string description_;
    std::string pattern_;
    std::string directory_;
    std::string path_;
};

} // namespace vael

#include "framework/ui/file_open_dialog.h"

#include <algorithm>
#include <filesystem>
#include <fnmatch.h>
#include <system_error>
#include <vector>

namespace vael {

FileOpenDialog::FileOpenDialog(const std::string& description, const std::string& pattern,
                               const std::string& fileName)
    : Window(Point(0, 0), InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", ""), description_(description),
      pattern_(pattern.empty() ? "*" : pattern) {
    const std::filesystem::path given(fileName);
    directory_ = given.has_parent_path() ? given.parent_path().string() : ".";
}

void FileOpenDialog::onInitDialog() {
    centre();
    setCaption(description_);
    for (std::int16_t id : {DescriptionId, DeleteId, HelpId})
        showItem(id, false);
    // The second label names the description field, which is not asked for here.
    std::int16_t anonymous = 0;
    Item<TextTile*>* t = nullptr;
    for (textTiles().firstItem(t); t; t = t->next)
        if (t->value->id() == -1 && ++anonymous == 2) t->value->setText("");
    DialogItemWindow* list = item(ListId);
    if (!list) return;
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(directory_, error)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file(error) && fnmatch(pattern_.c_str(), name.c_str(), FNM_CASEFOLD) == 0)
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names)
        list->addRow(name);
}

void FileOpenDialog::accept() {
    const DialogItemWindow* name = item(NameId);
    if (!name || name->text().empty()) return;
    path_ = (std::filesystem::path(directory_) / name->text()).string();
    close(1);
}

void FileOpenDialog::onCommand(std::uint16_t id, std::uint16_t notification) {
    if (id == ListId && (notification == ListSelectionChanged || notification == ListDoubleClicked)) {
        setItemText(NameId, listSelectionText(ListId, -1));
        if (notification == ListDoubleClicked) accept();
    } else if (id == IdOk) {
        accept();
    } else if (id == IdCancel) {
        close(0);
    }
}

} // namespace vael

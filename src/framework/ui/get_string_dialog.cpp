#include "framework/ui/get_string_dialog.h"

namespace vael {

GetStringDialog::GetStringDialog(const std::string& caption, const std::string& prompt,
                                 const std::string& defaultText)
    : Window(Point(0, 0), InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", ""), prompt_(prompt),
      captionText_(caption), defaultText_(defaultText) {}

void GetStringDialog::onCommand(std::uint16_t id, std::uint16_t notification) {
    DialogItemWindow* edit = item(EditId);
    if (id == IdOk) {
        answer_ = edit ? edit->text() : std::string();
        close(1);
    } else if (id == IdCancel) {
        answer_ = defaultText_;
        close(0);
    } else if (id == EditId && notification == EditUpdated && edit) {
        enableItem(IdOk, edit->text().empty() ? 0 : 1);
    }
}

void GetStringDialog::onInitDialog() {
    centre();
    enableItem(IdOk, 0);
    setCaption(captionText_);
    setItemText(-1, prompt_);
    if (DialogItemWindow* edit = item(EditId)) {
        edit->setText(defaultText_);
        command(static_cast<std::uint16_t>(EditId), EditUpdated);
    }
}

} // namespace vael

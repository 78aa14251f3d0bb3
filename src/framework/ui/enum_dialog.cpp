#include "framework/ui/enum_dialog.h"

namespace vael {

EnumDialog::EnumDialog(const List<enumeration>& entries, const std::string& title, std::uint16_t showCancel)
    : Window(Point(0, 0), InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", ""), entries_(entries),
      title_(title), showCancel_(showCancel) {}

void EnumDialog::addItem(const std::string& name, std::int32_t value) {
    DialogItemWindow* list = item(ListId);
    if (!isOpen() || !list) return;
    const std::int32_t found = list->findExact(name, 0);
    if (found != DialogItemWindow::NoRow && list->row(found)->data == value) return;
    list->setRowData(list->addRow(name), value);
    drawItem(*list);
}

std::int32_t EnumDialog::selectedValue() const {
    const DialogItemWindow* list = item(ListId);
    const DialogItemWindow::Row* row = list ? list->row(list->selection()) : nullptr;
    return row ? row->data : -1;
}

void EnumDialog::choose(std::int32_t value) {
    chosenValue_ = value;
    close(static_cast<std::int16_t>(value));
}

std::intptr_t EnumDialog::dialogProc(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    if (message == MessageCommand && (wParam >> 16) == ListDoubleClicked) {
        const DialogItemWindow* list = item(ListId);
        if (list && list->row(list->selection())) {
            choose(selectedValue());
            return 0;
        }
    }
    return Dialog::dialogProc(message, wParam, lParam);
}

void EnumDialog::onCommand(std::uint16_t id, std::uint16_t) {
    if (id == IdOk) {
        if (entries_.isEmpty())
            close(-1);
        else
            choose(selectedValue());
    } else if (id == IdCancel) {
        close(-1);
    }
}

void EnumDialog::onInitDialog() {
    centre();
    if (!showCancel_) showItem(IdCancel, false);
    setCaption(title_);
    DialogItemWindow* list = item(ListId);
    if (!list) return;
    Item<enumeration>* n = nullptr;
    for (entries_.firstItem(n); n; n = n->next)
        list->setRowData(list->addRow(n->value.name), n->value.value);
    list->select(0);
}

} // namespace vael

#include "game/shell/view_unit_dlg.h"

#include "game/rules/vael_unit.h"

namespace vael {

ViewUnitDlg::ViewUnitDlg(VaelUnit& unit, DialogShown shown)
    : Window(Point(0, 0), InitialSize, ""), Dialog("Dialog Bitmaps", "Intro", ""), unit_(unit),
      shown_(std::move(shown)) {}

void ViewUnitDlg::onInitDialog() {
    centre();
    enableItem(IdHelp, 0);
    if (shown_) shown_(*this, TemplateName);
}

std::int16_t showUnitOverview(WinApp& app, VaelUnit& unit, const DialogShown& shown) {
    ViewUnitDlg overview(unit, shown);
    overview.attach(app);
    return overview.create(ViewUnitDlg::TemplateName, Dialog::Modal);
}

} // namespace vael

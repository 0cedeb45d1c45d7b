#include "features/help/help_window.h"

#include <QEventLoop>
#include <QPushButton>

#include "toolkit/controls.h"
#include "toolkit/program_time.h"

namespace cobalin {

using namespace ui;

void HelpWindow::Open() {
    if (window_) return;  // already open: the modal window keeps the panel waiting
    window_ = std::make_unique<FormHelp>();
    FormHelp& w = *window_;
    w.setParent(&owner_, Qt::Dialog);
    w.setWindowModality(Qt::ApplicationModal);
    SetCaption(w.c.labVer, "Rev. " + versionText_);
    if (const DeviceFamily* family = FamilyOf(state_.DeviceType)) {
        const auto pictures = HelpPictures(w.c);
        for (size_t i = 0; i < pictures.size(); ++i) Show(pictures[i], static_cast<int>(i) == family->helpPicture);
        SetCaption(w.c.Label6, FromUtf8(family->helpText));
    }
    QEventLoop loop;
    w.onClose = [&loop] { loop.quit(); };
    connect(w.c.Command1, &QPushButton::clicked, &w, [&w] { w.close(); });
    w.show();
    NotifyModalEntered();
    loop.exec();
    NotifyModalLeft();
    window_.reset();
}

}  // namespace cobalin

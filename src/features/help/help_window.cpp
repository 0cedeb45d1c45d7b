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
    if (state_.DeviceType == DeviceClass::IpDongle) {
        Show(w.c.Picture2);
        Hide(w.c.Picture1);
        SetCaption(w.c.Label6, "Administration PC with ZentaPower Cobalin installed.");
    } else if (state_.DeviceType == DeviceClass::ZentaBox) {
        Show(w.c.Picture1);
        Hide(w.c.Picture2);
        SetCaption(w.c.Label6, "Administration PC with ZentaSolution Cobalin installed.");
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

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
    SetCaption(w.Control("labVer"), "Rev. " + versionText_);
    if (state_.DeviceType == DeviceClass::IpDongle) {
        Show(w.Control("Picture2"));
        Hide(w.Control("Picture1"));
        SetCaption(w.Control("Label6"), "Administration PC with ZentaPower Cobalin installed.");
    } else if (state_.DeviceType == DeviceClass::ZentaBox) {
        Show(w.Control("Picture1"));
        Hide(w.Control("Picture2"));
        SetCaption(w.Control("Label6"), "Administration PC with ZentaSolution Cobalin installed.");
    }
    QEventLoop loop;
    w.onClose = [&loop] { loop.quit(); };
    connect(w.Get<QPushButton>("Command1"), &QPushButton::clicked, &w, [&w] { w.close(); });
    w.show();
    NotifyModalEntered();
    loop.exec();
    NotifyModalLeft();
    window_.reset();
}

}  // namespace cobalin

// The yardstick of the start-up benchmark: a Qt program that shows one empty
// window and ends when it has been painted.
#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <chrono>
#include <cstdio>

namespace {
class Window : public QWidget {
protected:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::Paint && !painted_) {
            painted_ = true;
            std::printf("%lld\n", static_cast<long long>(std::chrono::steady_clock::now().time_since_epoch().count()));
            std::fflush(stdout);
            QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        }
        return QWidget::event(e);
    }
    bool painted_ = false;
};
}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    Window w;
    w.resize(640, 480);
    w.show();
    return app.exec();
}

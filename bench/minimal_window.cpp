// The yardsticks of the start-up benchmark: a Qt program that shows one empty
// window and ends when it has been painted. With --label the window also shows
// one line of text, which is the least any window with a caption has to pay:
// the font configuration, the font database and the first text layout.
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <cstring>

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
    const bool label = argc > 1 && std::strcmp(argv[1], "--label") == 0;
    QApplication app(argc, argv);
    Window w;
    w.resize(640, 480);
    if (label) (new QLabel("Cobalin", &w))->move(10, 10);
    w.show();
    return app.exec();
}

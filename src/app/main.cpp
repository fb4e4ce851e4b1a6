#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Kurvimat"));
    window.resize(1024, 715);
    window.show();
    return app.exec();
}

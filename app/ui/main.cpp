#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Tessary"));
    window.setGeometry(203, 178, 715, 452);
    window.show();
    return app.exec();
}

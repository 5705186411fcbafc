// Saves the whole screen of $DISPLAY as a PNG: orvanta-screen-shot <file.png>
// Used by the demo when it runs on a virtual display.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: orvanta-screen-shot <file.png>\n";
        return 2;
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen || !screen->grabWindow(0).save(QString::fromLocal8Bit(argv[1])))
        return 1;
    return 0;
}

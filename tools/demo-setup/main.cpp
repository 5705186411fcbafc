// Demo stand-in for a setup program: shows that it ran, installs nothing, and exits when
// the user clicks Finish. Its file name tells which of the two setup programs it plays.
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    const bool workstation = QFileInfo(QString::fromLocal8Bit(argv[0])).fileName().contains(
        QStringLiteral("workstation"), Qt::CaseInsensitive);
    const QString part = workstation ? QStringLiteral("Workstation") : QStringLiteral("Server");

    QWidget window;
    window.setWindowTitle(QStringLiteral("Orvanta 5 %1 Setup (demo)").arg(part));
    auto* layout = new QVBoxLayout(&window);
    auto* text = new QLabel(QStringLiteral("<h3>Orvanta 5 %1 Setup</h3>"
                                           "<p>This is the demo stand-in for the setup program.<br>"
                                           "It was downloaded and started by the trial wizard.</p>"
                                           "<p>Nothing is installed. Click <b>Finish</b> to return to the wizard.</p>")
                                .arg(part));
    layout->addWidget(text);
    auto* buttons = new QDialogButtonBox;
    buttons->addButton(QStringLiteral("Finish"), QDialogButtonBox::AcceptRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &window, &QWidget::close);
    layout->addWidget(buttons);
    window.show();
    return QApplication::exec();
}

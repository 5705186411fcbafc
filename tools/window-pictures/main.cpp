// Writes every page of the main window and the About box to PNG files, so that what the
// user sees can be looked at without a display:
//   orvanta-window-pictures <output directory>
#include "widgets/PageContainer.h"
#include "wizard/FrmAbout.h"
#include "wizard/FrmMain.h"

#include <QApplication>
#include <QDir>
#include <QTextStream>

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTextStream err(stderr);
    if (argc != 2) {
        err << "usage: orvanta-window-pictures <output directory>\n";
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(out.path())) {
        err << "cannot create " << out.path() << '\n';
        return 1;
    }

    const auto save = [&](QWidget* widget, const QString& name) {
        const QString path = out.filePath(name + QStringLiteral(".png"));
        if (!widget->grab().save(path)) {
            err << "cannot write " << path << '\n';
            return false;
        }
        QTextStream(stdout) << path << '\n';
        return true;
    };

    TfrmMain frmMain;
    frmMain.show();
    bool ok = true;
    for (QWidget* page : frmMain.Pages()->pages()) {
        frmMain.Pages()->setActivePage(page);
        ok = save(&frmMain, page->objectName()) && ok;
    }
    TfrmAbout about;
    about.show();
    ok = save(&about, QStringLiteral("frmAbout")) && ok;
    return ok ? 0 : 1;
}

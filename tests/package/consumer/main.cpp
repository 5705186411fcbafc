#include <webcopy/WebCopy.h>
#include <webcopy/WebCopyItem.h>
#include <launcher/RzLauncher.h>

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

// consumer URL DIR: downloads URL into DIR and prints the events it heard.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    // The engine's pictures (the login prompt's banner) are a resource of the installed package.
    std::printf("Pictures %d\n", QFile::exists(QStringLiteral(":/webcopy/login-banner.svg")) ? 1 : 0);
    TWebCopy copy;
    copy.ShowDialog = false;
    TWebCopyItem* item = copy.Items().Add();
    item->URL = QString::fromLocal8Bit(argv[1]);
    item->TargetDir = QString::fromLocal8Bit(argv[2]);
    copy.OnFileStart = [](QObject*, int idx) { std::printf("FileStart %d\n", idx); };
    copy.OnFileDone = [](QObject*, int idx) { std::printf("FileDone %d\n", idx); };
    copy.OnCopyDone = [](QObject*) { std::printf("CopyDone\n"); };
    copy.Execute();
    TRzLauncher launcher;
    std::printf("Success %d Status %d\n", item->Success() ? 1 : 0, item->HttpStatus());
    return item->Success() ? 0 : 1;
}

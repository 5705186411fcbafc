#include "webcopy/RunDialog.h"

#include "platform/Shell.h"
#include "webcopy/ProgressForm.h"
#include "webcopy/WebCopy.h"

#include <QApplication>
#include <QPushButton>

TRunDialog::TRunDialog(TWebCopy& owner)
    : FOwner(owner)
{
}

TRunDialog::~TRunDialog() = default;

QDialog* TRunDialog::Form() const { return FForm.get(); }
QProgressBar* TRunDialog::ProgressBar() const { return FForm ? FForm->ProgressBar() : nullptr; }
TWcProgressLine* TRunDialog::FileLine() const { return FForm ? FForm->FileLine() : nullptr; }
TWcProgressLine* TRunDialog::SizeLine() const { return FForm ? FForm->SizeLine() : nullptr; }
TWcProgressLine* TRunDialog::RateLine() const { return FForm ? FForm->RateLine() : nullptr; }

void TRunDialog::Dispose()
{
    if (TWcProgressForm* form = FForm.release()) {
        form->hide();
        form->deleteLater();
    }
}

void TRunDialog::KeepIfVisible()
{
    if (FForm && FOwner.ShowDialog && FForm->isHidden())
        Dispose();
}

void TRunDialog::SetLastFile(const QString& path, const QString& dir)
{
    FLastFile = path;
    FLastDir = dir;
}

TWcProgressObserver* TRunDialog::Build()
{
    Dispose();
    FCancelIsClose = false;
    FOwner.FormClosed = false;
    // A program without windows (a command-line host, a service) runs without a dialog.
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return nullptr;

    TWcProgressForm::TOptions options;
    options.ShowFileName = FOwner.ShowFileName;
    options.ShowTime = FOwner.ShowTime;
    options.ShowElapsedTime = FOwner.ShowElapsedTime;
    options.ShowCancel = FOwner.DlgShowCancel;
    options.ShowOpenFile = FOwner.ShowOpenFile;
    options.ShowOpenFolder = FOwner.ShowOpenFolder;
    options.ShowCloseButton = FOwner.DlgShowCloseBtn;
    // Placed on top once shown means on top for good, as a top-most window stays.
    options.StayOnTop = FOwner.ShowDialogOnTop || FOwner.AlwaysOnTop;
    options.Caption = FOwner.DlgCaption + QStringLiteral(" ...");
    options.FileLabel = FOwner.DlgFileLabel;
    options.ProgressLabel = FOwner.DlgProgressLabel;
    options.RateLabel = FOwner.DlgRateLabel;
    options.TimeLabel = FOwner.DlgTimeLabel;
    options.ElapsedTimeLabel = FOwner.DlgElapsedTimeLabel;
    options.CancelCaption = FOwner.DlgCancel;
    options.OpenFileCaption = FOwner.DlgOpenFile;
    options.OpenFolderCaption = FOwner.DlgOpenFolder;
    options.CloseCaption = FOwner.DlgClose;
    options.OfWord = FOwner.DlgFileOfLabel;
    options.SecondWord = FOwner.DlgTimeSec;
    options.MinuteWord = FOwner.DlgTimeMin;

    FForm = std::make_unique<TWcProgressForm>(options);
    FForm->OnCloseQuery = [this] {
        if (FCancelIsClose)
            return TWcProgressForm::TCloseAnswer::Close;
        // Closed by the user while the run still writes into it: out of sight until the run ends.
        return FOwner.DlgShowCloseBtn ? TWcProgressForm::TCloseAnswer::Hide : TWcProgressForm::TCloseAnswer::Refuse;
    };
    // Closed for good (Close, an Open button, the close box after the run): it goes.
    connect(FForm.get(), &TWcProgressForm::Closed, this, [this] { Dispose(); });
    connect(FForm->CancelButton(), &QPushButton::clicked, this, [this] {
        if (FOwner.OnCopyCancel)
            FOwner.OnCopyCancel(&FOwner);
        FOwner.CancelCopy();
        if (FForm)
            FForm->close();
    });
    if (QPushButton* openFolder = FForm->OpenFolderButton())
        connect(openFolder, &QPushButton::clicked, this, [this] { OpenAndClose(FLastDir); });
    if (QPushButton* openFile = FForm->OpenFileButton())
        connect(openFile, &QPushButton::clicked, this, [this] { OpenAndClose(FLastFile); });
    return FForm.get();
}

void TRunDialog::Show()
{
    if (!FForm || !FOwner.ShowDialog)
        return;
    if (FOwner.OnBeforeDialogShow)
        FOwner.OnBeforeDialogShow(&FOwner, FForm.get());
    if (FForm) {
        FForm->show();
        if (FOwner.AlwaysOnTop) {
            FForm->raise();
            FForm->activateWindow();
        }
    }
}

void TRunDialog::OpenAndClose(const QString& path)
{
    ShellOpen(path);
    if (FForm)
        FForm->close();
    FOwner.FormClosed = true;
}

#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QDialog;
class QProgressBar;
class TWcProgressForm;
class TWcProgressLine;
class TWcProgressObserver;
class TWebCopy;

// The progress dialog of the component's runs: built for a run when this program has windows
// (shown only with ShowDialog), answering its Cancel and Open buttons, and gone when it closes.
// The dialog of a run that offers Open buttons stays after the run until the user leaves it.
class TRunDialog : public QObject {
    Q_OBJECT

public:
    explicit TRunDialog(TWebCopy& owner);
    ~TRunDialog() override;

    // The dialog of a new run as a progress observer; null when this program has no windows.
    // The finished dialog of an earlier run gives way to it.
    TWcProgressObserver* Build();
    // Shows the built dialog when ShowDialog is set, after OnBeforeDialogShow.
    void Show();
    // From now on the dialog may close (the run has ended or is ending).
    void AllowClose() { FCancelIsClose = true; }
    // Lets the dialog go (deferred: it may be inside one of its own signals).
    void Dispose();
    // The run has ended and offered Open buttons: a dialog the user closed meanwhile goes.
    void KeepIfVisible();
    void SetLastFile(const QString& path, const QString& dir);

    QDialog* Form() const;
    QProgressBar* ProgressBar() const;
    TWcProgressLine* FileLine() const;
    TWcProgressLine* SizeLine() const;
    TWcProgressLine* RateLine() const;

private:
    void OpenAndClose(const QString& path);

    TWebCopy& FOwner;
    std::unique_ptr<TWcProgressForm> FForm;
    bool FCancelIsClose = false;
    QString FLastFile;
    QString FLastDir;
};

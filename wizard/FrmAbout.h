#pragma once

#include <QDialog>

// The About box: product logo, program name and the maker's contact details. Created for
// one showing and destroyed afterwards.
class TfrmAbout : public QDialog {
    Q_OBJECT

public:
    explicit TfrmAbout(QWidget* parent = nullptr);

    void CentreOver(const QWidget* window);

private:
    void AddLabel(const QString& name, const QString& text, int x, int y);
    void AddLink(const QString& name, const QString& text, const QString& url, int x, int y);
};

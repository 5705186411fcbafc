#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

// Asks for a user name and a password when a web server wants credentials. Created for one
// prompt and destroyed afterwards, so both boxes always start empty.
class TWcLoginForm : public QDialog {
    Q_OBJECT

public:
    explicit TWcLoginForm(QWidget* parent = nullptr);

    QString UserName() const;
    QString Password() const;

private:
    QLabel* AddLabel(const QString& name, const QString& text, int left, int top);
    QLineEdit* AddEdit(const QString& name, int left, int top);
    QPushButton* AddButton(const QString& name, const QString& text, int left, int top);

    QLineEdit* FEdit1 = nullptr;
    QLineEdit* FEdit2 = nullptr;
};

// Shows a fresh login form with the given caption and waits for the user. True when the user
// confirmed: the two texts then hold exactly what was typed, empty ones included. Any other way
// out leaves them as they were.
bool ShowLoginPrompt(const QString& caption, QString& userName, QString& password);

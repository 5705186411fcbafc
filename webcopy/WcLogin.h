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
    // A line under the banner that says who asks and why (a proxy's demand, a refused login);
    // the fields below move down to make room. Screen readers hear it as the dialog's description.
    void SetMessage(const QString& text);

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
// What the prompt in its proxy form says: the proxy "host:port" needs the network login, or
// (`refused`) did not accept the last one.
QString ProxyLoginMessage(const QString& proxy, bool refused);
// The same prompt for the proxy "host:port", which needs the user's network login; `refused`
// when it did not accept the login given last.
bool ShowProxyLoginPrompt(const QString& proxy, bool refused, QString& userName, QString& password);

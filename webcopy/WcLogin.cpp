#include "webcopy/WcLogin.h"

#include <QApplication>

#include "widgets/PreferredFont.h"
#include "widgets/SvgPicture.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <memory>

namespace {

// The client area of a 328 × 223 window with a sizeable border and a caption at 96 dpi;
// the banner spans its full width.
constexpr int ClientWidth = 320;
constexpr int ClientHeight = 196;
constexpr int BannerHeight = 60;

constexpr int EditWidth = 193;
constexpr int EditHeight = 21;
constexpr int ButtonWidth = 75;
constexpr int ButtonHeight = 25;
constexpr int MessageMargin = 8;

// Shows a fresh form and waits; true with what was typed when the user confirmed.
bool AskInForm(TWcLoginForm& form, QString& userName, QString& password)
{
    if (form.exec() != QDialog::Accepted)
        return false;
    userName = form.UserName();
    password = form.Password();
    return true;
}

} // namespace

TWcLoginForm::TWcLoginForm(QWidget* parent)
    // Above other windows: the progress dialog of the run that asks stays on top of everything,
    // and the prompt is centred where it would otherwise cover the fields.
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("WcLoginForm"));
    resize(ClientWidth, ClientHeight);
    setMinimumSize(ClientWidth, ClientHeight);
    setFont(PreferredFont(QStringLiteral("MS Sans Serif"), 11));
    QPalette facePalette = palette();
    facePalette.setColor(QPalette::Window, facePalette.color(QPalette::Button));
    setPalette(facePalette);
    setAutoFillBackground(true);

    // Created in tab order (Edit1, Edit2, Button1, Button2); labels and picture take no focus.
    QLabel* label1 = AddLabel(QStringLiteral("Label1"), QStringLiteral("&User name: "), 16, 80);
    QLabel* label2 = AddLabel(QStringLiteral("Label2"), QStringLiteral("&Password:"), 16, 112);

    auto* image1 = new QLabel(this);
    image1->setObjectName(QStringLiteral("Image1"));
    image1->setGeometry(0, 0, ClientWidth, BannerHeight);
    image1->setPixmap(SvgPicture(QStringLiteral(":/webcopy/login-banner.svg")));

    FEdit1 = AddEdit(QStringLiteral("Edit1"), 104, 80);
    FEdit2 = AddEdit(QStringLiteral("Edit2"), 104, 112);
    FEdit2->setEchoMode(QLineEdit::Password);
    // Styles disagree on the mask (a bullet or a dot, on some shown only after a delay);
    // this box shows one "*" per character, at once, whatever the style.
    FEdit2->setStyleSheet(QStringLiteral("lineedit-password-character: 42; lineedit-password-mask-delay: 0"));
    label1->setBuddy(FEdit1);
    label2->setBuddy(FEdit2);
    FEdit1->setAccessibleName(QStringLiteral("User name"));
    FEdit2->setAccessibleName(QStringLiteral("Password"));

    QPushButton* button1 = AddButton(QStringLiteral("Button1"), QStringLiteral("OK"), 144, 152);
    button1->setDefault(true);
    connect(button1, &QPushButton::clicked, this, &QDialog::accept);
    QPushButton* button2 = AddButton(QStringLiteral("Button2"), QStringLiteral("Cancel"), 224, 152);
    connect(button2, &QPushButton::clicked, this, &QDialog::reject);
    // Left unmoved and without a parent, the dialog opens centred on the screen.
}

QString TWcLoginForm::UserName() const
{
    return FEdit1->text();
}

QString TWcLoginForm::Password() const
{
    return FEdit2->text();
}

void TWcLoginForm::SetMessage(const QString& text)
{
    auto* message = new QLabel(text, this);
    message->setObjectName(QStringLiteral("Message"));
    message->setWordWrap(true);
    const int width = ClientWidth - 2 * 16;
    message->setGeometry(16, BannerHeight + MessageMargin, width, message->heightForWidth(width));
    const int room = message->height() + MessageMargin;
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child != message && child->y() >= BannerHeight)
            child->move(child->x(), child->y() + room);
    }
    setMinimumSize(ClientWidth, ClientHeight + room);
    resize(ClientWidth, ClientHeight + room);
    setAccessibleDescription(text);
}

QLabel* TWcLoginForm::AddLabel(const QString& name, const QString& text, int left, int top)
{
    auto* label = new QLabel(text, this);
    label->setObjectName(name);
    label->move(left, top);
    label->adjustSize(); // as wide as its text in whatever font is installed
    return label;
}

QLineEdit* TWcLoginForm::AddEdit(const QString& name, int left, int top)
{
    auto* edit = new QLineEdit(this);
    edit->setObjectName(name);
    edit->setGeometry(left, top, EditWidth, EditHeight);
    return edit;
}

QPushButton* TWcLoginForm::AddButton(const QString& name, const QString& text, int left, int top)
{
    auto* button = new QPushButton(text, this);
    button->setObjectName(name);
    button->setGeometry(left, top, ButtonWidth, ButtonHeight);
    return button;
}

bool ShowLoginPrompt(const QString& caption, QString& userName, QString& password)
{
    // A program without windows has nobody to ask.
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return false;
    // Owned by nothing and gone on every way out, so no typed text outlives the prompt.
    const auto form = std::make_unique<TWcLoginForm>();
    form->setWindowTitle(caption);
    return AskInForm(*form, userName, password);
}

QString ProxyLoginMessage(const QString& proxy, bool refused)
{
    return refused ? QStringLiteral("The proxy %1 did not accept that login. Please check your user name and "
                                    "password and try again.")
                         .arg(proxy)
                   : QStringLiteral("The proxy %1 needs your network login.").arg(proxy);
}

bool ShowProxyLoginPrompt(const QString& proxy, bool refused, QString& userName, QString& password)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return false;
    const auto form = std::make_unique<TWcLoginForm>();
    form->setWindowTitle(QStringLiteral("Connect to proxy ") + proxy);
    form->SetMessage(ProxyLoginMessage(proxy, refused));
    return AskInForm(*form, userName, password);
}

#include "webcopy/WcLogin.h"

#include "tests/support/WaitFor.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

namespace {

const QString Caption = QStringLiteral("Connect to files.example.test");
const QString OldUserName = QStringLiteral("old user");
const QString OldPassword = QStringLiteral("old password");

// What the person at the keyboard does while the prompt is open.
using TUserActions = std::function<void(QDialog& prompt)>;

struct TPromptOutcome {
    bool Confirmed = false;
    QString UserName;
    QString Password;
    bool PromptDestroyed = false;
};

QLineEdit* Edit(QDialog& prompt, const char* name)
{
    return prompt.findChild<QLineEdit*>(QString::fromLatin1(name));
}

// Keys go where a keyboard sends them: to the widget that has the focus.
QWidget* Focused()
{
    QWidget* focused = QApplication::focusWidget();
    EXPECT_NE(focused, nullptr) << "nothing has the keyboard focus";
    return focused;
}

// One key per character, as a keyboard with a fitting layout sends it; QTest::keyClicks knows
// only ASCII. Qt's key codes for Latin-1 characters are their upper-case code points.
void Type(const QString& text)
{
    QWidget* focused = Focused();
    if (!focused)
        return;
    for (const QChar character : text)
        QTest::sendKeyEvent(QTest::Click, focused, Qt::Key(character.toUpper().unicode()), QString(character),
                            Qt::NoModifier);
}

void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    if (QWidget* focused = Focused())
        QTest::keyClick(focused, key, modifiers);
}

// Runs ShowLoginPrompt with non-empty var parameters and lets `user` act on the dialog once it
// is on screen and has the focus. A prompt that the actions left open is cancelled, so a
// failing test fails instead of hanging.
TPromptOutcome RunPrompt(const TUserActions& user, const QString& caption = Caption)
{
    QPointer<QDialog> shown;
    QTimer::singleShot(0, [&] {
        shown = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!shown) {
            ADD_FAILURE() << "no modal prompt is open";
            return;
        }
        EXPECT_TRUE(testsupport::waitFor([&] { return QApplication::focusWidget() != nullptr; }))
            << "the prompt never took the focus";
        user(*shown);
        if (shown && shown->isVisible()) {
            ADD_FAILURE() << "the prompt is still open";
            shown->reject();
        }
    });
    TPromptOutcome outcome;
    outcome.UserName = OldUserName;
    outcome.Password = OldPassword;
    outcome.Confirmed = ShowLoginPrompt(caption, outcome.UserName, outcome.Password);
    outcome.PromptDestroyed = shown.isNull();
    return outcome;
}

struct TAnswerCase {
    const char* Name;
    TUserActions User;
    bool Confirmed;
    QString UserName;
    QString Password;
};

void PrintTo(const TAnswerCase& answer, std::ostream* out)
{
    *out << answer.Name;
}

class LoginPromptAnswer : public ::testing::TestWithParam<TAnswerCase> {};

TEST_P(LoginPromptAnswer, ReturnsWhatTheUserConfirmedAndDestroysThePrompt)
{
    const TAnswerCase& answer = GetParam();
    const TPromptOutcome outcome = RunPrompt(answer.User);
    EXPECT_EQ(outcome.Confirmed, answer.Confirmed);
    EXPECT_EQ(outcome.UserName, answer.UserName);
    EXPECT_EQ(outcome.Password, answer.Password);
    EXPECT_TRUE(outcome.PromptDestroyed);
}

const QString TypedUserName = QStringLiteral(" Jürgen O'Neil ");
const QString TypedPassword = QStringLiteral("p@ss: wörd*%");

void TypeBoth(QDialog&)
{
    Type(TypedUserName);
    Press(Qt::Key_Tab);
    Type(TypedPassword);
}

INSTANTIATE_TEST_SUITE_P(Answers, LoginPromptAnswer, ::testing::Values(
    TAnswerCase{"EnterInPasswordBox", [](QDialog& prompt) { TypeBoth(prompt); Press(Qt::Key_Return); },
                true, TypedUserName, TypedPassword},
    TAnswerCase{"KeypadEnterInUserNameBox",
                [](QDialog& prompt) { TypeBoth(prompt); Press(Qt::Key_U, Qt::AltModifier); Press(Qt::Key_Enter); },
                true, TypedUserName, TypedPassword},
    TAnswerCase{"EnterWithBothBoxesEmpty", [](QDialog&) { Press(Qt::Key_Return); }, true, QString(), QString()},
    TAnswerCase{"ClickOnOk",
                [](QDialog& prompt) {
                    TypeBoth(prompt);
                    QTest::mouseClick(prompt.findChild<QPushButton*>(QStringLiteral("Button1")), Qt::LeftButton);
                },
                true, TypedUserName, TypedPassword},
    TAnswerCase{"Escape", [](QDialog& prompt) { TypeBoth(prompt); Press(Qt::Key_Escape); },
                false, OldUserName, OldPassword},
    TAnswerCase{"CloseBox", [](QDialog& prompt) { TypeBoth(prompt); prompt.close(); }, false, OldUserName, OldPassword},
    TAnswerCase{"ClickOnCancel",
                [](QDialog& prompt) {
                    TypeBoth(prompt);
                    QTest::mouseClick(prompt.findChild<QPushButton*>(QStringLiteral("Button2")), Qt::LeftButton);
                },
                false, OldUserName, OldPassword}),
    [](const ::testing::TestParamInfo<TAnswerCase>& info) { return std::string(info.param.Name); });

TEST(LoginPrompt, AccessKeysAndTabMoveTheFocusInOrder)
{
    RunPrompt([](QDialog& prompt) {
        const auto named = [&](const char* name) { return prompt.findChild<QWidget*>(QString::fromLatin1(name)); };
        EXPECT_EQ(QApplication::focusWidget(), named("Edit1"));
        Press(Qt::Key_P, Qt::AltModifier);
        EXPECT_EQ(QApplication::focusWidget(), named("Edit2"));
        Press(Qt::Key_U, Qt::AltModifier);
        EXPECT_EQ(QApplication::focusWidget(), named("Edit1"));
        for (const char* next : {"Edit2", "Button1", "Button2", "Edit1"}) {
            Press(Qt::Key_Tab);
            EXPECT_EQ(QApplication::focusWidget(), named(next)) << "after Tab, expected " << next;
        }
        Press(Qt::Key_Escape);
    });
}

TEST(LoginPrompt, PasswordBoxShowsOneStarPerCharacter)
{
    const QString password = QStringLiteral("Zwölf Boxkämpfer");
    RunPrompt([&](QDialog& prompt) {
        Type(QStringLiteral("anna"));
        Press(Qt::Key_P, Qt::AltModifier);
        Type(password);
        EXPECT_EQ(Edit(prompt, "Edit1")->displayText(), QStringLiteral("anna"));
        EXPECT_EQ(Edit(prompt, "Edit2")->displayText(), QString(password.size(), QLatin1Char('*')));
        Press(Qt::Key_Escape);
    });
}

TEST(LoginPrompt, EachPromptStartsEmptyWithItsOwnCaption)
{
    RunPrompt([](QDialog& prompt) {
        TypeBoth(prompt);
        Press(Qt::Key_Return);
    });
    const QString secondCaption = QStringLiteral("Connect to other.example.test");
    RunPrompt(
        [&](QDialog& prompt) {
            EXPECT_EQ(prompt.windowTitle(), secondCaption);
            EXPECT_EQ(Edit(prompt, "Edit1")->text(), QString());
            EXPECT_EQ(Edit(prompt, "Edit2")->text(), QString());
            Press(Qt::Key_Escape);
        },
        secondCaption);
}

TEST(LoginPrompt, OpensCentredOnTheScreenWithTheBannerAcrossTheTop)
{
    // An active window elsewhere must not pull the prompt over to it.
    QWidget elsewhere;
    elsewhere.setGeometry(10, 10, 200, 150);
    elsewhere.show();
    elsewhere.activateWindow();
    ASSERT_TRUE(testsupport::waitFor([&] { return elsewhere.isActiveWindow(); }));

    RunPrompt([](QDialog& prompt) {
        const QPoint screenCentre = prompt.screen()->availableGeometry().center();
        const QPoint offset = prompt.frameGeometry().center() - screenCentre;
        EXPECT_LE(offset.manhattanLength(), 2) << "prompt centre is off the screen centre by " << offset.x() << ", "
                                               << offset.y();
        const auto* banner = prompt.findChild<QLabel*>(QStringLiteral("Image1"));
        EXPECT_EQ(banner->geometry(), QRect(0, 0, prompt.width(), 60));
        EXPECT_EQ(banner->pixmap().size(), QSize(320, 60));
        Press(Qt::Key_Escape);
    });
}

} // namespace

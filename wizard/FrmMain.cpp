#include "wizard/FrmMain.h"

#include "widgets/BalloonHint.h"
#include "widgets/ColorValue.h"
#include "widgets/FlatColorButton.h"
#include "widgets/GlyphButton.h"
#include "widgets/HtmlLabel.h"
#include "widgets/IconLinkLabel.h"
#include "widgets/PageContainer.h"
#include "widgets/PreferredFont.h"
#include "webcopy/WebCopy.h"
#include "wizard/Artwork.h"
#include "wizard/CommonMethods.h"
#include "wizard/FrmAbout.h"
#include "wizard/SiteAddresses.h"
#include "wizard/WizardTexts.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QTimer>

#include <memory>

namespace {

constexpr int ClientWidth = 850;
constexpr int ClientHeight = 556;
constexpr int HeaderHeight = 61;
constexpr int FooterHeight = 39;
constexpr quint32 HeaderBlue = 0xb57400;
constexpr quint32 White = 0xffffff;
constexpr quint32 Black = 0x000000;

QString SiteAddress(const QString& path = {})
{
    return QString::fromUtf8(SiteBaseAddress) + path;
}

} // namespace

TfrmMain::TfrmMain(QWidget* parent)
    : TfrmMain(QString::fromUtf8(DownloadBaseAddress), QByteArray(SetupPublicKey), parent)
{
}

TfrmMain::TfrmMain(const QString& downloadBaseAddress, const QByteArray& setupPublicKey, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
    , FDownloadBaseAddress(downloadBaseAddress)
    , FSetupPublicKey(setupPublicKey)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(WizardTexts::Title);
    setWindowIcon(QIcon(ArtworkPicture(QStringLiteral("app-icon"))));
    setFixedSize(ClientWidth, ClientHeight);
    setAutoFillBackground(true);
    QPalette windowPalette = palette();
    windowPalette.setColor(QPalette::Window, windowPalette.color(QPalette::Base));
    setPalette(windowPalette);
    setFont(PreferredFont(QStringLiteral("Segoe UI"), 15));

    BalloonHint = new TBalloonHint(this);
    BuildHeader();
    BuildPages();
    BuildFooter();

    ButtonTimer = new QTimer(this);
    ButtonTimer->setObjectName(QStringLiteral("ButtonTimer"));
    ButtonTimer->setInterval(1000);
    connect(ButtonTimer, &QTimer::timeout, this, [this] { ButtonTimerTimer(ButtonTimer); });
    ButtonTimer->start();

    ConfigureComponents();
    FormCreate(this);
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::FormCreate(QObject*)
{
    for (QWidget* page : pagScreens->pages())
        pagScreens->setTabVisible(page, false);
    pagScreens->setShowCardFrame(false);
    pagScreens->setShowFullFrame(false);
    // A new page takes the focus to where its work goes on, so Enter does what the page asks.
    connect(pagScreens, &TPageContainer::activePageChanged, this, [this] { FocusActivePage(); });
    FocusActivePage();
}

QAbstractButton* TfrmMain::DefaultButton(const QWidget* page) const
{
    return page == tabWelcome ? btnStart
        : page == tabSelection ? btnInstallServer
        : page == tabInstallServer ? btnDownloadServer
        : page == tabInstallWorkstation ? btnDownloadWorkstation
        : nullptr;
}

void TfrmMain::FocusActivePage()
{
    QWidget* page = pagScreens->activePage();
    QWidget* target = DefaultButton(page);
    if (!target) {
        const auto links = page->findChildren<TIconLinkLabel*>();
        target = links.isEmpty() ? nullptr : links.first();
    }
    if (target)
        target->setFocus(Qt::OtherFocusReason);
}

void TfrmMain::keyPressEvent(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
        QWidget::keyPressEvent(event);
        return;
    }
    // The links and the glyph buttons take these keys themselves; push buttons outside a
    // dialog leave them to the window.
    auto* focusedButton = qobject_cast<QAbstractButton*>(focusWidget());
    QAbstractButton* button = focusedButton && focusedButton->isVisible() ? focusedButton
                                                                          : DefaultButton(pagScreens->activePage());
    if (button)
        button->click();
    else
        QWidget::keyPressEvent(event);
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    // Closing ends the wizard whatever it is doing. A download is cancelled quietly: the engine
    // removes what it had written and there is nobody left to tell. A setup program that runs
    // is the user's installation: it goes on by itself and the wizard does not wait for it.
    FClosing = true;
    if (WebDownload->Running())
        WebDownload->CancelCopy();
    QWidget::closeEvent(event);
    emit WizardClosed();
}

void TfrmMain::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (FCentred)
        return;
    FCentred = true;
    // Without a window manager nobody else gives the new window the keyboard.
    activateWindow();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void TfrmMain::BuildHeader()
{
    pnlHeader = new QWidget(this);
    pnlHeader->setObjectName(QStringLiteral("pnlHeader"));
    pnlHeader->setGeometry(0, 0, ClientWidth, HeaderHeight);
    pnlHeader->setAutoFillBackground(true);
    QPalette headerPalette = pnlHeader->palette();
    headerPalette.setColor(QPalette::Window, ColorFromValue(HeaderBlue));
    headerPalette.setColor(QPalette::WindowText, ColorFromValue(White));
    pnlHeader->setPalette(headerPalette);

    auto* title = new QLabel(WizardTexts::HeaderTitle, pnlHeader);
    title->setObjectName(QStringLiteral("lblHeaderTitle"));
    QFont titleFont = PreferredFont(QStringLiteral("Segoe UI"), 27);
    titleFont.setBold(true);
    title->setFont(titleFont);
    title->move(20, 12);
    title->adjustSize();

    btnAbout = new TGlyphButton(pnlHeader);
    btnAbout->setObjectName(QStringLiteral("btnAbout"));
    btnAbout->setGlyph(ArtworkPicture(QStringLiteral("glyph-about")));
    btnAbout->setToolTip(QStringLiteral("About"));
    btnAbout->setGeometry(808, 18, 26, 26);
    connect(btnAbout, &QAbstractButton::clicked, this, [this] { btnAboutClick(btnAbout); });
}

void TfrmMain::BuildFooter()
{
    auto* footer = new QWidget(this);
    footer->setObjectName(QStringLiteral("pnlFooter"));
    footer->setGeometry(0, ClientHeight - FooterHeight, ClientWidth, FooterHeight);
    footer->setFont(PreferredFont(QStringLiteral("Segoe UI"), 13));

    htm1 = new THtmlLabel(footer);
    htm1->setObjectName(QStringLiteral("htm1"));
    htm1->setGeometry(0, 0, ClientWidth, FooterHeight);
    htm1->setVerticalCentering(true);
    htm1->setHtml(WizardTexts::Footer);
    connect(htm1, &THtmlLabel::anchorClicked, this, [this](const QString& anchor) { htm1AnchorClick(htm1, anchor); });
}

void TfrmMain::BuildPages()
{
    pagScreens = new TPageContainer(this);
    pagScreens->setObjectName(QStringLiteral("pagScreens"));
    pagScreens->setGeometry(0, HeaderHeight, ClientWidth, ClientHeight - HeaderHeight - FooterHeight);

    tabWelcome = BuildWelcomePage();
    tabSelection = BuildSelectionPage();
    tabInstallServer = BuildInstallServerPage();
    tabInstallWorkstation = BuildInstallWorkstationPage();
    tabServerInstalled = BuildServerInstalledPage();
    tabWorkstationInstalled = BuildWorkstationInstalledPage();
    pagScreens->setActivePage(tabWelcome);
}

void TfrmMain::btnStartClick(QObject*) { pagScreens->setActivePage(tabSelection); }
void TfrmMain::btnBack2Click(QObject*) { pagScreens->setActivePage(tabWelcome); }
void TfrmMain::btnInstallServerClick(QObject*) { pagScreens->setActivePage(tabInstallServer); }
void TfrmMain::btnInstallWorkstationClick(QObject*) { pagScreens->setActivePage(tabInstallWorkstation); }
void TfrmMain::btnServerBackClick(QObject*) { pagScreens->setActivePage(tabSelection); }
void TfrmMain::btnWorkstationBackClick(QObject*) { pagScreens->setActivePage(tabSelection); }

void TfrmMain::btnAboutClick(QObject*)
{
    // A fresh box for every click, destroyed when it closes, so nothing (not even a
    // visited link) carries over from one showing to the next.
    auto about = std::make_unique<TfrmAbout>();
    about->CentreOver(this);
    about->exec();
}

void TfrmMain::htm1AnchorClick(QObject*, const QString&)
{
    OpenWebLink(SiteAddress());
}

void TfrmMain::lnkGettingStarted1Click(QObject*) { OpenWebLink(SiteAddress(WizardTexts::GettingStartedPath)); }
void TfrmMain::lnkGettingStarted2Click(QObject*) { OpenWebLink(SiteAddress(WizardTexts::GettingStartedPath)); }
void TfrmMain::lnkSupportRequestClick(QObject*) { OpenWebLink(SiteAddress(WizardTexts::SupportRequestPath)); }
void TfrmMain::lnkSupportRequest2Click(QObject*) { OpenWebLink(SiteAddress(WizardTexts::SupportRequestPath)); }
void TfrmMain::lnkSupportClick(QObject*) { OpenWebLink(SiteAddress(WizardTexts::SupportPath)); }
void TfrmMain::lnkSupport2Click(QObject*) { OpenWebLink(SiteAddress(WizardTexts::SupportPath)); }

void TfrmMain::ButtonTimerTimer(QObject*)
{
    // 0: the blue look comes next; 1: the white look comes next; 2: stopped in white.
    const auto blink = [](TFlatColorButton* button, int& state) {
        switch (state) {
        case 0:
            button->setColor(ColorFromValue(HeaderBlue));
            button->setFontColor(ColorFromValue(White));
            state = 1;
            break;
        case 1:
        case 2:
            button->setColor(ColorFromValue(White));
            button->setFontColor(ColorFromValue(Black));
            state = state == 1 ? 0 : 2;
            break;
        default:
            break;
        }
    };
    blink(btnStart, FStartButton);
    blink(btnDownloadServer, FServerDownloadButton);
    blink(btnDownloadWorkstation, FWorkstationDownloadButton);
}

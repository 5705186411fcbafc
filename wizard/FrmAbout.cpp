#include "wizard/FrmAbout.h"

#include "widgets/HtmlLabel.h"
#include "widgets/PreferredFont.h"
#include "widgets/UrlLabel.h"
#include "wizard/Artwork.h"
#include "wizard/SiteAddresses.h"
#include "wizard/WizardTexts.h"

#include <QLabel>

namespace {

constexpr int ClientWidth = 645;
constexpr int ClientHeight = 419;
constexpr int FooterHeight = 51;

const QString SalesAddress = QStringLiteral("sales@orvanta.com");
const QString SupportAddress = QStringLiteral("support@orvanta.com");

// The web address as people read it: without the scheme.
QString DisplayedSiteAddress()
{
    QString address = QString::fromUtf8(SiteBaseAddress);
    const qsizetype schemeEnd = address.indexOf(QStringLiteral("://"));
    return schemeEnd < 0 ? address : address.mid(schemeEnd + 3);
}

} // namespace

TfrmAbout::TfrmAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About ") + WizardTexts::Title);
    setFixedSize(ClientWidth, ClientHeight);
    setModal(true);
    setAutoFillBackground(true);
    QPalette windowPalette = palette();
    windowPalette.setColor(QPalette::Window, windowPalette.color(QPalette::Base));
    setPalette(windowPalette);
    setFont(PreferredFont(QStringLiteral("Segoe UI"), 15));

    auto* logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("imgOrvantaLogo"));
    logo->setPixmap(ArtworkPicture(QStringLiteral("logo")));
    logo->setGeometry(145, 24, 356, 80);

    auto* trial = new QLabel(WizardTexts::Title, this);
    trial->setObjectName(QStringLiteral("lblTrial"));
    QFont trialFont = PreferredFont(QStringLiteral("Segoe UI Semibold"), 24);
    trialFont.setBold(true);
    trial->setFont(trialFont);
    trial->move(197, 125);
    trial->adjustSize();

    AddLabel(QStringLiteral("lblWebsite"), QStringLiteral("Website:"), 160, 192);
    AddLink(QStringLiteral("lnkWebsite"), DisplayedSiteAddress(), QString::fromUtf8(SiteBaseAddress), 247, 192);
    AddLabel(QStringLiteral("lblSales"), QStringLiteral("Sales:"), 160, 218);
    AddLink(QStringLiteral("lnkSales"), SalesAddress, QStringLiteral("mailto:") + SalesAddress, 247, 218);
    AddLabel(QStringLiteral("RzLabel2"), QStringLiteral("1-800-555-0142"), 248, 244);
    AddLabel(QStringLiteral("RzLabel3"), QStringLiteral("Toll Free in US and Canada"), 376, 244);
    AddLabel(QStringLiteral("RzLabel4"), QStringLiteral("1800 555 014"), 248, 270);
    AddLabel(QStringLiteral("RzLabel5"), QStringLiteral("Toll Free in Australia"), 376, 270);
    AddLabel(QStringLiteral("RzLabel6"), QStringLiteral("+61 3 5550 1420"), 248, 296);
    AddLabel(QStringLiteral("RzLabel7"), QStringLiteral("International"), 376, 296);
    AddLabel(QStringLiteral("lblSupport"), QStringLiteral("Support:"), 160, 322);
    AddLink(QStringLiteral("lnkSupport"), SupportAddress, QStringLiteral("mailto:") + SupportAddress, 247, 322);

    // The same notice as the main window; here its link leads nowhere.
    auto* htm1 = new THtmlLabel(this);
    htm1->setObjectName(QStringLiteral("htm1"));
    htm1->setFont(PreferredFont(QStringLiteral("Segoe UI"), 13));
    htm1->setGeometry(0, ClientHeight - FooterHeight, ClientWidth, FooterHeight);
    htm1->setVerticalCentering(true);
    htm1->setHtml(WizardTexts::Footer);
    htm1->setLinksActive(false);
}

void TfrmAbout::CentreOver(const QWidget* window)
{
    if (!window)
        return;
    QRect frame = frameGeometry();
    frame.moveCenter(window->frameGeometry().center());
    move(frame.topLeft());
}

void TfrmAbout::AddLabel(const QString& name, const QString& text, int x, int y)
{
    auto* label = new QLabel(text, this);
    label->setObjectName(name);
    label->move(x, y);
    label->adjustSize();
}

void TfrmAbout::AddLink(const QString& name, const QString& text, const QString& url, int x, int y)
{
    auto* link = new TUrlLabel(this);
    link->setObjectName(name);
    link->setText(text);
    link->setUrl(url);
    link->move(x, y);
    link->adjustSize();
}

// The six pages of the main window: their texts, pictures, buttons and links.
#include "wizard/FrmMain.h"

#include "widgets/FlatColorButton.h"
#include "widgets/GlyphButton.h"
#include "widgets/HtmlLabel.h"
#include "widgets/IconLinkLabel.h"
#include "widgets/PageContainer.h"
#include "widgets/ThemedButton.h"
#include "wizard/Artwork.h"
#include "wizard/WizardTexts.h"

#include <QFrame>
#include <QLabel>

namespace {

QWidget* NewPage(TPageContainer* container, const QString& name, const QString& caption)
{
    auto* page = new QWidget;
    page->setObjectName(name);
    container->addPage(page, caption);
    return page;
}

QFrame* NewFramedPanel(QWidget* page, const QString& name, QRect geometry)
{
    auto* panel = new QFrame(page);
    panel->setObjectName(name);
    panel->setGeometry(geometry);
    panel->setFrameShape(QFrame::Box);
    panel->setFrameShadow(QFrame::Plain);
    panel->setLineWidth(1);
    QPalette panelPalette = panel->palette();
    panelPalette.setColor(QPalette::WindowText, QColor(0xa0, 0xa0, 0xa0));
    panel->setPalette(panelPalette);
    return panel;
}

} // namespace

THtmlLabel* TfrmMain::AddPageText(QWidget* page, const QString& name, const QString& html, int x, int y, int width)
{
    auto* label = new THtmlLabel(page);
    label->setObjectName(name);
    label->move(x, y);
    label->resize(width, 10);
    label->setAutoHeight(true);
    label->setHtml(html);
    return label;
}

QLabel* TfrmMain::AddPlainLabel(QWidget* page, const QString& name, const QString& text, int x, int y)
{
    auto* label = new QLabel(text, page);
    label->setObjectName(name);
    label->move(x, y);
    label->adjustSize();
    return label;
}

void TfrmMain::AddVerifiedLine(QWidget* page, int y)
{
    auto* line = new QLabel(page);
    line->setObjectName(VerifiedLineName);
    // The comment comes from the signature file: shown as text, never as markup.
    line->setTextFormat(Qt::PlainText);
    line->setWordWrap(true);
    line->setGeometry(19, y, 600, 42);
    line->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette palette = line->palette();
    palette.setColor(QPalette::WindowText, QColor(0x55, 0x55, 0x55));
    line->setPalette(palette);
    line->hide();
}

QLabel* TfrmMain::AddPicture(QWidget* page, const QString& name, const QString& artwork, int x, int y)
{
    auto* picture = new QLabel(page);
    picture->setObjectName(name);
    picture->setPixmap(ArtworkPicture(artwork));
    picture->move(x, y);
    picture->adjustSize();
    return picture;
}

TGlyphButton* TfrmMain::AddBackButton(QWidget* page, const QString& name, void (TfrmMain::*handler)(QObject*))
{
    auto* button = new TGlyphButton(page);
    button->setObjectName(name);
    button->setGlyph(ArtworkPicture(QStringLiteral("glyph-back")));
    button->setToolTip(QStringLiteral("Back"));
    // On the row of the page's main buttons, where the eye looks for it.
    button->setGeometry(6, 394, 23, 23);
    connect(button, &QAbstractButton::clicked, this, [this, handler, button] { (this->*handler)(button); });
    return button;
}

TFlatColorButton* TfrmMain::AddFlatButton(QWidget* page, const QString& name, const QString& caption, QRect geometry,
                                          void (TfrmMain::*handler)(QObject*))
{
    auto* button = new TFlatColorButton(page);
    button->setObjectName(name);
    button->setText(caption);
    button->setGeometry(geometry);
    connect(button, &QAbstractButton::clicked, this, [this, handler, button] { (this->*handler)(button); });
    return button;
}

TIconLinkLabel* TfrmMain::AddLink(QWidget* page, const QString& name, const QString& icon, const QString& caption,
                                  QRect geometry, void (TfrmMain::*handler)(QObject*))
{
    auto* link = new TIconLinkLabel(page);
    link->setObjectName(name);
    link->setIcon(ArtworkPicture(icon));
    link->setCaption(caption);
    link->setGeometry(geometry);
    connect(link, &TIconLinkLabel::clicked, this, [this, handler, link] { (this->*handler)(link); });
    return link;
}

QWidget* TfrmMain::BuildWelcomePage()
{
    QWidget* page = NewPage(pagScreens, QStringLiteral("tabWelcome"), QStringLiteral("Welcome"));
    AddPageText(page, QStringLiteral("htmIntro"), WizardTexts::Welcome, 19, 16, 646);
    AddPicture(page, QStringLiteral("imgPhoneGuy"), QStringLiteral("character-welcome"), 687, 16);
    btnStart = AddFlatButton(page, QStringLiteral("btnStart"), QStringLiteral("Start"), QRect(379, 336, 90, 30),
                             &TfrmMain::btnStartClick);
    // Start is white before the first tick; the timer then takes over.
    btnStart->setColor(Qt::white);
    btnStart->setFontColor(Qt::black);
    return page;
}

QWidget* TfrmMain::BuildSelectionPage()
{
    QWidget* page = NewPage(pagScreens, QStringLiteral("tabSelection"), QStringLiteral("Selection"));
    AddPageText(page, QStringLiteral("htmPage2"), WizardTexts::SelectionIntro, 19, 16, 635);
    AddPicture(page, QStringLiteral("img2"), QStringLiteral("character-pointing"), 639, 19);
    AddPicture(page, QStringLiteral("imgNumber1"), QStringLiteral("badge-1"), 23, 54);
    AddPicture(page, QStringLiteral("imgNumber2"), QStringLiteral("badge-2"), 24, 279);

    const struct {
        QString panel, text, html;
        QRect geometry;
    } panels[] = {
        {QStringLiteral("pnlServer"), QStringLiteral("htmServer"), WizardTexts::SelectionServer, QRect(54, 47, 571, 225)},
        {QStringLiteral("pnlWorkstation"), QStringLiteral("htmWorkstation"), WizardTexts::SelectionWorkstation,
         QRect(54, 279, 571, 89)},
    };
    for (const auto& entry : panels) {
        QFrame* panel = NewFramedPanel(page, entry.panel, entry.geometry);
        // Inner margin: 8 on the left, 5 elsewhere; the text fills the rest of the panel.
        auto* text = new THtmlLabel(panel);
        text->setObjectName(entry.text);
        text->setGeometry(8, 5, entry.geometry.width() - 8 - 5, entry.geometry.height() - 5 - 5);
        // The grey belongs to the border only; the text keeps the window's text colour.
        QPalette textPalette = panel->palette();
        textPalette.setColor(QPalette::WindowText, page->palette().color(QPalette::Text));
        text->setPalette(textPalette);
        text->setHtml(entry.html);
    }

    AddBackButton(page, QStringLiteral("btnBack2"), &TfrmMain::btnBack2Click);

    const struct {
        QString name, caption, glyph;
        QRect geometry;
        void (TfrmMain::*handler)(QObject*);
    } installButtons[] = {
        {QStringLiteral("btnInstallServer"), QStringLiteral("Install Server"), QStringLiteral("glyph-install-1"),
         QRect(180, 379, 137, 40), &TfrmMain::btnInstallServerClick},
        {QStringLiteral("btnInstallWorkstation"), QStringLiteral("Install Workstation"),
         QStringLiteral("glyph-install-2"), QRect(339, 379, 165, 40), &TfrmMain::btnInstallWorkstationClick},
    };
    for (const auto& entry : installButtons) {
        auto* button = new TThemedButton(page);
        button->setObjectName(entry.name);
        button->setText(entry.caption);
        button->setGlyph(ArtworkPicture(entry.glyph));
        button->setGeometry(entry.geometry);
        connect(button, &QAbstractButton::clicked, this,
                [this, handler = entry.handler, button] { (this->*handler)(button); });
        if (entry.name == QLatin1String("btnInstallServer"))
            btnInstallServer = button;
    }
    return page;
}

QWidget* TfrmMain::BuildInstallServerPage()
{
    QWidget* page = NewPage(pagScreens, QStringLiteral("tabInstallServer"), QStringLiteral("Server"));
    AddPageText(page, QStringLiteral("HTMLabel1"), WizardTexts::InstallServer, 19, 16, 590);
    AddPicture(page, QStringLiteral("Image1"), QStringLiteral("character-server"), 637, 19);
    // Made in reading order, which is the order Tab follows.
    btnDownloadServer = AddFlatButton(page, QStringLiteral("btnDownloadServer"), QStringLiteral("Download"),
                                      QRect(300, 253, 120, 30), &TfrmMain::btnDownloadServerClick);
    AddBackButton(page, QStringLiteral("btnServerBack"), &TfrmMain::btnServerBackClick);
    return page;
}

QWidget* TfrmMain::BuildInstallWorkstationPage()
{
    QWidget* page = NewPage(pagScreens, QStringLiteral("tabInstallWorkstation"), QStringLiteral("Workstation"));
    AddPageText(page, QStringLiteral("HTMLabel7"), WizardTexts::InstallWorkstation, 19, 16, 667);
    AddPicture(page, QStringLiteral("Image2"), QStringLiteral("character-workstation"), 692, 16);
    btnDownloadWorkstation = AddFlatButton(page, QStringLiteral("btnDownloadWorkstation"), QStringLiteral("Download"),
                                           QRect(292, 173, 120, 30), &TfrmMain::btnDownloadWorkstationClick);
    AddBackButton(page, QStringLiteral("btnWorkstationBack"), &TfrmMain::btnWorkstationBackClick);
    return page;
}

QWidget* TfrmMain::BuildServerInstalledPage()
{
    QWidget* page = NewPage(pagScreens, QStringLiteral("tabServerInstalled"), QStringLiteral("Server Installed"));
    AddPageText(page, QStringLiteral("HTMLabel4"), WizardTexts::ServerInstalled, 19, 16, 622);
    AddPicture(page, QStringLiteral("Image4"), QStringLiteral("character-thumbsup"), 670, 19);
    AddLink(page, QStringLiteral("lnkGettingStarted1"), QStringLiteral("icon-getting-started"),
            WizardTexts::GettingStartedCaption, QRect(43, 184, 232, 24), &TfrmMain::lnkGettingStarted1Click);
    AddLink(page, QStringLiteral("lnkSupportRequest"), QStringLiteral("icon-support-request"),
            WizardTexts::SupportRequestCaption, QRect(43, 222, 140, 24), &TfrmMain::lnkSupportRequestClick);
    AddLink(page, QStringLiteral("lnkSupport"), QStringLiteral("icon-support"), WizardTexts::SupportCaption,
            QRect(43, 261, 83, 24), &TfrmMain::lnkSupportClick);
    AddPlainLabel(page, QStringLiteral("lbl1"), WizardTexts::CanClose, 19, 304);
    AddVerifiedLine(page, 340);
    return page;
}

QWidget* TfrmMain::BuildWorkstationInstalledPage()
{
    QWidget* page =
        NewPage(pagScreens, QStringLiteral("tabWorkstationInstalled"), QStringLiteral("Workstation Installed"));
    AddPageText(page, QStringLiteral("HTMLabel5"), WizardTexts::WorkstationInstalled, 19, 19, 590);
    AddPicture(page, QStringLiteral("Image5"), QStringLiteral("character-thumbsup"), 670, 19);
    AddLink(page, QStringLiteral("lnkGettingStarted2"), QStringLiteral("icon-getting-started"),
            WizardTexts::GettingStartedCaption, QRect(59, 338, 232, 24), &TfrmMain::lnkGettingStarted2Click);
    AddLink(page, QStringLiteral("lnkSupportRequest2"), QStringLiteral("icon-support-request"),
            WizardTexts::SupportRequestCaption, QRect(321, 338, 140, 24), &TfrmMain::lnkSupportRequest2Click);
    AddLink(page, QStringLiteral("lnkSupport2"), QStringLiteral("icon-support"), WizardTexts::SupportCaption,
            QRect(491, 338, 83, 24), &TfrmMain::lnkSupport2Click);
    AddPlainLabel(page, QStringLiteral("lbl2"), WizardTexts::CanClose, 19, 390);
    AddVerifiedLine(page, 414);
    return page;
}

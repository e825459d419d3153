#include "app/AboutBox.h"

#include "app/formtools.h"
#include "app/resources/dscdmaresources.h"
#include "core/sim/abouttexts.h"
#include "i18n/cp1252.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QPushButton>

#include <algorithm>

namespace {

using namespace formtools;

const QColor Maroon(128, 0, 0);
const QColor LinkBlue(0, 0, 255);
const QColor LinkRed(255, 0, 0);

} // namespace

TFrmAbout::TFrmAbout(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("FrmAbout"));
    setWindowTitle(QStringLiteral("BF_About"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(ClientSize);
    setWindowIcon(resources::applicationIcon());
    setFont(PixelFont({QStringLiteral("Arial")}, 13));
    SetTextColor(this, Qt::black);
    // The main window alone decides when the program ends.
    setAttribute(Qt::WA_QuitOnClose, false);

    // In the order of the stored layout, which is the order of the children.
    createTitlePanel();
    createDescription();
    createLinkPanel();
    createOkButton();
    // OK first, so that Return closes the box as shown; Tab then reaches the links.
    setTabOrder(m_bButOK, m_lblHomePage);
    setTabOrder(m_lblHomePage, m_lblSimus);

    setUrlOpener({});

    for (QLabel* label : findChildren<QLabel*>())
        m_labelDesigns.push_back({label, label->font(), label->height()});
}

void TFrmAbout::createTitlePanel()
{
    const auto centred = Qt::AlignHCenter | Qt::AlignTop;
    m_panel1 = new TBevelPanel(this);
    m_panel1->setObjectName(QStringLiteral("Panel1"));
    m_panel1->setGeometry(8, 10, 529, 127);
    m_panel1->setBevels(TBevelPanel::Bevel::Lowered, TBevelPanel::Bevel::Raised);

    m_lblName = MakeLabel(m_panel1, "LblName", QRect(8, 12, 513, 34), QStringLiteral("App. name"), centred);
    m_lblName->setFont(PixelFont({QStringLiteral("Arial")}, 30, true, true));
    SetTextColor(m_lblName, Maroon);

    m_lblVersion = MakeLabel(m_panel1, "LblVersion", QRect(8, 50, 513, 16), QStringLiteral("App. version"), centred);
    m_lblAuthor = MakeLabel(m_panel1, "LblAuthor", QRect(8, 74, 513, 16), QString(), centred);
    m_lblCopyright = MakeLabel(m_panel1, "LblCopyright", QRect(8, 100, 513, 16), copyrightText(), centred);
}

void TFrmAbout::createDescription()
{
    m_lblDescription = MakeLabel(this, "LblDescription", QRect(8, 152, 529, 65), QString(),
                                 Qt::AlignHCenter | Qt::AlignTop, true);
    m_lblDescription->setFont(PixelFont({QStringLiteral("Arial")}, 13));
    SetTextColor(m_lblDescription, Maroon);
}

void TFrmAbout::createLinkPanel()
{
    m_panel2 = new TBevelPanel(this);
    m_panel2->setObjectName(QStringLiteral("Panel2"));
    m_panel2->setGeometry(8, 224, 529, 65);
    m_panel2->setBevels(TBevelPanel::Bevel::Lowered, TBevelPanel::Bevel::Raised);
    connect(m_panel2, &TBevelPanel::mouseMoved, this, &TFrmAbout::Panel2MouseMove);

    m_lblWebSite = MakeLabel(m_panel2, "LblWebSite", QRect(8, 8, 137, 49), QString(), Qt::AlignRight | Qt::AlignTop,
                             true);
    // Only the bare panel turns the links blue, not the text beside them.
    m_lblWebSite->setAttribute(Qt::WA_NoMousePropagation);

    m_lblHomePage = createLink("LblHomePage", QRect(152, 12, 369, 16), QStringLiteral("BF_HomePage"));
    m_lblHomePage->hide();
    connect(m_lblHomePage, &TClickLabel::clicked, this, &TFrmAbout::LblHomePageClick);
    connect(m_lblHomePage, &TClickLabel::mouseMoved, this, &TFrmAbout::LblHomePageMouseMove);

    m_lblSimus = createLink("LblSimus", QRect(152, 36, 369, 16), simulationsAddress());
    connect(m_lblSimus, &TClickLabel::clicked, this, &TFrmAbout::LblSimusClick);
    connect(m_lblSimus, &TClickLabel::mouseMoved, this, &TFrmAbout::LblSimusMouseMove);
}

TClickLabel* TFrmAbout::createLink(const char* name, const QRect& geometry, const QString& text)
{
    TClickLabel* link = MakeLabel<TClickLabel>(m_panel2, name, geometry, text, Qt::AlignLeft | Qt::AlignTop);
    link->setFont(PixelFont({QStringLiteral("Courier New")}, 13, true, false, true));
    link->setFontColor(LinkBlue);
    link->setCursor(Qt::PointingHandCursor);
    link->setAccessibleDescription(QStringLiteral("BF_Web link; Return opens it in the browser"));
    return link;
}

void TFrmAbout::createOkButton()
{
    m_bButOK = new QPushButton(QStringLiteral("BF_OK"), this);
    m_bButOK->setObjectName(QStringLiteral("BButOK"));
    m_bButOK->setGeometry(424, 296, 113, 33);
    m_bButOK->setIcon(resources::okGlyph());
    m_bButOK->setDefault(true);
    connect(m_bButOK, &QPushButton::clicked, this, &TFrmAbout::BButOKClick);
}

void TFrmAbout::setLanguage(Language language)
{
    m_lblWebSite->setText(webSiteText(language));
    m_lblDescription->setText(descriptionText(language));
}

namespace {

about::Language CoreLanguage(TFrmAbout::Language language)
{
    return language == TFrmAbout::Language::German ? about::Language::German : about::Language::English;
}

QString Text(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

} // namespace

TFrmAbout::Language TFrmAbout::languageFromSetting(const QString& setting)
{
    // A character outside the code page cannot be part of the setting's word: '?' stands for it.
    return about::LanguageOfSetting(cp1252::FromQString(setting)) == about::Language::German ? Language::German
                                                                                               : Language::English;
}

QString TFrmAbout::webSiteText(Language language)
{
    return Text(about::WebSiteText(CoreLanguage(language)));
}

QString TFrmAbout::descriptionText(Language language)
{
    return Text(about::DescriptionText(CoreLanguage(language)));
}

QString TFrmAbout::copyrightText()
{
    return Text(about::CopyrightText());
}

QString TFrmAbout::simulationsAddress()
{
    return Text(about::SimulationsAddress());
}

void TFrmAbout::setUrlOpener(UrlOpener opener)
{
    if (opener) {
        m_urlOpener = std::move(opener);
        return;
    }
    m_urlOpener = [](const QString& address) {
        const QUrl url = urlForAddress(address);
        if (!url.isEmpty())
            QDesktopServices::openUrl(url);
    };
}

QUrl TFrmAbout::urlForAddress(const QString& address)
{
    const QString text = address.trimmed();
    if (text.isEmpty())
        return {};
    const QUrl url = QUrl::fromUserInput(text);
    if (!url.isValid())
        return {};
    // fromUserInput guesses "http://" for text without a scheme of its own; a key such as
    // "HomePageURL" would then send the browser to a host of that name.
    const bool guessed = QUrl(text).scheme().compare(url.scheme(), Qt::CaseInsensitive) != 0;
    if (guessed && !url.isLocalFile()) {
        const QString host = url.host();
        if (!host.contains(QLatin1Char('.')) && host != QLatin1String("localhost"))
            return {};
    }
    return url;
}

void TFrmAbout::FormShow()
{
    m_lblHomePage->setVisible(true);
    m_bButOK->setFocus(Qt::OtherFocusReason);
}

void TFrmAbout::LblHomePageClick()
{
    openAddress(m_homePageAddress);
}

void TFrmAbout::LblSimusClick()
{
    openAddress(m_lblSimus->text());
}

void TFrmAbout::LblHomePageMouseMove()
{
    m_lblHomePage->setFontColor(LinkRed);
}

void TFrmAbout::LblSimusMouseMove()
{
    m_lblSimus->setFontColor(LinkRed);
}

void TFrmAbout::Panel2MouseMove()
{
    m_lblHomePage->setFontColor(LinkBlue);
    m_lblSimus->setFontColor(LinkBlue);
}

void TFrmAbout::BButOKClick()
{
    accept();
}

void TFrmAbout::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    fitLabels();
    FormShow();
}

void TFrmAbout::fitLabels()
{
    // The layout's sizes suit fonts of tighter metrics than many desktops have. A label keeps
    // its place and width and grows downwards inside its parent's frame; text that still does
    // not fit is set a pixel smaller at a time, so that no line is ever cut off.
    constexpr int smallestPixels = 8;
    for (const LabelDesign& design : m_labelDesigns) {
        QLabel* label = design.label;
        label->setFont(design.font);
        label->resize(label->width(), design.height);
        const QWidget* parent = label->parentWidget();
        const int frame = qobject_cast<const TBevelPanel*>(parent) ? 2 : 0;
        const int room = std::max(parent->height() - frame - label->y(), design.height);
        QFont font = design.font;
        for (;;) {
            const int needed = label->wordWrap() ? label->heightForWidth(label->width()) : label->sizeHint().height();
            const bool fits = needed <= room && (label->wordWrap() || label->sizeHint().width() <= label->width());
            if (fits || font.pixelSize() <= smallestPixels) {
                label->resize(label->width(), std::clamp(needed, design.height, room));
                break;
            }
            font.setPixelSize(font.pixelSize() - 1);
            label->setFont(font);
        }
    }
}

void TFrmAbout::openAddress(const QString& address)
{
    // Starting a browser can take a while; the busy cursor says that the click was taken.
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    struct RestoreCursor
    {
        ~RestoreCursor() { QGuiApplication::restoreOverrideCursor(); }
    } restore;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    m_urlOpener(address);
}

#include "AboutBox.h"

#include "core/sim/abouttexts.h"
#include "cp1252.h"
#include "formtools.h"
#include "resources/dscdmaresources.h"

#include "qtcanvas.h"
#include "qtconvert.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include <algorithm>
#include <array>

namespace {

using namespace FormTools;

const QColor Maroon(128, 0, 0);
const QColor LinkBlue(0, 0, 255);
const QColor LinkRed(255, 0, 0);

// One bevel line around the rectangle: the top and left edges in `top`, the right and bottom
// edges (with the corners top-right and bottom-left) in `bottom`. Shrinks the rectangle by one.
void frame3D(Canvas& canvas, QRect& r, const QColor& top, const QColor& bottom)
{
    const int left = r.left();
    const int topY = r.top();
    const int right = r.right();
    const int bottomY = r.bottom();
    canvas.setPenColor(ToTColor(top));
    const std::array<Point, 3> topLeft{Point{left, bottomY}, Point{left, topY}, Point{right, topY}};
    canvas.polyline(topLeft);
    canvas.setPenColor(ToTColor(bottom));
    const std::array<Point, 3> bottomRight{Point{right, topY}, Point{right, bottomY}, Point{left - 1, bottomY}};
    canvas.polyline(bottomRight);
    r.adjust(1, 1, -1, -1);
}

void bevelColors(TBevelPanel::Bevel bevel, const QColor& light, const QColor& dark, QColor& top, QColor& bottom)
{
    const bool lowered = bevel == TBevelPanel::Bevel::Lowered;
    top = lowered ? dark : light;
    bottom = lowered ? light : dark;
}

} // namespace

// ---------------------------------------------------------------------------------------------

TBevelPanel::TBevelPanel(QWidget* parent)
    : QWidget(parent)
{
    // Moves without a button held are what the hover colours of the links react to.
    setMouseTracking(true);
}

void TBevelPanel::setBevels(Bevel outer, Bevel inner)
{
    if (outer == m_outer && inner == m_inner)
        return;
    m_outer = outer;
    m_inner = inner;
    update();
}

void TBevelPanel::paintBevels(Canvas& canvas, QSize size, Bevel outer, Bevel inner, const QColor& light,
                              const QColor& dark)
{
    QRect r(QPoint(0, 0), size);
    canvas.setPen(Canvas::Pen{});
    for (Bevel bevel : {outer, inner}) {
        if (bevel == Bevel::None || r.width() < 1 || r.height() < 1)
            continue;
        QColor top;
        QColor bottom;
        bevelColors(bevel, light, dark, top, bottom);
        frame3D(canvas, r, top, bottom);
    }
}

void TBevelPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QtCanvas canvas(painter, QPoint(0, 0), size());
    const TColor face = ToTColor(palette().color(QPalette::Window));
    canvas.setPen(Canvas::Pen{face});
    canvas.setBrush(Canvas::Brush{face});
    canvas.rectangle(0, 0, width(), height());
    paintBevels(canvas, size(), m_outer, m_inner, palette().color(QPalette::Light), palette().color(QPalette::Dark));
}

void TBevelPanel::mouseMoveEvent(QMouseEvent* event)
{
    emit mouseMoved(event->position().toPoint());
    event->accept();
}

// ---------------------------------------------------------------------------------------------

TClickLabel::TClickLabel(QWidget* parent)
    : QLabel(parent)
{
    setMouseTracking(true);
    // Tab only: a click opens the link and should not leave a focus frame behind.
    setFocusPolicy(Qt::TabFocus);
}

QColor TClickLabel::fontColor() const
{
    return TextColor(this);
}

void TClickLabel::setFontColor(const QColor& color)
{
    if (color == fontColor())
        return;
    SetTextColor(this, color);
}

void TClickLabel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
    event->accept();
}

void TClickLabel::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    if (event->button() == Qt::LeftButton)
        m_pressed = false;
    event->accept();
    if (click)
        emit clicked();
}

void TClickLabel::mouseMoveEvent(QMouseEvent* event)
{
    emit mouseMoved(event->position().toPoint());
    event->accept();
}

void TClickLabel::keyPressEvent(QKeyEvent* event)
{
    const bool activates = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space;
    if (!activates || event->modifiers() & ~Qt::KeypadModifier) {
        QLabel::keyPressEvent(event);
        return;
    }
    event->accept();
    emit clicked();
}

void TClickLabel::paintEvent(QPaintEvent* event)
{
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    QPainter painter(this);
    painter.setPen(QPen(fontColor(), 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    const int textWidth = std::min(fontMetrics().horizontalAdvance(text()) + 3, width());
    painter.drawRect(0, 0, textWidth - 1, height() - 1);
}

// ---------------------------------------------------------------------------------------------

TFrmAbout::TFrmAbout(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("FrmAbout"));
    setWindowTitle(QStringLiteral("BF_About"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(ClientSize);
    setWindowIcon(DscdmaResources::applicationIcon());
    setFont(PixelFont({QStringLiteral("Arial")}, 13));
    SetTextColor(this, Qt::black);
    // The main window alone decides when the program ends.
    setAttribute(Qt::WA_QuitOnClose, false);

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

    m_lblDescription = MakeLabel(this, "LblDescription", QRect(8, 152, 529, 65), QString(), centred, true);
    m_lblDescription->setFont(PixelFont({QStringLiteral("Arial")}, 13));
    SetTextColor(m_lblDescription, Maroon);

    m_panel2 = new TBevelPanel(this);
    m_panel2->setObjectName(QStringLiteral("Panel2"));
    m_panel2->setGeometry(8, 224, 529, 65);
    m_panel2->setBevels(TBevelPanel::Bevel::Lowered, TBevelPanel::Bevel::Raised);
    connect(m_panel2, &TBevelPanel::mouseMoved, this, &TFrmAbout::Panel2MouseMove);

    m_lblWebSite = MakeLabel(m_panel2, "LblWebSite", QRect(8, 8, 137, 49), QString(), Qt::AlignRight | Qt::AlignTop,
                             true);
    // Only the bare panel turns the links blue, not the text beside them.
    m_lblWebSite->setAttribute(Qt::WA_NoMousePropagation);

    const QFont linkFont = PixelFont({QStringLiteral("Courier New")}, 13, true, false, true);
    const auto linkAlignment = Qt::AlignLeft | Qt::AlignTop;

    m_lblHomePage = MakeLabel<TClickLabel>(m_panel2, "LblHomePage", QRect(152, 12, 369, 16),
                                           QStringLiteral("BF_HomePage"), linkAlignment);
    m_lblHomePage->setFont(linkFont);
    m_lblHomePage->setFontColor(LinkBlue);
    m_lblHomePage->setCursor(Qt::PointingHandCursor);
    m_lblHomePage->hide();
    connect(m_lblHomePage, &TClickLabel::clicked, this, &TFrmAbout::LblHomePageClick);
    connect(m_lblHomePage, &TClickLabel::mouseMoved, this, &TFrmAbout::LblHomePageMouseMove);

    m_lblSimus = MakeLabel<TClickLabel>(m_panel2, "LblSimus", QRect(152, 36, 369, 16), simulationsAddress(),
                                        linkAlignment);
    m_lblSimus->setFont(linkFont);
    m_lblSimus->setFontColor(LinkBlue);
    m_lblSimus->setCursor(Qt::PointingHandCursor);
    connect(m_lblSimus, &TClickLabel::clicked, this, &TFrmAbout::LblSimusClick);
    connect(m_lblSimus, &TClickLabel::mouseMoved, this, &TFrmAbout::LblSimusMouseMove);

    m_bButOK = new QPushButton(QStringLiteral("BF_OK"), this);
    m_bButOK->setObjectName(QStringLiteral("BButOK"));
    m_bButOK->setGeometry(424, 296, 113, 33);
    m_bButOK->setIcon(DscdmaResources::okGlyph());
    m_bButOK->setDefault(true);
    connect(m_bButOK, &QPushButton::clicked, this, &TFrmAbout::BButOKClick);
    // OK first, so that Return closes the box as shown; Tab then reaches the links.
    setTabOrder(m_bButOK, m_lblHomePage);
    setTabOrder(m_lblHomePage, m_lblSimus);
    const QString linkDescription = QStringLiteral("BF_Web link; Return opens it in the browser");
    m_lblHomePage->setAccessibleDescription(linkDescription);
    m_lblSimus->setAccessibleDescription(linkDescription);

    setUrlOpener({});

    for (QLabel* label : findChildren<QLabel*>())
        m_labelDesigns.push_back({label, label->font(), label->height()});
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

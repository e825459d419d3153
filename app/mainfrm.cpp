#include "mainfrm.h"

#include "AboutBox.h"
#include "cp1252.h"
#include "errorreport.h"
#include "numio.h"
#include "numlab.h"
#include "rchart.h"
#include "resources/dscdmaresources.h"
#include "signalcharts.h"
#include "signalmodel.h"
#include "uexplain.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QToolButton>


namespace {

using namespace TraceColors;

// The layout was drawn for a classic 8-pixel sans serif at 120 pixels per inch and is kept
// unscaled, so fonts are given in pixels.
QFont PixelFont(const QStringList& families, int pixels, bool bold = false)
{
    QFont font;
    font.setFamilies(families);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

const QStringList FormFamilies = {"MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans", "Arial", "DejaVu Sans"};
const QStringList ArialFamilies = {"Arial", "Liberation Sans", "Arimo", "DejaVu Sans"};

void SetBackground(QWidget* widget, const QColor& color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, color);
    widget->setPalette(palette);
}

void SetTextColor(QWidget* widget, const QColor& color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    widget->setPalette(palette);
}

TNumIO* MakeKeyField(QWidget* parent, const char* name, QRect geometry, const QString& text, double low,
                     double high)
{
    auto* field = new TNumIO(parent);
    field->setObjectName(name);
    field->setGeometry(geometry);
    field->SetInputFormat(itDynamic);
    field->SetRangeLow(low);
    field->SetRangeHigh(high);
    field->SetDecPlaceSep(dsDot);
    field->SetFixPointDecPlaces(2);
    field->SetBeep(false);
    field->setText(text);
    return field;
}

QLineEdit* MakeCharField(QWidget* parent, const char* name, QRect geometry, const QString& text, TColor color)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setGeometry(geometry);
    field->setMaxLength(1);
    field->setText(text);
    SetBackground(field, ToQColor(color));
    return field;
}

QLabel* MakeLabel(QWidget* parent, const char* name, QRect geometry, const QString& caption,
                  Qt::Alignment alignment, bool wordWrap)
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setGeometry(geometry);
    label->setTextFormat(Qt::PlainText);
    label->setText(caption);
    label->setAlignment(alignment);
    label->setWordWrap(wordWrap);
    return label;
}

QPushButton* MakeBitmapButton(QWidget* parent, const char* name, QRect geometry, const QString& caption,
                              const QIcon& glyph)
{
    auto* button = new QPushButton(parent);
    button->setObjectName(name);
    button->setGeometry(geometry);
    button->setText(caption);
    button->setIcon(glyph);
    button->setIconSize(QSize(16, 16));
    return button;
}

} // namespace

TForm1::TForm1(QWidget* parent)
    : QWidget(parent)
    , m_modalRunner([](QDialog& dialog) { dialog.exec(); })
    , m_translator(QString())
{
    CreateControls();
    // Captions are translation keys; without a language file each shows without its prefix.
    m_translator.TranslateComponent(this);
    ConnectEvents();
}

TForm1::~TForm1() = default;

// The stored layout, control by control in the window's field order. Nothing is connected
// yet, so applying it fires no change events.
void TForm1::CreateControls()
{
    setObjectName("Form1");
    setWindowTitle("Direct Sequence CDMA");
    setFixedSize(ClientSize);
    setFont(PixelFont(FormFamilies, 13));
    setWindowIcon(DscdmaResources::applicationIcon());

    m_rca = CreateSignalChart(this, SignalChart::RCA);
    m_nioKeyA = MakeKeyField(this, "NIOKeyA", {96, 152, 33, 24}, "23", -1000000, 1000000);
    m_nioKeyA->SetColor(ToQColor(ChannelA));
    m_rcb = CreateSignalChart(this, SignalChart::RCB);
    m_rcc = CreateSignalChart(this, SignalChart::RCC);
    m_nioKeyB = MakeKeyField(this, "NIOKeyB", {96, 304, 33, 24}, "44", -1000000, 1000000);
    m_nioKeyB->SetColor(ToQColor(ChannelB));
    m_nioKeyD = MakeKeyField(this, "NIOKeyD", {104, 448, 33, 24}, "23", -1.7e308, 1.7e308);
    m_edTransA = MakeCharField(this, "EdTransA", {96, 64, 33, 24}, "Z", ChannelA);
    m_edTransB = MakeCharField(this, "EdTransB", {96, 216, 33, 24}, "W", ChannelB);

    m_sbarSpread = new QScrollBar(Qt::Horizontal, this);
    m_sbarSpread->setObjectName("SBarSpread");
    m_sbarSpread->setGeometry(24, 8, 121, 20);
    // The arrays hold 160 samples: the bar never offers more than 20 chips per bit.
    m_sbarSpread->setRange(MinSpreadFactor, MaxSpreadFactor);
    m_sbarSpread->setValue(8);
    m_sbarSpread->setPageStep(0);

    m_rcd = CreateSignalChart(this, SignalChart::RCD);

    m_lblResult = MakeLabel(this, "LblResult", {64, 624, 23, 38}, "A", Qt::AlignLeft | Qt::AlignTop, false);
    m_lblResult->setFont(PixelFont(ArialFamilies, 33, true));
    const Qt::Alignment rightTop = Qt::AlignRight | Qt::AlignTop;
    MakeLabel(this, "Label1", {7, 56, 82, 48}, "BF_Character to transmit on channel A", rightTop, true);
    MakeLabel(this, "Label2", {7, 200, 82, 48}, "BF_Character to transmit on channel B", rightTop, true);
    MakeLabel(this, "Label3", {19, 144, 73, 32}, "BF_Channel Number", rightTop, true);
    MakeLabel(this, "Label4", {19, 296, 73, 32}, "BF_Channel Number", rightTop, true);
    MakeLabel(this, "Label5", {21, 440, 79, 48}, "BF_Receiver Channel Number", rightTop, true);
    m_lblTransErr = MakeLabel(this, "LblTransErr", {16, 664, 121, 32}, "BF_Transmission Error",
                              Qt::AlignHCenter | Qt::AlignTop, true);
    m_lblTransErr->setFont(PixelFont(FormFamilies, 13, true));
    SetTextColor(m_lblTransErr, Qt::red);
    m_lblTransErr->hide();

    m_nlabPG = new TNumLab(this);
    m_nlabPG->setObjectName("NLabPG");
    m_nlabPG->setGeometry(168, 8, 169, 22);
    m_nlabPG->SetLeftText("BF_Processing Gain");
    m_nlabPG->SetLeftTextAlignment(TNumLab::taRightJustify);
    m_nlabPG->SetLeftSpace(108);
    m_nlabPG->SetLabelWidth(50);
    m_nlabPG->SetDisplayType(TNumLab::dtInt);
    m_nlabPG->SetValue(8);
    m_nlabPG->SetAlignment(TNumLab::taCenter);
    m_nlabPG->SetFrameStyle(TNumLab::fsLowered);
    m_nlabPG->SetColorScheme(TNumLab::csBWG);

    m_sbLabelsOnOff = new QToolButton(this);
    m_sbLabelsOnOff->setObjectName("SBLabelsOnOff");
    m_sbLabelsOnOff->setGeometry(488, 5, 137, 29);
    m_sbLabelsOnOff->setText("BF_Show Explanations");
    m_sbLabelsOnOff->setCheckable(true);
    m_sbLabelsOnOff->setChecked(false);
    m_sbLabelsOnOff->setFocusPolicy(Qt::NoFocus);

    MakeLabel(this, "Label6", {8, 608, 137, 16}, "BF_Received Character", Qt::AlignHCenter | Qt::AlignTop, false);
    m_bButAbout = MakeBitmapButton(this, "BButAbout", {632, 5, 137, 29}, "BF_About", DscdmaResources::aboutGlyph());
    m_bButExit = MakeBitmapButton(this, "BButExit", {776, 5, 137, 29}, "BF_Exit", DscdmaResources::exitGlyph());

    setTabOrder(m_nioKeyA, m_nioKeyB);
    setTabOrder(m_nioKeyB, m_nioKeyD);
    setTabOrder(m_nioKeyD, m_edTransA);
    setTabOrder(m_edTransA, m_edTransB);
    setTabOrder(m_edTransB, m_sbarSpread);
    setTabOrder(m_sbarSpread, m_bButAbout);
    setTabOrder(m_bButAbout, m_bButExit);

    m_view.RCA = &m_rca->Model();
    m_view.RCB = &m_rcb->Model();
    m_view.RCC = &m_rcc->Model();
    m_view.RCD = &m_rcd->Model();
    m_view.Translate = [this](const QString& key) { return m_translator.Translate(key); };
    m_view.ShowResult = [this](const std::string& text, bool ok) { ShowResult(text, ok); };
}

void TForm1::ConnectEvents()
{
    using ErrorReport::Guarded;
    auto change = Guarded([this] { EdTransAChange(); });
    connect(m_edTransA, &QLineEdit::textChanged, this, change);
    connect(m_edTransB, &QLineEdit::textChanged, this, change);
    for (TNumIO* key : {m_nioKeyA, m_nioKeyB, m_nioKeyD})
        connect(key, &TNumIO::OnChange, this, change);
    m_edTransA->installEventFilter(this);
    m_edTransB->installEventFilter(this);
    connect(m_sbarSpread, &QScrollBar::valueChanged, this, Guarded([this] { SBarSpreadChange(); }));
    connect(m_sbLabelsOnOff, &QToolButton::clicked, this, Guarded([this] { SBLabelsOnOffClick(); }));
    connect(m_bButAbout, &QPushButton::clicked, this, Guarded([this] { BButAboutClick(); }));
    connect(m_bButExit, &QPushButton::clicked, this, Guarded([this] { BButExitClick(); }));
}

void TForm1::SetDialogs(TFrmExplain* explain, TFrmAbout* about)
{
    m_frmExplain = explain;
    m_frmAbout = about;
}

void TForm1::SetModalRunner(std::function<void(QDialog&)> runner)
{
    m_modalRunner = std::move(runner);
}

void TForm1::UpdateSimulation()
{
    SimInput in;
    in.SetTextA(cp1252::Encode(m_edTransA->text()).toStdString());
    in.SetTextB(cp1252::Encode(m_edTransB->text()).toStdString());
    in.KeyA = m_nioKeyA->Value();
    in.KeyB = m_nioKeyB->Value();
    in.KeyRx = m_nioKeyD->Value();
    in.SpreadFactor = m_sbarSpread->value();
    // Throws before anything is drawn, so a failed run leaves the previous picture.
    const SimResult result = ComputeSignals(in);
    PlotSignals(result, m_sbLabelsOnOff->isChecked(), m_view);
    ++m_runs;
}

void TForm1::ShowResult(const std::string& recoveredText, bool ok)
{
    m_lblResult->setText(cp1252::Decode(QByteArray::fromStdString(recoveredText)));
    SetTextColor(m_lblResult, ok ? QColor(0, 128, 0) : QColor(255, 0, 0));
    m_lblTransErr->setVisible(!ok);
}

void TForm1::EdTransAChange()
{
    UpdateSimulation();
}

// The typed character, printable or not, replaces the field's text; a field holds one
// character, so the keystroke is not inserted again. Returns whether the key was taken.
bool TForm1::EdTransAKeyPress(QLineEdit* sender, const QString& typed)
{
    // What the 8-bit code page can hold is what the simulation sends.
    const QString text = cp1252::Decode(cp1252::Encode(typed.left(typed.at(0).isHighSurrogate() ? 2 : 1)));
    if (sender->text() != text)
        sender->setText(text);
    return true;
}

void TForm1::SBarSpreadChange()
{
    m_nlabPG->SetValue(m_sbarSpread->value());
    UpdateSimulation();
}

void TForm1::SBLabelsOnOffClick()
{
    UpdateSimulation();
    if (!m_frmExplain)
        return;
    m_frmExplain->setVisible(m_sbLabelsOnOff->isChecked());
    m_frmExplain->raise();
}

void TForm1::BButAboutClick()
{
    if (m_frmAbout)
        m_modalRunner(*m_frmAbout);
}

void TForm1::BButExitClick()
{
    close();
}

void TForm1::FormShow()
{
    if (m_frmAbout) {
        m_frmAbout->LblName()->setText("DS-CDMA");
        m_frmAbout->LblVersion()->setText("Version 1.0");
        m_frmAbout->setHomePageAddress(m_translator.Translate("HomePageURL"));
    }
    const QString language = m_translator.Translate("$dlglanguage$").toLower();
    if (m_frmAbout)
        m_translator.TranslateComponent(m_frmAbout);
    if (m_frmExplain)
        m_translator.TranslateComponent(m_frmExplain);
    if (m_frmAbout) {
        m_frmAbout->setLanguage(TFrmAbout::languageFromSetting(language));
        m_modalRunner(*m_frmAbout);
    }
    m_sbarSpread->setMaximum(MaxSpreadFactor);
    UpdateSimulation();
}

void TForm1::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    ErrorReport::Guarded([this] { FormShow(); })();
}

void TForm1::closeEvent(QCloseEvent* event)
{
    // The floating explanations window would otherwise keep the program alive.
    if (m_frmExplain)
        m_frmExplain->hide();
    event->accept();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && (watched == m_edTransA || watched == m_edTransB)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool typesCharacter = !key->text().isEmpty() && key->key() != Qt::Key_Delete
                                    && key->key() != Qt::Key_Tab && key->key() != Qt::Key_Backtab
                                    && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
        if (typesCharacter) {
            bool taken = false;
            ErrorReport::Guarded([&] { taken = EdTransAKeyPress(static_cast<QLineEdit*>(watched), key->text()); })();
            return taken;
        }
    }
    return QWidget::eventFilter(watched, event);
}

#include "app/mainfrm.h"

#include "app/AboutBox.h"
#include "app/appicon.h"
#include "app/errorreport.h"
#include "app/formtools.h"
#include "app/resources/dscdmaresources.h"
#include "app/signalchartwidget.h"
#include "app/startuplog.h"
#include "app/uexplain.h"
#include "core/i18n/itlfile.h"
#include "core/sim/abouttexts.h"
#include "core/sim/receivedcharacter.h"
#include "core/sim/signalmodel.h"
#include "core/sim/siminputs.h"
#include "i18n/cp1252.h"
#include "widgets/numio.h"
#include "widgets/numlab.h"
#include "widgets/qtconvert.h"
#include "widgets/rchart.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>

namespace {

using namespace formtools;
using namespace palette;

const QStringList FormFamilies = {"MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans", "Arial", "DejaVu Sans"};
const QStringList ArialFamilies = {"Arial", "Liberation Sans", "Arimo", "DejaVu Sans"};

// A key field with the stored rules and text of its input.
TNumIO* MakeKeyField(QWidget* parent, const char* name, QRect geometry, SimInputField input)
{
    const KeyFieldRules rules = KeyFieldRulesOf(input);
    auto* field = new TNumIO(parent);
    field->setObjectName(name);
    field->setGeometry(geometry);
    field->SetInputFormat(rules.InputFormat);
    field->SetRangeLow(rules.RangeLow);
    field->SetRangeHigh(rules.RangeHigh);
    field->SetDecPlaceSep(rules.DecPlaceSep);
    field->SetFixPointDecPlaces(rules.FixPointDecPlaces);
    field->SetBeep(rules.Beep);
    field->setText(cp1252::ToQString(SimInputRowOf(input).defaultText));
    return field;
}

QLineEdit* MakeCharField(QWidget* parent, const char* name, QRect geometry, SimInputField input, TColor color)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setGeometry(geometry);
    field->setMaxLength(1);
    field->setText(cp1252::ToQString(SimInputRowOf(input).defaultText));
    field->setCursorPosition(0);
    SetBackground(field, ToQColor(color));
    return field;
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
    // Return clicks the button that has the focus, as Space does.
    button->setAutoDefault(true);
    return button;
}

bool ItlTemplateRequested()
{
    const QByteArray value = qgetenv(TForm1::ItlTemplateVariable);
    return !value.isEmpty() && value != "0";
}

// Restored when minimised, raised and activated; a window not shown stays hidden.
void BringToFront(QWidget* window)
{
    if (!window || !window->isVisible())
        return;
    if (window->isMinimized())
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->raise();
    window->activateWindow();
}

QByteArray Shown(const QByteArray& text)
{
    return text.isEmpty() ? QByteArrayLiteral("(none)") : text;
}

const char* HandOverText(TkdbCustomDemon::THandOver handOver)
{
    switch (handOver) {
    case TkdbCustomDemon::THandOver::Handed:
        return "parameters handed over";
    case TkdbCustomDemon::THandOver::NoServer:
        return "nothing handed over, no server to find it through";
    case TkdbCustomDemon::THandOver::NotFound:
        return "nothing handed over, the server knows no running instance";
    case TkdbCustomDemon::THandOver::NotTaken:
        return "nothing handed over, it did not take the parameters";
    case TkdbCustomDemon::THandOver::None:
        break;
    }
    return "nothing to hand over";
}

} // namespace

TForm1::TForm1(QWidget* parent)
    : TForm1(TDemonSetup::FromApplication(), parent)
{
}

TForm1::TForm1(TDemonSetup setup, QWidget* parent)
    : QWidget(parent)
    , m_modalRunner([](QDialog& dialog) { dialog.exec(); })
{
    CreateControls(std::move(setup));
    // The layout is complete: the link registers, reads the language file and translates the
    // window, captions, screen-reader texts and all, then looks for a running instance.
    m_cliDemon->Loaded();
    qCDebug(lcStartup, "language file: %s", Shown(m_cliDemon->LanguageFile()).constData());
    if (m_cliDemon->EndRequested())
        qCDebug(lcStartup, "another instance runs: %s, ending", HandOverText(m_cliDemon->HandOver()));
    ConnectEvents();
}

TForm1::~TForm1() = default;

// The stored layout, control by control in the window's field order (the translator walks the
// controls in it). Nothing is connected yet, so applying it fires no change events.
void TForm1::CreateControls(TDemonSetup setup)
{
    setObjectName("Form1");
    setWindowTitle("Direct Sequence CDMA");
    setFixedSize(ClientSize);
    setFont(PixelFont(FormFamilies, 13));
    setWindowIcon(resources::applicationIcon());

    CreateChartsAndFields();
    CreateResultAndCaptions();
    CreateGainAndButtons();
    CreateLink(std::move(setup));
    ChainTabs();
    DescribeControls();

    m_view.RCA = &m_rca->Core();
    m_view.RCB = &m_rcb->Core();
    m_view.RCC = &m_rcc->Core();
    m_view.RCD = &m_rcd->Core();
    m_view.Translate = [this](const std::string& key) { return cp1252::FromQString(Translate(cp1252::ToQString(key))); };
    m_view.ShowResult = [this](const std::string& text, bool ok) { ShowResult(text, ok); };
}

// The four charts, the key and character fields and the spreading factor.
void TForm1::CreateChartsAndFields()
{
    m_rca = CreateSignalChart(this, SignalChart::RCA);
    m_nioKeyA = MakeKeyField(this, "NIOKeyA", {96, 152, 33, 24}, SimInputField::KeyA);
    m_nioKeyA->SetColor(ToQColor(ChannelA));
    m_rcb = CreateSignalChart(this, SignalChart::RCB);
    m_rcc = CreateSignalChart(this, SignalChart::RCC);
    m_nioKeyB = MakeKeyField(this, "NIOKeyB", {96, 304, 33, 24}, SimInputField::KeyB);
    m_nioKeyB->SetColor(ToQColor(ChannelB));
    m_nioKeyD = MakeKeyField(this, "NIOKeyD", {104, 448, 33, 24}, SimInputField::KeyRx);
    m_edTransA = MakeCharField(this, "EdTransA", {96, 64, 33, 24}, SimInputField::A, ChannelA);
    m_edTransB = MakeCharField(this, "EdTransB", {96, 216, 33, 24}, SimInputField::B, ChannelB);

    m_sbarSpread = new TScrollBar(Qt::Horizontal, this);
    m_sbarSpread->setObjectName("SBarSpread");
    m_sbarSpread->setGeometry(24, 8, 121, 20);
    // The arrays hold 160 samples: the bar never offers more than 20 chips per bit.
    const InputRow& spread = SimInputRowOf(SimInputField::Spread);
    m_sbarSpread->setRange(int(spread.low), int(spread.high));
    m_sbarSpread->setValue(DefaultSimFieldTexts().spread);
    // The layout's page size 0 is the size of the thumb; a click into the trough and the page
    // keys move by the large change, 1.
    m_sbarSpread->setPageStep(1);

    m_rcd = CreateSignalChart(this, SignalChart::RCD);
}

// The received character with its verdict, and the captions of the fields.
void TForm1::CreateResultAndCaptions()
{
    m_lblResult = MakeLabel<TAutoSizeLabel>(this, "LblResult", {64, 624, 23, 38}, "A", Qt::AlignLeft | Qt::AlignTop);
    m_lblResult->setFont(PixelFont(ArialFamilies, 33, true));
    m_lblResult->FitToText();
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
}

// The processing gain and the buttons of the top row, with the received character's caption,
// which the stored layout lists among them.
void TForm1::CreateGainAndButtons()
{
    m_nlabPG = new TNumLab(this);
    m_nlabPG->setObjectName("NLabPG");
    m_nlabPG->setGeometry(168, 8, 169, 22);
    m_nlabPG->SetLeftText("BF_Processing Gain");
    m_nlabPG->SetLeftTextAlignment(TNumLab::taRightJustify);
    m_nlabPG->SetLeftSpace(108);
    m_nlabPG->SetLabelWidth(50);
    m_nlabPG->SetDisplayType(TNumLab::dtInt);
    m_nlabPG->SetValue(m_sbarSpread->value());
    m_nlabPG->SetAlignment(TNumLab::taCenter);
    m_nlabPG->SetFrameStyle(TNumLab::fsLowered);
    m_nlabPG->SetColorScheme(TNumLab::csBWG);

    m_sbLabelsOnOff = new QToolButton(this);
    m_sbLabelsOnOff->setObjectName("SBLabelsOnOff");
    m_sbLabelsOnOff->setGeometry(488, 5, 137, 29);
    m_sbLabelsOnOff->setText("BF_Show Explanations");
    m_sbLabelsOnOff->setCheckable(true);
    m_sbLabelsOnOff->setChecked(false);
    // Reached by Tab only, so that clicking it leaves the focus where the user was typing.
    m_sbLabelsOnOff->setFocusPolicy(Qt::TabFocus);

    MakeLabel(this, "Label6", {8, 608, 137, 16}, "BF_Received Character", Qt::AlignHCenter | Qt::AlignTop, false);
    m_bButAbout = MakeBitmapButton(this, "BButAbout", {632, 5, 137, 29}, "BF_About", resources::aboutGlyph());
    m_bButExit = MakeBitmapButton(this, "BButExit", {776, 5, 137, 29}, "BF_Exit", resources::exitGlyph());
}

// The layout's tab order; the explanations button has none there and joins the chain where it
// sits on the top row, so that every action is reachable by keyboard.
void TForm1::ChainTabs()
{
    const QList<QWidget*> chain{m_nioKeyA, m_nioKeyB, m_nioKeyD, m_edTransA, m_edTransB,
                                m_sbarSpread, m_sbLabelsOnOff, m_bButAbout, m_bButExit};
    for (qsizetype i = 1; i < chain.size(); ++i)
        setTabOrder(chain[i - 1], chain[i]);
}

// The server link with its stored settings.
void TForm1::CreateLink(TDemonSetup setup)
{
    m_cliDemon = new TkdbDemonClient(this, std::move(setup));
    m_cliDemon->setObjectName("cliDemon");
    m_cliDemon->SetAutoTranslate(true);
    // Stored off; a translator turns it on for one run without touching the program.
    m_cliDemon->SetAutoCreateItlFile(ItlTemplateRequested());
    m_cliDemon->SetMultiStart(false);
    m_cliDemon->SetUseMarvolaServer(false);
    // Stored off, the program would never register with a server that started it, and a second
    // start from the textbook could not find the running one. A server window that the given
    // handle names is used; a stale handle is no error, the program then runs alone.
    const QByteArray handle = m_cliDemon->GetServerHandle();
    const bool serverFound = !handle.isEmpty() && m_cliDemon->ServerEntity().Handle != 0;
    if (serverFound)
        m_cliDemon->SetUseMarvolaServer(true);
    qCDebug(lcStartup, "server handle %s: %s", Shown(handle).constData(),
            serverFound ? "server found, using it" : "no server, running alone");
    m_cliDemon->SetOnParamsChange([this](QObject* sender) { cliDemonParamsChange(sender); });
}

QString TForm1::Translate(const QString& key, const QStringList& params) const
{
    if (m_cliDemon)
        return m_cliDemon->Translator()->Translate(key, params);
    std::vector<std::string> filled;
    for (const QString& p : params)
        filled.push_back(cp1252::FromQString(p));
    return cp1252::ToQString(itl::FillPlaceholders(cp1252::FromQString(key), filled));
}

// What a screen reader speaks: translation keys like the captions, so that the language file
// translates them too. A control without a name of its own is named by its caption.
void TForm1::DescribeControls()
{
    const QString keyDescription = "BF_A number that selects the chip sequence";
    const QString characterDescription = "BF_Type one character; it replaces the one shown";
    struct Spoken { QWidget* widget; const char* name; QString description; };
    const Spoken spoken[] = {
        {m_rca, "BF_Channel 1", "BF_Traces A to C: data bits, chip sequence and spread signal of channel 1"},
        {m_rcb, "BF_Channel 2", "BF_Traces D to F: data bits, chip sequence and spread signal of channel 2"},
        {m_rcc, "BF_Transmitted Composite Signal", "BF_Trace G: the sum of both spread signals, as sent on the channel"},
        {m_rcd, "BF_Recovered Signals",
         "BF_Traces H to K: receiver chips, despread signal, integral over each bit and recovered bits"},
        {m_nioKeyA, "BF_Channel Number of channel A", keyDescription},
        {m_nioKeyB, "BF_Channel Number of channel B", keyDescription},
        {m_nioKeyD, "BF_Receiver Channel Number", "BF_The receiver recovers the character of the channel with this number"},
        {m_edTransA, "BF_Character to transmit on channel A", characterDescription},
        {m_edTransB, "BF_Character to transmit on channel B", characterDescription},
        {m_sbarSpread, "BF_Spreading factor, 2 to 20", "BF_Chips per bit, shown as the processing gain"},
        {m_nlabPG, "BF_Processing Gain", QString::number(m_nlabPG->Value())},
        {m_lblResult, "BF_Received Character", QString()},
        {m_sbLabelsOnOff, nullptr, "BF_Labels every trace and opens a window that explains them"},
    };
    for (const Spoken& s : spoken) {
        if (s.name)
            s.widget->setAccessibleName(s.name);
        s.widget->setAccessibleDescription(s.description);
    }
    // The captions beside the fields label them for assistive technology as well.
    const std::pair<const char*, QWidget*> buddies[] = {
        {"Label1", m_edTransA}, {"Label2", m_edTransB}, {"Label3", m_nioKeyA}, {"Label4", m_nioKeyB}, {"Label5", m_nioKeyD},
    };
    for (const auto& [label, field] : buddies)
        findChild<QLabel*>(label)->setBuddy(field);
}

void TForm1::ConnectEvents()
{
    using errorreport::Guarded;
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
    SimFieldTexts texts;
    texts.a = cp1252::Encode(m_edTransA->text()).toStdString();
    texts.b = cp1252::Encode(m_edTransB->text()).toStdString();
    texts.keyA = cp1252::FromQStringUnits(m_nioKeyA->text());
    texts.keyB = cp1252::FromQStringUnits(m_nioKeyB->text());
    texts.keyRx = cp1252::FromQStringUnits(m_nioKeyD->text());
    texts.spread = m_sbarSpread->value();
    // Throws before anything is drawn, so a failed run leaves the previous picture.
    const SimResult result = ComputeSignals(ReadSimInput(texts));
    PlotSignals(result, m_sbLabelsOnOff->isChecked(), m_view);
    ++m_runs;
}

void TForm1::ShowResult(const std::string& recoveredText, bool ok)
{
    const unsigned char byte = recoveredText.empty() ? 0 : static_cast<unsigned char>(recoveredText[0]);
    // A byte without a printable character by its name, which the label's own font draws: a
    // font that claims the control characters changes neither the label's look nor its size.
    m_lblResult->SetCaption(cp1252::ToQString(ShownReceivedCharacter(byte)));
    SetTextColor(m_lblResult, ok ? QColor(0, 128, 0) : QColor(255, 0, 0));
    m_lblTransErr->setVisible(!ok);
    // Spoken, and so announced, only when it changes.
    const auto translate = [this](const std::string& key, const std::vector<std::string>& params) {
        QStringList filled;
        for (const std::string& p : params)
            filled << cp1252::ToQString(p);
        return cp1252::FromQString(Translate(cp1252::ToQString(key), filled));
    };
    SetSpokenName(m_lblResult, cp1252::ToQString(SpokenReceivedCharacter(byte, translate)));
    SetSpokenDescription(m_lblResult, Translate(ok ? "received correctly" : "Transmission Error"));
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
    if (sender->text() != text) {
        sender->setText(text);
        // An edit whose text is set has its caret at the start, so that Delete then empties it.
        sender->setCursorPosition(0);
    }
    return true;
}

void TForm1::SBarSpreadChange()
{
    m_nlabPG->SetValue(m_sbarSpread->value());
    SetSpokenDescription(m_nlabPG, QString::number(m_nlabPG->Value()));
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

// The first-show sequence. An error in it reaches the error report and ends it there; the
// spreading-factor limit is in force from the start all the same.
void TForm1::FormShow()
{
    if (!m_cliDemon)
        return;
    const QString iconName = Translate("AppIconName");
    const QString workArea = QFile::decodeName(m_cliDemon->GetVariable("MarvolaWorkArea"));
    if (iconName != QLatin1String("AppIconName"))
        LoadAppIcon(iconName, workArea);

    if (m_frmAbout) {
        m_frmAbout->LblName()->setText(QString::fromUtf8(about::ProgramName()));
        m_frmAbout->LblVersion()->setText(QString::fromUtf8(about::VersionText()));
    }
    const QString homePage = Translate("HomePageURL");
    if (m_frmAbout)
        m_frmAbout->setHomePageAddress(homePage);
    // Only 'A' to 'Z' fold, as everywhere in language files.
    const TFrmAbout::Language language = TFrmAbout::languageFromSetting(Translate("$dlglanguage$"));
    TBabelfish2000* translator = m_cliDemon->Translator();
    if (m_frmAbout)
        translator->TranslateComponent(m_frmAbout);
    if (m_frmExplain)
        translator->TranslateComponent(m_frmExplain);
    if (m_frmAbout) {
        // Already translated: the language only chooses between the two built-in versions.
        m_frmAbout->setLanguage(language);
        qCDebug(lcStartup, "About box shown, %s, home page %s",
                language == TFrmAbout::Language::German ? "German" : "English", qUtf8Printable(homePage));
        m_modalRunner(*m_frmAbout);
    }
    // A quit from the server while the box was up has ended the link, and the program ends.
    if (!m_cliDemon)
        return;
    m_sbarSpread->setMaximum(int(SimInputRowOf(SimInputField::Spread).high));
    UpdateSimulation();
}

// The icon that the language file names: fetched from a server into the work area, then loaded
// from there. A name that would lead out of the work area is skipped like a missing file.
void TForm1::LoadAppIcon(const QString& iconName, QString workArea)
{
    if (!appicon::IsBareFileName(iconName) || workArea.isEmpty()) {
        qCDebug(lcStartup, "icon %s skipped: no bare file name, or no work area", qUtf8Printable(iconName));
        return;
    }
    if (!workArea.endsWith(u'/'))
        workArea += u'/';
    const QString path = workArea + iconName;
    if (m_cliDemon->UseMarvolaServer()) {
        const std::unique_ptr<QBuffer> stream = m_cliDemon->GetFileStream(cp1252::Encode(iconName));
        if (stream && stream->size() > 0) {
            appicon::Save(path, stream->data());
            qCDebug(lcStartup, "icon saved: %s", qUtf8Printable(path));
        }
    }
    if (!QFileInfo::exists(path)) {
        qCDebug(lcStartup, "icon %s: no such file", qUtf8Printable(path));
        return;
    }
    const QIcon icon = appicon::Load(path);
    QApplication::setWindowIcon(icon);
    setWindowIcon(icon);
    if (m_frmAbout)
        m_frmAbout->setWindowIcon(icon);
    qCDebug(lcStartup, "icon loaded: %s", qUtf8Printable(path));
}

// A second start from the textbook, or the server itself, sent new parameters: the running
// program comes to the front. The parameters themselves are not used.
void TForm1::cliDemonParamsChange(QObject*)
{
    BringToFront(this);
    BringToFront(m_frmExplain);
    // A modal box stays in front of the window it blocks.
    BringToFront(m_frmAbout);
    if (m_cliDemon)
        qCDebug(lcStartup, "brought to the front, parameters: %s", m_cliDemon->Params().join(' ').constData());
}

void TForm1::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    qCDebug(lcStartup, "main window shown");
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    errorreport::Guarded([this] { FormShow(); })();
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
            errorreport::Guarded([&] { taken = EdTransAKeyPress(static_cast<QLineEdit*>(watched), key->text()); })();
            return taken;
        }
    }
    return QWidget::eventFilter(watched, event);
}

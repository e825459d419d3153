#pragma once

#include "app/autosizelabel.h"
#include "app/scrollbar.h"
#include "core/sim/plotsignals.h"
#include "link/MarvolaDemon.h"

#include <QPointer>
#include <QWidget>

#include <functional>

class QDialog;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class TFrmAbout;
class TFrmExplain;
class TNumIO;
class TNumLab;
class TRChart;

// The simulation's only interactive window: the inputs of both transmitters and the receiver,
// the spreading factor, the four charts and the received character. Every change of an input
// recomputes and redraws everything.
//
// The window owns the server link cliDemon. The link is made while the layout is applied and
// loaded once it is complete: it registers with a teaching server, reads the language file and
// translates the window, then looks for a running instance (EndRequested then says that the
// program must end at once). A quit from the server destroys the link, and cliDemon() turns
// null; the program then ends.
class TForm1 : public QWidget
{
    Q_OBJECT

public:
    static constexpr QSize ClientSize{931, 709};
    // Set to 1 (anything but empty or 0), this variable has the program write a template
    // language file with every key it used when it ends: the link's AutoCreateItlFile for one run.
    static constexpr char ItlTemplateVariable[] = "DSCDMA_ITL_TEMPLATE";

    // The link takes the running program's file, arguments and locale.
    explicit TForm1(QWidget* parent = nullptr);
    // The link's surroundings given, as tests and other hosts do. Raises what the link raises.
    explicit TForm1(TDemonSetup setup, QWidget* parent = nullptr);
    ~TForm1() override;

    // The dialogs live beside the main window for the whole program; FormShow fills and shows them.
    void SetDialogs(TFrmExplain* explain, TFrmAbout* about);
    // Runs a dialog modally; tests replace QDialog::exec.
    void SetModalRunner(std::function<void(QDialog&)> runner);

    TRChart* RCA() const { return m_rca; }
    TRChart* RCB() const { return m_rcb; }
    TRChart* RCC() const { return m_rcc; }
    TRChart* RCD() const { return m_rcd; }
    TNumIO* NIOKeyA() const { return m_nioKeyA; }
    TNumIO* NIOKeyB() const { return m_nioKeyB; }
    TNumIO* NIOKeyD() const { return m_nioKeyD; }
    QLineEdit* EdTransA() const { return m_edTransA; }
    QLineEdit* EdTransB() const { return m_edTransB; }
    TScrollBar* SBarSpread() const { return m_sbarSpread; }
    TAutoSizeLabel* LblResult() const { return m_lblResult; }
    QLabel* LblTransErr() const { return m_lblTransErr; }
    TNumLab* NLabPG() const { return m_nlabPG; }
    QToolButton* SBLabelsOnOff() const { return m_sbLabelsOnOff; }
    QPushButton* BButAbout() const { return m_bButAbout; }
    QPushButton* BButExit() const { return m_bButExit; }
    // The server link; null once a quit from the server has ended it.
    TkdbDemonClient* cliDemon() const { return m_cliDemon; }
    // The text of a key from the link's translator; once the link is gone, the key itself.
    QString Translate(const QString& key, const QStringList& params = {}) const;

    // Reads the inputs from the controls, computes every signal and redraws the charts.
    void UpdateSimulation();
    // How many runs have completed; lets tests see that an edit recomputed exactly once.
    int SimulationRuns() const { return m_runs; }

    // Event handlers.
    void EdTransAChange();
    bool EdTransAKeyPress(QLineEdit* sender, const QString& typed);
    void SBarSpreadChange();
    void SBLabelsOnOffClick();
    void BButAboutClick();
    void BButExitClick();
    void FormShow();
    void cliDemonParamsChange(QObject* sender);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls(TDemonSetup setup);
    void CreateChartsAndFields();
    void CreateResultAndCaptions();
    void CreateGainAndButtons();
    void ChainTabs();
    void CreateLink(TDemonSetup setup);
    void DescribeControls();
    void LoadAppIcon(const QString& iconName, QString workArea);
    void ConnectEvents();
    void ShowResult(const std::string& recoveredText, bool ok);

    TRChart* m_rca = nullptr;
    TNumIO* m_nioKeyA = nullptr;
    TRChart* m_rcb = nullptr;
    TRChart* m_rcc = nullptr;
    TNumIO* m_nioKeyB = nullptr;
    TNumIO* m_nioKeyD = nullptr;
    QLineEdit* m_edTransA = nullptr;
    QLineEdit* m_edTransB = nullptr;
    TScrollBar* m_sbarSpread = nullptr;
    TRChart* m_rcd = nullptr;
    TAutoSizeLabel* m_lblResult = nullptr;
    QLabel* m_lblTransErr = nullptr;
    TNumLab* m_nlabPG = nullptr;
    QToolButton* m_sbLabelsOnOff = nullptr;
    QPushButton* m_bButAbout = nullptr;
    QPushButton* m_bButExit = nullptr;

    TFrmExplain* m_frmExplain = nullptr;
    TFrmAbout* m_frmAbout = nullptr;
    std::function<void(QDialog&)> m_modalRunner;
    QPointer<TkdbDemonClient> m_cliDemon;
    TSignalView m_view;
    bool m_shown = false;
    int m_runs = 0;
};

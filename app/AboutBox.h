#pragma once

#include "app/bevelpanel.h"
#include "app/clicklabel.h"

#include <QDialog>
#include <QLabel>
#include <QString>
#include <QUrl>

#include <functional>
#include <vector>

class QPushButton;

// The About box: program name, version, rights notice, a description in English or German and
// two web links that turn red under the mouse. The main window fills the name, version,
// description, lead-in and home-page address once at start-up and shows the box modally.
class TFrmAbout : public QDialog
{
    Q_OBJECT

public:
    enum class Language { English, German };
    // Hands an address to the desktop; the result is not looked at.
    using UrlOpener = std::function<void(const QString& address)>;

    static constexpr QSize ClientSize{543, 332};

    explicit TFrmAbout(QWidget* parent = nullptr);

    QWidget* Panel1() const { return m_panel1; }
    QLabel* LblName() const { return m_lblName; }
    QLabel* LblVersion() const { return m_lblVersion; }
    QLabel* LblAuthor() const { return m_lblAuthor; }
    QLabel* LblCopyright() const { return m_lblCopyright; }
    QLabel* LblDescription() const { return m_lblDescription; }
    TBevelPanel* Panel2() const { return m_panel2; }
    QLabel* LblWebSite() const { return m_lblWebSite; }
    TClickLabel* LblHomePage() const { return m_lblHomePage; }
    TClickLabel* LblSimus() const { return m_lblSimus; }
    QPushButton* BButOK() const { return m_bButOK; }

    // The address behind LblHomePage; without a language file the caller passes the key text.
    const QString& homePageAddress() const { return m_homePageAddress; }
    void setHomePageAddress(const QString& address) { m_homePageAddress = address; }

    // Fills LblWebSite and LblDescription with the built-in texts of the language.
    void setLanguage(Language language);
    // The language setting of a language file ("$dlglanguage$"): "lggerman" in any letter case
    // is German, everything else English.
    static Language languageFromSetting(const QString& setting);
    static QString webSiteText(Language language);
    static QString descriptionText(Language language);

    static QString copyrightText();
    // The team's collection of simulations, shown and opened by LblSimus.
    static QString simulationsAddress();

    // Replaces the desktop's default action, for tests and for hosts that open links themselves.
    void setUrlOpener(UrlOpener opener);
    // What the desktop is asked to open for an address: a bare host name such as
    // "www.example.org/x" gets "http://"; text that names no resource gives an empty URL, which
    // is not opened, since the desktop would only fail on it.
    static QUrl urlForAddress(const QString& address);

    // Event handlers.
    void FormShow();
    void LblHomePageClick();
    void LblSimusClick();
    void LblHomePageMouseMove();
    void LblSimusMouseMove();
    void Panel2MouseMove();
    void BButOKClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The parts of the box, created in the order of its stored layout.
    void createTitlePanel();
    void createDescription();
    void createLinkPanel();
    TClickLabel* createLink(const char* name, const QRect& geometry, const QString& text);
    void createOkButton();
    void openAddress(const QString& address);
    void fitLabels();

    struct LabelDesign
    {
        QLabel* label;
        QFont font;
        int height;
    };

    TBevelPanel* m_panel1 = nullptr;
    QLabel* m_lblName = nullptr;
    QLabel* m_lblVersion = nullptr;
    QLabel* m_lblAuthor = nullptr;
    QLabel* m_lblCopyright = nullptr;
    QLabel* m_lblDescription = nullptr;
    TBevelPanel* m_panel2 = nullptr;
    QLabel* m_lblWebSite = nullptr;
    TClickLabel* m_lblHomePage = nullptr;
    TClickLabel* m_lblSimus = nullptr;
    QPushButton* m_bButOK = nullptr;

    std::vector<LabelDesign> m_labelDesigns;
    QString m_homePageAddress;
    UrlOpener m_urlOpener;
};

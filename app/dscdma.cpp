#include "AboutBox.h"
#include "errorreport.h"
#include "mainfrm.h"
#include "resources/dscdmaresources.h"
#include "uexplain.h"

#include <QMessageBox>

#include <memory>

int main(int argc, char** argv)
{
    TApplication app(argc, argv);
    QApplication::setApplicationName("dscdma");
    QApplication::setApplicationDisplayName("DS-CDMA");
    QGuiApplication::setDesktopFileName("org.dscdma.DSCDMA");
    QApplication::setWindowIcon(DscdmaResources::applicationIcon());

    // The three windows live until the program ends; the first is the main window.
    std::unique_ptr<TForm1> Form1;
    try {
        Form1 = std::make_unique<TForm1>();
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, QApplication::applicationDisplayName(), QString::fromLocal8Bit(e.what()));
        return 1;
    }
    TFrmExplain FrmExplain;
    TFrmAbout FrmAbout;
    FrmExplain.setAttribute(Qt::WA_QuitOnClose, false);
    FrmAbout.setAttribute(Qt::WA_QuitOnClose, false);
    Form1->SetDialogs(&FrmExplain, &FrmAbout);

    Form1->show();
    return app.exec();
}

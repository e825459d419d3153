#include "AboutBox.h"
#include "errorreport.h"
#include "mainfrm.h"
#include "uexplain.h"

#include <memory>

int main(int argc, char** argv)
{
    TApplication app(argc, argv);

    // The three windows live until the program ends; the first is the main window.
    std::unique_ptr<TForm1> Form1;
    try {
        Form1 = std::make_unique<TForm1>();
    } catch (const std::exception& e) {
        ErrorReport::Show(e);
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

#include "app/AboutBox.h"
#include "app/errorreport.h"
#include "app/mainfrm.h"
#include "app/uexplain.h"

#include <memory>

int main(int argc, char** argv)
{
    // The parameters are every argument as given, as bytes: kept before the application object
    // takes its own options out and decodes the rest.
    TDemonSetup::KeepCommandLine(argc, argv);
    TApplication app(argc, argv);

    // The three windows live until the program ends; the first is the main window. Its server
    // link is loaded while it is made.
    std::unique_ptr<TForm1> Form1;
    try {
        Form1 = std::make_unique<TForm1>();
    } catch (const EQuitAccepted&) {
        return 0; // the server ended the program while it started
    } catch (const std::exception& e) {
        errorreport::Show(e);
        return 1;
    }
    // Another instance runs and has been handed the parameters: no window shows.
    if (Form1->cliDemon()->EndRequested())
        return 0;
    TFrmExplain FrmExplain;
    TFrmAbout FrmAbout;
    FrmExplain.setAttribute(Qt::WA_QuitOnClose, false);
    FrmAbout.setAttribute(Qt::WA_QuitOnClose, false);
    Form1->SetDialogs(&FrmExplain, &FrmAbout);

    Form1->show();
    // A quit from the server while the About box was up at first show ended the link, and with
    // it the program; the event loop that the link stopped was the box's. A quit inside one of
    // the first show's queries ended the first show there.
    if (!Form1->cliDemon() || Form1->cliDemon()->QuitAccepted())
        return 0;
    return app.exec();
}

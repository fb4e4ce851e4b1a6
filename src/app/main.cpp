#include "Dialogs.h"
#include "TApplication.h"
#include "TComboBox.h"
#include "TFormMain.h"
#include "TFormSignale.h"

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    TFormMain main;
    TFormSignale signale;
    ConnectSignalEditor(main, signale);
    main.show();
    return app.exec();
}

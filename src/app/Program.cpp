#include "Program.h"

#include "MainInstrument.h"
#include "TApplication.h"
#include "TFormMain.h"
#include "TFormSignale.h"

int RunKurvimat(int argc, char** argv,
                const std::function<std::shared_ptr<HidPlatform>()>& makePlatform) {
    TApplication app(argc, argv);
    TFormMain main;
    TFormSignale signale;
    ConnectSignalEditor(main, signale);
    TInstrumentLink link(main, makePlatform());
    main.show();
    const int code = app.exec();
    // The controller unplugs its devices through the main window's handlers.
    link.Shutdown();
    return code;
}

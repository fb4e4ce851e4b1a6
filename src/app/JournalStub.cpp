// Stands in for the run list's journal until it lands.
#include "TFormMain.h"

#include "Clock.h"
#include "Journal.h"

#include <cstdlib>
#include <memory>

kurvimat::session::Journal& TFormMain::SessionJournal() {
    static kurvimat::session::SystemClock clock;
    static std::unique_ptr<kurvimat::session::Journal> journal;
    static QByteArray named;
    // A test that names another folder gets a journal there. Read without allocating: the
    // window asks for the journal with every report.
    const char* env = std::getenv("KURVIMAT_DATA_DIR");
    if (!env) env = "";
    if (!journal || named != env) {
        named = env;
        journal.reset();
        journal = std::make_unique<kurvimat::session::Journal>(
            named.isEmpty() ? kurvimat::session::Journal::defaultFolder()
                            : QString::fromLocal8Bit(named),
            clock);
    }
    return *journal;
}

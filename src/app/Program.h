// The program's start, shared by the real-instrument and the demo executable.
#pragma once

#include <functional>
#include <memory>

class HidPlatform;
class QTranslator;

/// Loads Qt's German translation of the toolkit's own texts (message box buttons, file
/// dialogs) into translator and installs it in the application. False when it is missing.
bool InstallToolkitGerman(QTranslator& translator);

/// Creates the application and its windows on the HID service `makePlatform` returns, runs
/// the event loop and returns its exit code. The platform is made after the application.
int RunKurvimat(int argc, char** argv,
                const std::function<std::shared_ptr<HidPlatform>()>& makePlatform);

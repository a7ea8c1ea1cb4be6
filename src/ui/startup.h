#pragma once
// Main: the program's start-up sequence, from the settings files to the running window.

#include <functional>
#include <memory>

namespace kestrova {

struct PrintServer;
class MainWindow;

using MainWindowFactory = std::function<std::unique_ptr<MainWindow>(PrintServer&)>;

// Reads the settings and caption files into the server's configuration, creates and loads the
// main window, shows it and minimizes it. A failure is logged under "MAIN", the preferences
// dialog lets the user correct the settings and the user is asked to restart; the result is
// then the window if one was made, else null.
std::unique_ptr<MainWindow> Main(PrintServer& server, const MainWindowFactory& makeWindow = {});

} // namespace kestrova

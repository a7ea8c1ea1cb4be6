#include "ui_test_support.h"

#include "core/configuration.h"
#include "core/settings_files.h"
#include "startup/print_server.h"
#include "ui/main_window.h"
#include "ui/preferences_dialog.h"
#include "ui/startup.h"

#include <QApplication>

namespace kestrova::test {

PreferencesAnswer::PreferencesAnswer(std::function<void(PreferencesDialog&)> answer)
    : answer_(std::move(answer))
{
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        auto* dialog = qobject_cast<PreferencesDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        timer_.stop();
        ++answered_;
        answer_(*dialog);
        if (dialog->isVisible()) {
            leftOpen_ = true;
            dialog->reject();
        }
    });
    timer_.start();
}

std::unique_ptr<MainWindow> startMainWindow(PrintServer& server, bool trayAvailable)
{
    return Main(server, [trayAvailable](PrintServer& server) {
        auto window = std::make_unique<MainWindow>(server);
        window->setTrayAvailability([trayAvailable] { return trayAvailable; });
        return window;
    });
}

UiTest::UiTest()
    : port(freePort())
{
    writeSettings();
}

void UiTest::writeSettings()
{
    writeFile(folder / "Kestrova.ini", "[Kestrova]\r\nAETName=WARD3\r\nPort=" + std::to_string(port) + "\r\n");
    configuration = {};
    ReadSettings(configuration.settings);
    ReadHeader(configuration);
}

} // namespace kestrova::test

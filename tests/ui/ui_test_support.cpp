#include "ui_test_support.h"

#include "core/configuration.h"
#include "core/settings_files.h"
#include "ui/preferences_dialog.h"

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

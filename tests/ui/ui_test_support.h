#pragma once
// What the window tests share: scripted answers to message boxes and platform dialogs,
// answering the modal preferences dialog, and a program folder with settings of its own.

#include "core/configuration.h"
#include "support/event_loop.h"
#include "support/temp_folder.h"
#include "ui/user_dialogs.h"

#include <gtest/gtest.h>

#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kestrova {
class MainWindow;
class PreferencesDialog;
class PrintServer;
}

namespace kestrova::test {

struct ShownMessage {
    QString text;
    QString title;
    QMessageBox::Icon icon;
};

class ScriptedDialogs : public UserDialogs {
public:
    void showMessage(const QString& text, const QString& title, QMessageBox::Icon icon) override
    {
        messages.push_back({text, title, icon});
    }
    std::optional<QFont> chooseFont(const QFont& current) override
    {
        fontAsked = current;
        return fontAnswer;
    }
    std::optional<QString> chooseOpenFile(const QString& filter) override
    {
        filterAsked = filter;
        return fileAnswer;
    }

    std::vector<ShownMessage> messages;
    std::optional<QFont> fontAnswer;
    std::optional<QFont> fontAsked;
    std::optional<QString> fileAnswer;
    std::optional<QString> filterAsked;
};

// Answers the preferences dialog the next time it is shown modally. The answer must close
// it; a dialog still open afterwards is cancelled and counted as a failure.
class PreferencesAnswer {
public:
    explicit PreferencesAnswer(std::function<void(PreferencesDialog&)> answer);
    int timesAnswered() const { return answered_; }
    bool leftOpen() const { return leftOpen_; }

private:
    std::function<void(PreferencesDialog&)> answer_;
    QTimer timer_;
    int answered_ = 0;
    bool leftOpen_ = false;
};

// The control of that object name, as a user finds it by sight; throws when there is none.
template <typename Control>
Control& control(const QObject& window, const char* objectName)
{
    auto* found = window.findChild<Control*>(QString::fromLatin1(objectName));
    if (!found)
        throw std::runtime_error(std::string("no control named ") + objectName);
    return *found;
}

// Starts the program as its main does, on a desktop with or without a system tray (the tray is
// decided before the window minimizes itself); null when the start-up failed.
std::unique_ptr<MainWindow> startMainWindow(PrintServer& server, bool trayAvailable);

// A fresh program folder whose Kestrova.ini holds only an AE title and a free port, so
// every other setting takes its default; the settings and captions are read from it.
class UiTest : public ::testing::Test {
protected:
    UiTest();

    void writeSettings();

    TempProgramFolder folder;
    Configuration configuration;
    ScriptedDialogs dialogs;
    int port;

private:
    UserDialogsOverride dialogsInPlace_{dialogs};
};

} // namespace kestrova::test

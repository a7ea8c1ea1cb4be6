#include "ui_test_support.h"

#include "core/global_settings.h"
#include "core/settings_files.h"
#include "ui/preferences_dialog.h"

#include <QApplication>
#include <QTcpServer>
#include <QTcpSocket>

#include <filesystem>

namespace kestrova::test {

void ScriptedDialogs::showMessage(const QString& text, const QString& title, QMessageBox::Icon icon)
{
    messages.push_back({text, title, icon});
}

std::optional<QFont> ScriptedDialogs::chooseFont(const QFont& current)
{
    fontAsked = current;
    return fontAnswer;
}

std::optional<QString> ScriptedDialogs::chooseOpenFile(const QString& filter)
{
    filterAsked = filter;
    return fileAnswer;
}

PreferencesAnswer::PreferencesAnswer(std::function<void(fPref&)> answer)
    : answer_(std::move(answer))
{
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
    timer_.start();
}

void PreferencesAnswer::poll()
{
    auto* dialog = qobject_cast<fPref*>(QApplication::activeModalWidget());
    if (!dialog)
        return;
    timer_.stop();
    ++answered_;
    answer_(*dialog);
    if (dialog->isVisible()) {
        leftOpen_ = true;
        dialog->reject();
    }
}

int freeLoopbackPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        throw std::runtime_error("no free loopback port");
    return probe.serverPort();
}

bool acceptsConnections(int port)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
    const bool connected = socket.waitForConnected(5000);
    socket.abort();
    return connected;
}

UiTest::UiTest()
    : port(freeLoopbackPort())
{
    writeSettingsPort(port);
    loadSettingsFiles();
}

UiTest::~UiTest()
{
    GlobalSettings = {};
    HeaderLeftLines.reset();
    HeaderRightLines.reset();
}

void UiTest::writeSettingsPort(int newPort)
{
    writeFile(folder / "Kestrova.ini", "[Kestrova]\r\nPort=" + std::to_string(newPort) + "\r\n");
}

void UiTest::loadSettingsFiles()
{
    GlobalSettings = {};
    HeaderLeftLines.reset();
    HeaderRightLines.reset();
    ReadSettings();
    ReadHeader();
}

std::string UiTest::errorLog() const
{
    const auto file = folder / "Logs" / "Error.log";
    return std::filesystem::exists(file) ? readFile(file) : std::string();
}

} // namespace kestrova::test

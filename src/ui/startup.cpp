#include "ui/startup.h"

#include "core/error_log.h"
#include "core/errors.h"
#include "core/configuration.h"
#include "core/program_folder.h"
#include "print_service/print_service.h"
#include "startup/print_server.h"
#include "startup/startup_sequence.h"
#include "network/dicom_log.h"
#include "ui/local_text.h"
#include "ui/main_window.h"
#include "ui/preferences_dialog.h"
#include "ui/user_dialogs.h"

namespace kestrova {
namespace {

void showStartFailure(PrintServer& server, MainWindow* window)
{
    const ErrorInfo error = currentErrorInfo();
    LogError(error.number, error.description, "MAIN");
    if (window) {
        window->preferences().showModal();
    } else {
        // No main window means no DICOM log to show; the dialog still needs one to set.
        DicomLog unusedLog;
        PreferencesDialog dialog(server.configuration, unusedLog, server.printers);
        dialog.showModal();
    }
    userDialogs().showMessage(QStringLiteral("Please restart Kestrova"), toQString(ProductName), QMessageBox::Critical);
}

} // namespace

std::unique_ptr<MainWindow> Main(PrintServer& server, const MainWindowFactory& makeWindow)
{
    std::unique_ptr<MainWindow> window;
    try {
        StartUp(server.configuration, [&] {
            window = makeWindow ? makeWindow(server) : std::make_unique<MainWindow>(server);
            if (!window)
                raise(ErrorCode::ObjectNotSet);
        });
        window->service().log().append(LogCategory::Associations, "Program folder: " + ProgramFolder().string());
        server.statusPage.start(server.configuration.statusPage);
        window->show();
        window->setWindowState(window->windowState() | Qt::WindowMinimized);
    } catch (...) {
        showStartFailure(server, window.get());
    }
    return window;
}

} // namespace kestrova

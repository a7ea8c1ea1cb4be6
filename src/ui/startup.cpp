#include "ui/startup.h"

#include "core/error_log.h"
#include "core/errors.h"
#include "core/configuration.h"
#include "core/program_folder.h"
#include "print_service/print_service.h"
#include "startup/startup_sequence.h"
#include "network/dicom_log.h"
#include "ui/local_text.h"
#include "ui/main_window.h"
#include "ui/preferences_dialog.h"
#include "ui/user_dialogs.h"

namespace kestrova {
namespace {

std::unique_ptr<MainWindow> makeMainWindow(Configuration& configuration, const PrinterCatalogue& printers)
{
    return std::make_unique<MainWindow>(configuration, printers);
}

void showStartFailure(Configuration& configuration, const PrinterCatalogue& printers, MainWindow* window)
{
    const ErrorInfo error = currentErrorInfo();
    LogError(error.number, error.description, "MAIN");
    if (window) {
        window->preferences().showModal();
    } else {
        // No main window means no DICOM log to show; the dialog still needs one to set.
        DicomLog unusedLog;
        PreferencesDialog dialog(configuration, unusedLog, printers);
        dialog.showModal();
    }
    userDialogs().showMessage(QStringLiteral("Please restart Kestrova"), toQString(ProductName), QMessageBox::Critical);
}

} // namespace

std::unique_ptr<MainWindow> Main(Configuration& configuration, const PrinterCatalogue& printers, const MainWindowFactory& makeWindow)
{
    std::unique_ptr<MainWindow> window;
    try {
        StartUp(configuration, [&] {
            window = makeWindow ? makeWindow(configuration, printers) : makeMainWindow(configuration, printers);
            if (!window)
                raise(ErrorCode::ObjectNotSet);
        });
        window->service().log().append(LogCategory::Associations, "Program folder: " + ProgramFolder().string());
        window->show();
        window->setWindowState(window->windowState() | Qt::WindowMinimized);
    } catch (...) {
        showStartFailure(configuration, printers, window.get());
    }
    return window;
}

} // namespace kestrova

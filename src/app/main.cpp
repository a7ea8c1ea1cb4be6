// kestrova: the DICOM print server's desktop program. Start-up only; the program then
// lives in its window and tray icon.

#include "printing/qt_printer_device.h"
#include "ui/main_window.h"
#include "ui/startup.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // The window hides into the tray and dialogs come and go; the program ends only by
    // Exit or by closing the main window.
    QApplication::setQuitOnLastWindowClosed(false);

    kestrova::QtPrinterDevice printer;
    const std::unique_ptr<kestrova::fKestrova> window = kestrova::Main(printer);
    if (!window)
        return 0;
    return QApplication::exec();
}

#include "print_service/print_service.h"
#include "printing/qt_printer_device.h"
#include "toolkit/dicom_log.h"
#include "ui/main_window.h"
#include "ui/startup.h"
#include "ui_test_support.h"

#include <gtest/gtest.h>

namespace kestrova::test {
namespace {

class StartupFolderTest : public UiTest {
protected:
    QtPrinterDevice printer;
};

TEST_F(StartupFolderTest, TheDicomLogSaysOnceWhichFolderIsInUse)
{
    const auto window = Main(printer);
    ASSERT_TRUE(window);
    const std::string log = window->service().log().text(window->service().log().entryCount());
    const std::string line = "Program folder: " + folder.path().string();
    const auto first = log.find(line);
    ASSERT_NE(first, std::string::npos) << log;
    EXPECT_EQ(log.find(line, first + 1), std::string::npos) << log;
    EXPECT_EQ(errorLog(), "");
}

} // namespace
} // namespace kestrova::test

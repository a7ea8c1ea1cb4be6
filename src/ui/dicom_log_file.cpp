#include "ui/dicom_log_file.h"

#include "core/file_system.h"
#include "core/program_folder.h"
#include "core/steps.h"
#include "core/text_file.h"
#include "network/dicom_log.h"

namespace kestrova {

std::filesystem::path dicomLogFilePath(const QDateTime& when)
{
    const std::string stamp = when.toString(QStringLiteral("yyyyMMddHHmmss")).toStdString();
    return programPath("Logs") / ("Dicom" + stamp + ".log");
}

bool saveDicomLog(DicomLog& log)
{
    const std::filesystem::path file = dicomLogFilePath(QDateTime::currentDateTime());
    bool saved = false;
    ignoreErrors({
        [&] { fileSystem().ensureFolder(file.parent_path()); },
        [&] {
            writeTextFile(file, log.text(log.entryCount()) + "\r\n");
            saved = true;
        },
        [&] {
            if (saved)
                log.clear();
        },
    });
    return saved;
}

} // namespace kestrova

#include "pdf_tools.h"

#include "support/cups_server.h"

#include <QRegularExpression>
#include <QTemporaryDir>

#include <sstream>
#include <stdexcept>

namespace kestrova::test {
namespace {

QString qt(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

std::string run(const QString& tool, const QStringList& arguments)
{
    const auto result = runCommand(tool, arguments);
    if (result.exitCode != 0)
        throw std::runtime_error(tool.toStdString() + " failed: " + result.output);
    return result.output;
}

} // namespace

PdfInfo pdfInfo(const std::filesystem::path& pdf)
{
    const QString output = QString::fromStdString(run("pdfinfo", {qt(pdf)}));
    PdfInfo info;
    const auto pages = QRegularExpression(R"(^Pages:\s+(\d+)$)", QRegularExpression::MultilineOption).match(output);
    if (pages.hasMatch())
        info.pages = pages.captured(1).toInt();
    const auto size = QRegularExpression(R"(^Page size:\s+(.*)$)", QRegularExpression::MultilineOption).match(output);
    if (size.hasMatch())
        info.pageSize = size.captured(1).toStdString();
    return info;
}

std::string pdfText(const std::filesystem::path& pdf) { return run("pdftotext", {qt(pdf), "-"}); }

std::vector<PdfWord> pdfWords(const std::filesystem::path& pdf)
{
    const QString html = QString::fromStdString(run("pdftotext", {"-bbox", qt(pdf), "-"}));
    static const QRegularExpression word(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re");
    std::vector<PdfWord> words;
    for (const auto& match : word.globalMatch(html)) {
        words.push_back({match.captured(5).toStdString(), match.captured(1).toDouble(), match.captured(2).toDouble(),
                         match.captured(3).toDouble(), match.captured(4).toDouble()});
    }
    return words;
}

std::vector<PdfImage> pdfImages(const std::filesystem::path& pdf)
{
    std::istringstream lines(run("pdfimages", {"-list", qt(pdf)}));
    std::vector<PdfImage> images;
    std::string line;
    // Two heading lines, then: page num type width height color comp bpc enc ...
    std::getline(lines, line);
    std::getline(lines, line);
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string page, number, type, components;
        PdfImage image;
        if (fields >> page >> number >> type >> image.width >> image.height >> image.colour >> components
                   >> image.bitsPerComponent >> image.encoding)
            images.push_back(image);
    }
    return images;
}

QImage renderGray(const std::filesystem::path& pdf, int dpi)
{
    QTemporaryDir folder;
    const QString prefix = folder.filePath("page");
    run("pdftoppm", {"-r", QString::number(dpi), "-gray", "-singlefile", qt(pdf), prefix});
    QImage page(prefix + ".pgm");
    if (page.isNull())
        throw std::runtime_error("pdftoppm wrote no readable page for " + pdf.string());
    return page.convertToFormat(QImage::Format_Grayscale8);
}

} // namespace kestrova::test

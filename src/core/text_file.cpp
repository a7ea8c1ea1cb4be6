#include "text_file.h"

#include "errors.h"

#include <fstream>
#include <iterator>

namespace kestrova {
namespace fs = std::filesystem;

namespace {

[[noreturn]] void accessError(const fs::path& file)
{
    raiseAbout(ErrorCode::PathFileAccess, file.string());
}

void writeAll(const fs::path& file, const std::string& content, std::ios::openmode mode)
{
    std::ofstream out(file, std::ios::binary | mode);
    if (!out)
        accessError(file);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.close();
    if (!out)
        accessError(file);
}

} // namespace

std::string readTextFile(const fs::path& file)
{
    std::error_code ec;
    if (!fs::exists(file, ec))
        raiseAbout(ErrorCode::FileNotFound, file.string());
    if (!fs::is_regular_file(file, ec))
        accessError(file);
    std::ifstream in(file, std::ios::binary);
    if (!in)
        accessError(file);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        accessError(file);
    return content;
}

void writeTextFile(const fs::path& file, const std::string& content)
{
    fs::path temporary = file;
    temporary += ".tmp";
    writeAll(temporary, content, std::ios::trunc);
    std::error_code ec;
    fs::rename(temporary, file, ec);
    if (ec) {
        fs::remove(temporary, ec);
        accessError(file);
    }
}

void appendTextFile(const fs::path& file, const std::string& content)
{
    writeAll(file, content, std::ios::app);
}

std::string convertLineEnds(const std::string& text, const std::string& lineEnd)
{
    std::string result;
    result.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') {
            result += text[i];
            continue;
        }
        result += lineEnd;
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
    }
    return result;
}

std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::string current;
    bool pending = false; // characters seen since the last line end
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(std::move(current));
            current.clear();
            pending = false;
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            current.push_back(c);
            pending = true;
        }
    }
    if (pending)
        lines.push_back(std::move(current));
    return lines;
}

} // namespace kestrova

#include "ini_file.h"

#include "errors.h"
#include "number_text.h"
#include "text_file.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <vector>

namespace kestrova {
namespace fs = std::filesystem;

namespace {

bool equalsIgnoringCase(const std::string& a, const std::string& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
        return std::tolower(x) == std::tolower(y);
    });
}

std::optional<std::string> sectionName(const std::string& line)
{
    const std::string trimmed(trimBlanks(line));
    if (trimmed.size() < 2 || trimmed.front() != '[')
        return std::nullopt;
    const auto close = trimmed.find(']');
    if (close == std::string::npos)
        return std::nullopt;
    return std::string(trimBlanks(trimmed.substr(1, close - 1)));
}

struct KeyLine {
    std::string key;
    std::string rawValue;
};

std::optional<KeyLine> keyLine(const std::string& line)
{
    const std::string trimmed(trimBlanks(line));
    if (trimmed.empty() || trimmed.front() == ';')
        return std::nullopt;
    const auto equals = trimmed.find('=');
    if (equals == std::string::npos)
        return std::nullopt;
    return KeyLine{std::string(trimBlanks(trimmed.substr(0, equals))), trimmed.substr(equals + 1)};
}

std::string unquote(const std::string& raw)
{
    std::string value(trimBlanks(raw));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return value;
}

// Where a section sits in a list of lines: its header line and the line after its last entry.
struct SectionSpan {
    std::size_t header;
    std::size_t insertAt;
};

std::optional<SectionSpan> findSection(const std::vector<std::string>& lines, const std::string& section)
{
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto name = sectionName(lines[i]);
        if (!name || !equalsIgnoringCase(*name, section))
            continue;
        SectionSpan span{i, i + 1};
        for (std::size_t j = i + 1; j < lines.size() && !sectionName(lines[j]); ++j) {
            if (keyLine(lines[j]))
                span.insertAt = j + 1;
        }
        return span;
    }
    return std::nullopt;
}

std::optional<std::size_t> findKey(const std::vector<std::string>& lines, const SectionSpan& span,
                                   const std::string& key)
{
    for (std::size_t j = span.header + 1; j < lines.size() && !sectionName(lines[j]); ++j) {
        const auto entry = keyLine(lines[j]);
        if (entry && equalsIgnoringCase(entry->key, key))
            return j;
    }
    return std::nullopt;
}

std::string joinLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const auto& line : lines)
        text += line + "\r\n";
    return text;
}

std::vector<std::string> fileLines(const fs::path& file)
{
    std::error_code ec;
    if (!fs::exists(file, ec))
        return {};
    return splitLines(readTextFile(file));
}

} // namespace

std::string ReadIniString(const std::string& section, const std::string& key, const std::string& defaultValue,
                          const fs::path& file, std::int16_t size)
{
    const std::size_t limit = size > 0 ? static_cast<std::size_t>(size - 1) : 0;
    const auto cut = [limit](const std::string& text) { return text.substr(0, limit); };
    const auto lines = fileLines(file);
    const auto span = findSection(lines, section);
    if (!span)
        return cut(defaultValue);
    const auto at = findKey(lines, *span, key);
    if (!at)
        return cut(defaultValue);
    return cut(unquote(keyLine(lines[*at])->rawValue));
}

bool IniSectionExists(const std::string& section, const fs::path& file)
{
    return findSection(fileLines(file), section).has_value();
}

void DeleteIniSection(const std::string& section, const fs::path& file)
{
    auto lines = fileLines(file);
    const auto span = findSection(lines, section);
    if (!span)
        return;
    auto end = lines.begin() + static_cast<std::ptrdiff_t>(span->header + 1);
    while (end != lines.end() && !sectionName(*end))
        ++end;
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(span->header), end);
    writeTextFile(file, joinLines(lines));
}

void WriteIniString(const std::string& section, const std::string& key, const std::string& value,
                    const fs::path& file)
{
    std::vector<std::string> lines = fileLines(file);
    const std::string entry = key + "=" + value;
    if (const auto span = findSection(lines, section)) {
        if (const auto at = findKey(lines, *span, key)) {
            if (unquote(keyLine(lines[*at])->rawValue) == value)
                return;
            lines[*at] = entry;
        } else {
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(span->insertAt), entry);
        }
    } else {
        lines.push_back("[" + section + "]");
        lines.push_back(entry);
    }
    writeTextFile(file, joinLines(lines));
}

} // namespace kestrova

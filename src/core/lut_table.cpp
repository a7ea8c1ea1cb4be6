#include "lut_table.h"

#include "errors.h"
#include "file_system.h"
#include "configuration.h"
#include "number_text.h"
#include "program_folder.h"
#include "rounding.h"
#include "settings_files.h"
#include "steps.h"
#include "text_file.h"

#include <vector>

namespace kestrova {

namespace {

constexpr const char* Label = "LoadSettings";
constexpr std::string_view BlanksAndLineEnds = " \t\r\n";

std::vector<std::string> splitFields(const std::string& text)
{
    std::vector<std::string> fields;
    if (text.empty())
        return fields;
    std::size_t start = 0;
    for (;;) {
        const auto semicolon = text.find(';', start);
        fields.push_back(text.substr(start, semicolon - start));
        if (semicolon == std::string::npos)
            return fields;
        start = semicolon + 1;
    }
}

std::int32_t entryValue(const std::vector<std::string>& fields, std::size_t index)
{
    if (index >= fields.size())
        raise(ErrorCode::SubscriptOutOfRange);
    const auto value = parseDecimalInteger<std::int32_t>(trimBlanks(fields[index], BlanksAndLineEnds));
    if (!value)
        raise(ErrorCode::TypeMismatch);
    return checkedNarrow<std::int32_t>(static_cast<std::int64_t>(*value) * 256);
}

} // namespace

std::filesystem::path lutFilePath() { return programPath("Kestrova.lut"); }

bool applyLutText(LutTable& table, const std::string& text)
{
    const auto fields = splitFields(std::string(trimBlanks(text, BlanksAndLineEnds)));
    std::size_t set = 0;
    for (std::size_t i = 0; i < LutEntries; ++i)
        trapAndLog(Label, [&] {
            table[i] = entryValue(fields, i);
            ++set;
        });
    return set == LutEntries;
}

void LoadLutTable(LutState& lut, const Settings& settings)
{
    if (settings.LUT == 0 || !fileSystem().fileExists(lutFilePath()))
        return;
    std::string text;
    trapAndLog(Label, [&] { text = readTextFile(lutFilePath()); });
    lut.complete = applyLutText(lut.table, text);
}

} // namespace kestrova

#include "settings_files.h"

#include "configuration.h"
#include "ini_file.h"
#include "number_text.h"
#include "program_folder.h"
#include "steps.h"
#include "text_file.h"

#include <functional>
#include <limits>

namespace kestrova {
namespace fs = std::filesystem;

namespace {

constexpr std::int16_t ValueBufferSize = 256;

// One row of the key table: the key, its default and how the field is read and written.
struct SettingsKey {
    const char* name;
    const char* defaultValue;
    std::function<void(Settings&, const std::string&)> read;
    std::function<std::string(const Settings&)> write;
};

template <std::signed_integral T>
SettingsKey numberKey(const char* name, const char* defaultValue, T Settings::*field)
{
    return {name, defaultValue,
            [field](Settings& s, const std::string& text) {
                if (const auto value = parseDecimalInteger<T>(text))
                    s.*field = *value;
            },
            [field](const Settings& s) { return std::to_string(s.*field); }};
}

SettingsKey textKey(const char* name, const char* defaultValue, std::string Settings::*field)
{
    return {name, defaultValue, [field](Settings& s, const std::string& text) { s.*field = text; },
            [field](const Settings& s) { return s.*field; }};
}

const std::vector<SettingsKey>& keyTable()
{
    static const std::vector<SettingsKey> table = {
        textKey("AETName", "KODAK", &Settings::AETName),
        numberKey("Port", "4006", &Settings::Port),
        textKey("Emulation", "KODAK", &Settings::Emulation),
        textKey("Printer", "", &Settings::Printer),
        textKey("Fontname", "Tahoma", &Settings::Fontname),
        numberKey("Fontsize", "10", &Settings::Fontsize),
        numberKey("LUT", "0", &Settings::LUT),
        textKey("ImagePath", "", &Settings::ImagePath),
    };
    return table;
}

void readHeaderFile(const fs::path& file, HeaderLines& lines)
{
    std::error_code ec;
    if (!fs::exists(file, ec))
        return;
    for (auto& line : splitLines(readTextFile(file)))
        lines.push_back(std::move(line));
}

} // namespace

fs::path settingsFilePath() { return programPath("Kestrova.ini"); }
fs::path leftHeaderPath() { return programPath("Left.ini"); }
fs::path rightHeaderPath() { return programPath("Right.ini"); }

void ReadSettings(Settings& settings)
{
    // A key that fails keeps its field's value; the next key is read.
    for (const auto& key : keyTable())
        ignoreErrors({[&] {
            key.read(settings,
                     ReadIniString(SettingsSection, key.name, key.defaultValue, settingsFilePath(), ValueBufferSize));
        }});
}

void WriteSettings(const Settings& settings)
{
    // A key that fails keeps its old value in the file; the next key is written.
    for (const auto& key : keyTable())
        ignoreErrors({[&] { WriteIniString(SettingsSection, key.name, key.write(settings), settingsFilePath()); }});
}

void ReadHeader(Configuration& configuration)
{
    trapAndLog("mMain ReadHeader", [&] {
        configuration.headerLeft.emplace();
        readHeaderFile(leftHeaderPath(), *configuration.headerLeft);
        configuration.headerRight.emplace();
        readHeaderFile(rightHeaderPath(), *configuration.headerRight);
    });
}

void WriteHeaderFile(const fs::path& file, const std::string& text)
{
    if (text.empty()) {
        std::error_code ec;
        fs::remove(file, ec);
        return;
    }
    writeTextFile(file, text + "\r\n");
}

} // namespace kestrova

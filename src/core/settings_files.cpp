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

// One row of a key table: the key, its default and how the field is read and written.
template <typename Record>
struct RecordKey {
    const char* name;
    const char* defaultValue;
    std::function<void(Record&, const std::string&)> read;
    std::function<std::string(const Record&)> write;
};
using SettingsKey = RecordKey<Settings>;

template <typename Record, std::signed_integral T>
RecordKey<Record> numberKey(const char* name, const char* defaultValue, T Record::*field, T least = std::numeric_limits<T>::min())
{
    return {name, defaultValue,
            [field, least](Record& r, const std::string& text) {
                if (const auto value = parseDecimalInteger<T>(text); value && *value >= least)
                    r.*field = *value;
            },
            [field](const Record& r) { return std::to_string(r.*field); }};
}

template <typename Record>
RecordKey<Record> textKey(const char* name, const char* defaultValue, std::string Record::*field)
{
    return {name, defaultValue, [field](Record& r, const std::string& text) { r.*field = text; },
            [field](const Record& r) { return r.*field; }};
}

const std::vector<SettingsKey>& keyTable()
{
    static const std::vector<SettingsKey> table = {
        textKey<Settings>("AETName", "KODAK", &Settings::AETName),
        numberKey<Settings>("Port", "4006", &Settings::Port),
        textKey<Settings>("Emulation", "KODAK", &Settings::Emulation),
        textKey<Settings>("Printer", "", &Settings::Printer),
        textKey<Settings>("Fontname", "Tahoma", &Settings::Fontname),
        numberKey<Settings>("Fontsize", "10", &Settings::Fontsize),
        numberKey<Settings>("LUT", "0", &Settings::LUT),
        textKey<Settings>("ImagePath", "", &Settings::ImagePath),
    };
    return table;
}

const std::vector<RecordKey<Limits>>& limitsTable()
{
    static const std::vector<RecordKey<Limits>> table = {
        numberKey<Limits>("PendingConnections", "32", &Limits::PendingConnections, 1),
        numberKey<Limits>("AssociationMemoryMB", "512", &Limits::AssociationMemoryMB, 1),
        numberKey<Limits>("TotalMemoryMB", "1536", &Limits::TotalMemoryMB, 1),
    };
    return table;
}

const std::vector<RecordKey<AccessSettings>>& accessTable()
{
    static const std::vector<RecordKey<AccessSettings>> table = {
        textKey<AccessSettings>("CallingAETitles", "", &AccessSettings::CallingAETitles),
        textKey<AccessSettings>("Hosts", "", &AccessSettings::Hosts),
        numberKey<AccessSettings>("CheckCalledAETitle", "0", &AccessSettings::CheckCalledAETitle),
    };
    return table;
}

const std::vector<RecordKey<TlsSettings>>& tlsTable()
{
    static const std::vector<RecordKey<TlsSettings>> table = {
        numberKey<TlsSettings>("Port", "0", &TlsSettings::Port),
        textKey<TlsSettings>("Certificate", "", &TlsSettings::Certificate),
        textKey<TlsSettings>("PrivateKey", "", &TlsSettings::PrivateKey),
        textKey<TlsSettings>("TrustedCertificates", "", &TlsSettings::TrustedCertificates),
        numberKey<TlsSettings>("RequirePeerCertificate", "1", &TlsSettings::RequirePeerCertificate),
    };
    return table;
}

const std::vector<RecordKey<FilmKeeping>>& filmKeepingTable()
{
    static const std::vector<RecordKey<FilmKeeping>> table = {
        numberKey<FilmKeeping>("KeepDays", "7", &FilmKeeping::KeepDays, 1),
    };
    return table;
}

const std::vector<RecordKey<VirtualPrinter>>& virtualPrinterTable()
{
    static const std::vector<RecordKey<VirtualPrinter>> table = {
        textKey<VirtualPrinter>("AETitle", "", &VirtualPrinter::AETitle),
        textKey<VirtualPrinter>("Printer", "", &VirtualPrinter::Printer),
        textKey<VirtualPrinter>("Emulation", "KODAK", &VirtualPrinter::Emulation),
        numberKey<VirtualPrinter>("LUT", "0", &VirtualPrinter::LUT),
    };
    return table;
}

const std::vector<RecordKey<StatusPageSettings>>& statusPageTable()
{
    static const std::vector<RecordKey<StatusPageSettings>> table = {
        numberKey<StatusPageSettings>("Port", "0", &StatusPageSettings::Port),
        textKey<StatusPageSettings>("Address", "127.0.0.1", &StatusPageSettings::Address),
    };
    return table;
}

template <typename Record>
void readSection(const char* section, const std::vector<RecordKey<Record>>& keys, Record& record)
{
    // A key that fails keeps its field's value; the next key is read.
    for (const auto& key : keys)
        ignoreErrors({[&] {
            key.read(record, ReadIniString(section, key.name, key.defaultValue, settingsFilePath(), ValueBufferSize));
        }});
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

void ReadSettings(Settings& settings) { readSection(SettingsSection, keyTable(), settings); }

void ReadLimits(Limits& limits)
{
    limits = Limits{};
    readSection(LimitsSection, limitsTable(), limits);
}

void ReadFilmKeeping(FilmKeeping& films)
{
    films = FilmKeeping{};
    readSection(FilmsSection, filmKeepingTable(), films);
}

template <typename Record>
void writeSection(const char* section, const std::vector<RecordKey<Record>>& keys, const Record& record)
{
    // A key that fails keeps its old value in the file; the next key is written.
    for (const auto& key : keys)
        ignoreErrors({[&] { WriteIniString(section, key.name, key.write(record), settingsFilePath()); }});
}

// For the sections a file need not have: a key is written only when it would read otherwise, so
// that a section left at its defaults is never added.
template <typename Record>
void writeChangedKeys(const std::string& section, const std::vector<RecordKey<Record>>& keys, const Record& record)
{
    for (const auto& key : keys)
        ignoreErrors({[&] {
            const std::string value = key.write(record);
            if (ReadIniString(section, key.name, key.defaultValue, settingsFilePath(), ValueBufferSize) != value)
                WriteIniString(section, key.name, value, settingsFilePath());
        }});
}

void WriteSettings(const Settings& settings) { writeSection(SettingsSection, keyTable(), settings); }

std::string virtualPrinterSection(std::size_t number) { return "VirtualPrinter" + std::to_string(number); }

void ReadVirtualPrinters(std::vector<VirtualPrinter>& printers)
{
    printers.clear();
    for (std::size_t number = 1; number <= MaxVirtualPrinters; ++number) {
        const std::string section = virtualPrinterSection(number);
        VirtualPrinter printer;
        ignoreErrors({[&] {
            if (IniSectionExists(section, settingsFilePath()))
                readSection(section.c_str(), virtualPrinterTable(), printer);
        }});
        if (!printer.AETitle.empty())
            printers.push_back(std::move(printer));
    }
}

void WriteVirtualPrinters(const std::vector<VirtualPrinter>& printers)
{
    for (std::size_t number = 1; number <= MaxVirtualPrinters; ++number) {
        const std::string section = virtualPrinterSection(number);
        if (number <= printers.size())
            writeChangedKeys(section, virtualPrinterTable(), printers[number - 1]);
        else
            ignoreErrors({[&] { DeleteIniSection(section, settingsFilePath()); }});
    }
}

void ReadStatusPage(StatusPageSettings& page)
{
    page = StatusPageSettings{};
    readSection(StatusPageSection, statusPageTable(), page);
}

void ReadAccess(AccessSettings& access)
{
    access = AccessSettings{};
    readSection(AccessSection, accessTable(), access);
}

void ReadTls(TlsSettings& tls)
{
    tls = TlsSettings{};
    readSection(TlsSection, tlsTable(), tls);
}

void WriteAccess(const AccessSettings& access) { writeChangedKeys(AccessSection, accessTable(), access); }

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

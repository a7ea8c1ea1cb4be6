#pragma once
// What the program runs with: the settings record and the caption lines printed at the
// top of every film; and the product's name and version.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrova {

struct Settings {
    std::string AETName;
    std::int32_t Port = 0;
    std::string Emulation;
    std::string Printer;
    std::string Fontname;
    std::int32_t Fontsize = 0;
    std::int16_t LUT = 0;
    std::string ImagePath;

    bool operator==(const Settings&) const = default;
};

// What the service allows one peer and all of them together: read from the [Limits] section of
// Kestrova.ini, which only an administrator edits (the preferences dialog leaves it alone).
struct Limits {
    // Connections still waiting for their association request; when full, the one waiting
    // longest is closed.
    std::int32_t PendingConnections = 32;
    // Pixel data held for films, in megabytes: by one association, and by all together.
    std::int32_t AssociationMemoryMB = 512;
    std::int32_t TotalMemoryMB = 1536;

    bool operator==(const Limits&) const = default;
};

// Who may print: read from and written to the [Access] section of Kestrova.ini, also by the
// preferences dialog. Empty lists and 0 let everyone print, as a fresh installation does.
struct AccessSettings {
    // Calling AE titles allowed, separated by backslashes, as DICOM separates values.
    std::string CallingAETitles;
    // Hosts allowed: IPv4 addresses and networks (10.1.0.0/16), separated by commas or blanks.
    std::string Hosts;
    // 1: the called AE title must be AETName.
    std::int16_t CheckCalledAETitle = 0;

    bool operator==(const AccessSettings&) const = default;
};

// DICOM over TLS on a second port, beside the plain one: read from the [TLS] section of
// Kestrova.ini, which only an administrator edits.
struct TlsSettings {
    // 0: no TLS port.
    std::int32_t Port = 0;
    // PEM files: the server's certificate and its unencrypted private key.
    std::string Certificate;
    std::string PrivateKey;
    // A PEM file, or a folder of them as OpenSSL's c_rehash leaves it: the certificates that
    // peers' certificates are checked against.
    std::string TrustedCertificates;
    // 1: a peer without a certificate signed by a trusted one is refused; 0: a peer may present
    // none, and one it presents is still checked.
    std::int16_t RequirePeerCertificate = 1;

    bool operator==(const TlsSettings&) const = default;
};

// How long films/ keeps each film's page file: read from the [Films] section of Kestrova.ini,
// which only an administrator edits.
struct FilmKeeping {
    std::int32_t KeepDays = 7;

    bool operator==(const FilmKeeping&) const = default;
};

// One more printer behind the same server, chosen by the AE title an association calls: read from
// and written to a [VirtualPrinterN] section of Kestrova.ini each (N from 1), also by the
// preferences dialog. An association that calls none of them prints on the main printer.
struct VirtualPrinter {
    std::string AETitle;
    // A printer as the catalogue names it; empty: the default printer.
    std::string Printer;
    std::string Emulation = "KODAK";
    std::int16_t LUT = 0;

    bool operator==(const VirtualPrinter&) const = default;
};

inline constexpr std::size_t MaxVirtualPrinters = 32;
// The longest AE title DICOM allows.
inline constexpr std::size_t MaxAeTitleLength = 16;

// The read-only status page for a browser: read from the [StatusPage] section of Kestrova.ini,
// which only an administrator edits.
struct StatusPageSettings {
    // 0: no page.
    std::int32_t Port = 0;
    std::string Address = "127.0.0.1";

    bool operator==(const StatusPageSettings&) const = default;
};

using HeaderLines = std::vector<std::string>;

// The program owns one Configuration and hands it to the print service and the preferences
// dialog; the dialog is the only one that changes it. A print job takes a copy when it
// starts, so a change never reaches a page half drawn.
struct Configuration {
    // Zeroed at start, filled from Kestrova.ini.
    Settings settings;
    // Absent until the caption files have been read once.
    std::optional<HeaderLines> headerLeft;
    std::optional<HeaderLines> headerRight;
    Limits limits;
    AccessSettings access;
    TlsSettings tls;
    FilmKeeping films{};
    std::vector<VirtualPrinter> virtualPrinters{};
    StatusPageSettings statusPage{};
};

inline const std::string ProductName = "Kestrova";

// "v" + major.minor.revision of this build, for example "v1.0.0".
const std::string& VersionText();

} // namespace kestrova

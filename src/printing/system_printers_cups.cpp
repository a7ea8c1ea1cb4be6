#include "printing/system_printers.h"

#include "printing/cups_printer.h"
#include "printing/internal/cups_handles.h"

namespace kestrova {
namespace {

// Instances ("queue/instance", lpoptions' saved option sets) are the same queue again.
template <typename Use>
void forEachQueue(Use use)
{
    const cups::Http http = cups::connectToScheduler();
    if (!http)
        return;
    for (const cups_dest_t& dest : cups::DestList(http.get()))
        if (!dest.instance)
            use(dest);
}

} // namespace

std::vector<std::string> systemPrinterNames()
{
    std::vector<std::string> names;
    forEachQueue([&](const cups_dest_t& dest) { names.emplace_back(dest.name); });
    return names;
}

std::string systemDefaultPrinter()
{
    std::string name;
    forEachQueue([&](const cups_dest_t& dest) {
        if (dest.is_default)
            name = dest.name;
    });
    return name;
}

std::shared_ptr<QueueDescriptions> keptQueueDescriptions() { return std::make_shared<QueueDescriptions>(); }

std::unique_ptr<PrinterDevice> openSystemPrinter(const std::string& name,
                                                 const std::shared_ptr<QueueDescriptions>& descriptions)
{
    return std::make_unique<CupsPrinter>(name, descriptions);
}

} // namespace kestrova

#pragma once
// Film Size ID's defined terms and the paper each stands for: film-like printers print a film
// on paper of its size, other printers on that paper when they offer it.

#include "printing/printer_device.h"

#include <map>
#include <string>

namespace kestrova {

// DICOM notes 10INX14IN as 25.7 x 36.4 cm.
const std::map<std::string, PaperSize>& filmSizePapers();

} // namespace kestrova

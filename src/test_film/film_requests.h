#pragma once
// The attributes a print SCU sends to make a film: the film session and the film box N-CREATE.

#include "data/data_set.h"

#include <string>

namespace kestrova {

DataSetPtr filmSessionAttributes(int copies = 1);
DataSetPtr filmBoxAttributes(const std::string& format, const std::string& session,
                             const std::string& orientation = "PORTRAIT");

} // namespace kestrova

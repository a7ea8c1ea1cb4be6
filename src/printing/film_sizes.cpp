#include "printing/film_sizes.h"

namespace kestrova {

const std::map<std::string, PaperSize>& filmSizePapers()
{
    static const std::map<std::string, PaperSize> papers{
        {"8INX10IN", {203.2, 254.0}},  {"8_5INX11IN", {215.9, 279.4}}, {"10INX12IN", {254.0, 304.8}},
        {"10INX14IN", {257.0, 364.0}}, {"11INX14IN", {279.4, 355.6}},  {"11INX17IN", {279.4, 431.8}},
        {"14INX14IN", {355.6, 355.6}}, {"14INX17IN", {355.6, 431.8}},  {"24CMX24CM", {240.0, 240.0}},
        {"24CMX30CM", {240.0, 300.0}}, {"A4", A4Paper},                {"A3", A3Paper},
    };
    return papers;
}

} // namespace kestrova

#pragma once
// Small bill and menu templates that carry every placeholder once, each on its own line.
#include <string>

namespace lumivane::test {

// The value after "KEY=" up to the line end in a filled test template.
inline std::string lineOf(const std::string& text, const std::string& key)
{
    const std::size_t start = text.find("\r\n" + key + "=");
    if (start == std::string::npos)
        return "<missing " + key + ">";
    const std::size_t from = start + 3 + key.size();
    return text.substr(from, text.find("\r\n", from) - from);
}

inline constexpr const char* kBillTemplate =
    "<html><head><title>%title</title></head><body>\r\n"
    "P=%premises\r\n"
    "D=%period\r\n"
    "C=%calc\r\n"
    "T=%totals\r\n"
    "DH=%dayhours\r\n"
    "NH=%nighthours\r\n"
    "DU=%dayunits\r\n"
    "DC=%daycost\r\n"
    "DT=%daytotal\r\n"
    "NU=%nightunits\r\n"
    "NC=%nightcost\r\n"
    "NT=%nighttotal\r\n"
    "TT=%totaltotal\r\n"
    "G=%todaysdate\r\n"
    "</body></html>";

inline constexpr const char* kMenuTemplate =
    "<html><body>\r\n"
    "N=%numberofreports\r\n"
    "L=%listoflinks\r\n"
    "D=%daytotaloflinks\r\n"
    "NI=%nighttotaloflinks\r\n"
    "T=%totaltotaloflinks\r\n"
    "G=%todaysdate\r\n"
    "</body></html>";

}  // namespace lumivane::test

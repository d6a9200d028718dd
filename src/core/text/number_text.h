#pragma once
// Numbers that arrive as text, and the number formats shown to people.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lumivane {

// The text without the blanks and tabs around it.
std::string_view trimBlanks(std::string_view text);

// A decimal floating-point number ("0.16", "-2", ".5", "1e3"), blanks around it
// allowed; nullopt for empty text, trailing junk, infinities and NaN.
std::optional<double> parseDecimal(std::string_view text);

// A number rounded to a whole number with halves to the even neighbour;
// nullopt when it is no number or lies outside -32768..32767.
std::optional<std::int16_t> parseInt16HalfEven(std::string_view text);

// Rounds halves to the even neighbour; nullopt outside -32768..32767.
std::optional<std::int16_t> roundInt16HalfEven(double value);

// Plain decimal form: up to 15 significant digits, no grouping, no trailing
// zeros, no exponent ("1", "65539.5", "0.16").
std::string formatPlain(double value);

// "###,###,##0.000": three decimals, thousands grouped with ",".
std::string formatEnergy(double value);

// "###,###,##0.00": two decimals, thousands grouped with ",".
std::string formatMoney(double value);

// "###,###,##0.0000": four decimals, thousands grouped with ",".
std::string formatUnitPrice(double value);

// Any number of decimals, thousands grouped; halves round away from zero
// after the value is taken to 15 significant digits.
std::string formatGrouped(double value, int decimals);

// As formatGrouped, without thousands groups ("1234.50"), for files read by programs.
std::string formatUngrouped(double value, int decimals);

// The value of the text formatGrouped shows: every output rounds money and
// energy with this one rule, so their figures agree to the last shown digit.
// Infinities and NaN are returned as they are.
double roundAsShown(double value, int decimals);

// "00": at least two digits ("06", "18", "-1" stays "-01").
std::string formatTwoDigits(int value);

}  // namespace lumivane

// The line syntax the install record and the installation journal share:
// fields separated by tabs, bytes below 32, "%" and 127 written as %XX
// (upper-case hex, and only for those bytes, so that a text has one
// spelling), CR LF line ends. Pure text rules: no Windows header.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

namespace recordtext {

std::string Escape(const std::string& text);
// Exactly what Escape writes; false for anything else.
bool Unescape(const std::string& text, std::string* out);
std::vector<std::string> SplitFields(const std::string& line);
// A decimal number without sign or leading zeros, below 2^32.
bool ParseNumber(const std::string& text, unsigned long* number);
// Appends the fields (already escaped) as one line.
void AddLine(std::string& out, std::initializer_list<std::string> fields);

}  // namespace recordtext

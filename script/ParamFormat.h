// The text format of parameter files (kiv_config.txt) and the conversions
// of its values, over plain byte buffers. Everything here may throw
// std::bad_alloc; the object that uses it turns that into -4.
//
// Numbers are read and written the same way whatever the process locale is.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zk::script {

struct ParamEntry {
  std::string name;
  std::string value;
  std::string comment;  // comment lines without their "#", with their line ends
  bool hasValue = false;
  bool hasComment = false;
};

// Parses a parameter text; the text ends at its first NUL byte, if any.
// Entries are appended to out in file order.
void ParseParams(std::string_view text, std::vector<ParamEntry>& out);

// The whole text that saving the entries writes.
std::string WriteParams(const std::vector<ParamEntry>& entries);

// True when a name, written out, reads back as the same name: a letter,
// digit or "_" first, then letters, digits, "_", spaces and TABs, and no
// blank at the end.
bool IsStorableName(std::string_view name);

// Value conversions.
int32_t ParseDecimal(std::string_view text);     // as C atol, saturated to 32 bits
uint32_t ParseHex(std::string_view text);        // as C sscanf "%x", 0 when no number
double ParseDouble(std::string_view text);       // as C atof
std::string FormatDecimal(int32_t value);        // "%d"
std::string FormatHex(uint32_t value);           // "%08X"
std::string FormatDouble(double value);          // "%lf"

// Byte dump of SetBinary: CR LF, then " %02X" per byte and CR LF after
// every 16th byte.
std::string FormatBinary(const uint8_t* bytes, size_t count);
// Bytes from hexadecimal digit pairs, blanks and line ends skipped.
std::vector<uint8_t> ParseBinary(std::string_view text);

}  // namespace zk::script

// vCard text (versions 2.1, 3.0 and 4.0) as cards of properties, and the
// writing of properties as folded, escaped lines.
//
// A file is lines ended by CR LF, LF or CR. A line that begins with a blank
// or a tab continues the one before (the break and that one character go).
// Each card runs from BEGIN:VCARD to END:VCARD; each line in it is
//   [group.]NAME[;PARAM[=VALUE[,VALUE]]]...:value
// with parameter values in double quotes where they hold ':' ';' or ','.
// Version 2.1 also writes bare parameters (TEL;WORK;FAX:) and values in
// quoted-printable (ENCODING=QUOTED-PRINTABLE), whose lines end in '=' when
// they continue on the next line, in the character set CHARSET= names.
#ifndef VANTREL_APP_INTERCHANGE_VCARD_H_
#define VANTREL_APP_INTERCHANGE_VCARD_H_

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vantrel {

struct VCardProperty {
  std::string name;  // upper case, without its group
  // Names in upper case; a bare 2.1 parameter is a value of TYPE.
  std::vector<std::pair<std::string, std::string>> params;
  // UTF-8, quoted-printable decoded; backslash escapes still in place.
  std::string value;
  int line = 0;  // where it began in the file, from 1

  // The values of every TYPE parameter, in lower case, split at commas.
  std::vector<std::string> Types() const;
  const std::string* Param(std::string_view name) const;
};

struct VCard {
  std::string version;  // of its VERSION line; empty when it has none
  int first_line = 0;
  std::vector<VCardProperty> properties;
  // What its lines lost on the way: malformed lines, broken
  // quoted-printable, an unknown character set.
  std::vector<std::string> notes;
};

struct VCardFile {
  std::vector<VCard> cards;
  std::vector<std::string> notes;  // lines outside any card
  // Set when the file is not vCard text or a card is not closed: nothing
  // of it should be taken then.
  std::string error;
};

VCardFile ReadVCards(std::string_view text);

// The value without backslash escapes (\n and \N become line breaks).
std::string Unescape(std::string_view value);
// The value split at each `separator` not escaped, each part unescaped.
std::vector<std::string> SplitValue(std::string_view value, char separator);
// Backslash escapes for a text value: backslash, ',', ';', line breaks.
std::string Escape(std::string_view text);

// Appends "name:value" CR LF, folded so that no line is longer than 75
// octets and no UTF-8 character is split.
void AppendFolded(std::string& out, std::string_view name_and_params,
                  std::string_view value);

}  // namespace vantrel

#endif  // VANTREL_APP_INTERCHANGE_VCARD_H_

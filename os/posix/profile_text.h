// Profile text: the contents of an INI file, read and edited in memory.
//
//   [Section]            a section header; text after the ']' is ignored
//   Entry=Value          an entry of the section above it
//   ; comment            kept as it is, like blank and unrecognised lines
//
// Lines end in LF or CR LF. Section and entry names are matched without
// regard to ASCII case; names and values are trimmed of blanks and tabs. The
// first matching section and, inside it, the first matching entry count.
// Edits change only the lines they must; every other byte stays as it was.
#ifndef VANTREL_OS_POSIX_PROFILE_TEXT_H_
#define VANTREL_OS_POSIX_PROFILE_TEXT_H_

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace vantrel {

// The value of the entry in the section, or nothing when there is none.
std::optional<std::string_view> FindProfileValue(std::string_view text,
                                                 std::string_view section,
                                                 std::string_view entry);

// The values of a profile text, indexed in one pass: Find answers as
// FindProfileValue does on the same text, in time independent of its size.
class ProfileIndex {
 public:
  explicit ProfileIndex(std::string text);
  ProfileIndex(const ProfileIndex&) = delete;  // the values point into text_
  ProfileIndex& operator=(const ProfileIndex&) = delete;
  std::optional<std::string_view> Find(std::string_view section,
                                       std::string_view entry) const;

 private:
  std::string text_;  // the values point into it
  // Keyed by the section and entry names in lower case, joined by a line
  // break (which neither can hold).
  std::unordered_map<std::string, std::string_view> values_;
};

// The text with the entry set to the value: an existing entry line is
// rewritten in place, a new entry goes after the section's last entry, a new
// section is appended at the end of the text.
std::string SetProfileValue(std::string_view text, std::string_view section,
                            std::string_view entry, std::string_view value);

// The text without any line of the entry in the first matching section.
std::string DeleteProfileEntry(std::string_view text, std::string_view section,
                               std::string_view entry);

// The text without every section of that name, header and lines.
std::string DeleteProfileSection(std::string_view text,
                                 std::string_view section);

// True when the two names are equal ignoring ASCII case.
bool SameProfileName(std::string_view a, std::string_view b);

}  // namespace vantrel

#endif  // VANTREL_OS_POSIX_PROFILE_TEXT_H_

// The card file used last, kept in the INI file: entry "CurrentFile" of
// section "VantrelFile" in "VANTREL.INI".
#ifndef VANTREL_APP_CURRENT_FILE_SETTING_H_
#define VANTREL_APP_CURRENT_FILE_SETTING_H_

#include <string>
#include <string_view>

namespace vantrel {

inline constexpr char kIniFile[] = "VANTREL.INI";
inline constexpr char kIniSection[] = "VantrelFile";
inline constexpr char kIniEntry[] = "CurrentFile";

// The remembered card file; empty when none is.
std::string ReadCurrentFile();
void WriteCurrentFile(std::string_view file);

}  // namespace vantrel

#endif  // VANTREL_APP_CURRENT_FILE_SETTING_H_

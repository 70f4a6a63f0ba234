#include "app/current_file_setting.h"

#include "os/posix/profile_store.h"

namespace vantrel {

std::string ReadCurrentFile() { return GetIni(kIniSection, kIniEntry, "", kIniFile); }

void WriteCurrentFile(std::string_view file) {
  PutIni(kIniSection, kIniEntry, file, kIniFile);
}

}  // namespace vantrel

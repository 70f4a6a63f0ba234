// Tests of the framework keep their profile files in a configuration
// directory of their own, removed afterwards.
#ifndef VANTREL_FRAMEWORK_INI_TEST_SUPPORT_H_
#define VANTREL_FRAMEWORK_INI_TEST_SUPPORT_H_

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace vantrel {

class TempConfigDir {
 public:
  TempConfigDir() {
    char pattern[] = "/tmp/vantrel_framework_XXXXXX";
    path_ = mkdtemp(pattern);
    setenv("VANTREL_CONFIG_DIR", path_.c_str(), 1);
  }
  ~TempConfigDir() {
    unsetenv("VANTREL_CONFIG_DIR");
    std::filesystem::remove_all(path_);
  }
  TempConfigDir(const TempConfigDir&) = delete;
  TempConfigDir& operator=(const TempConfigDir&) = delete;

  const std::filesystem::path& path() const { return path_; }

  // The text of a file in the directory; empty when it is missing.
  std::string Read(const std::string& name) const {
    std::ifstream in(path_ / name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  void Write(const std::string& name, const std::string& text) const {
    std::ofstream(path_ / name, std::ios::binary) << text;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace vantrel

#endif  // VANTREL_FRAMEWORK_INI_TEST_SUPPORT_H_

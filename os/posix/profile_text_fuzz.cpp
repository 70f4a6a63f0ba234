// Edits arbitrary profile text and checks that each edit reads back.
// Input: text, section, entry and value separated by 0x01 bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "os/posix/profile_text.h"

namespace {

std::string_view Next(std::string_view* input) {
  std::size_t cut = input->find('\x01');
  std::string_view part = input->substr(0, cut);
  input->remove_prefix(cut == std::string_view::npos ? input->size() : cut + 1);
  return part;
}

std::string_view Trim(std::string_view s) {
  std::size_t begin = s.find_first_not_of(" \t");
  if (begin == std::string_view::npos) return {};
  return s.substr(begin, s.find_last_not_of(" \t") - begin + 1);
}

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace vantrel;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string_view text = Next(&input);
  std::string_view section = Trim(Next(&input));
  std::string_view entry = Trim(Next(&input));
  std::string_view value = Trim(Next(&input));
  // The index answers as the text itself does.
  Check(ProfileIndex(std::string(text)).Find(section, entry) ==
        FindProfileValue(text, section, entry));
  // The store refuses names and values that cannot be written back.
  if (section.empty() || entry.empty() ||
      section.find_first_of("\r\n]") != std::string_view::npos ||
      entry.find_first_of("\r\n=") != std::string_view::npos ||
      entry.front() == '[' || entry.front() == ';' ||
      value.find_first_of("\r\n") != std::string_view::npos) {
    return 0;
  }
  std::string set = SetProfileValue(text, section, entry, value);
  Check(FindProfileValue(set, section, entry) == value);
  Check(!FindProfileValue(DeleteProfileEntry(set, section, entry), section,
                          entry));
  Check(!FindProfileValue(DeleteProfileSection(set, section), section, entry));
  Check(DeleteProfileSection(text, "\n") == text);
  return 0;
}

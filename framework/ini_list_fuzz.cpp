// Reads lists from arbitrary profile text, and checks that records written
// into it read back.
// Input: profile text, key, then up to three fields, separated by 0x01.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "framework/ini_list.h"
#include "os/posix/profile_text.h"

namespace {

std::string_view Next(std::string_view* input) {
  std::size_t cut = input->find('\x01');
  std::string_view part = input->substr(0, cut);
  input->remove_prefix(cut == std::string_view::npos ? input->size() : cut + 1);
  return part;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

// A field as the format can hold it: no commas, no line breaks, no blanks
// at either end (the profile text trims values).
std::string Storable(std::string_view field) {
  std::string out;
  for (char c : field) {
    if (c != ',' && c != '\r' && c != '\n' && c != '\0') out += c;
  }
  std::size_t begin = out.find_first_not_of(" \t");
  if (begin == std::string::npos) return {};
  return out.substr(begin, out.find_last_not_of(" \t") - begin + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace vantrel;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string text(Next(&input));
  std::string key = Storable(Next(&input));
  std::vector<std::string> fields;
  while (!input.empty() && fields.size() < kMaxListFields)
    fields.push_back(Storable(Next(&input)));

  auto reader = [&text](std::string_view section) {
    return [&text, section](std::string_view entry) {
      std::optional<std::string> value;
      if (auto found = FindProfileValue(text, section, entry))
        value = std::string(*found);
      return value;
    };
  };

  // Whatever the text holds, reading ends and yields no more records than
  // the text has lines.
  std::size_t lines = 1;
  for (char c : text) lines += c == '\n';
  std::uint32_t read = ReadList(
      reader("Sectors"), key.empty() ? "k" : key, [](std::string_view value) {
        // The parts put back together are the value.
        std::string rejoined(ListPart(value, 1));
        int n = 2;
        for (std::size_t at = value.find(','); at != std::string_view::npos;
             at = value.find(',', at + 1), ++n) {
          rejoined += ',';
          rejoined += ListPart(value, n);
        }
        Check(rejoined == value);
        Check(ListPart(value, n).empty());
      });
  Check(read <= lines);

  // A record written with its count reads back field by field.
  if (key.empty() || key.front() == '[' || key.front() == ';' ||
      key.find_first_of("=]") != std::string::npos || fields.empty())
    return 0;
  std::string joined = JoinListFields(fields);
  text = SetProfileValue(text, "List", key, "1");
  text = SetProfileValue(text, "List", ListEntryName(key, 1), joined);
  std::vector<std::string> back;
  Check(ReadList(reader("List"), key, [&](std::string_view value) {
          for (std::size_t n = 1; n <= fields.size(); ++n)
            back.emplace_back(ListPart(value, static_cast<int>(n)));
        }) == 1);
  Check(back == fields);
  return 0;
}

#include "storage/tnl/table/table_name.h"

#include <sys/stat.h>

#include "runtime/data/text/char_tables.h"

namespace vantrel {
namespace {

bool IsDirectory(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool HasExtension(std::string_view path) {
  const std::size_t slash = path.find_last_of('/');
  const std::string_view base =
      slash == std::string_view::npos ? path : path.substr(slash + 1);
  // A leading dot names a hidden file; it is not an extension.
  const std::size_t dot = base.find_last_of('.');
  return dot != std::string_view::npos && dot > 0;
}

// Through the default tables, never the ones in force: the same name must
// select the same table-name record whatever pairs a program adds.
std::string UpperCase(std::string_view text) {
  static const CharTables defaults = CharTables::Defaults();
  std::string out(text);
  for (char& c : out) {
    const auto code = static_cast<std::uint8_t>(c);
    if (defaults.IsLower(code) && defaults.case_map[code] != 0) {
      c = static_cast<char>(defaults.case_map[code]);
    }
  }
  return out;
}

}  // namespace

std::string TableName::MessageName() const {
  if (table == kUnnamedTable) return path;
  return path + std::string(kTableSelector) + table;
}

TableName SplitTableName(std::string_view name) {
  TableName out;
  std::size_t at = name.find(kTableSelector);
  while (at != std::string_view::npos &&
         IsDirectory(std::string(name.substr(0, at)))) {
    at = name.find(kTableSelector, at + 1);
  }
  std::string_view file = name.substr(0, at);
  const std::string_view table = at == std::string_view::npos
                                     ? std::string_view{}
                                     : name.substr(at + kTableSelector.size());
  out.table = table.empty() ? std::string(kUnnamedTable) : UpperCase(table);
  out.selected = at != std::string_view::npos;
  out.path = std::string(file);
  if (!out.path.empty() && !HasExtension(out.path)) {
    out.path += kDefaultExtension;
  }
  return out;
}

}  // namespace vantrel

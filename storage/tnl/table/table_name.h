// The name a FILE gives a native table: an operating-system file, optionally
// followed by "\!" and the name of one table inside it.
#ifndef VANTREL_STORAGE_TNL_TABLE_TABLE_NAME_H_
#define VANTREL_STORAGE_TNL_TABLE_TABLE_NAME_H_

#include <string>
#include <string_view>

namespace vantrel {

inline constexpr std::string_view kTableSelector = "\\!";
inline constexpr std::string_view kUnnamedTable = "UNNAMED";
inline constexpr std::string_view kDefaultExtension = ".TNL";

struct TableName {
  std::string path;   // the file, with ".TNL" added when it had no extension
  std::string table;  // upper case; "UNNAMED" without a selector
  bool selected = false;  // the name had a "\!" selector

  // How messages name the table: the path, followed by "\!" and the table
  // when it is not "UNNAMED".
  std::string MessageName() const;
};

// Splits `name` at the first "\!" whose preceding part is not an existing
// directory. The table name is upper-cased through the default character
// tables (a-z only), whatever tables are in force, so that one name always
// selects the same table. An empty `name` gives an empty path.
TableName SplitTableName(std::string_view name);

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_TABLE_TABLE_NAME_H_

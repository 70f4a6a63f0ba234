// The translation between the runtime's FILE declarations and the table
// descriptions the format stores (format/description_stream.h): a
// declaration is described when its table is created or opened, and a table
// opened without a declaration of its own is declared from its description.
#ifndef VANTREL_STORAGE_TNL_DRIVER_DECLARATION_DESCRIPTION_H_
#define VANTREL_STORAGE_TNL_DRIVER_DECLARATION_DESCRIPTION_H_

#include <optional>

#include "runtime/data/driver/file_declaration.h"
#include "storage/tnl/format/description_stream.h"

namespace vantrel {

// The description of a FILE declaration. Fields are the descriptor's entries
// in order (the record's GROUP first); a key component names its field by
// position from 0. Pictures and external names that are empty are absent.
// Posts error 47, 79 or 75 and returns none when the declaration cannot be
// stored: a record over kMaxDeclaredRecord bytes, more memos or keys than a
// table can number, an unsupported type at the top level, or a descriptor
// that does not begin with a GROUP or nests groups more than
// kMaxGroupNesting deep (47, 79, 75); and 47 for any other description a
// reader would refuse (DescriptionFault).
std::optional<TableDescription> DescribeDeclaration(
    const FileDeclaration& file);

// Read mode's second half: fills a declaration (descriptor, keys, memos)
// from a stored description, for a table opened without a declaration of
// its own. Every key becomes a KEY. The caller supplies a record buffer of
// record_length bytes. False when the description's fields do not nest.
bool DeclareFromDescription(const TableDescription& table,
                            FileDeclaration& file);

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_DRIVER_DECLARATION_DESCRIPTION_H_

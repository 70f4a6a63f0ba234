// Reads a card file back as the program lays it out, for tests that check
// what a window or a session left on disk. Reads while the window may still
// have the file open.
#ifndef VANTREL_APP_CARD_FILE_READER_H_
#define VANTREL_APP_CARD_FILE_READER_H_

#include <string>
#include <vector>

#include "app/card_data.h"
#include "app/card_record.h"
#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/file_statements.h"

namespace vantrel {

// Every record of the file in file order, the header first; empty when the
// file cannot be opened (the error state then says why).
inline std::vector<CardRecord> ReadCardRecords(const std::string& path) {
  CardRecord record{};
  FileDeclaration file;
  DeclareCardFile(file, "VTL", record);
  file.name = path;
  std::vector<CardRecord> records;
  Open(file, kOpenReadShared);
  if (ErrorCode() != 0) return records;
  Set(file);
  for (Next(file); ErrorCode() == 0; Next(file)) records.push_back(record);
  Close(file);
  return records;
}

// The live cards' last names, in file order.
inline std::vector<std::string> LiveLastNames(
    const std::vector<CardRecord>& records) {
  std::vector<std::string> names;
  for (std::size_t i = 1; i < records.size(); ++i) {
    if (records[i].DELETED == 0)
      names.emplace_back(Clipped(records[i].LASTNAME));
  }
  return names;
}

}  // namespace vantrel

#endif  // VANTREL_APP_CARD_FILE_READER_H_

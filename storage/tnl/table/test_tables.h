// Helpers for tests that build native files with tables.
#ifndef VANTREL_STORAGE_TNL_TABLE_TEST_TABLES_H_
#define VANTREL_STORAGE_TNL_TABLE_TEST_TABLES_H_

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "storage/tnl/format/internal_check.h"
#include "storage/tnl/table/key_maintenance.h"
#include "storage/tnl/table/table_catalog.h"

namespace vantrel {

// A described field; text fields get their string length from `size`.
inline DescribedField TestField(FieldType type, std::string label,
                                std::uint16_t offset, std::uint16_t size,
                                std::uint16_t group = 0,
                                std::uint16_t position = 0) {
  DescribedField f;
  f.type = type;
  f.label = std::move(label);
  f.offset = offset;
  f.size = size;
  f.group = group;
  f.position = position;
  if (IsTextType(type)) f.string_length = size;
  return f;
}

// Runs `body` as one committed operation on the file at `path`.
inline void CommitChange(const std::string& path,
                         const std::function<void(TnlFile&, BTree&)>& body) {
  TnlFile file;
  ASSERT_TRUE(file.Open(path, kOpenReadWriteShared));
  ASSERT_EQ(RunOperation(path,
                         [&] {
                           ASSERT_EQ(file.LoadHeader(LockWait::kWait), kLoadOk);
                           BTree tree(file);
                           body(file, tree);
                           ASSERT_EQ(file.Commit(), 0);
                         }),
            0);
  file.EndOperation();
}

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_TABLE_TEST_TABLES_H_

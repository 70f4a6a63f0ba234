// The fixture of the view, process and report managers' tests: a native
// file of six people with a key that ignores case and a two-component key,
// and its file and relation managers.
#ifndef VANTREL_FRAMEWORK_PEOPLE_TEST_TABLE_H_
#define VANTREL_FRAMEWORK_PEOPLE_TEST_TABLE_H_

#include <string>
#include <vector>

#include "framework/file_manager.h"
#include "framework/file_manager_test_tables.h"
#include "framework/manager_test_fixture.h"
#include "framework/relation_manager.h"
#include "framework/view_manager.h"

namespace vantrel {

// People: GROUP STRING(4), NUMBER LONG, NAME STRING(20); key NAMEKEY over
// NAME ignoring case, key GRPKEY over (GROUP, NUMBER).
class PeopleTest : public ManagerTest {
 protected:
  static constexpr int kGroup = 2, kNumber = 3, kName = 4;

  PeopleTest()
      : table(Path("people"), "PPL", {{"GROUP", 4}, {"NUMBER", 0}, {"NAME", 20}}) {
    name_key = &table.AddKey("NAMEKEY", kKeyNoCase | kKeyDup, {kName});
    group_key = &table.AddKey("GRPKEY", kKeyPrimary, {kGroup, kNumber});
    Create(table.file);
    Open(table.file);
    const struct {
      const char* group;
      int number;
      const char* name;
    } rows[] = {{"AB", 1, "Abel"},   {"AB", 2, "O'Neil"}, {"AB", 3, "o'neil"},
                {"AB", 6, "Ryan"},   {"CD", 4, "Cole"},   {"AB", 5, "Dunn"}};
    for (const auto& row : rows) {
      table.Clear();
      table.SetText(kGroup, row.group);
      table.SetLong(kNumber, row.number);
      table.SetText(kName, row.name);
      Add(table.file);
    }
    Close(table.file);
    files.Init(table.file, errors);
    files.AddKey(*group_key, "By group");
    relations.Init(files, false);
  }
  ~PeopleTest() override {
    relations.Kill();
  }

  std::vector<std::string> ReadNames(ViewManager& manager) {
    std::vector<std::string> names;
    EXPECT_EQ(manager.Reset(), Level::Proceed);
    while (manager.Next() == Level::Proceed) names.push_back(table.Text(kName));
    return names;
  }

  TestTable table;
  KeyDeclaration* name_key;
  KeyDeclaration* group_key;
  FileManager files;
  RelationManager relations;
};

}  // namespace vantrel

#endif  // VANTREL_FRAMEWORK_PEOPLE_TEST_TABLE_H_

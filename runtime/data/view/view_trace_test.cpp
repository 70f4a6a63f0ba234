#include "runtime/data/view/view_trace.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/driver_registry.h"
#include "runtime/data/driver/driver_trace.h"
#include "runtime/data/driver/file_statements.h"
#include "runtime/data/types/descriptor_builder.h"
#include "runtime/data/view/view_statements.h"
#include "runtime/data/view/view_test_driver.h"

namespace vantrel {
namespace {

std::int64_t StoppedClock() { return 0; }

class ViewTraceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vantrel_view_trace_XXXXXX";
    dir_ = mkdtemp(pattern);
    old_dir_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
    setenv("VANTREL_CONFIG_DIR", dir_.c_str(), 1);
    SetTraceClock(StoppedClock);
    RegisterDriver(testing_driver::MemoryDriverEntry());
    testing_driver::Tables().clear();
    ClearError();
    Declare(ord_, "ORD", ord_buffer_,
            DescriptorBuilder().Long("ORD:ID").Long("ORD:CUSTID"));
    Declare(cus_, "CUS", cus_buffer_,
            DescriptorBuilder().Long("CUS:ID").String("CUS:NAME", 4));
    key_ = &cus_.AddKey({"CUS:KEYID", {}, 0, {1}});
  }
  void TearDown() override {
    SetTraceClock(nullptr);
    unsetenv("VANTREL_CONFIG_DIR");
    std::filesystem::current_path(old_dir_);
    std::filesystem::remove_all(dir_);
  }

  static void Declare(FileDeclaration& file, const std::string& label,
                      std::vector<char>& buffer,
                      const DescriptorBuilder& fields) {
    file.label = label;
    file.name = label;
    file.driver_name = "MEMKEYS";
    file.descriptor = fields.Descriptor();
    file.record = buffer;
  }
  static std::vector<std::string> Lines(const std::string& name) {
    std::ifstream in(name);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  std::string dir_;
  std::filesystem::path old_dir_;
  std::vector<char> ord_buffer_ = std::vector<char>(8, 0);
  std::vector<char> cus_buffer_ = std::vector<char>(8, ' ');
  FileDeclaration ord_, cus_;
  KeyDeclaration* key_ = nullptr;
};

TEST_F(ViewTraceTest, StructureThenPrefixedCallsWithTheFilesCalls) {
  std::ofstream(dir_ + "/win.ini")
      << "[HWVIEW]\nProfile=1\nTraceIntoFiles=1\nDetails=1\n"
      << "TraceFile=views.log\n";
  Open(ord_);
  Open(cus_);
  std::int32_t one = 1;
  std::memcpy(cus_buffer_.data(), &one, sizeof one);
  std::memcpy(ord_buffer_.data() + 4, &one, sizeof one);
  Add(cus_);
  Add(ord_);
  ASSERT_EQ(ErrorCode(), 0);

  ViewDeclaration view(ord_);
  view.project = {{ViewItem::Kind::kField, 1}, {ViewItem::Kind::kField, 2}};
  ViewJoin customer{&cus_, key_, {2}, true, {{ViewItem::Kind::kField, 2}}, {}};
  ViewJoin again{&cus_, key_, {}, false, {{ViewItem::Kind::kMemo, 1}}, {}};
  customer.joins.push_back(again);  // only traced, never read
  view.joins.push_back(customer);
  Open(view);
  view.joins[0].joins.clear();
  SetView(view);
  Next(view);
  ASSERT_EQ(ErrorCode(), 0);

  char prefix[32];
  std::snprintf(prefix, sizeof prefix, "VIEW:%X:", view.handle());
  auto padded = [&](std::string call) {
    call = prefix + call;
    call.resize(std::max<std::size_t>(call.size(), kViewCallWidth), ' ');
    return call + "Time Taken: 0.00 secs";
  };
  const std::vector<std::string> expected = {
      "VIEW(ORD)",
      "  PROJECT(FIELD(ORD:ID),FIELD(ORD:CUSTID))",
      "  JOIN(CUS:KEYID,FIELD(ORD:CUSTID)),INNER",
      "    PROJECT(FIELD(CUS:NAME))",
      "    JOIN(CUS:KEYID)",
      "      PROJECT(MEMO(1))",
      "    END",
      "  END",
      "END",
      "",
      padded("OPEN(ORD 1) "),
      padded("SETview(ORD 1) "),
      "SETfile(ORD 1)    Time Taken: 0.00 secs",
      "NEXT(ORD 1)       Time Taken: 0.00 secs",
      "POINTERfile(ORD 1) Time Taken: 0.00 secs",
      "SETkeykey(CUS,CUS:KEYID[1] 1) Time Taken: 0.00 secs",
      "NEXT(CUS 1)       Time Taken: 0.00 secs",
      "POINTERfile(CUS 1) Time Taken: 0.00 secs",
      "NEXT(CUS 1)       Error: Record Not Available Time Taken: 0.00 secs",
      "GETfileptr(CUS 1) Time Taken: 0.00 secs",
      padded("NEXT(ORD 1) "),
      "ORD:ID     0",
      "ORD:CUSTID 1",
      "CUS:NAME   '    '",
  };
  EXPECT_EQ(Lines("views.log"), expected);
}

}  // namespace
}  // namespace vantrel

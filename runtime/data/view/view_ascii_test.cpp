// A view over a text file read through the ASCII driver: no keys, so the
// order is always sorted and rows are read back by their pointers.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "runtime/data/ascii/ascii_driver.h"
#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/file_statements.h"
#include "runtime/data/types/descriptor_builder.h"
#include "runtime/data/view/view_declaration.h"
#include "runtime/data/view/view_statements.h"

namespace vantrel {
namespace {

class ViewAsciiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vantrel_view_XXXXXX";
    dir_ = mkdtemp(pattern);
    ClearError();
    std::ofstream(dir_ + "/fruit.txt")
        << "pear\r\napple\r\nfig\r\nbanana\r\ncherry\r\n";
    file_.label = "TXT";
    RegisterAsciiDriver();
    file_.driver_name = "ASCII";
    file_.name = dir_ + "/fruit.txt";
    file_.descriptor = DescriptorBuilder()
                           .Group("TXT:RECORD")
                           .String("TXT:LINE", 8)
                           .End()
                           .Descriptor();
    file_.record = buffer_;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Line() const {
    std::string text(buffer_.begin(), buffer_.end());
    return text.substr(0, text.find_last_not_of(' ') + 1);
  }

  std::string dir_;
  std::vector<char> buffer_ = std::vector<char>(8, ' ');
  FileDeclaration file_;
};

TEST_F(ViewAsciiTest, FilteredSortedRowsBothWays) {
  Open(file_);
  ASSERT_EQ(ErrorCode(), 0);
  ViewDeclaration view(file_);
  SetViewFilter(view, "TXT:LINE <> 'fig'");
  SetViewOrder(view, "-TXT:LINE");
  Open(view);
  SetView(view);
  ASSERT_EQ(ErrorCode(), 0);
  std::vector<std::string> rows;
  for (Next(view); ErrorCode() == 0; Next(view)) rows.push_back(Line());
  EXPECT_EQ(ErrorCode(), kErrRecordNotAvailable);
  EXPECT_EQ(rows,
            (std::vector<std::string>{"pear", "cherry", "banana", "apple"}));
  Next(view);  // the sequence ended with the failed NEXT
  EXPECT_EQ(ErrorCode(), kErrRecordNotAvailable);

  // PREVIOUS right after SET starts from the last row; turning round reads
  // the neighbour, not the same row again.
  SetView(view);
  Previous(view);
  EXPECT_EQ(Line(), "apple");
  Previous(view);
  EXPECT_EQ(Line(), "banana");
  Next(view);
  EXPECT_EQ(Line(), "apple");
  EXPECT_EQ(Records(view), 4);

  // The row read back is the file's current record: PUT through the view
  // replaces that line.
  Previous(view);
  std::copy_n("berry   ", 8, buffer_.begin());
  Put(view);
  EXPECT_EQ(ErrorCode(), 0);
  Close(view);
  Close(file_);
  std::ifstream in(file_.name);
  std::string all((std::istreambuf_iterator<char>(in)),
                  std::istreambuf_iterator<char>());
  EXPECT_EQ(all, "pear\r\napple\r\nfig\r\nberry\r\ncherry\r\n");
}

}  // namespace
}  // namespace vantrel

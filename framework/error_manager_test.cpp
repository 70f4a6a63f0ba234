#include "framework/error_manager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "framework/error_manager_format.h"
#include "framework/error_manager_halt.h"
#include "gui/headless/headless_backend.h"
#include "os/posix/fault_injection.h"
#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/file_statements.h"
#include "runtime/data/types/descriptor_builder.h"
#include "runtime/window/accept_loop.h"
#include "runtime/window/events.h"
#include "runtime/window/message_box.h"
#include "runtime/window/window_statements.h"
#include "storage/tnl/driver/tnl_driver.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

// A packed block of messages, as an application would add.
class Block {
 public:
  Block& Add(std::uint16_t id, Level level, std::string_view title,
             std::string_view text) {
    ++count_;
    Put(id & 0xFF);
    Put(id >> 8);
    Put(static_cast<std::uint8_t>(level));
    PutText(title);
    PutText(text);
    return *this;
  }
  std::vector<std::uint8_t> Bytes() const {
    std::vector<std::uint8_t> bytes = {static_cast<std::uint8_t>(count_ & 0xFF),
                                       static_cast<std::uint8_t>(count_ >> 8)};
    bytes.insert(bytes.end(), body_.begin(), body_.end());
    return bytes;
  }

 private:
  void Put(int byte) { body_.push_back(static_cast<std::uint8_t>(byte)); }
  void PutText(std::string_view text) {
    Put(static_cast<int>(text.size()));
    body_.insert(body_.end(), text.begin(), text.end());
  }
  int count_ = 0;
  std::vector<std::uint8_t> body_;
};

class ErrorManagerTest : public ::testing::Test {
 protected:
  ErrorManagerTest() {
    gui.OnScriptExhausted(
        [](const std::string& message) { ADD_FAILURE() << message; });
    ClearError();
    errors.Init();
  }
  ~ErrorManagerTest() override { errors.Kill(); }

  const MessageBoxRequest& LastBox() const {
    return gui.message_boxes().back();
  }
  // The text of the last box, its lines joined again.
  std::string LastText() const {
    std::string text;
    for (const std::string& line : LastBox().lines) {
      if (!text.empty()) text += '|';
      text += line;
    }
    return text;
  }

  HeadlessBackend gui;
  ErrorManager errors;
};

TEST(BuiltInMessagesTest, BlockHoldsTheTableInItsStoredOrder) {
  ErrorManager errors;
  errors.Init();
  const std::span<const std::uint8_t> block = BuiltInMessages();
  EXPECT_EQ(block[0] | block[1] << 8, 40);
  // The first entry, byte by byte: id 27, level 5, title, text.
  const std::string title = "Invalid Key";
  const std::string text = "%File key file is invalid. Key must be rebuilt.";
  std::vector<std::uint8_t> first = {27, 0, 5,
                                     static_cast<std::uint8_t>(title.size())};
  first.insert(first.end(), title.begin(), title.end());
  first.push_back(static_cast<std::uint8_t>(text.size()));
  first.insert(first.end(), text.begin(), text.end());
  EXPECT_TRUE(std::equal(first.begin(), first.end(), block.begin() + 2));

  std::vector<int> ids;
  std::map<int, int> levels;
  for (const ErrorEntry& entry : *errors.ERRORS) {
    ids.push_back(entry.ID);
    levels[entry.ID] = entry.FATALITY;
  }
  EXPECT_EQ(ids, (std::vector<int>{27, 26, 10, 24, 17, 18, 16, 14, 31, 30,
                                   4,  6,  7,  34, 33, 20, 38, 12, 8,  13,
                                   32, 19, 36, 37, 23, 25, 11, 9,  35, 21,
                                   1,  40, 3,  28, 5,  15, 22, 2,  39, 41}));
  // Questions, the fatal ones and the internal one; every other id notifies.
  const std::map<int, int> not_notices = {
      {3, 1},  {8, 1},  {9, 1},  {10, 3}, {23, 3}, {26, 3}, {32, 1},
      {33, 1}, {34, 1}, {35, 1}, {36, 1}, {37, 1}, {39, 2}};
  for (const auto& [id, level] : levels) {
    const auto special = not_notices.find(id);
    EXPECT_EQ(level, special == not_notices.end() ? 5 : special->second)
        << "id " << id;
  }
  ASSERT_TRUE(errors.Locate(7));
  EXPECT_EQ(errors.Current().TITLE, "Record Was Not Updated");
  EXPECT_EQ(errors.Current().MESSAGE,
            "This record was changed by another station. Those changes will "
            "now be displayed. Use the Ditto Button or Ctrl+' to recall your "
            "changes.");
  EXPECT_FALSE(errors.Locate(29));
}

TEST(FormatMessageTextTest, Placeholders) {
  PlaceholderValues values;
  values.error_code = "2";
  values.error_text = "File Not Found (2)";
  values.error = "File Not Found";
  values.file_error_code = "21";
  values.file_error = "Is a directory";
  values.file = "CARDS";
  values.message = "NAMEKEY";
  values.field = "VTL:LASTNAME";
  values.procedure = "Main";
  struct Case {
    std::string text;
    std::string formatted;
  };
  const Case cases[] = {
      {"No placeholders here.", "No placeholders here."},
      {"%File and %File", "CARDS and CARDS"},
      {"%file, %FILE, %fIlE", "CARDS, CARDS, CARDS"},
      {"%FileError", "Is a directory"},
      {"%FileErrorCode/%FileError/%File", "21/Is a directory/CARDS"},
      {"%ErrorText|%Error|%ErrorCode", "File Not Found (2)|File Not Found|2"},
      {"%Message %Field in %Procedure", "NAMEKEY VTL:LASTNAME in Main"},
      {"%previous and %Previous", "%previous and "},
      {"%Fil", "%Fil"},
      {"100%% %", "100%% %"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatMessageText(c.text, values, std::nullopt), c.formatted)
        << c.text;
  }
  EXPECT_EQ(FormatMessageText("New: %Previous", values, "Old %File"),
            "New: Old %File");
}

TEST(FormatMessageTextTest, InsertedTextIsNotScannedAgain) {
  PlaceholderValues values;
  values.file = "odd%Message%file";
  values.message = "%Field";
  values.field = "%Previous";
  EXPECT_EQ(FormatMessageText("%File: %Message", values, "gone"),
            "odd%Message%file: %Field");
}

TEST(FormatMessageTextTest, BufferIsCutAtItsSize) {
  PlaceholderValues values;
  values.file = std::string(255, 'f');
  const std::string long_text(kMessageBufferSize + 100, 'x');
  EXPECT_EQ(FormatMessageText(long_text, values, std::nullopt).size(),
            kMessageBufferSize);
  // Twelve names of 255 bytes pass the buffer: the end is cut, and a
  // placeholder pushed out of the buffer is gone with it.
  std::string text;
  for (int i = 0; i < 12; ++i) text += "%File ";
  const std::string formatted = FormatMessageText(text, values, std::nullopt);
  EXPECT_EQ(formatted.size(), kMessageBufferSize);
  EXPECT_EQ(formatted.find('%'), std::string::npos);
  EXPECT_EQ(formatted.substr(0, 256), std::string(255, 'f') + " ");
}

TEST_F(ErrorManagerTest, QuestionAnswersProceedOnYesAndCancelledOnNo) {
  gui.AnswerMessageBox(kButtonYes);
  EXPECT_EQ(errors.Raise(kMsgConfirmCancel), Level::Proceed);
  const MessageBoxRequest& box = LastBox();
  EXPECT_EQ(box.caption, "Changes will be lost!");
  EXPECT_THAT(box.lines, ElementsAre("Are you sure you want to cancel?"));
  EXPECT_EQ(box.icon.standard, kIconQuestion);
  ASSERT_EQ(box.buttons.size(), 2u);
  EXPECT_EQ(box.buttons[0].mask, kButtonYes);
  EXPECT_EQ(box.buttons[1].mask, kButtonNo);
  EXPECT_EQ(box.default_button, 0u);

  gui.AnswerMessageBox(kButtonNo);
  EXPECT_EQ(errors.Raise(kMsgConfirmCancel), Level::Cancelled);
}

TEST_F(ErrorManagerTest, EachLevelHasItsHandler) {
  const std::vector<std::uint8_t> block =
      Block()
          .Add(100, Level::Proceed, "Quiet", "Not shown")
          .Add(101, Level::Cancelled, "Cancel?", "Really?")
          .Add(102, Level::Notified, "Note", "Noted.")
          .Bytes();
  ASSERT_TRUE(errors.AddErrors(block));

  EXPECT_EQ(errors.Raise(100), Level::Proceed);
  EXPECT_TRUE(gui.message_boxes().empty());

  gui.AnswerMessageBox(kButtonYes);
  EXPECT_EQ(errors.Raise(101), Level::Proceed);
  EXPECT_EQ(LastBox().caption, "Cancel?");

  // A notice is answered with OK, and its result is 5 whatever was pressed.
  gui.AnswerMessageBox(kButtonOk);
  EXPECT_EQ(errors.Raise(102), Level::Notified);
  EXPECT_EQ(LastBox().icon.standard, kIconAsterisk);
  ASSERT_EQ(LastBox().buttons.size(), 1u);
  EXPECT_EQ(LastBox().buttons[0].mask, kButtonOk);
}

TEST_F(ErrorManagerTest, LaterEntryWinsAndEmbedsTheEarlierWithPrevious) {
  const std::vector<std::uint8_t> block =
      Block()
          .Add(kMsgSaveRecord, Level::Question, "Unsaved Card",
               "%File: %Previous")
          .Bytes();
  ASSERT_TRUE(errors.AddErrors(block));
  errors.SetFileName("CARDS");
  gui.AnswerMessageBox(kButtonNo);
  EXPECT_EQ(errors.Raise(kMsgSaveRecord), Level::Cancelled);
  EXPECT_EQ(LastBox().caption, "Unsaved Card");
  EXPECT_EQ(LastText(),
            "CARDS: Do you want to save the changes to this record?");
  // The entry that was current before the search stays current.
  EXPECT_EQ(errors.Current().TITLE, "Unsaved Card");

  // An entry without an earlier one of its id loses %Previous.
  const std::vector<std::uint8_t> alone =
      Block().Add(200, Level::Notified, "Alone", "[%Previous]").Bytes();
  ASSERT_TRUE(errors.AddErrors(alone));
  gui.AnswerMessageBox(kButtonOk);
  errors.Raise(200);
  EXPECT_EQ(LastText(), "[]");
}

TEST_F(ErrorManagerTest, MalformedBlockAddsTheEntriesBeforeTheFault) {
  std::vector<std::uint8_t> block =
      Block()
          .Add(300, Level::Notified, "Whole", "Kept")
          .Add(301, Level::Notified, "Cut", "Lost")
          .Bytes();
  block.resize(block.size() - 2);
  const std::size_t before = errors.ERRORS->size();
  EXPECT_FALSE(errors.AddErrors(block));
  ASSERT_EQ(errors.ERRORS->size(), before + 1);
  EXPECT_EQ(errors.ERRORS->back().ID, 300);
  EXPECT_FALSE(errors.AddErrors({}));
}

// The error text after real driver failures on a native file: a write that
// fails for want of space is a system failure the runtime has no code for,
// which the driver posts as 90 with the system's own number and text; a
// missing file is 2.
TEST_F(ErrorManagerTest, ErrorTextShowsTheDriversOwnErrorAfter90) {
  RegisterTarnelDriver();
  char pattern[] = "/tmp/vantrel_errors_XXXXXX";
  const std::string dir = mkdtemp(pattern);
  FileDeclaration file;
  file.label = "NUM";
  file.driver_name = "TARNEL";
  file.name = dir + "/numbers.TNL";
  file.descriptor =
      DescriptorBuilder().Group("NUM:RECORD").Long("NUM:ID").End().Descriptor();
  std::vector<char> record(4, 0);
  file.record = record;
  Create(file);
  Open(file, kOpenReadWriteShared);
  ASSERT_EQ(ErrorCode(), 0) << Error();

  FaultPlan plan = FaultAt(1, FaultAction::kFail);
  plan.error = ENOSPC;
  FaultInjection::Arm(plan);
  Add(file);
  FaultInjection::Disarm();
  ASSERT_EQ(ErrorCode(), kErrFileSystem) << Error();
  const std::string own =
      std::string(FileError()) + " (" + std::string(FileErrorCode()) + ")";
  ASSERT_NE(FileError(), "");
  errors.SetFileName("NUMBERS");
  gui.AnswerMessageBox(kButtonOk);
  errors.Raise(kMsgUpdateError);
  EXPECT_EQ(LastText(), "An error (" + own +
                            ") was experienced when making changes to the "
                            "NUMBERS file.");
  EXPECT_EQ(errors.SAVEERRORCODE, kErrFileSystem);
  Close(file);

  file.name = dir + "/missing.TNL";
  Open(file, kOpenReadWriteShared);
  ASSERT_EQ(ErrorCode(), kErrFileNotFound);
  gui.AnswerMessageBox(kButtonOk);
  errors.Raise(kMsgUpdateError);
  EXPECT_EQ(LastText(),
            "An error (File Not Found (2)) was experienced when "
            "making changes to the NUMBERS file.");
  fs::remove_all(dir);
}

TEST_F(ErrorManagerTest, RaiseWithTextSetsMessageAndAskReturnsTheButton) {
  gui.AnswerMessageBox(kButtonOk);
  errors.RaiseWithText(kMsgDuplicateKey, std::string(300, 'k'));
  EXPECT_EQ(errors.MESSAGETEXT.size(), kErrorFieldSize);
  EXPECT_EQ(LastText(),
            "Adding this record creates a duplicate entry for the key: " +
                std::string(kErrorFieldSize, 'k'));

  gui.AnswerMessageBox(kButtonCancel);
  EXPECT_EQ(errors.Ask(kMsgSaveRecord, kButtonYes | kButtonNo | kButtonCancel,
                       kButtonCancel),
            kButtonCancel);
  EXPECT_EQ(LastBox().buttons.size(), 3u);
  EXPECT_EQ(LastBox().buttons[LastBox().default_button].mask, kButtonCancel);
}

TEST_F(ErrorManagerTest, ProcedureNamesAreKeptPerThread) {
  EXPECT_EQ(errors.CurrentProcedure(), "");
  errors.SetProcedureName("Main");
  errors.SetProcedureName("Browse");
  EXPECT_EQ(errors.CurrentProcedure(), "Browse");

  WindowDescription frame_description;
  frame_description.title = "Frame";
  Window& frame = OpenWindow(frame_description);
  WindowDescription child_description;
  child_description.title = "Child";
  std::vector<std::string> seen;
  int child_thread = 0;
  child_thread = OpenChildWindow(child_description, frame, [&] {
    if (CurrentEvent() != kEventOpenWindow) return;
    seen.push_back(errors.CurrentProcedure());
    errors.SetProcedureName("Report");
    seen.push_back(errors.CurrentProcedure());
    errors.SetProcedureName();
    errors.SetProcedureName();  // nothing of this thread's left: no change
    seen.push_back(errors.CurrentProcedure());
    EndLoop();
  });
  gui.On("Frame").Close();
  AcceptLoop([] {});
  CloseWindow(&frame);
  EXPECT_NE(child_thread, ThreadNumber());
  EXPECT_THAT(seen, ElementsAre("", "Report", ""));
  // The other thread's pops took nothing of this thread's.
  EXPECT_EQ(errors.CurrentProcedure(), "Browse");
  errors.SetProcedureName();
  EXPECT_EQ(errors.CurrentProcedure(), "Main");
}

using ErrorManagerDeathTest = ErrorManagerTest;

// Levels 2, 3 and 6 to 255 end the program after the notice; an id that no
// entry has is reported as an internal error naming it, not shown as
// another message.
TEST_F(ErrorManagerDeathTest, FatalLevelsAndUnknownIdsEndTheProgram) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::vector<std::uint8_t> block =
      Block()
          .Add(400, static_cast<Level>(7), "Odd Level", "Level %ErrorCode")
          .Bytes();
  ASSERT_TRUE(errors.AddErrors(block));
  gui.AnswerMessageBox(kButtonOk);
  gui.AnswerMessageBox(kButtonOk);
  EXPECT_EXIT(errors.Raise(400), ::testing::ExitedWithCode(kHaltExitStatus),
              "^Halt: Odd Level\nLevel 0\n$");
  EXPECT_EXIT(errors.Raise(60000), ::testing::ExitedWithCode(kHaltExitStatus),
              "^Halt: Internal Error\nMessage 60000 is not in the message "
              "table.\n$");
  EXPECT_EXIT(errors.Raise(kMsgOpenError),
              ::testing::ExitedWithCode(kHaltExitStatus),
              "^Halt: File Access Error\nFile .. could not be opened.  "
              "Error:  .0.\\.\n$");
}

}  // namespace
}  // namespace vantrel

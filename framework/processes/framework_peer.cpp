// framework_peer: the other process of the managers' process tests. It
// works on an items table (file_manager_test_tables.h) through the error
// and file managers, with a headless backend that answers every message
// box with OK, and reports on stdout, one flushed line per event.
//
//   framework_peer hold FILE     opens FILE for reading and writing and
//       denies others write access: "held"; keeps it until a line (or the
//       end of input) arrives on stdin, then closes it: "closed"
//   framework_peer hold-first FILE
//       opens FILE shared and holds its first item in number order:
//       "held"; releases it when a line (or the end of input) arrives:
//       "released"
//   framework_peer logout FILE
//       opens FILE shared and begins a transaction on it: "in transaction";
//       rolls it back when a line (or the end of input) arrives: "ended"
//   framework_peer add FILE PREFIX NAME
//       inserts one item numbered within PREFIX: "added N", or
//       "failed LEVEL"
//   framework_peer fatal FILE MISSING
//       opens FILE, begins a transaction and inserts an item in it
//       ("in transaction"), then opens MISSING, which does not exist and
//       may not be created: the program ends through the error manager.
//       Before it ends, each message box shown is reported as
//       "box CAPTION: TEXT"
//
// The exit status is 0 when everything went as asked, 1 on an error, 2 on a
// bad command line; a fatal end exits with the halt status.
#include <iostream>
#include <string>
#include <vector>

#include "framework/error_manager.h"
#include "framework/error_manager_halt.h"
#include "framework/file_manager.h"
#include "framework/file_manager_test_tables.h"
#include "gui/headless/headless_backend.h"
#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/file_statements.h"
#include "runtime/window/message_box.h"

namespace vantrel {
namespace {

constexpr int kUsage = 2;
// Read and write, others may only read.
constexpr std::uint32_t kDenyOthersWrite = kOpenReadWrite | kOpenDenyWrite;

HeadlessBackend* the_gui = nullptr;

void Say(const std::string& line) { std::cout << line << std::endl; }

void ReportBoxes() {
  for (const MessageBoxRequest& box : the_gui->message_boxes()) {
    std::string text;
    for (const std::string& line : box.lines) text += line;
    Say("box " + box.caption + ": " + text);
  }
}

void WaitForInput() {
  std::string line;
  std::getline(std::cin, line);
}

int Hold(const std::string& path) {
  ItemsTable items(path);
  Open(items.file, kDenyOthersWrite);
  if (ErrorCode() != 0) {
    Say("error " + std::to_string(ErrorCode()));
    return 1;
  }
  Say("held");
  WaitForInput();
  Close(items.file);
  Say("closed");
  return 0;
}

int HoldFirst(const std::string& path) {
  ItemsTable items(path);
  Open(items.file, kManagerOpenMode);
  Set(*items.number_key);
  Hold(items.file);
  Next(items.file);
  if (ErrorCode() != 0) {
    Say("error " + std::to_string(ErrorCode()));
    return 1;
  }
  Say("held");
  WaitForInput();
  Release(items.file);
  Say("released");
  return 0;
}

int BeginTransaction(const std::string& path) {
  ItemsTable items(path);
  Open(items.file, kManagerOpenMode);
  Logout(items.file);
  if (ErrorCode() != 0) {
    Say("error " + std::to_string(ErrorCode()));
    return 1;
  }
  Say("in transaction");
  WaitForInput();
  Rollback(items.file);
  Say("ended");
  return 0;
}

void ManageItems(FileManager& manager, ItemsTable& items,
                 ErrorManager& errors) {
  manager.Init(items.file, errors);
  manager.AddKey(*items.number_key, "Number", ItemsTable::kNumber - 1);
  manager.AddKey(*items.name_key, "Name");
}

int AddItem(const std::string& path, const std::string& prefix,
            const std::string& name) {
  ErrorManager errors;
  errors.Init();
  ItemsTable items(path);
  FileManager manager;
  ManageItems(manager, items, errors);
  manager.Open();
  items.SetText(ItemsTable::kPrefix, prefix);
  items.SetText(ItemsTable::kName, name);
  const Level level = manager.Insert();
  const std::int32_t number = items.Long(ItemsTable::kNumber);
  manager.Close();
  if (level != Level::Proceed) {
    Say("failed " + std::to_string(static_cast<int>(level)));
    ReportBoxes();
    return 1;
  }
  Say("added " + std::to_string(number));
  return 0;
}

int EndFatally(const std::string& path, const std::string& missing) {
  AtHalt(&ReportBoxes);  // runs last, after the files are closed
  ErrorManager errors;
  errors.Init();
  ItemsTable items(path);
  FileManager manager;
  ManageItems(manager, items, errors);
  manager.LAZYOPEN = 0;
  if (manager.Open() != Level::Proceed) return 1;
  Logout(items.file);
  items.SetText(ItemsTable::kPrefix, "T");
  items.SetText(ItemsTable::kName, "in transaction");
  if (ErrorCode() != 0 || manager.Insert() != Level::Proceed) return 1;
  Say("in transaction");

  ItemsTable absent(missing);
  FileManager other;
  ManageItems(other, absent, errors);
  other.CREATE = 0;
  other.LAZYOPEN = 0;
  other.Open();
  Say("still running");  // never reached: the open's failure is fatal
  return 1;
}

int Run(const std::vector<std::string>& args) {
  if (args.size() == 2 && args[0] == "hold") return Hold(args[1]);
  if (args.size() == 2 && args[0] == "hold-first") return HoldFirst(args[1]);
  if (args.size() == 2 && args[0] == "logout") return BeginTransaction(args[1]);
  if (args.size() == 4 && args[0] == "add") {
    return AddItem(args[1], args[2], args[3]);
  }
  if (args.size() == 3 && args[0] == "fatal") {
    return EndFatally(args[1], args[2]);
  }
  std::cerr << "usage: framework_peer hold FILE | hold-first FILE | "
               "logout FILE | add FILE PREFIX NAME | fatal FILE MISSING\n";
  return kUsage;
}

}  // namespace
}  // namespace vantrel

int main(int argc, char** argv) {
  vantrel::HeadlessBackend gui;
  vantrel::the_gui = &gui;
  for (int i = 0; i < 8; ++i) gui.AnswerMessageBox(vantrel::kButtonOk);
  return vantrel::Run(std::vector<std::string>(argv + 1, argv + argc));
}

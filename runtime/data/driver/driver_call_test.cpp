#include "runtime/data/driver/driver_call.h"

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <string>
#include <vector>

#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/driver_registry.h"
#include "runtime/data/driver/driver_state_table.h"
#include "runtime/data/driver/file_statements.h"
#include "runtime/data/driver/string_stack.h"

namespace vantrel {
namespace {

// An in-memory driver: each file is a list of fixed-size records kept by
// name, so that it outlives the instances built for it.
std::map<std::string, std::vector<std::string>>& Disk() {
  static std::map<std::string, std::vector<std::string>> disk;
  return disk;
}
int instances_made = 0;
int fail_next_with = 0;  // a code the next operation returns
// The string arguments of the last operation, as the driver saw them.
std::string text_seen;
std::string value_seen;

class MemoryInstance : public DriverInstance {
 public:
  explicit MemoryInstance(FileDeclaration& file) : file_(file) {}

  DriverResult Perform(DriverOp op, DriverArgs& args) override {
    text_seen = args.text;
    value_seen = args.value;
    if (fail_next_with != 0) {
      int code = std::exchange(fail_next_with, 0);
      if (code == kErrFileSystem) {
        PostFileError("12", "Disk on fire", file_.DisplayName());
      }
      return {code, 0};
    }
    if (op == DriverOp::kOPEN || op == DriverOp::kSHARE) {
      return {Disk().count(file_.name) ? 0 : kErrFileNotFound, 0};
    }
    std::vector<std::string>& records = Disk()[file_.name];
    std::string buffer(file_.record.begin(), file_.record.end());
    switch (op) {
      case DriverOp::kCREATE:
        records.clear();
        return {};
      case DriverOp::kADD:
        records.push_back(buffer);
        current_ = records.size() - 1;
        return {};
      case DriverOp::kSETfile:
      case DriverOp::kSETkey:
        next_ = 0;
        return {};
      case DriverOp::kRESETfile:
        next_ = std::stoul(std::string(args.text));
        return {};
      case DriverOp::kNEXT:
        if (next_ >= records.size()) return {kErrRecordNotAvailable, 0};
        current_ = next_++;
        std::copy(records[current_].begin(), records[current_].end(),
                  file_.record.begin());
        return {};
      case DriverOp::kPUT:
        records[current_] = buffer;
        return {};
      case DriverOp::kDELETE:
        records.erase(records.begin() + current_);
        return {};
      case DriverOp::kEOF:
        return {0, next_ >= records.size()};
      case DriverOp::kRECORDSfile:
      case DriverOp::kRECORDSkey:
        return {0, static_cast<std::int64_t>(records.size())};
      case DriverOp::kNAME:
        args.result_text = file_.name;
        return {};
      case DriverOp::kBUILDfile:
        if (args.text == "start") file_.control.state |= kStateBuilding;
        return {};
      case DriverOp::kCLOSE:
        file_.control.state &= ~kStateBuilding;
        return {};
      case DriverOp::kLOGOUT:
      case DriverOp::kCOMMIT:
      case DriverOp::kLOCKfile:
      case DriverOp::kUNLOCK:
      case DriverOp::kPACK:
      case DriverOp::kEMPTY:
      case DriverOp::kHOLDfile:
      case DriverOp::kWATCH:
      case DriverOp::kBUILDdyn:
        return {};
      default:
        return {kErrUnsupportedFunction, 0};
    }
  }

 private:
  FileDeclaration& file_;
  std::size_t next_ = 0;     // the record NEXT reads
  std::size_t current_ = 0;  // the current record
};

MadeInstance MakeMemoryInstance(FileDeclaration& file) {
  if (!file.memos.empty()) return FailureCode{kErrInvalidRecordDeclaration};
  ++instances_made;
  return std::make_unique<MemoryInstance>(file);
}

const DriverEntry& MemoryEntry() {
  static const DriverEntry entry = [] {
    DriverEntry e;
    e.name = "MEMTEST";
    e.make_instance = MakeMemoryInstance;
    return e;
  }();
  return entry;
}

class DriverCallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterDriver(MemoryEntry());
    Disk().clear();
    Disk()["people"] = {"ANN     ", "BOB     "};
    fail_next_with = 0;
    instances_made = 0;
    ClearError();
    Declare(file_, "people");
    Declare(other_, "other");
    Disk()["other"] = {};
  }

  void Declare(FileDeclaration& file, std::string name) {
    file.label = "PEO";
    file.driver_name = "memtest";
    file.name = std::move(name);
    file.record = record_;
  }

  int Do(FileDeclaration& file, DriverOp op, DriverArgs args = {}) {
    return CallDriver(file, op, args).code;
  }

  std::array<char, 8> record_{};
  FileDeclaration file_;
  FileDeclaration other_;
};

KeyDeclaration MakeKey(std::string label, std::uint16_t flags = 0) {
  KeyDeclaration key;
  key.label = std::move(label);
  key.flags = flags;
  return key;
}

struct Step {
  DriverOp op;
  int code;  // what the call returns
  std::uint32_t mode = kDefaultOpenMode;
};

// Runs steps on one file and checks each step's code and ERRORCODE after it
// (a silent failure leaves the error state as it was).
void RunScript(FileDeclaration& file, std::initializer_list<Step> steps) {
  int expected_error = ErrorCode();
  for (const Step& step : steps) {
    DriverArgs args;
    args.mode = step.mode;
    if (step.op == DriverOp::kRESETfile) GetStringStack().PushText("1");
    int code = CallDriver(file, step.op, args).code;
    EXPECT_EQ(code, step.code) << DriverOpName(static_cast<int>(step.op));
    if (step.code > 0) expected_error = step.code;
    if (step.code == 0 && (StateRow(step.op).activity & kActivityClearsError)) {
      expected_error = 0;
    }
    EXPECT_EQ(ErrorCode(), expected_error)
        << DriverOpName(static_cast<int>(step.op));
  }
}

TEST_F(DriverCallTest, SequenceNeedsSetAndEndsWithFailedNext) {
  RunScript(file_, {{DriverOp::kNEXT, kErrFileNotOpen},
                    {DriverOp::kOPEN, 0},
                    {DriverOp::kNEXT, kErrRecordNotAvailable},
                    {DriverOp::kSETfile, 0},
                    {DriverOp::kNEXT, 0},
                    {DriverOp::kNEXT, 0},
                    {DriverOp::kNEXT, kErrRecordNotAvailable},
                    {DriverOp::kNEXT, kErrRecordNotAvailable},
                    {DriverOp::kPUT, kErrRecordNotAvailable},
                    {DriverOp::kRESETfile, 0},
                    {DriverOp::kNEXT, 0}});
  EXPECT_EQ(std::string(record_.data(), 3), "BOB");
}

TEST_F(DriverCallTest, OpenLogoutAndCommitRules) {
  RunScript(file_, {{DriverOp::kCOMMIT, kErrFileNotOpen},
                    {DriverOp::kOPEN, 0},
                    {DriverOp::kOPEN, kErrFileAlreadyOpen},
                    {DriverOp::kSHARE, kErrFileAlreadyOpen},
                    {DriverOp::kCOMMIT, -1},
                    {DriverOp::kLOGOUT, 0},
                    {DriverOp::kLOGOUT, kErrLogoutAlreadyActive},
                    {DriverOp::kCLOSE, kErrLogoutAlreadyActive},
                    {DriverOp::kCOMMIT, 0},
                    {DriverOp::kCLOSE, 0},
                    {DriverOp::kCLOSE, kErrFileNotOpen}});
}

TEST_F(DriverCallTest, WritesNeedARecordAndWriteAccess) {
  RunScript(file_, {{DriverOp::kOPEN, 0, kOpenReadShared},
                    {DriverOp::kDELETE, kErrRecordNotAvailable},
                    {DriverOp::kADD, kErrAccessDenied},
                    {DriverOp::kSETfile, 0},
                    {DriverOp::kNEXT, 0},
                    {DriverOp::kPUT, kErrAccessDenied},
                    {DriverOp::kCLOSE, 0},
                    {DriverOp::kOPEN, 0},
                    {DriverOp::kPUT, kErrRecordNotAvailable},
                    {DriverOp::kADD, 0},
                    {DriverOp::kPUT, 0},
                    {DriverOp::kDELETE, 0},
                    {DriverOp::kPUT, kErrRecordNotAvailable}});
}

TEST_F(DriverCallTest, ExclusiveOperationsOnSharedFileNeedLock) {
  for (DriverOp op :
       {DriverOp::kBUILDfile, DriverOp::kPACK, DriverOp::kEMPTY}) {
    SCOPED_TRACE(DriverOpName(static_cast<int>(op)));
    RunScript(file_, {{DriverOp::kSHARE, 0, kDefaultShareMode},
                      {op, kErrExclusiveAccessRequired},
                      {DriverOp::kUNLOCK, -1},
                      {DriverOp::kLOCKfile, 0},
                      {DriverOp::kLOCKfile, -1},
                      {op, 0},
                      {DriverOp::kCLOSE, 0},
                      {DriverOp::kOPEN, 0, kOpenReadWrite | kOpenDenyAll},
                      {op, 0},
                      {DriverOp::kCLOSE, 0}});
  }
}

TEST_F(DriverCallTest, ResetWithBlankPositionIsRecordNotFound) {
  Open(file_);
  for (std::string_view position : {"", "    "}) {
    DriverArgs args;
    GetStringStack().PushText(position);
    EXPECT_EQ(CallDriver(file_, DriverOp::kRESETfile, args).code,
              kErrRecordNotFound);
    EXPECT_EQ(ErrorCode(), kErrRecordNotFound);
  }
  Reset(file_, "0");
  EXPECT_EQ(ErrorCode(), 0);
}

TEST_F(DriverCallTest, QueriesKeepTheErrorOfAFailedAdd) {
  Open(file_);
  fail_next_with = kErrDuplicateKey;
  Add(file_);
  EXPECT_EQ(ErrorCode(), kErrDuplicateKey);
  Set(file_);
  EXPECT_EQ(ErrorCode(), 0);  // SET clears it
  fail_next_with = kErrDuplicateKey;
  Add(file_);
  EXPECT_FALSE(Eof(file_));
  EXPECT_EQ(Records(file_), 2);
  EXPECT_EQ(Name(file_), "people");
  EXPECT_EQ(ErrorCode(), kErrDuplicateKey);
  EXPECT_EQ(file_.control.last_result, 0);
}

TEST_F(DriverCallTest, PostsUnknownAndDriverErrors) {
  Open(file_);
  fail_next_with = 97;
  Set(file_);
  EXPECT_EQ(ErrorCode(), 97);
  EXPECT_EQ(Error(), "Unknown Error Posted : 97");
  EXPECT_EQ(ErrorFile(), "people");
  EXPECT_EQ(file_.control.state & kStateSequence, 0u);

  fail_next_with = kErrFileSystem;
  Set(file_);
  EXPECT_EQ(Error(), "File System Error");
  EXPECT_EQ(FileError(), "Disk on fire");
  EXPECT_EQ(FileErrorCode(), "12");

  Stream(file_);  // not implemented by this driver
  EXPECT_EQ(ErrorCode(), kErrUnsupportedFunction);
  EXPECT_TRUE(Eof(other_));  // a failing EOF reads as true
  EXPECT_EQ(ErrorCode(), kErrFileNotOpen);
}

TEST_F(DriverCallTest, HoldAndWatchArmTheNextRead) {
  const std::uint32_t armed = kStateHeld | kStateWatched;
  const std::uint32_t requests = kStateHoldRequested | kStateWatchRequested;
  Open(file_);
  Set(file_);
  Hold(file_);
  Watch(file_);
  Next(file_);
  EXPECT_EQ(file_.control.state & (armed | requests), armed);
  Put(file_);
  EXPECT_EQ(file_.control.state & armed, 0u);
  Set(file_);
  Next(file_);  // the requests were used up by the first read
  EXPECT_EQ(file_.control.state & armed, 0u);
  Next(file_);
  Hold(file_);
  Watch(file_);
  Next(file_);  // fails at the end: the watch goes, the hold stays requested
  EXPECT_EQ(ErrorCode(), kErrRecordNotAvailable);
  EXPECT_EQ(file_.control.state & (kStateWatched | kStateWatchRequested), 0u);
  EXPECT_NE(file_.control.state & kStateHoldRequested, 0u);
}

TEST_F(DriverCallTest, BuildInProgressRefusesAllButAFew) {
  Open(file_, kOpenReadWrite | kOpenDenyAll);
  DriverArgs start;
  start.text = "start";
  ASSERT_EQ(CallDriver(file_, DriverOp::kBUILDfile, start).code, 0);
  Set(file_);
  EXPECT_EQ(ErrorCode(), kErrBuildInProgress);
  EXPECT_EQ(Name(file_), "people");
  Close(file_);
  EXPECT_EQ(ErrorCode(), 0);
  EXPECT_EQ(file_.control.state & kStateOpen, 0u);
}

TEST_F(DriverCallTest, KeysMustBelongToTheFileAndBeBuilt) {
  KeyDeclaration& built = file_.AddKey(MakeKey("PEO:DYN", kKeyRuntimeBuilt));
  KeyDeclaration& plain = file_.AddKey(MakeKey("PEO:NAME"));
  KeyDeclaration& foreign = other_.AddKey(MakeKey("OTH:NAME"));
  Open(file_);
  Get(file_, foreign);
  EXPECT_EQ(ErrorCode(), kErrInvalidKeyFile);
  Set(plain);
  EXPECT_EQ(ErrorCode(), 0);
  EXPECT_EQ(Records(built), 0);
  EXPECT_EQ(ErrorCode(), kErrKeyMustBeRebuilt);
  BuildDynamic(built);
  EXPECT_EQ(Records(built), 2);
  EXPECT_EQ(ErrorCode(), 0);
  EXPECT_EQ(built.state, std::uint32_t{kStateKeyBuilt});
  EXPECT_EQ(plain.state, 0u);  // only a runtime-built key keeps the bit
  Close(file_);
  EXPECT_EQ(built.state, 0u);
  Open(file_);
  Set(built);
  EXPECT_EQ(ErrorCode(), kErrKeyMustBeRebuilt);
}

TEST_F(DriverCallTest, InstanceLifecycle) {
  Open(file_);
  Set(file_);
  Logout(file_);
  Close(file_);  // refused during the transaction: the open file stays
  EXPECT_NE(file_.control.instance, nullptr);
  Next(file_);
  EXPECT_EQ(ErrorCode(), 0);
  Commit(file_);
  Close(file_);
  EXPECT_EQ(file_.control.instance, nullptr);
  Open(file_);
  EXPECT_EQ(instances_made, 2);
  // A new opening starts without the old one's record and sequence.
  Put(file_);
  EXPECT_EQ(ErrorCode(), kErrRecordNotAvailable);

  FileDeclaration missing;
  Declare(missing, "nowhere");
  Open(missing);
  EXPECT_EQ(ErrorCode(), kErrFileNotFound);

  file_.memos.emplace_back();
  Close(file_);
  Open(file_);
  EXPECT_EQ(ErrorCode(), kErrInvalidRecordDeclaration);
  FileDeclaration unknown;
  Declare(unknown, "people");
  unknown.driver_name = "NODRIVER";
  Open(unknown);
  EXPECT_EQ(ErrorCode(), kErrInvalidRecordDeclaration);
}

TEST_F(DriverCallTest, StringArgumentsAndResultsGoThroughTheStringStack) {
  StringStack& stack = GetStringStack();
  const std::size_t depth = stack.Depth();
  Open(file_);
  // The position reaches the driver from the stack and is popped.
  Disk()["people"] = {"a", "b", "c"};
  stack.PushText("2");
  DriverArgs reset;
  ASSERT_EQ(CallDriver(file_, DriverOp::kRESETfile, reset).code, 0);
  EXPECT_EQ(text_seen, "2");
  EXPECT_EQ(stack.Depth(), depth);
  // The popped text is gone after the call; no view of it is left behind.
  EXPECT_TRUE(reset.text.empty());
  ASSERT_EQ(CallDriver(file_, DriverOp::kNEXT, reset).code, 0);
  EXPECT_EQ(std::string(record_.data(), 1), "c");

  // A result is pushed, also when the call fails, so every statement leaves
  // the stack as it found it.
  DriverArgs name;
  ASSERT_EQ(CallDriver(file_, DriverOp::kNAME, name).code, 0);
  EXPECT_EQ(stack.PopText(), "people");
  stack.PushText("color");
  DriverArgs property;
  EXPECT_EQ(CallDriver(file_, DriverOp::kGET_PROPERTY, property).code,
            kErrUnsupportedFunction);
  EXPECT_EQ(text_seen, "color");
  EXPECT_TRUE(property.text.empty());
  EXPECT_EQ(stack.PopText(), "");
  EXPECT_EQ(stack.Depth(), depth);

  stack.PushText("below");
  EXPECT_EQ(GetProperty(file_, "color"), "");
  SetProperty(file_, "color", "red");  // two texts taken
  EXPECT_EQ(text_seen + "=" + value_seen, "color=red");
  Rename(file_, "new");                     // refused: the file is open
  KeyDeclaration stray = MakeKey("STRAY");  // a key no file declares
  EXPECT_EQ(GetProperty(stray, "x"), "");
  EXPECT_EQ(ErrorCode(), kErrInvalidKeyFile);
  EXPECT_EQ(Name(file_), "people");
  EXPECT_EQ(stack.PopText(), "below");
  EXPECT_EQ(stack.Depth(), depth);
}

}  // namespace
}  // namespace vantrel

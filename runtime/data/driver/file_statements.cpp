#include "runtime/data/driver/file_statements.h"

#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/driver_call.h"
#include "runtime/data/driver/string_stack.h"

namespace vantrel {
namespace {

DriverResult Call(FileDeclaration& file, DriverOp op, DriverArgs args = {}) {
  return CallDriver(file, op, args);
}

// A key operation goes to the key's file.
DriverResult CallOnKey(KeyDeclaration& key, DriverOp op, DriverArgs& args) {
  args.key = &key;
  if (key.file == nullptr) {  // a key that no file declares
    // Keep the string stack as a driver call would have left it.
    StringStack& stack = GetStringStack();
    for (int i = 0; i < StringArgumentCount(op); ++i) stack.Pop();
    if (PushesStringResult(op)) stack.PushCopy({});
    PostError(kErrInvalidKeyFile);
    return {kErrInvalidKeyFile, 0};
  }
  return CallDriver(*key.file, op, args);
}

DriverResult Call(KeyDeclaration& key, DriverOp op, DriverArgs args = {}) {
  return CallOnKey(key, op, args);
}

// The driver call pushes a string result; the statement pops it.
std::string TextOf(FileDeclaration& file, DriverOp op) {
  DriverArgs args;
  CallDriver(file, op, args);
  return GetStringStack().PopText();
}

std::string TextOf(KeyDeclaration& key, DriverOp op) {
  DriverArgs args;
  CallOnKey(key, op, args);
  return GetStringStack().PopText();
}

// String arguments go onto the string stack, where the driver call takes
// them; they are referenced, not copied, as the call pops them at once.
void PushTexts(std::initializer_list<std::string_view> texts) {
  for (std::string_view text : texts) GetStringStack().PushText(text);
}

DriverArgs Mode(std::uint32_t mode) {
  DriverArgs args;
  args.mode = mode;
  return args;
}
DriverArgs Pointer(std::int64_t pointer, std::uint32_t length = 0) {
  DriverArgs args;
  args.pointer = pointer;
  args.length = length;
  return args;
}
DriverArgs Length(std::uint32_t length) { return Pointer(0, length); }
DriverArgs Seconds(std::int32_t seconds) {
  DriverArgs args;
  args.seconds = seconds;
  return args;
}
DriverArgs Count(std::int32_t count) {
  DriverArgs args;
  args.count = count;
  return args;
}
DriverArgs Key(KeyDeclaration& key) {
  DriverArgs args;
  args.key = &key;
  return args;
}

}  // namespace

void Open(FileDeclaration& file, std::uint32_t mode) {
  Call(file, DriverOp::kOPEN, Mode(mode));
}
void Share(FileDeclaration& file, std::uint32_t mode) {
  Call(file, DriverOp::kSHARE, Mode(mode));
}
void Create(FileDeclaration& file) { Call(file, DriverOp::kCREATE); }
void Close(FileDeclaration& file) { Call(file, DriverOp::kCLOSE); }
void Empty(FileDeclaration& file) { Call(file, DriverOp::kEMPTY); }
void Flush(FileDeclaration& file) { Call(file, DriverOp::kFLUSH); }
void Stream(FileDeclaration& file) { Call(file, DriverOp::kSTREAM); }
void Remove(FileDeclaration& file) { Call(file, DriverOp::kREMOVE); }
void Rename(FileDeclaration& file, std::string_view new_name) {
  PushTexts({new_name});
  Call(file, DriverOp::kRENAME);
}
void Copy(FileDeclaration& file, std::string_view new_name) {
  PushTexts({new_name});
  Call(file, DriverOp::kCOPY);
}
void Build(FileDeclaration& file) { Call(file, DriverOp::kBUILDfile); }
void Build(KeyDeclaration& key) { Call(key, DriverOp::kBUILDkey); }
void BuildDynamic(KeyDeclaration& key) { Call(key, DriverOp::kBUILDdyn); }
void BuildDynamic(KeyDeclaration& key, std::string_view filter) {
  PushTexts({filter});
  Call(key, DriverOp::kBUILDdynfilter);
}
void Pack(FileDeclaration& file) { Call(file, DriverOp::kPACK); }

void Add(FileDeclaration& file) { Call(file, DriverOp::kADD); }
void Add(FileDeclaration& file, std::uint32_t length) {
  Call(file, DriverOp::kADDfilelen, Length(length));
}
void Append(FileDeclaration& file) { Call(file, DriverOp::kAPPEND); }
void Append(FileDeclaration& file, std::uint32_t length) {
  Call(file, DriverOp::kAPPENDlen, Length(length));
}
void Put(FileDeclaration& file) { Call(file, DriverOp::kPUT); }
void Put(FileDeclaration& file, std::int64_t pointer) {
  Call(file, DriverOp::kPUTfileptr, Pointer(pointer));
}
void Put(FileDeclaration& file, std::int64_t pointer, std::uint32_t length) {
  Call(file, DriverOp::kPUTfileptrlen, Pointer(pointer, length));
}
void Delete(FileDeclaration& file) { Call(file, DriverOp::kDELETE); }
bool Duplicate(FileDeclaration& file) {
  return Call(file, DriverOp::kDUPLICATE).value != 0;
}
bool Duplicate(KeyDeclaration& key) {
  return Call(key, DriverOp::kDUPLICATEkey).value != 0;
}

void Get(FileDeclaration& file, KeyDeclaration& key) {
  Call(file, DriverOp::kGETfilekey, Key(key));
}
void Get(FileDeclaration& file, std::int64_t pointer) {
  Call(file, DriverOp::kGETfileptr, Pointer(pointer));
}
void Get(FileDeclaration& file, std::int64_t pointer, std::uint32_t length) {
  Call(file, DriverOp::kGETfileptrlen, Pointer(pointer, length));
}
void Get(KeyDeclaration& key, std::int64_t pointer) {
  Call(key, DriverOp::kGETkeyptr, Pointer(pointer));
}
void Reget(FileDeclaration& file, std::string_view position) {
  PushTexts({position});
  Call(file, DriverOp::kREGETfile);
}
void Reget(KeyDeclaration& key, std::string_view position) {
  PushTexts({position});
  Call(key, DriverOp::kREGETkey);
}

void Set(FileDeclaration& file) { Call(file, DriverOp::kSETfile); }
void Set(FileDeclaration& file, KeyDeclaration& key) {
  Call(file, DriverOp::kSETfilekey, Key(key));
}
void Set(FileDeclaration& file, std::int64_t pointer) {
  Call(file, DriverOp::kSETfileptr, Pointer(pointer));
}
void Set(KeyDeclaration& key) { Call(key, DriverOp::kSETkey); }
// The key order is `key`'s; the values of `start`'s components in the
// record buffer give the starting point.
void Set(KeyDeclaration& key, KeyDeclaration& start) {
  if (&start != &key) {
    PostError(kErrInvalidKeyFile, key.file ? key.file->DisplayName() : "");
    return;
  }
  Call(key, DriverOp::kSETkeykey);
}
void Set(KeyDeclaration& key, std::int64_t pointer) {
  Call(key, DriverOp::kSETkeyptr, Pointer(pointer));
}
void Set(KeyDeclaration& key, KeyDeclaration& start, std::int64_t pointer) {
  if (&start != &key) {
    PostError(kErrInvalidKeyFile, key.file ? key.file->DisplayName() : "");
    return;
  }
  Call(key, DriverOp::kSETkeykeyptr, Pointer(pointer));
}
void Reset(FileDeclaration& file, std::string_view position) {
  PushTexts({position});
  Call(file, DriverOp::kRESETfile);
}
void Reset(KeyDeclaration& key, std::string_view position) {
  PushTexts({position});
  Call(key, DriverOp::kRESETkey);
}
void Next(FileDeclaration& file) { Call(file, DriverOp::kNEXT); }
void Previous(FileDeclaration& file) { Call(file, DriverOp::kPREVIOUS); }
void Skip(FileDeclaration& file, std::int32_t count) {
  Call(file, DriverOp::kSKIP, Count(count));
}
bool Eof(FileDeclaration& file) {
  return Call(file, DriverOp::kEOF).value != 0;
}
bool Bof(FileDeclaration& file) {
  return Call(file, DriverOp::kBOF).value != 0;
}

std::string Position(FileDeclaration& file) {
  return TextOf(file, DriverOp::kPOSITIONfile);
}
std::string Position(KeyDeclaration& key) {
  return TextOf(key, DriverOp::kPOSITIONkey);
}
std::int64_t Pointer(FileDeclaration& file) {
  return Call(file, DriverOp::kPOINTERfile).value;
}
std::int64_t Pointer(KeyDeclaration& key) {
  return Call(key, DriverOp::kPOINTERkey).value;
}
std::int64_t Records(FileDeclaration& file) {
  return Call(file, DriverOp::kRECORDSfile).value;
}
std::int64_t Records(KeyDeclaration& key) {
  return Call(key, DriverOp::kRECORDSkey).value;
}
std::int64_t Bytes(FileDeclaration& file) {
  return Call(file, DriverOp::kBYTES).value;
}
std::string Name(FileDeclaration& file) {
  return TextOf(file, DriverOp::kNAME);
}

void Hold(FileDeclaration& file) { Call(file, DriverOp::kHOLDfile); }
void Hold(FileDeclaration& file, std::int32_t seconds) {
  Call(file, DriverOp::kHOLDfilesec, Seconds(seconds));
}
void Release(FileDeclaration& file) { Call(file, DriverOp::kRELEASE); }
void Watch(FileDeclaration& file) { Call(file, DriverOp::kWATCH); }
void Lock(FileDeclaration& file) { Call(file, DriverOp::kLOCKfile); }
void Lock(FileDeclaration& file, std::int32_t seconds) {
  Call(file, DriverOp::kLOCKfilesec, Seconds(seconds));
}
void Unlock(FileDeclaration& file) { Call(file, DriverOp::kUNLOCK); }
void NoMemo(FileDeclaration& file) { Call(file, DriverOp::kNOMEMO); }

void Logout(FileDeclaration& file) { Call(file, DriverOp::kLOGOUT); }
void Logout(FileDeclaration& file, std::int32_t seconds) {
  Call(file, DriverOp::kLOGOUT, Seconds(seconds));
}
void Commit(FileDeclaration& file) { Call(file, DriverOp::kCOMMIT); }
void Rollback(FileDeclaration& file) { Call(file, DriverOp::kROLLBACK); }

std::string Send(FileDeclaration& file, std::string_view command) {
  PushTexts({command});
  return TextOf(file, DriverOp::kSEND);
}
void SetProperty(FileDeclaration& file, std::string_view property,
                 std::string_view value) {
  PushTexts({property, value});
  Call(file, DriverOp::kSET_PROPERTY);
}
std::string GetProperty(FileDeclaration& file, std::string_view property) {
  PushTexts({property});
  return TextOf(file, DriverOp::kGET_PROPERTY);
}
void DoProperty(FileDeclaration& file, std::string_view property,
                std::string_view value) {
  PushTexts({property, value});
  Call(file, DriverOp::kDO_PROPERTY);
}
void SetProperty(KeyDeclaration& key, std::string_view property,
                 std::string_view value) {
  PushTexts({property, value});
  Call(key, DriverOp::kSETPROPERTYkey);
}
std::string GetProperty(KeyDeclaration& key, std::string_view property) {
  PushTexts({property});
  return TextOf(key, DriverOp::kGETPROPERTYkey);
}
void DoProperty(KeyDeclaration& key, std::string_view property,
                std::string_view value) {
  PushTexts({property, value});
  Call(key, DriverOp::kDOPROPERTYkey);
}

}  // namespace vantrel

#include "framework/file_manager.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "framework/error_manager_halt.h"
#include "framework/file_manager_fields.h"
#include "framework/file_manager_scope.h"
#include "framework/relation_manager.h"
#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/driver_call.h"
#include "runtime/data/driver/driver_state_table.h"
#include "runtime/data/driver/file_statements.h"
#include "runtime/data/expr/expr_bind.h"
#include "runtime/data/types/record_clear.h"
#include "runtime/data/view/view_fields.h"
#include "runtime/window/events.h"

namespace vantrel {
namespace {

// Access bits of an open mode; any of them asks for write access.
// The thread number of a file not declared THREAD.
constexpr std::int32_t kUnthreaded = 1;
// Physical open attempts: the first, and one after creating the file,
// rebuilding its keys or falling back to read-only.
constexpr int kOpenAttempts = 2;
// Failed adds of an auto-numbered record before the user is asked.
constexpr int kAutoNumberAttempts = 3;
constexpr char kRecoverCommand[] = "Recover=";
constexpr std::size_t kNameSize = 256;
// A record pointer that names no record.
constexpr std::int64_t kNoRecord = 0;

struct RegistryEntry {
  const FileDeclaration* FILELABEL = nullptr;
  FileManager* FILEMANAGER = nullptr;
};

std::vector<RegistryEntry>& Registry() {
  static std::vector<RegistryEntry> registry;
  return registry;
}

bool IsOpen(const FileDeclaration& file) {
  return (file.control.state & kStateOpen) != 0;
}

std::span<std::uint8_t> Bytes(std::span<char> bytes) {
  return {reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size()};
}

// The record followed by the file's MEMO buffers, as one image.
std::vector<std::uint8_t> RecordImage(const FileDeclaration& file) {
  std::vector<std::uint8_t> image(file.record.begin(), file.record.end());
  for (const MemoDeclaration& memo : file.memos) {
    image.insert(image.end(), memo.buffer.begin(), memo.buffer.end());
  }
  return image;
}

void PutRecordImage(FileDeclaration& file,
                    const std::vector<std::uint8_t>& image) {
  std::size_t at = 0;
  const auto take = [&](std::span<char> into) {
    const std::size_t n = std::min(into.size(), image.size() - at);
    std::memcpy(into.data(), image.data() + at, n);
    at += n;
  };
  take(file.record);
  for (MemoDeclaration& memo : file.memos) take(memo.buffer);
}

// The numbers (from 1, among the FILE's memos) of the BLOBs.
std::vector<std::int64_t> BlobNumbers(const FileDeclaration& file) {
  std::vector<std::int64_t> numbers;
  for (std::size_t m = 0; m < file.memos.size(); ++m) {
    if (file.memos[m].flags & kMemoBlob) {
      numbers.push_back(static_cast<std::int64_t>(m) + 1);
    }
  }
  return numbers;
}

// A copy of a BLOB's contents, leaving them with the driver. Empty when
// the file is not open.
std::vector<std::uint8_t> CopyBlob(FileDeclaration& file, std::int64_t number) {
  std::vector<std::uint8_t> block;
  if (!IsOpen(file)) return block;
  DriverArgs yield;
  yield.pointer = number;
  yield.block = &block;
  CallDriver(file, DriverOp::kBLOB_YIELD, yield);
  std::vector<std::uint8_t> copy = block;
  DriverArgs take;
  take.pointer = number;
  take.block = &block;
  CallDriver(file, DriverOp::kBLOB_TAKE, take);
  return copy;
}

void PutBlob(FileDeclaration& file, std::int64_t number,
             std::vector<std::uint8_t> contents) {
  if (!IsOpen(file)) return;
  DriverArgs take;
  take.pointer = number;
  take.block = &contents;
  CallDriver(file, DriverOp::kBLOB_TAKE, take);
}

// Whether a stored record holds the record buffer's value of a key. Asked
// after an ADD failed, when the current record (which DUPLICATE leaves out)
// may be the very record the new one collides with.
bool KeyValueTaken(FileDeclaration& file, KeyDeclaration& key) {
  DriverArgs args;
  args.key = &key;
  return CallDriver(file, DriverOp::kQUERY_KEY, args).value != 0;
}

}  // namespace

FileManager::FileManager() = default;

FileManager::~FileManager() {
  if (INFO) Kill();
}

// --- Life and bookkeeping ---------------------------------------------------

void FileManager::Init(FileDeclaration& file, ErrorManager& errors) {
  ERRORS = &errors;
  FILE = &file;
  BUFFER = file.record;
  INFO = std::make_unique<std::deque<FileThreadState>>();
  KEYS = std::make_unique<std::vector<KeyDescription>>();
  BUFFERS = std::make_unique<std::vector<SavedBuffer>>();
  SAVED = std::make_unique<std::vector<SavedFileState>>();
  SKIPHELDRECORDS = 0;
  OPENMODE = kManagerOpenMode;
  CREATE = 1;
  LOCKRECOVER = 10;
  PRIMARYKEY = 0;
  LAZYOPEN = 1;
  FILENAMEVALUE =
      (file.name.empty() ? file.label : file.name).substr(0, kNameSize);
  Registry().push_back({&file, this});
  AtHalt(&CloseManagedFiles);
}

void FileManager::Kill() {
  // Whatever the transaction had done is not complete: it must not commit.
  if (FILE && IsOpen(*FILE) && (FILE->control.state & kStateLogout)) {
    vantrel::Rollback(*FILE);
  }
  ForgetScopes(*this);
  std::erase_if(Registry(), [this](const RegistryEntry& entry) {
    return entry.FILEMANAGER == this;
  });
  INFO.reset();
  KEYS.reset();
  BUFFERS.reset();
  SAVED.reset();
}

void FileManager::AddKey(KeyDeclaration& key, std::string_view description,
                         std::uint8_t auto_inc) {
  KeyDescription added;
  added.KEY = &key;
  added.DESCRIPTION = std::string(description.substr(0, kKeyDescriptionSize));
  added.FIELDS = std::make_unique<std::vector<KeyComponentEntry>>();
  for (const std::int16_t component : key.components) {
    KeyComponentEntry field;
    field.FIELD = component < 0 ? -component : component;
    field.ASCEND = component > 0 ? 1 : 0;
    if (const auto info = RecordField(*FILE, field.FIELD)) {
      field.FIELDNAME = info->label;
    }
    added.FIELDS->push_back(std::move(field));
  }
  // A component the key does not have cannot be numbered.
  added.AUTOINC = auto_inc <= added.FIELDS->size() ? auto_inc : 0;
  added.DUPS = (key.flags & kKeyDup) ? 1 : 0;
  added.NOCASE = (key.flags & kKeyNoCase) ? 1 : 0;
  if (added.AUTOINC != 0) HASAUTOINC = 1;
  KEYS->push_back(std::move(added));
  if (key.flags & kKeyPrimary) {
    PRIMARYKEY = static_cast<std::uint8_t>(KEYS->size());
  }
}

FileThreadState& FileManager::Enter() {
  const std::int32_t id =
      (FILE->attributes & kFileThread) ? ThreadNumber() : kUnthreaded;
  auto found =
      std::find_if(INFO->begin(), INFO->end(),
                   [id](const FileThreadState& s) { return s.ID == id; });
  if (found == INFO->end()) {
    INFO->push_back(FileThreadState{});
    INFO->back().ID = id;
    found = std::prev(INFO->end());
  }
  ERRORS->SetFileName(GetName());
  return *found;
}

FileThreadState& FileManager::ThreadState() { return Enter(); }

std::string FileManager::GetName() const {
  return FILENAME ? *FILENAME : FILENAMEVALUE;
}

void FileManager::SetError(std::uint16_t id) {
  ERRORS->SaveErrorState();
  Enter().LASTERROR = id;
}

Level FileManager::Throw(std::uint16_t id) {
  SetError(id);
  return ThrowPending();
}

Level FileManager::ThrowPending() {
  return ERRORS->Dispatch(Enter().LASTERROR);
}

Level FileManager::ThrowMessage(std::uint16_t id, std::string_view text) {
  SetError(id);
  ERRORS->MESSAGETEXT = std::string(text.substr(0, kErrorFieldSize));
  return ThrowPending();
}

Level FileManager::Finish(bool show, Level quiet) {
  return show ? ThrowPending() : quiet;
}

// --- Opening and closing ----------------------------------------------------

Level FileManager::Open() { return LogicalOpen(true); }

Level FileManager::TryOpen() { return LogicalOpen(false); }

Level FileManager::LogicalOpen(bool show) {
  FileThreadState& state = Enter();
  BindBuffer();
  // A lazily opened file waits for its first use; a file open already is
  // only counted.
  if (!LAZYOPEN && state.OPENED == 0) {
    if (const Level level = PhysicalOpen(show); level != Level::Proceed) {
      return level;
    }
  }
  NoteOpen(*this);
  ++Enter().OPENED;
  return Level::Proceed;
}

Level FileManager::PhysicalOpen(bool show) {
  const auto open_once = [this] {
    vantrel::Open(*FILE, OPENMODE);
    return ErrorCode();
  };
  for (int attempt = 0;; ++attempt) {
    if (attempt == kOpenAttempts) {
      SetError(kMsgOpenError);
      return Finish(show, Level::Notified);
    }
    int code = open_once();
    if (code == kErrAccessDenied) {
      // Locks left behind by a station that died are recovered once.
      vantrel::Send(*FILE, kRecoverCommand + std::to_string(LOCKRECOVER));
      code = open_once();
    }
    switch (code) {
      case kErrNone:
      case kErrFileAlreadyOpen: {
        FileThreadState& state = Enter();
        state.USED = 1;
        state.ATEOF = 0;
        state.AUTOINCDONE = 0;
        return Level::Proceed;
      }
      case kErrAccessDenied:
        if (OPENMODE & kOpenAccessMask) {
          // Read only, keeping the sharing.
          OPENMODE = static_cast<std::uint8_t>(OPENMODE & ~kOpenAccessMask);
          ERRORS->Raise(kMsgAccessDenied);
          continue;
        }
        SetError(kMsgOpenError);
        return Finish(show, Level::Notified);
      case kErrFileNotFound:
        if (!CREATE) {
          SetError(kMsgOpenError);
          return Finish(show, Level::Notified);
        }
        vantrel::Create(*FILE);
        if (ErrorCode() == kErrNone) continue;
        SetError(kMsgCreateError);
        return Finish(show, Level::Notified);
      case kErrKeyMustBeRebuilt:
        if (const Level level = RebuildKeys(show); level != Level::Proceed) {
          return level;
        }
        continue;
      default:
        SetError(kMsgOpenError);
        return Finish(show, Level::Notified);
    }
  }
}

Level FileManager::RebuildKeys(bool show) {
  SetError(kMsgInvalidKey);
  if (!show) return Level::Notified;
  ThrowPending();
  // A file that is not open is opened for exclusive use by the build.
  vantrel::Build(*FILE);
  if (ErrorCode() == kErrNone) return Level::Proceed;
  return Throw(kMsgKeyNotBuilt);
}

Level FileManager::UseFile(UseLevel level) {
  Enter();
  NoteUse(*this, level);
  FileThreadState& state = Enter();
  if (!LAZYOPEN || state.USED) return Level::Proceed;
  if (state.OPENED == 0) return Throw(kMsgFileNotOpened);
  // The open must not change the record the caller has prepared.
  const std::int32_t saved = SaveBuffer();
  const Level opened = PhysicalOpen(true);
  RestoreBuffer(saved, true);
  return opened;
}

Level FileManager::Close() {
  FileThreadState& state = Enter();
  NoteClose(*this);
  if (state.OPENED > 0 && --state.OPENED == 0) {
    if (state.USED && IsOpen(*FILE)) vantrel::Close(*FILE);
    state.USED = 0;
  }
  return Level::Proceed;
}

void FileManager::BindBuffer() {
  const auto fields = FILE->descriptor.Fields();
  if (!fields) return;
  const FileDeclaration* file = FILE;
  for (const FieldInfo& field : *fields) {
    if (field.label.empty()) continue;
    BindReader(field.label,
               [file, field] { return ReadFieldValue(*file, field); });
  }
}

// --- Reading -----------------------------------------------------------------

Level FileManager::Next() { return Read(true, true); }
Level FileManager::TryNext() { return Read(true, false); }
Level FileManager::Previous() { return Read(false, true); }
Level FileManager::TryPrevious() { return Read(false, false); }

Level FileManager::Read(bool forward, bool show) {
  for (;;) {
    if (UseFile() != Level::Proceed) return Level::Fatal;
    FileThreadState& state = Enter();
    state.ATEOF = 0;
    forward ? vantrel::Next(*FILE) : vantrel::Previous(*FILE);
    switch (ErrorCode()) {
      case kErrRecordNotAvailable:
        state.ATEOF = 1;
        return Level::Notified;
      case kErrNone:
        return Level::Proceed;
      case kErrRecordHeld:
        if (SKIPHELDRECORDS) continue;
        SetError(kMsgRecordHeld);
        return Finish(show, Level::Notified);
      default:
        SetError(kMsgRetrievalError);
        return Finish(show, Level::Fatal);
    }
  }
}

Level FileManager::TryFetch(KeyDeclaration& key) {
  if (UseFile() != Level::Proceed) return Level::Fatal;
  vantrel::Get(*FILE, key);
  return ErrorCode() == kErrNone ? Level::Proceed : Level::Notified;
}

Level FileManager::FetchOrClear(KeyDeclaration& key) {
  const Level level = TryFetch(key);
  if (level != Level::Proceed)
    ClearRecord(FILE->descriptor, Bytes(FILE->record));
  return level;
}

std::string FileManager::Position() {
  if (PRIMARYKEY != 0 && PRIMARYKEY <= KEYS->size()) {
    return vantrel::Position(*(*KEYS)[PRIMARYKEY - 1].KEY)
        .substr(0, kPositionSize);
  }
  return vantrel::Position(*FILE).substr(0, kPositionSize);
}

// --- Writing -----------------------------------------------------------------

Level FileManager::Insert() { return InsertRecord(true); }
Level FileManager::TryInsert() { return InsertRecord(false); }

Level FileManager::InsertRecord(bool show) {
  if (UseFile() != Level::Proceed) return Level::Fatal;
  int failed = 0;
  if (ValidateRecord(failed) != Level::Proceed) return Level::Notified;
  int code = kErrNone;
  if (HASAUTOINC) {
    FileThreadState& state = Enter();
    if (state.AUTOINCDONE) {
      // The record already stands in the file: it is written in place.
      vantrel::Put(*FILE, state.autoinc_pointer);
      code = ErrorCode();
    } else if ((show ? PrimeAutoInc() : TryPrimeAutoInc()) != Level::Proceed) {
      return Level::Notified;
    }
  } else {
    vantrel::Add(*FILE);
    code = ErrorCode();
  }
  if (code == kErrNone) {
    Enter().AUTOINCDONE = 0;
    return Level::Proceed;
  }
  if (code == kErrDuplicateKey) {
    SetError(kMsgDuplicateKey);
    if (!show) return Level::Notified;
    ERRORS->MESSAGETEXT.clear();
    for (const KeyDescription& key : *KEYS) {
      if (!key.DUPS && KeyValueTaken(*FILE, *key.KEY)) {
        ERRORS->MESSAGETEXT = key.DESCRIPTION;
        break;
      }
    }
    ThrowPending();
    return Level::Notified;
  }
  SetError(kMsgInsertError);
  return Finish(show, Level::Notified);
}

Level FileManager::PrimeAutoInc() { return AutoNumber(true); }
Level FileManager::TryPrimeAutoInc() { return AutoNumber(false); }

Level FileManager::AutoNumber(bool show) {
  if (!HASAUTOINC || Enter().AUTOINCDONE) return Level::Proceed;
  if (UseFile() != Level::Proceed) return Level::Fatal;
  int failures = 0;
  for (;;) {
    if (!NumberKeys()) return Finish(show, Level::Notified);
    vantrel::Add(*FILE);
    if (ErrorCode() == kErrNone) {
      FileThreadState& state = Enter();
      state.AUTOINCDONE = 1;
      state.autoinc_pointer = vantrel::Pointer(*FILE);
      return Level::Proceed;
    }
    // Another station took the number meanwhile: number afresh.
    if (++failures < kAutoNumberAttempts) continue;
    SetError(kMsgAutoIncError);
    if (!show) return Level::Notified;
    if (ThrowPending() != Level::Proceed) return Level::Notified;
    failures = 0;
  }
}

bool FileManager::NumberKeys() {
  for (const KeyDescription& key : *KEYS) {
    if (key.AUTOINC == 0) continue;
    const std::vector<KeyComponentEntry>& components = *key.FIELDS;
    const KeyComponentEntry& numbered = components[key.AUTOINC - 1];
    const auto field = RecordField(*FILE, numbered.FIELD);
    if (!field) continue;
    const std::int32_t saved = SaveBuffer();
    const std::vector<std::uint8_t> before = RecordImage(*FILE);
    vantrel::NoMemo(*FILE);
    // The record with the highest number comes first reading against the
    // component's order: from the key's end, or for a prefix from the
    // prefix's highest possible number.
    if (components.size() == 1) {
      vantrel::Set(*key.KEY);
    } else {
      SetHighestValue(*field, FieldBytes(FILE->record, *field).data());
      vantrel::Set(*key.KEY, *key.KEY);
    }
    numbered.ASCEND ? vantrel::Previous(*FILE) : vantrel::Next(*FILE);
    const int code = ErrorCode();
    std::optional<std::vector<std::uint8_t>> highest;
    if (code == kErrNone) {
      bool same_prefix = true;
      for (int i = 0; i + 1 < key.AUTOINC && same_prefix; ++i) {
        const auto part = RecordField(*FILE, components[i].FIELD);
        if (!part) continue;
        same_prefix =
            SameFieldValue(*part, FieldBytes(FILE->record, *part).data(), *part,
                           before.data() + part->offset);
      }
      if (same_prefix) {
        const auto bytes = FieldBytes(FILE->record, *field);
        highest.emplace(bytes.begin(), bytes.end());
      }
    } else if (code != kErrRecordNotAvailable) {
      SetError(kMsgRetrievalError);
      RestoreBuffer(saved, true);
      return false;
    }
    RestoreBuffer(saved, true);
    std::uint8_t* value = FieldBytes(FILE->record, *field).data();
    // A number past the field's top stays at the highest: the add then
    // fails and the user is asked.
    if (!StoreNextNumber(*field, highest ? highest->data() : nullptr, value) &&
        highest) {
      std::memcpy(value, highest->data(), highest->size());
    }
  }
  return true;
}

Level FileManager::Update() { return UpdateRecord(true); }
Level FileManager::TryUpdate() { return UpdateRecord(false); }

Level FileManager::UpdateRecord(bool show) {
  if (UseFile() != Level::Proceed) return Level::Fatal;
  int failed = 0;
  if (ValidateRecord(failed) != Level::Proceed) return Level::Question;
  const std::string position =
      vantrel::Position(*FILE).substr(0, kPositionSize);
  vantrel::Put(*FILE);
  const int code = ErrorCode();
  if (code == kErrNone) return Level::Proceed;
  if (code == kErrRecordChanged) {
    SetError(kMsgRecordChanged);
    if (show) ThrowPending();
    // Show the other station's version, watched for the next attempt.
    vantrel::Watch(*FILE);
    vantrel::Reget(*FILE, position);
    return Level::Notified;
  }
  SetError(kMsgUpdateError);
  return Finish(show, Level::Notified);
}

Level FileManager::PrimeRecord(bool keep) {
  if (ALIASEDFILE) {
    FileManager& aliased = *ALIASEDFILE;
    const std::uint16_t saved = aliased.SaveFile();
    const std::size_t n = std::min(BUFFER.size(), aliased.BUFFER.size());
    std::memcpy(aliased.BUFFER.data(), BUFFER.data(), n);
    const Level level = aliased.PrimeRecord(keep);
    std::memcpy(BUFFER.data(), aliased.BUFFER.data(), n);
    FileThreadState& state = Enter();
    const FileThreadState& other = aliased.ThreadState();
    state.AUTOINCDONE = other.AUTOINCDONE;
    state.autoinc_pointer = other.autoinc_pointer;
    aliased.RestoreFile(saved, false);
    return level;
  }
  Enter();
  if (!keep) ClearRecord(FILE->descriptor, Bytes(FILE->record));
  PrimeFields();
  if (!HASAUTOINC) return Level::Proceed;
  Enter().AUTOINCDONE = 0;
  return PrimeAutoInc();
}

void FileManager::PrimeFields() {}

Level FileManager::CancelAutoInc(RelationManager* relations) {
  FileThreadState& state = Enter();
  if (!state.AUTOINCDONE) return Level::Proceed;
  if (UseFile() != Level::Proceed) return Level::Fatal;
  vantrel::Get(*FILE, state.autoinc_pointer);
  if (ErrorCode() == kErrRecordNotFound) {  // gone already
    Enter().AUTOINCDONE = 0;
    return Level::Proceed;
  }
  Level level = Level::Proceed;
  if (ErrorCode() != kErrNone) {
    level = Throw(kMsgDeleteError);
  } else if (relations) {
    level = relations->Delete(false);
  } else {
    vantrel::Delete(*FILE);
    if (ErrorCode() != kErrNone) level = Throw(kMsgDeleteError);
  }
  if (level == Level::Proceed) Enter().AUTOINCDONE = 0;
  return level;
}

// --- Validation --------------------------------------------------------------

Level FileManager::ValidateField(int field) {
  if (!ALIASEDFILE) return Level::Proceed;
  FileManager& aliased = *ALIASEDFILE;
  const std::int32_t saved = aliased.SaveBuffer();
  std::memcpy(aliased.BUFFER.data(), BUFFER.data(),
              std::min(BUFFER.size(), aliased.BUFFER.size()));
  const Level level = aliased.ValidateField(field);
  aliased.RestoreBuffer(saved, true);
  return level;
}

Level FileManager::ValidateFields(int first, int last, int& failed) {
  for (int field = first; field <= last; ++field) {
    if (const Level level = ValidateField(field); level != Level::Proceed) {
      failed = field;
      return level;
    }
  }
  return Level::Proceed;
}

Level FileManager::ValidateRecord(int& failed) {
  return ValidateFields(1, static_cast<int>(FILE->descriptor.FieldCount()),
                        failed);
}

// --- Saved buffers and states -----------------------------------------------

std::int32_t FileManager::NextBufferId() const {
  return BUFFERS->empty() ? 1 : BUFFERS->back().ID + 1;
}

std::int32_t FileManager::SaveBuffer() {
  const std::int32_t id = NextBufferId();
  BUFFERS->push_back(
      {id, std::make_unique<std::vector<std::uint8_t>>(RecordImage(*FILE))});
  std::int32_t blob_id = id;
  for (const std::int64_t number : BlobNumbers(*FILE)) {
    BUFFERS->push_back({++blob_id, std::make_unique<std::vector<std::uint8_t>>(
                                       CopyBlob(*FILE, number))});
  }
  return id;
}

void FileManager::RestoreBuffer(std::int32_t id, bool copy_back) {
  const auto record =
      std::find_if(BUFFERS->begin(), BUFFERS->end(),
                   [id](const SavedBuffer& b) { return b.ID == id; });
  if (record == BUFFERS->end()) return;
  const std::vector<std::int64_t> blobs = BlobNumbers(*FILE);
  if (copy_back) {
    PutRecordImage(*FILE, *record->BUFFER);
    for (std::size_t i = 0; i < blobs.size(); ++i) {
      const std::int32_t blob_id = id + static_cast<std::int32_t>(i) + 1;
      for (const SavedBuffer& saved : *BUFFERS) {
        if (saved.ID == blob_id) PutBlob(*FILE, blobs[i], *saved.BUFFER);
      }
    }
  }
  const std::int32_t last = id + static_cast<std::int32_t>(blobs.size());
  std::erase_if(*BUFFERS, [id, last](const SavedBuffer& b) {
    return b.ID >= id && b.ID <= last;
  });
}

bool FileManager::EqualBuffer(std::int32_t id) {
  const auto record =
      std::find_if(BUFFERS->begin(), BUFFERS->end(),
                   [id](const SavedBuffer& b) { return b.ID == id; });
  if (record == BUFFERS->end()) return false;
  if (*record->BUFFER != RecordImage(*FILE)) return false;
  const std::vector<std::int64_t> blobs = BlobNumbers(*FILE);
  for (std::size_t i = 0; i < blobs.size(); ++i) {
    const std::int32_t blob_id = id + static_cast<std::int32_t>(i) + 1;
    for (const SavedBuffer& saved : *BUFFERS) {
      if (saved.ID == blob_id && *saved.BUFFER != CopyBlob(*FILE, blobs[i])) {
        return false;
      }
    }
  }
  return true;
}

std::uint16_t FileManager::SaveFile() {
  FileThreadState& state = Enter();
  SavedFileState saved;
  saved.BUFFER = static_cast<std::uint16_t>(SaveBuffer());
  saved.ID =
      SAVED->empty() ? 1 : static_cast<std::uint16_t>(SAVED->back().ID + 1);
  const std::uint32_t word = FILE->control.state;
  saved.WHELD = (word & kStateHeld) ? 1 : 0;
  saved.WWATCH = (word & kStateWatched) ? 1 : 0;
  saved.AUTOINCDONE = state.AUTOINCDONE;
  if ((word & kStateOpen) && (word & kStateHasRecord)) {
    saved.KEY = PRIMARYKEY <= KEYS->size() ? PRIMARYKEY : 0;
    saved.POS = Position();
  }
  SAVED->push_back(std::move(saved));
  return SAVED->back().ID;
}

void FileManager::RestoreFile(std::uint16_t id, bool reposition) {
  const auto found =
      std::find_if(SAVED->begin(), SAVED->end(),
                   [id](const SavedFileState& s) { return s.ID == id; });
  if (found == SAVED->end()) return;
  const SavedFileState saved = *found;
  SAVED->erase(found);
  if (reposition && !saved.POS.empty() && IsOpen(*FILE)) {
    KeyDeclaration* key = saved.KEY ? (*KEYS)[saved.KEY - 1].KEY : nullptr;
    // Held again only if it can be had at once: another station may have
    // taken it meanwhile.
    if (saved.WHELD) vantrel::Hold(*FILE, 0);
    if (saved.WWATCH) vantrel::Watch(*FILE);
    const auto reset = [&] {
      key ? vantrel::Reset(*key, saved.POS) : vantrel::Reset(*FILE, saved.POS);
    };
    reset();
    vantrel::Next(*FILE);
    if (ErrorCode() != kErrNone || Position() != saved.POS) {
      // The saved record is gone. No other record may stand in for it, or a
      // later PUT would write the saved copy over that one: a fetch that
      // fails leaves the file without a current record.
      vantrel::Get(*FILE, kNoRecord);
      reset();
    }
  }
  Enter().AUTOINCDONE = saved.AUTOINCDONE;
  RestoreBuffer(saved.BUFFER, true);
}

void FileManager::ClearKey(KeyDeclaration& key, int first, int last,
                           bool high) {
  const int count = static_cast<int>(key.components.size());
  for (int i = std::max(first, 1); i <= std::min(last, count); ++i) {
    const std::int16_t component = key.components[i - 1];
    const bool ascending = component > 0;
    const auto field = RecordField(*FILE, ascending ? component : -component);
    if (!field) continue;
    std::uint8_t* value = FieldBytes(FILE->record, *field).data();
    if (high == ascending) {
      SetHighestValue(*field, value);
    } else {
      ClearFieldValue(*field, value);
    }
  }
}

// --- Registry ----------------------------------------------------------------

FileManager* FindFileManager(const FileDeclaration& file) {
  for (const RegistryEntry& entry : Registry()) {
    if (entry.FILELABEL == &file) return entry.FILEMANAGER;
  }
  return nullptr;
}

void CloseManagedFiles() {
  for (const RegistryEntry& entry : Registry()) {
    FileDeclaration& file = *entry.FILEMANAGER->FILE;
    if (!IsOpen(file)) continue;
    if (file.control.state & kStateLogout) vantrel::Rollback(file);
    vantrel::Close(file);
  }
}

}  // namespace vantrel

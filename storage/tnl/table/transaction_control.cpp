#include "storage/tnl/table/transaction_control.h"

#include <chrono>
#include <filesystem>
#include <thread>

#include "os/posix/os_error.h"
#include "runtime/data/base/byte_order.h"
#include "storage/tnl/table/transaction.h"

namespace vantrel {
namespace {

constexpr auto kSharingRetryPause = std::chrono::milliseconds(10);

const ByteString& MarkerKey() {
  static const ByteString key{kTransactionByte};
  return key;
}

// A zero-terminated text at the start of `bytes`; none without the zero.
std::optional<std::string> TerminatedText(std::span<const std::uint8_t> bytes) {
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == 0) return std::string(bytes.begin(), bytes.begin() + i);
  }
  return std::nullopt;
}

ByteString TerminatedBytes(std::string_view text) {
  ByteString bytes(text.begin(), text.end());
  bytes.push_back(0);
  return bytes;
}

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  return std::filesystem::equivalent(a, b, error);
}

// Whether the control file at `path` still holds the record of `number`,
// asking the transaction's first control file when the record names it
// (once, and only a file of the same name). A control file that cannot be
// opened or read, or that is the data file itself, counts as holding it.
enum class Holds { kNo, kYes, kUnknown };
Holds ControlHolds(const std::string& path, std::uint32_t number,
                   const std::string& data_path, bool follow_first) {
  if (SameFile(path, data_path)) return Holds::kYes;
  ControlFile control;
  if (const int error = control.OpenToConsult(path); error != 0) {
    return error == kSysSharingViolation ? Holds::kUnknown : Holds::kYes;
  }
  bool present = false;
  std::string first;
  bool read = false;
  {
    OperationScope scope;  // a damaged control file fails here, not above
    try {
      read = control.Lookup(number, &present, &first) == kLoadOk;
    } catch (const InternalCheckFailure&) {
      read = false;
    }
  }
  if (!read) return Holds::kYes;
  if (!present) return Holds::kNo;
  if (first.empty() || !follow_first || SameFile(first, path)) {
    return Holds::kYes;
  }
  if (ControlFileNamePart(first) != ControlFileNamePart(path)) {
    return Holds::kYes;
  }
  return ControlHolds(first, number, data_path, /*follow_first=*/false);
}

}  // namespace

PageRecord MarkerRecord(const TransactionMarker& marker) {
  ByteString data = ControlRecordKey(marker.number);
  const ByteString name = TerminatedBytes(marker.control_name);
  data.insert(data.end(), name.begin(), name.end());
  return MakeRecord(MarkerKey(), data);
}

std::optional<TransactionMarker> ReadMarker(const RecordRef& record) {
  const std::span<const std::uint8_t> data = RecordData(record);
  if (data.size() < kTransactionNumberBytes) return std::nullopt;
  std::optional<std::string> name =
      TerminatedText(data.subspan(kTransactionNumberBytes));
  if (!name) return std::nullopt;
  return TransactionMarker{ReadBe32(data), std::move(*name)};
}

std::optional<PageRecord> FindMarker(BTree& tree) {
  return tree.Find(MarkerKey());
}

void ReplaceMarker(BTree& tree, const TransactionMarker& marker) {
  tree.Remove(MarkerKey());
  tree.Insert(MarkerRecord(marker));
}

std::string DefaultControlFilePath(std::string_view data_path) {
  const std::size_t slash = data_path.rfind('/');
  std::string path(slash == std::string_view::npos
                       ? std::string_view{}
                       : data_path.substr(0, slash + 1));
  path += kControlFileName;
  return path;
}

std::optional<std::string> ControlFileNamePart(std::string_view name) {
  if (name == kDefaultControlMarkerName) return std::string(kControlFileName);
  const std::size_t separator = name.find_last_of("/\\");
  const std::string_view part =
      separator == std::string_view::npos ? name : name.substr(separator + 1);
  if (part.empty() || part == "." || part == "..") return std::nullopt;
  return std::string(part);
}

std::optional<std::string> ControlFilePath(std::string_view name,
                                           std::string_view data_path) {
  const std::optional<std::string> part = ControlFileNamePart(name);
  if (!part) return std::nullopt;
  const std::size_t slash = data_path.rfind('/');
  std::string path(slash == std::string_view::npos
                       ? std::string_view{}
                       : data_path.substr(0, slash + 1));
  return path + *part;
}

// Transaction numbers are big-endian wherever they are stored, in this key
// and in a data file's marker alike, so both sort and compare as their
// bytes; and the default control file is named in a marker by the fixed
// text kDefaultControlMarkerName, which means "beside the data file".
ByteString ControlRecordKey(std::uint32_t number) {
  ByteString key(kTransactionNumberBytes);
  StoreBe32(key.data(), number);
  return key;
}

int ControlFile::Open(const std::string& path, bool create,
                      bool retry_sharing) {
  const unsigned mode =
      create ? kOpenReadWriteShared | kOpenCreate : kOpenReadShared;
  while (!file_.Open(path, mode)) {
    if (!retry_sharing || LastSystemError() != kSysSharingViolation) {
      return LastSystemError();
    }
    std::this_thread::sleep_for(kSharingRetryPause);
  }
  return 0;
}

int ControlFile::OpenToConsult(const std::string& path) {
  const auto deadline = std::chrono::steady_clock::now() + kConsultPatience;
  while (!file_.OpenCommittedState(path)) {
    const int error = LastSystemError();
    if (error != kSysSharingViolation ||
        std::chrono::steady_clock::now() >= deadline) {
      return error;
    }
    std::this_thread::sleep_for(kSharingRetryPause);
  }
  return 0;
}

int ControlFile::Lookup(std::uint32_t number, bool* present,
                        std::string* first) {
  *present = false;
  first->clear();
  const int loaded = file_.LoadHeader(LockWait::kWait);
  if (loaded != kLoadOk) return loaded;
  if (file_.header().change_counter != 0) {  // else a new, empty file
    BTree tree(file_);
    if (std::optional<PageRecord> record =
            tree.Find(ControlRecordKey(number))) {
      *present = true;
      *first = TerminatedText(RecordData(*record)).value_or("");
    }
  }
  file_.EndOperation();
  return kLoadOk;
}

template <typename Change>
int ControlFile::CommitChange(Change change) {
  file_.BeginChange();
  const int loaded = file_.LoadHeader(LockWait::kWait);
  if (loaded != kLoadOk) {
    file_.EndChange();
    file_.EndOperation();
    return loaded;
  }
  BTree tree(file_);
  change(tree);
  const int error = file_.EndChange();
  file_.EndOperation();
  return error;
}

int ControlFile::Insert(std::uint32_t number, std::string_view first_path) {
  // Absolute, so that a process with another working directory finds it.
  ByteString data;
  if (!first_path.empty()) {
    std::error_code error;
    const std::filesystem::path absolute =
        std::filesystem::absolute(first_path, error);
    data = TerminatedBytes(error ? std::string(first_path) : absolute.string());
  }
  return CommitChange([&](BTree& tree) {
    tree.Insert(MakeRecord(ControlRecordKey(number), data));
  });
}

int ControlFile::Remove(std::uint32_t number) {
  return CommitChange(
      [&](BTree& tree) { tree.Remove(ControlRecordKey(number)); });
}

WriteDecision RecoveredWriteCommitted(TnlFile& file) {
  BTree tree(file);
  const std::optional<PageRecord> record = FindMarker(tree);
  if (!record) return WriteDecision::kRollForward;
  const std::optional<TransactionMarker> marker = ReadMarker(*record);
  if (!marker) {
    return WriteDecision::kDiscard;  // damaged: keep the state before it
  }
  // Every commit of several files writes a number its files never held, so
  // a write that leaves the marker as the file had it is a commit of this
  // file alone (or one whose phase two already put the marker home): it
  // rolls forward without asking a control file that may be long gone.
  // So does a write whose phase two has left the old state unreadable:
  // only rolling forward can give a sound file then.
  std::optional<TransactionMarker> home;
  const bool home_readable = file.ReadHomeState([&] {
    BTree home_tree(file);
    if (std::optional<PageRecord> r = FindMarker(home_tree)) {
      home = ReadMarker(*r);
    }
  });
  if (!home_readable) return WriteDecision::kRollForward;
  if (home && home->number == marker->number &&
      home->control_name == marker->control_name) {
    return WriteDecision::kRollForward;
  }
  // A file being consulted as a control file asks no control file of its
  // own: that could lead back to the file that asked, or on for ever. Its
  // write of several files is taken as not having reached its end.
  if (file.committed_state_only()) return WriteDecision::kDiscard;
  const std::optional<std::string> path =
      ControlFilePath(marker->control_name, file.name());
  if (!path) return WriteDecision::kDiscard;
  switch (ControlHolds(*path, marker->number, file.name(),
                       /*follow_first=*/true)) {
    case Holds::kNo:
      return WriteDecision::kRollForward;
    case Holds::kYes:
      return WriteDecision::kDiscard;
    case Holds::kUnknown:
      break;
  }
  return WriteDecision::kUndecided;
}

// The pager knows transactions only through its hooks; they are installed
// before main runs. Every program that links this layer keeps this object:
// the layer's CMake target asks the linker for the symbol.
extern "C" const bool vantrel_transaction_hooks_installed = [] {
  SetTransactionHooks({&RecoveredWriteCommitted, &LeaveTransaction});
  return true;
}();

}  // namespace vantrel

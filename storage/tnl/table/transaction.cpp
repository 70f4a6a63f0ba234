#include "storage/tnl/table/transaction.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>

#include "os/posix/clock.h"
#include "os/posix/os_error.h"
#include "storage/tnl/format/internal_check.h"
#include "storage/tnl/table/btree.h"
#include "storage/tnl/table/transaction_control.h"

namespace vantrel {
namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
constexpr std::int64_t kSecondsPerHour = 3600;
constexpr std::int64_t kSecondsPerMinute = 60;

using Controls = std::vector<std::unique_ptr<ControlFile>>;

// Sets *number to the first number from `start` on that no control file
// holds and that is none of `markers`. Returns 0 or the LoadHeader result
// of a control file that cannot be read.
int ChooseNumber(Controls& controls, const std::vector<std::uint32_t>& markers,
                 std::uint32_t start, std::uint32_t* number) {
  for (*number = start;; ++*number) {
    bool taken = std::find(markers.begin(), markers.end(), *number) !=
                 markers.end();
    for (const auto& control : controls) {
      bool present = false;
      std::string first;
      const int loaded = control->Lookup(*number, &present, &first);
      if (loaded != kLoadOk) return loaded;
      taken |= present;
    }
    if (!taken) return 0;
  }
}

// Discards phase one of every file in `files`.
void DiscardAll(const std::vector<TnlFile*>& files) {
  for (TnlFile* file : files) file->DiscardPending();
}

}  // namespace

Transaction& Transaction::OfProcess() {
  static Transaction transaction;
  return transaction;
}

std::uint32_t Transaction::NumberFromLocalTime() {
  const LocalDateTime now = LocalNow();
  const std::chrono::sys_days day{std::chrono::year{now.year} /
                                  std::chrono::month{unsigned(now.month)} /
                                  std::chrono::day{unsigned(now.day)}};
  const std::int64_t seconds = day.time_since_epoch().count() * kSecondsPerDay +
                               now.hour * kSecondsPerHour +
                               now.minute * kSecondsPerMinute + now.second;
  return static_cast<std::uint32_t>(seconds);
}

Transaction::ControlName Transaction::ControlNameFor(
    const TnlFile& file) const {
  // The process's name, like the default one, is a name beside each data
  // file: recovery looks nowhere else.
  if (std::optional<std::string> part = ControlFileNamePart(control_file_name_);
      part && !control_file_name_.empty()) {
    return {*ControlFilePath(*part, file.name()), *part};
  }
  return {DefaultControlFilePath(file.name()),
          std::string(kDefaultControlMarkerName)};
}

bool Transaction::Contains(const TnlFile& file) const {
  return std::any_of(members_.begin(), members_.end(),
                     [&](const Member& m) { return m.file == &file; });
}

int Transaction::Logout(TnlFile& file) {
  if (Contains(file)) return 0;
  if (!file.BeginChange()) return kSysAccessDenied;
  ControlName name = ControlNameFor(file);
  auto known =
      std::find_if(controls_.begin(), controls_.end(),
                   [&](const ControlName& c) { return c.path == name.path; });
  const auto control = static_cast<std::size_t>(known - controls_.begin());
  if (known == controls_.end()) {
    Check(controls_.size() < kMaxControlFiles, kCheckTooManyControlFiles);
    controls_.push_back(std::move(name));
  }
  members_.push_back({&file, control});
  file.set_in_transaction(true);
  return file.LoadHeader(LockWait::kWait);
}

int Transaction::Commit() {
  std::vector<const Member*> changed;
  for (const Member& member : members_) {
    member.file->set_in_transaction(false);
    if (member.file->dirty()) changed.push_back(&member);
  }
  int error = 0;
  if (changed.size() == 1) {
    error = changed.front()->file->Commit();
  } else if (changed.size() > 1) {
    error = CommitSeveral(changed);
  }
  if (error != 0) {
    // Ending the changes must not commit what the transaction could not.
    for (const Member& member : members_) member.file->DiscardChanges();
  }
  EndAll();
  return error;
}

int Transaction::CommitSeveral(const std::vector<const Member*>& changed) {
  // Step 2: the control files of the changed files, each holding the
  // transaction's record; the first one's record decides.
  std::vector<std::size_t> used;
  for (const Member* member : changed) {
    if (std::find(used.begin(), used.end(), member->control) == used.end()) {
      used.push_back(member->control);
    }
  }
  // A control file that is one of the transaction's data files would wait
  // for the writer byte its own member holds.
  for (std::size_t index : used) {
    for (const Member& member : members_) {
      std::error_code error;
      if (std::filesystem::equivalent(controls_[index].path,
                                      member.file->name(), error)) {
        return kSysAccessDenied;
      }
    }
  }
  Controls controls;
  for (std::size_t index : used) {
    controls.push_back(std::make_unique<ControlFile>());
    const int error = controls.back()->Open(controls_[index].path,
                                            /*create=*/true,
                                            /*retry_sharing=*/false);
    if (error != 0) return error;
  }
  // A file's new marker must differ from the one it has: recovery takes an
  // unchanged marker for a commit of that file alone.
  std::vector<std::uint32_t> markers;
  for (const Member* member : changed) {
    TnlFile& file = *member->file;
    if (const int error = file.LoadHeader(LockWait::kWait); error != kLoadOk) {
      return error;
    }
    BTree tree(file);
    if (std::optional<PageRecord> record = FindMarker(tree)) {
      if (auto marker = ReadMarker(*record)) markers.push_back(marker->number);
    }
  }
  std::uint32_t number = 0;
  if (const int error =
          ChooseNumber(controls, markers, NumberFromLocalTime(), &number);
      error != 0) {
    return error;
  }
  const std::string& first = controls.front()->path();
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const int error =
        controls[i]->Insert(number, i == 0 ? std::string_view{} : first);
    if (error != 0) {
      // No data file is touched yet; take back the records already in.
      for (std::size_t j = 0; j < i; ++j) controls[j]->Remove(number);
      return error;
    }
  }

  // Step 3: markers and phase one. A failure leaves the records in place,
  // so that whatever a file kept of its phase one is discarded on recovery.
  std::vector<TnlFile*> written;
  for (const Member* member : changed) {
    TnlFile& file = *member->file;
    int error = file.LoadHeader(LockWait::kWait);
    if (error == kLoadOk) {
      BTree tree(file);
      ReplaceMarker(tree, {number, controls_[member->control].marker_name});
      error = file.CommitPhaseOne();
    }
    if (error != 0) {
      DiscardAll(written);
      for (const Member* other : changed) other->file->DiscardChanges();
      return error;
    }
    written.push_back(&file);
  }

  // Step 4: the commit point.
  if (const int error = controls.front()->Remove(number); error != 0) {
    DiscardAll(written);
    return error;
  }
  // A record left behind here only sends recovery to the first file.
  for (std::size_t i = 1; i < controls.size(); ++i) controls[i]->Remove(number);
  controls.clear();

  // Step 5. Every file first shows that its phase two may begin, before
  // any of them puts a page home: a file moved away from its control file
  // then still rolls forward rather than discard over pages already home.
  for (TnlFile* file : written) file->MarkPhaseTwoBegun();
  for (TnlFile* file : written) file->CommitPhaseTwo();
  return 0;
}

void Transaction::Rollback() {
  for (const Member& member : members_) {
    member.file->set_in_transaction(false);
    member.file->DiscardChanges();
  }
  EndAll();
}

void Transaction::EndAll() {
  for (const Member& member : members_) {
    member.file->set_in_transaction(false);
    member.file->EndChange();
    member.file->EndOperation();
  }
  members_.clear();
  controls_.clear();
}

void Transaction::Forget(TnlFile& file) {
  std::erase_if(members_, [&](const Member& m) { return m.file == &file; });
  file.set_in_transaction(false);
  // The control names stay noted until the transaction ends.
}

void LeaveTransaction(TnlFile& file) { Transaction::OfProcess().Forget(file); }

}  // namespace vantrel

#include "framework/relation_manager.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <string>

#include "framework/file_manager_fields.h"
#include "runtime/data/driver/driver_state_table.h"
#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/file_statements.h"
#include "runtime/data/types/record_clear.h"

namespace vantrel {
namespace {

// Marks the propagate argument of SetQuickScan once the walk has begun.
constexpr int kWalkBegun = 0x80;
// How long LOGOUT waits for a file another station has.
constexpr std::int32_t kLogoutWaitSeconds = 2;
constexpr char kQuickScanOn[] = "QUICKSCAN=on";
constexpr char kQuickScanOff[] = "QUICKSCAN=off";

// The mark of the latest relation walk; each walk takes a new one, and a
// manager that already carries it is not visited again.
std::int32_t visit_counter = 0;

bool Acts(std::uint8_t mode) { return mode >= ClearLinks && mode <= Cascade; }

bool InLogout(const FileDeclaration& file) {
  return (file.control.state & kStateLogout) != 0;
}

// The transaction that frames a delete or update and every walk it sets
// off. The outermost delete or update owns it; the updates it calls on
// related files join it, adding their own files, and neither commit nor
// end it. A rollback anywhere ends it for all, and it ends every file's
// LOGOUT (COMMIT or ROLLBACK on each FILE), so that none is left in a
// transaction and a later CLOSE succeeds.
class RelationTransaction {
 public:
  RelationTransaction() = default;
  RelationTransaction(const RelationTransaction&) = delete;
  RelationTransaction& operator=(const RelationTransaction&) = delete;
  // Whatever the owner did not commit is rolled back.
  ~RelationTransaction() {
    if (!owner_) return;
    if (!files_.empty() && !ended_) RollbackAll();
    active_ = nullptr;
  }

  // Begins the transaction over `files`, or joins the one running; false
  // when a file could not take part (every file is rolled back then).
  bool Begin(const std::vector<FileDeclaration*>& files) {
    RelationTransaction* running = active_;
    if (running == nullptr) {
      owner_ = true;
      active_ = this;
      running = this;
    }
    joined_ = running;
    if (running->ended_) return false;
    for (FileDeclaration* file : files) {
      const auto& taking_part = running->files_;
      if (std::find(taking_part.begin(), taking_part.end(), file) !=
          taking_part.end()) {
        continue;
      }
      vantrel::Logout(*file, kLogoutWaitSeconds);
      if (ErrorCode() != kErrNone) {
        running->RollbackAll();
        return false;
      }
      running->files_.push_back(file);
    }
    return true;
  }

  // The owner commits every file; a joined walk leaves that to the owner.
  // False when the transaction had been rolled back, or when the commit
  // failed: the error state then tells why, and the caller rolls back.
  bool Commit() {
    if (joined_ == nullptr) return true;
    if (!owner_) return !joined_->ended_;
    if (ended_) return false;
    bool first = true;
    for (FileDeclaration* file : files_) {
      if (!InLogout(*file)) continue;
      vantrel::Commit(*file);
      // The first COMMIT commits the transaction; on the other files it
      // ends their LOGOUT.
      if (first && ErrorCode() != kErrNone) return false;
      first = false;
    }
    ended_ = true;
    return true;
  }

  void Rollback() {
    if (joined_ != nullptr && !joined_->ended_) joined_->RollbackAll();
  }

  // Rolls back whatever transaction is running (a restrict or a failure
  // deep in a walk).
  static void RollbackRunning() {
    if (active_ != nullptr && !active_->ended_) active_->RollbackAll();
  }

 private:
  void RollbackAll() {
    for (FileDeclaration* file : files_) {
      if (InLogout(*file)) vantrel::Rollback(*file);
    }
    ended_ = true;
  }

  static RelationTransaction* active_;
  bool owner_ = false;
  bool ended_ = false;
  RelationTransaction* joined_ = nullptr;  // the transaction taken part in
  std::vector<FileDeclaration*> files_;    // the owner's: every file in it
};

RelationTransaction* RelationTransaction::active_ = nullptr;

std::uint8_t* FieldAt(const FieldRef& ref, const FieldInfo& field) {
  return FieldBytes(ref.file->record, field).data();
}

// The current values of the pairs' LEFT fields.
std::vector<std::vector<std::uint8_t>> LeftValues(const Links& links) {
  std::vector<std::vector<std::uint8_t>> values;
  for (const LinkingFields& pair : links) {
    const auto field = RecordField(*pair.LEFT.file, pair.LEFT.number);
    if (!field) {
      values.emplace_back();
      continue;
    }
    const auto bytes = FieldBytes(pair.LEFT.file->record, *field);
    values.emplace_back(bytes.begin(), bytes.end());
  }
  return values;
}

// The values SaveLinks took; an empty one where none was taken.
std::vector<std::vector<std::uint8_t>> SavedValues(const Links& links) {
  std::vector<std::vector<std::uint8_t>> values;
  for (const LinkingFields& pair : links) {
    values.push_back(pair.BUFFER ? *pair.BUFFER : std::vector<std::uint8_t>{});
  }
  return values;
}

// Whether the RIGHT fields hold `values` (of the LEFT fields' kinds).
bool Linked(const Links& links,
            const std::vector<std::vector<std::uint8_t>>& values) {
  for (std::size_t i = 0; i < links.size(); ++i) {
    const auto left = RecordField(*links[i].LEFT.file, links[i].LEFT.number);
    const auto right = RecordField(*links[i].RIGHT.file, links[i].RIGHT.number);
    if (!left || !right || values[i].size() != left->Extent()) return false;
    if (!SameFieldValue(*left, values[i].data(), *right,
                        FieldAt(links[i].RIGHT, *right))) {
      return false;
    }
  }
  return true;
}

// Stores `values` (of the LEFT fields' kinds) into the RIGHT fields.
void StoreLinks(const Links& links,
                const std::vector<std::vector<std::uint8_t>>& values) {
  for (std::size_t i = 0; i < links.size(); ++i) {
    const auto left = RecordField(*links[i].LEFT.file, links[i].LEFT.number);
    const auto right = RecordField(*links[i].RIGHT.file, links[i].RIGHT.number);
    if (!left || !right || values[i].size() != left->Extent()) continue;
    CopyFieldValue(*left, values[i].data(), *right,
                   FieldAt(links[i].RIGHT, *right));
  }
}

void ClearRightFields(const Links& links) {
  for (const LinkingFields& pair : links) {
    if (const auto right = RecordField(*pair.RIGHT.file, pair.RIGHT.number)) {
      ClearFieldValue(*right, FieldAt(pair.RIGHT, *right));
    }
  }
}

// Puts the LEFT fields back to the values SaveLinks took.
void ResetLeftFields(const Links& links) {
  for (const LinkingFields& pair : links) {
    const auto left = RecordField(*pair.LEFT.file, pair.LEFT.number);
    if (!left || !pair.BUFFER || pair.BUFFER->size() != left->Extent()) {
      continue;
    }
    std::memcpy(FieldAt(pair.LEFT, *left), pair.BUFFER->data(),
                pair.BUFFER->size());
  }
}

bool LinksChanged(const Links& links) {
  for (const LinkingFields& pair : links) {
    const auto left = RecordField(*pair.LEFT.file, pair.LEFT.number);
    if (!left || !pair.BUFFER || pair.BUFFER->size() != left->Extent()) {
      continue;
    }
    if (!SameFieldValue(*left, pair.BUFFER->data(), *left,
                        FieldAt(pair.LEFT, *left))) {
      return true;
    }
  }
  return false;
}

}  // namespace

RelationManager::RelationManager() = default;

RelationManager::~RelationManager() = default;

void RelationManager::Init(FileManager& file, bool use_logout) {
  ME = &file;
  RELATIONS = std::make_unique<std::vector<Relation>>();
  USELOGOUT = use_logout ? 1 : 0;
}

void RelationManager::AddRelation(
    RelationManager& related, std::uint8_t update_mode,
    std::uint8_t delete_mode, KeyDeclaration* his_key,
    const std::vector<std::pair<int, int>>& links) {
  Relation relation;
  relation.FILE = &related;
  relation.FIELDS = std::make_unique<Links>();
  for (const auto& [mine, his] : links) {
    LinkingFields pair;
    pair.LEFT = {ME->FILE, mine};
    pair.RIGHT = {related.ME->FILE, his};
    relation.FIELDS->push_back(std::move(pair));
  }
  relation.HISKEY = his_key;
  relation.UPDATEMODE = update_mode;
  relation.DELETEMODE = delete_mode;
  RELATIONS->push_back(std::move(relation));
}

void RelationManager::Kill() {
  if (ME) ME->Kill();
  RELATIONS.reset();
}

Level RelationManager::CancelAutoInc() { return ME->CancelAutoInc(this); }

// --- Opening and closing over the relation graph -----------------------------

Level RelationManager::Open() {
  std::vector<RelationManager*> opened;
  const Level level = OpenVisit(++visit_counter, opened);
  // A walk that failed part way closes again what it opened.
  if (level != Level::Proceed) {
    for (RelationManager* manager : opened) manager->ME->Close();
  }
  return level;
}

Level RelationManager::OpenVisit(std::int32_t mark,
                                 std::vector<RelationManager*>& opened) {
  if (LASTTOUCHED == mark) return Level::Proceed;
  LASTTOUCHED = mark;
  if (const Level level = ME->Open(); level != Level::Proceed) return level;
  if (const Level level = ME->UseFile(kUseOpen); level != Level::Proceed) {
    ME->Close();
    return level;
  }
  opened.push_back(this);
  for (Relation& relation : *RELATIONS) {
    const Level level = relation.FILE->OpenVisit(mark, opened);
    if (level != Level::Proceed) return level;
  }
  return Level::Proceed;
}

Level RelationManager::Close() {
  CloseVisit(++visit_counter);
  return Level::Proceed;
}

void RelationManager::CloseVisit(std::int32_t mark) {
  if (LASTTOUCHED == mark) return;
  LASTTOUCHED = mark;
  ME->Close();
  for (Relation& relation : *RELATIONS) relation.FILE->CloseVisit(mark);
}

std::vector<FileDeclaration*> RelationManager::ReachableFiles() {
  std::vector<FileDeclaration*> files;
  std::set<RelationManager*> seen;
  std::vector<RelationManager*> to_visit = {this};
  while (!to_visit.empty()) {
    RelationManager* manager = to_visit.back();
    to_visit.pop_back();
    if (!seen.insert(manager).second) continue;
    FileDeclaration* file = manager->ME->FILE;
    if (std::find(files.begin(), files.end(), file) == files.end()) {
      files.push_back(file);
    }
    for (Relation& relation : *manager->RELATIONS) {
      to_visit.push_back(relation.FILE);
    }
  }
  return files;
}

void RelationManager::SetQuickScan(bool on, int propagate) {
  if (propagate != 0 && !(propagate & kWalkBegun)) {
    ++visit_counter;
    propagate |= kWalkBegun;
  }
  if (propagate != 0) {
    if (LASTTOUCHED == visit_counter) return;
    LASTTOUCHED = visit_counter;
  }
  vantrel::Send(*ME->FILE, on ? kQuickScanOn : kQuickScanOff);
  if (propagate == 0) return;
  const int follow = propagate & ~kWalkBegun;
  for (Relation& relation : *RELATIONS) {
    if (follow == 1 && relation.HISKEY != nullptr) continue;
    if (follow == 2 && relation.HISKEY == nullptr) continue;
    relation.FILE->SetQuickScan(on, propagate);
  }
}

void RelationManager::SaveLinks() {
  for (Relation& relation : *RELATIONS) {
    const auto values = LeftValues(*relation.FIELDS);
    for (std::size_t i = 0; i < values.size(); ++i) {
      (*relation.FIELDS)[i].BUFFER =
          std::make_unique<std::vector<std::uint8_t>>(values[i]);
    }
  }
}

// --- Delete ------------------------------------------------------------------

Level RelationManager::Delete(bool ask) {
  if (ask && ME->ERRORS->Raise(kMsgConfirmDelete) != Level::Proceed) {
    return Level::Notified;
  }
  for (;;) {
    const Level result = DeleteOnce();
    if (result == Level::Proceed) return result;
    if (ME->ERRORS->Raise(kMsgRetryDelete) != Level::Proceed) return result;
  }
}

Level RelationManager::DeleteOnce() {
  FileManager& me = *ME;
  if (me.UseFile() != Level::Proceed) return Level::Fatal;
  const std::string position =
      vantrel::Position(*me.FILE).substr(0, kPositionSize);
  if (const Level level = Open(); level != Level::Proceed) return level;
  RelationTransaction transaction;
  if (USELOGOUT && !transaction.Begin(ReachableFiles())) {
    me.Throw(kMsgTransactionCancelled);
    Close();
    return Level::Notified;
  }
  Level result = Level::Proceed;
  vantrel::Reget(*me.FILE, position);
  if (ErrorCode() != kErrNone) {
    me.SetError(kMsgDeleteError);
    transaction.Rollback();
    me.ThrowPending();
    result = Level::Notified;
  }
  for (Relation& relation : *RELATIONS) {
    if (result != Level::Proceed) break;
    if (!Acts(relation.DELETEMODE)) continue;
    result = relation.FILE->DeleteSecondary(*relation.FIELDS, relation.HISKEY,
                                            relation.DELETEMODE);
  }
  if (result == Level::Proceed) {
    vantrel::Delete(*me.FILE);
    const bool deleted = ErrorCode() == kErrNone;
    if (!deleted) me.SetError(kMsgDeleteError);
    if (!deleted || !transaction.Commit()) {
      if (deleted) me.SetError(kMsgDeleteError);
      transaction.Rollback();
      me.ThrowPending();
      result = Level::Notified;
    }
  } else {
    transaction.Rollback();
  }
  Close();
  return result;
}

template <typename Act>
Level RelationManager::WalkLinked(
    const Links& links, KeyDeclaration* key,
    const std::vector<std::vector<std::uint8_t>>& values, Act act) {
  FileManager& me = *ME;
  if (me.UseFile() != Level::Proceed) return Level::Fatal;
  const std::uint16_t saved = me.SaveFile();
  ClearRecord(me.FILE->descriptor,
              {reinterpret_cast<std::uint8_t*>(me.FILE->record.data()),
               me.FILE->record.size()});
  StoreLinks(links, values);
  if (key) {
    // The key's components after the linking ones start from their lowest.
    me.ClearKey(*key, static_cast<int>(links.size()) + 1, 255, false);
    vantrel::Set(*key, *key);
  } else {
    vantrel::Set(*me.FILE);
  }
  Level result = Level::Proceed;
  for (;;) {
    if (me.TryNext() != Level::Proceed) {
      if (me.ThreadState().ATEOF) break;
      RelationTransaction::RollbackRunning();
      me.ThrowPending();
      result = Level::Notified;
      break;
    }
    if (!Linked(links, values)) {
      if (key) break;  // past the linked records in key order
      continue;
    }
    SaveLinks();
    result = act();
    if (result != Level::Proceed) break;
  }
  me.RestoreFile(saved);
  return result;
}

Level RelationManager::DeleteSecondary(const Links& links, KeyDeclaration* key,
                                       std::uint8_t action) {
  const auto parent_values = LeftValues(links);
  return WalkLinked(links, key, parent_values, [&]() -> Level {
    FileManager& me = *ME;
    switch (action) {
      case Restrict:
        me.SetError(kMsgRestrictDelete);
        RelationTransaction::RollbackRunning();
        me.ThrowPending();
        return Level::Notified;
      case ClearLinks:
        ClearRightFields(links);
        return Update(false);
      case Cascade:
        for (Relation& relation : *RELATIONS) {
          if (!Acts(relation.DELETEMODE)) continue;
          const Level level = relation.FILE->DeleteSecondary(
              *relation.FIELDS, relation.HISKEY, relation.DELETEMODE);
          if (level != Level::Proceed) return level;
        }
        vantrel::Delete(*me.FILE);
        if (ErrorCode() != kErrNone) {
          me.SetError(kMsgDeleteError);
          RelationTransaction::RollbackRunning();
          me.ThrowPending();
          return Level::Notified;
        }
        return Level::Proceed;
      default:
        return Level::Proceed;
    }
  });
}

// --- Update ------------------------------------------------------------------

Level RelationManager::Update(bool from_form) {
  FileManager& me = *ME;
  if (const Level level = Open(); level != Level::Proceed) return level;
  RelationTransaction transaction;
  if (USELOGOUT && !transaction.Begin(ReachableFiles())) {
    me.Throw(kMsgTransactionCancelled);
    Close();
    return Level::Notified;
  }
  Level result = me.TryUpdate();
  if (result != Level::Proceed) {
    transaction.Rollback();
    FileThreadState& state = me.ThreadState();
    if (from_form && state.LASTERROR == kMsgRecordChanged) {
      state.LASTERROR = kMsgRecordChangedShown;
    }
    if (result == Level::Notified) me.ThrowPending();
    const bool changed_elsewhere = state.LASTERROR == kMsgRecordChanged ||
                                   state.LASTERROR == kMsgRecordChangedShown;
    Close();
    return changed_elsewhere ? Level::Notified : Level::Question;
  }
  for (Relation& relation : *RELATIONS) {
    if (!Acts(relation.UPDATEMODE) || !LinksChanged(*relation.FIELDS)) continue;
    result = relation.FILE->UpdateSecondary(*relation.FIELDS, relation.HISKEY,
                                            relation.UPDATEMODE);
    if (result != Level::Proceed) {
      ResetLeftFields(*relation.FIELDS);
      break;
    }
  }
  if (result == Level::Proceed && !transaction.Commit()) {
    me.SetError(kMsgUpdateError);
    me.ThrowPending();
    result = Level::Notified;
  }
  if (result != Level::Proceed) transaction.Rollback();
  Close();
  return result;
}

Level RelationManager::UpdateSecondary(const Links& links, KeyDeclaration* key,
                                       std::uint8_t action) {
  const auto old_values = SavedValues(links);
  const auto new_values = LeftValues(links);
  return WalkLinked(links, key, old_values, [&]() -> Level {
    FileManager& me = *ME;
    switch (action) {
      case Restrict:
        me.SetError(kMsgRestrictUpdate);
        RelationTransaction::RollbackRunning();
        me.ThrowPending();
        ResetLeftFields(links);
        return Level::Notified;
      case ClearLinks:
        ClearRightFields(links);
        return Update(false);
      case Cascade:
        StoreLinks(links, new_values);
        return Update(false);
      default:
        return Level::Proceed;
    }
  });
}

}  // namespace vantrel

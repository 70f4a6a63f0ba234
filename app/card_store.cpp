#include "app/card_store.h"

#include <cstring>
#include <filesystem>

#include "app/list_keys.h"
#include "os/posix/open_mode.h"
#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/file_statements.h"
#include "runtime/data/types/std_date.h"

namespace vantrel {
namespace {

// NEXT past the last record.
constexpr int kEndOfFile = kErrRecordNotAvailable;

std::string Failure(std::string_view step) {
  std::string text(step);
  text += ": ";
  text += Error();
  if (ErrorCode() == kErrAccessDenied || ErrorCode() == kErrSharingViolation)
    text += " (the card file is in use by another program)";
  return text;
}

// A record the card window's next open purges is no card.
bool IsLiveCard(const CardRecord& card) {
  return card.DELETED == 0 &&
         !(IsBlank(card.LASTNAME) && IsBlank(card.FIRSTNAME) &&
           card.LISTBYCOMPANY == 0);
}

// Change files are opened for reading and writing, and no other program
// may write them meanwhile.
constexpr std::uint32_t kChangeOpenMode = kOpenReadWrite | kOpenDenyWrite;

// Whether the stamp date/time is older than the stamp of `than`.
bool Older(std::int32_t date, std::int32_t time, std::int32_t than_date,
           std::int32_t than_time) {
  return date < than_date || (date == than_date && time < than_time);
}

// Notes the runtime's error, if one is set, as the failure of `step`.
bool Failed(ChangeResult& result, std::string_view step) {
  if (ErrorCode() == 0) return false;
  result.problems.push_back(
      {std::string(step), ErrorCode(), std::string(Error()), {}});
  return true;
}

}  // namespace

bool CreateCardStore(CardData& data, const std::string& path,
                     std::string* error) {
  std::error_code ignored;
  if (std::filesystem::exists(path, ignored)) {
    *error = path + " exists already";
    return false;
  }
  FileDeclaration& file = data.card_file;
  file.name = path;
  Create(file);
  if (ErrorCode() != 0) {
    *error = Failure("Can't Create File");
    return false;
  }
  Open(file, kDefaultOpenMode);
  if (ErrorCode() != 0) {
    *error = Failure("Can't Open New File");
    return false;
  }
  CardRecord& header = data.vtl;
  ClearCard(header);
  header.CREATEDDATE = Today();
  header.CREATEDTIME = Clock();
  header.CHANGEDDATE = header.CREATEDDATE;
  header.CHANGEDTIME = header.CREATEDTIME;
  Add(file);
  const bool added = ErrorCode() == 0;
  if (!added) *error = Failure("Can't Add First Record");
  Close(file);
  return added;
}

bool OpenCardStore(CardData& data, const std::string& path, CardAccess access,
                   std::string* error) {
  FileDeclaration& file = data.card_file;
  file.name = path;
  Open(file, access == CardAccess::kWrite ? kDefaultOpenMode : kOpenReadShared);
  if (ErrorCode() == 0) return true;
  if (ErrorCode() == kErrAccessDenied || ErrorCode() == kErrSharingViolation) {
    *error = path + " is in use by another program; nothing was changed";
  } else {
    *error = Failure("Can't Open " + path);
  }
  return false;
}

void CloseCardStore(CardData& data) { Close(data.card_file); }

bool ReadCardHeader(CardData& data, StoredCard* header, std::string* error) {
  FileDeclaration& file = data.card_file;
  Set(file);
  Next(file);
  if (ErrorCode() != 0) {
    *error = Failure("Can't Read First Record");
    return false;
  }
  header->card = data.vtl;
  header->pointer = static_cast<std::int32_t>(Pointer(file));
  return true;
}

bool ReadLiveCards(CardData& data, std::vector<StoredCard>* cards,
                   std::string* error) {
  StoredCard header;
  if (!ReadCardHeader(data, &header, error)) return false;
  FileDeclaration& file = data.card_file;
  for (Next(file); ErrorCode() == 0; Next(file)) {
    if (IsLiveCard(data.vtl))
      cards->push_back({data.vtl, static_cast<std::int32_t>(Pointer(file))});
  }
  if (ErrorCode() != kEndOfFile) {
    *error = Failure("Can't Read Vantrel");
    return false;
  }
  return true;
}

bool WriteCards(CardData& data, std::vector<CardWrite>& writes,
                std::string* error) {
  FileDeclaration& file = data.card_file;
  CardRecord& vtl = data.vtl;
  Logout(file, kLogoutWaitSeconds);
  if (ErrorCode() != 0) {
    *error = Failure("Can't Begin Transaction");
    return false;
  }
  for (CardWrite& write : writes) {
    if (write.replaces != 0) {
      Get(file, write.replaces);
      if (ErrorCode() == 0) {
        vtl.DELETED = 1;
        Put(file, write.replaces);
      }
      if (ErrorCode() != 0) {
        *error = Failure("Can't Put Old Version");
        Rollback(file);
        return false;
      }
    }
    ComposeListKeys(write.card);
    write.card.DELETED = 0;
    vtl = write.card;
    Add(file);
    if (ErrorCode() != 0) {
      *error = Failure("Can't Add Card");
      Rollback(file);
      return false;
    }
  }
  Commit(file);
  if (ErrorCode() != 0) {
    *error = Failure("Can't Commit");
    return false;
  }
  return true;
}

bool SetLastExportStamp(CardData& data, std::int32_t date, std::int32_t time,
                        std::string* error) {
  StoredCard header;
  if (!ReadCardHeader(data, &header, error)) return false;
  data.vtl.CHANGEDDATE = date;
  data.vtl.CHANGEDTIME = time;
  Put(data.card_file);
  if (ErrorCode() != 0) {
    *error = Failure("Can't Put First Record");
    return false;
  }
  return true;
}

std::string ChangeResult::Text() const {
  std::string text;
  for (const ChangeProblem& problem : problems) {
    if (!text.empty()) text += "; ";
    if (problem.error.empty()) {
      text += problem.reason;
      continue;
    }
    text += problem.step + ": ";
    if (!problem.reason.empty()) text += problem.reason + ": ";
    text += problem.error;
    if (problem.code == kErrAccessDenied ||
        problem.code == kErrSharingViolation)
      text += " (the file is in use by another program)";
  }
  return text;
}

bool IsTheCardFile(const CardData& data, const std::string& path) {
  std::error_code error;
  return path == data.card_file.name ||
         std::filesystem::equivalent(path, data.card_file.name, error);
}

ChangeResult ExportChanges(CardData& data, const std::string& path,
                           std::string_view category) {
  ChangeResult result;
  if (IsTheCardFile(data, path)) {
    result.problems.push_back(
        {"Can't Create Export File", 0, {}, path + " is the card file itself"});
    return result;
  }
  FileDeclaration& cards = data.card_file;
  Set(cards);
  Next(cards);
  if (Failed(result, "Can't Get First Record")) return result;
  const std::int64_t header = Pointer(cards);
  const std::int32_t since_date = data.vtl.CHANGEDDATE;
  const std::int32_t since_time = data.vtl.CHANGEDTIME;

  FileDeclaration& changes = data.change_file;
  changes.name = path;
  Create(changes);
  if (const int error = ErrorCode(); error != 0) {
    Failed(result, "Can't Create Export File");
    // What a failed write left is removed; a file the program may not
    // replace is not its own to remove.
    if (error != kErrAccessDenied && error != kErrSharingViolation &&
        error != kErrFileLocked && error != kErrPathNotFound)
      Remove(changes);
    return result;
  }
  Open(changes, kChangeOpenMode);
  if (Failed(result, "Can't Open Export File")) {
    Remove(changes);
    return result;
  }
  // The whole file is written in one transaction: one commit at the end
  // instead of one per batch of records.
  Logout(changes, kLogoutWaitSeconds);
  if (Failed(result, "Can't Open Export File")) {
    Close(changes);
    Remove(changes);
    return result;
  }

  // The first failure ends the export.
  result.done = [&] {
    CardRecord& chg = data.chg;
    ClearCard(chg);
    chg.CREATEDDATE = chg.CHANGEDDATE = Today();
    chg.CREATEDTIME = chg.CHANGEDTIME = Clock();
    Add(changes);
    if (Failed(result, "Can't Add Export Header")) return false;

    const bool all = category.empty() || category == kAllCategory;
    const CardRecord& card = data.vtl;
    Set(cards);
    Next(cards);  // the header
    for (Next(cards); ErrorCode() == 0; Next(cards)) {
      if (!all && Clipped(card.CATEGORY) != category) continue;
      ++result.counts.read;
      if (Older(card.CHANGEDDATE, card.CHANGEDTIME, since_date, since_time))
        continue;
      chg = card;
      Add(changes);
      if (Failed(result, "Can't Add Export Record")) return false;
      ++result.counts.written;
    }
    if (ErrorCode() != kEndOfFile) {
      Failed(result, "Can't Read Vantrel");
      return false;
    }
    Commit(changes);
    if (Failed(result, "Can't Write Export File")) return false;
    Close(changes);
    return !Failed(result, "Can't Close Export File");
  }();
  if (!result.done) {
    Rollback(changes);
    Close(changes);
    Remove(changes);
    Failed(result, "Can't Remove Export File");
    return result;
  }

  const std::int32_t date = Today();
  const std::int32_t time = Clock();
  Get(cards, header);
  if (Failed(result, "Can't Get First Record")) return result;
  data.vtl.CHANGEDDATE = date;
  data.vtl.CHANGEDTIME = time;
  Put(cards);
  if (Failed(result, "Can't Put First Record")) return result;
  result.stamp_date = date;
  result.stamp_time = time;
  return result;
}

ChangeResult ImportChanges(CardData& data, const std::string& path) {
  ChangeResult result;
  if (IsTheCardFile(data, path)) {
    result.problems.push_back(
        {"Can't Open Import File", 0, {}, path + " is the card file itself"});
    return result;
  }
  FileDeclaration& changes = data.change_file;
  changes.name = path;
  Open(changes, kChangeOpenMode);
  if (Failed(result, "Can't Open Import File")) {
    const int code = result.problems.back().code;
    if (code == kErrInvalidRecordDeclaration || code == kErrInvalidDataFile)
      result.problems.back().reason = path + " is not a Vantrel change file.";
    return result;
  }

  FileDeclaration& cards = data.card_file;
  CardRecord& vtl = data.vtl;
  const CardRecord& chg = data.chg;
  Logout(cards, kLogoutWaitSeconds);
  if (Failed(result, "Can't Start Import")) {
    Close(changes);
    return result;
  }
  // The first failure rolls the whole import back.
  result.done = [&] {
    Set(changes);
    Next(changes);  // the header
    for (Next(changes); ErrorCode() == 0; Next(changes)) {
      ++result.counts.read;
      if (chg.DELETED != 0) continue;
      ClearCard(vtl);
      vtl.CREATEDDATE = chg.CREATEDDATE;
      vtl.CREATEDTIME = chg.CREATEDTIME;
      vtl.DELETED = 0;
      Get(cards, *data.card_key);
      if (ErrorCode() == kErrRecordNotFound) {
        vtl = chg;
        Add(cards);
        if (Failed(result, "Can't Add Import Record")) return false;
        ++result.counts.written;
      } else if (Failed(result, "Can't Get Import Record")) {
        return false;
      } else if (Older(vtl.CHANGEDDATE, vtl.CHANGEDTIME, chg.CHANGEDDATE,
                       chg.CHANGEDTIME)) {
        vtl = chg;
        Put(cards);
        if (Failed(result, "Can't Update Import Record")) return false;
        ++result.counts.written;
      }
    }
    if (ErrorCode() != kEndOfFile) {
      Failed(result, "Can't Read Import File");
      return false;
    }
    Commit(cards);
    return !Failed(result, "Can't Commit Import");
  }();
  if (!result.done) Rollback(cards);
  Close(changes);
  return result;
}

bool SameNameCompanyPhones(const CardRecord& a, const CardRecord& b) {
  return Clipped(a.LASTNAME) == Clipped(b.LASTNAME) &&
         Clipped(a.FIRSTNAME) == Clipped(b.FIRSTNAME) &&
         Clipped(a.COMPANY) == Clipped(b.COMPANY) &&
         Clipped(a.PHONES) == Clipped(b.PHONES);
}

}  // namespace vantrel

#include "app/card_store.h"

#include <cstring>
#include <filesystem>

#include "app/list_keys.h"
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

// Whether `path` names the open card file itself, which a change file must
// never be: creating it would destroy the cards.
bool IsTheCardFile(const CardData& data, const std::string& path) {
  std::error_code error;
  return path == data.card_file.name ||
         std::filesystem::equivalent(path, data.card_file.name, error);
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

bool ExportChanges(CardData& data, const std::string& path,
                   std::string_view category, ChangeCounts* counts,
                   std::string* error) {
  if (IsTheCardFile(data, path)) {
    *error = path + " is the card file itself";
    return false;
  }
  StoredCard header;
  if (!ReadCardHeader(data, &header, error)) return false;
  const CardRecord last_export = header.card;
  FileDeclaration& changes = data.change_file;
  changes.name = path;
  Create(changes);
  if (ErrorCode() != 0) {
    *error = Failure("Can't Create Export File");
    return false;
  }
  Open(changes, kDefaultOpenMode);
  bool written = ErrorCode() == 0;
  if (written) {
    ClearCard(data.chg);
    data.chg.CREATEDDATE = data.chg.CHANGEDDATE = Today();
    data.chg.CREATEDTIME = data.chg.CHANGEDTIME = Clock();
    Add(changes);
    written = ErrorCode() == 0;
  }
  const bool all = category.empty() || category == kAllCategory;
  FileDeclaration& cards = data.card_file;
  Set(cards);
  Next(cards);  // the header
  for (Next(cards); written && ErrorCode() == 0; Next(cards)) {
    const CardRecord& card = data.vtl;
    if (!all && Clipped(card.CATEGORY) != category) continue;
    ++counts->read;
    if (card.CHANGEDDATE < last_export.CHANGEDDATE ||
        (card.CHANGEDDATE == last_export.CHANGEDDATE &&
         card.CHANGEDTIME < last_export.CHANGEDTIME))
      continue;
    data.chg = card;
    Add(changes);
    if (ErrorCode() != 0) written = false;
    ++counts->written;
  }
  if (written && ErrorCode() != kEndOfFile) written = false;
  if (!written) *error = Failure("Can't Add Export Record");
  Close(changes);
  if (!written) {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    return false;
  }
  return SetLastExportStamp(data, Today(), Clock(), error);
}

bool ImportChanges(CardData& data, const std::string& path,
                   ChangeCounts* counts, std::string* error) {
  if (IsTheCardFile(data, path)) {
    *error = path + " is the card file itself";
    return false;
  }
  FileDeclaration& changes = data.change_file;
  changes.name = path;
  Open(changes, kOpenReadShared);
  if (ErrorCode() != 0) {
    *error = Failure("Can't Open Import File");
    return false;
  }
  FileDeclaration& cards = data.card_file;
  CardRecord& vtl = data.vtl;
  const CardRecord& chg = data.chg;
  Logout(cards, kLogoutWaitSeconds);
  bool ok = ErrorCode() == 0;
  if (!ok) *error = Failure("Can't Begin Transaction");
  Set(changes);
  Next(changes);  // the header
  for (Next(changes); ok && ErrorCode() == 0; Next(changes)) {
    ++counts->read;
    if (chg.DELETED != 0) continue;
    ClearCard(vtl);
    vtl.CREATEDDATE = chg.CREATEDDATE;
    vtl.CREATEDTIME = chg.CREATEDTIME;
    vtl.DELETED = 0;
    Get(cards, *data.card_key);
    if (ErrorCode() == kErrRecordNotFound) {
      vtl = chg;
      Add(cards);
      if (ErrorCode() != 0) *error = Failure("Can't Add Import Record");
    } else if (ErrorCode() == 0 && (chg.CHANGEDDATE > vtl.CHANGEDDATE ||
                                    (chg.CHANGEDDATE == vtl.CHANGEDDATE &&
                                     chg.CHANGEDTIME > vtl.CHANGEDTIME))) {
      vtl = chg;
      Put(cards);
      if (ErrorCode() != 0) *error = Failure("Can't Update Import Record");
    } else if (ErrorCode() != 0) {
      *error = Failure("Can't Get Card");
    } else {
      continue;  // the card file's version is as new or newer
    }
    ok = ErrorCode() == 0;
    if (ok) ++counts->written;
  }
  if (ok && ErrorCode() != kEndOfFile) {
    ok = false;
    *error = Failure("Can't Read Import File");
  }
  Close(changes);
  if (!ok) {
    Rollback(cards);
    return false;
  }
  Commit(cards);
  if (ErrorCode() != 0) {
    *error = Failure("Can't Commit");
    return false;
  }
  return true;
}

bool SameNameCompanyPhones(const CardRecord& a, const CardRecord& b) {
  return Clipped(a.LASTNAME) == Clipped(b.LASTNAME) &&
         Clipped(a.FIRSTNAME) == Clipped(b.FIRSTNAME) &&
         Clipped(a.COMPANY) == Clipped(b.COMPANY) &&
         Clipped(a.PHONES) == Clipped(b.PHONES);
}

}  // namespace vantrel

// The card record, stored in card files (prefix VTL) and, with the same
// layout, in change files (prefix CHG). 813 bytes, integers little-endian:
//
//   offset size  field
//     0     1    DELETED      BYTE  0 live; 1 superseded, deleted or pending
//     1     8    CREATED      GROUP creation stamp: names the card
//     1     4      CREATEDDATE LONG standard date
//     5     4      CREATEDTIME LONG standard time
//     9     8    CHANGED      GROUP stamp of this version's save
//     9     4      CHANGEDDATE LONG
//    13     4      CHANGEDTIME LONG
//    17    50    NAMEKEY      STRING derived text of the name list
//    67    50    COMPANYKEY   STRING derived text of the company list
//   117    30    LASTNAME     STRING
//   147    20    FIRSTNAME    STRING
//   167    30    COMPANY      STRING
//   197     1    LISTBYCOMPANY BYTE 1: also listed under the company
//   198   200    PHONES       STRING lines separated by CR LF
//   398    15    CATEGORY     STRING blank: no category
//   413   400    CONTENTS     STRING free text
//
// One key, CREATEDKEY: CREATEDDATE, CREATEDTIME, DELETED, all ascending,
// duplicates allowed, case-sensitive. At most one record per creation stamp
// has DELETED = 0, so the key with DELETED = 0 finds a card's live version.
// The first record of every file in file order is a header, not a card:
// created with every field cleared and CHANGED = CREATED; its CHANGED stamp
// later holds the last export stamp.
#ifndef VANTREL_APP_CARD_RECORD_H_
#define VANTREL_APP_CARD_RECORD_H_

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "app/packed_long.h"
#include "runtime/data/driver/file_declaration.h"
#include "runtime/data/types/type_descriptor.h"

namespace vantrel {

// Every member has an alignment of 1, so the struct has no padding.
struct CardRecord {
  std::uint8_t DELETED;
  PackedLong CREATEDDATE;  // CREATEDDATE and CREATEDTIME form CREATED
  PackedLong CREATEDTIME;
  PackedLong CHANGEDDATE;  // CHANGEDDATE and CHANGEDTIME form CHANGED
  PackedLong CHANGEDTIME;
  char NAMEKEY[50];
  char COMPANYKEY[50];
  char LASTNAME[30];
  char FIRSTNAME[20];
  char COMPANY[30];
  std::uint8_t LISTBYCOMPANY;
  char PHONES[200];
  char CATEGORY[15];
  char CONTENTS[400];

  std::span<char> bytes() { return {reinterpret_cast<char*>(this), sizeof *this}; }
  std::span<const char> bytes() const {
    return {reinterpret_cast<const char*>(this), sizeof *this};
  }
};

inline constexpr std::size_t kCardLength = 813;
inline constexpr std::size_t kStampLength = 8;  // a date and a time

static_assert(sizeof(CardRecord) == kCardLength);
static_assert(offsetof(CardRecord, DELETED) == 0);
static_assert(offsetof(CardRecord, CREATEDDATE) == 1);
static_assert(offsetof(CardRecord, CREATEDTIME) == 5);
static_assert(offsetof(CardRecord, CHANGEDDATE) == 9);
static_assert(offsetof(CardRecord, CHANGEDTIME) == 13);
static_assert(offsetof(CardRecord, NAMEKEY) == 17);
static_assert(offsetof(CardRecord, COMPANYKEY) == 67);
static_assert(offsetof(CardRecord, LASTNAME) == 117);
static_assert(offsetof(CardRecord, FIRSTNAME) == 147);
static_assert(offsetof(CardRecord, COMPANY) == 167);
static_assert(offsetof(CardRecord, LISTBYCOMPANY) == 197);
static_assert(offsetof(CardRecord, PHONES) == 198);
static_assert(offsetof(CardRecord, CATEGORY) == 398);
static_assert(offsetof(CardRecord, CONTENTS) == 413);

// Field numbers of the descriptor, which counts groups and their members
// alike. The fields sit in the group RECORD, as the native driver wants.
enum CardField : std::int16_t {
  kCardRecord = 1,
  kCardDeleted = 2,
  kCardCreated = 3,
  kCardCreatedDate = 4,
  kCardCreatedTime = 5,
  kCardChanged = 6,
  kCardChangedDate = 7,
  kCardChangedTime = 8,
  kCardNameKey = 9,
  kCardCompanyKey = 10,
  kCardLastName = 11,
  kCardFirstName = 12,
  kCardCompany = 13,
  kCardListByCompany = 14,
  kCardPhones = 15,
  kCardCategory = 16,
  kCardContents = 17,
};

// The record's descriptor with labels under `prefix` ("VTL", "CHG").
TypeDescriptor CardDescriptor(std::string_view prefix);

// Declares `file` as a card-layout file on the native driver over `record`:
// label `prefix`, the record's descriptor and the key prefix:CREATEDKEY,
// which is returned. The name is set before each open (SetFileName).
KeyDeclaration& DeclareCardFile(FileDeclaration& file, std::string_view prefix,
                                CardRecord& record);

// The file's name from a blank-padded name variable.
void SetFileName(FileDeclaration& file, std::span<const char> name_variable);

// Clears every field: texts to blanks, numbers to zero.
void ClearCard(CardRecord& card);

// Text of a blank-padded field without its trailing blanks.
template <std::size_t N>
std::string_view Clipped(const char (&field)[N]) {
  std::string_view text(field, N);
  std::size_t end = text.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}
// Whether a blank-padded field is all blanks.
template <std::size_t N>
bool IsBlank(const char (&field)[N]) {
  return Clipped(field).empty();
}
// Stores text into a blank-padded field, cut to its length.
template <std::size_t N>
void Assign(char (&field)[N], std::string_view text) {
  std::size_t n = text.size() < N ? text.size() : N;
  for (std::size_t i = 0; i < n; ++i) field[i] = text[i];
  for (std::size_t i = n; i < N; ++i) field[i] = ' ';
}

}  // namespace vantrel

#endif  // VANTREL_APP_CARD_RECORD_H_

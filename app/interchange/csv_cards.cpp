#include "app/interchange/csv_cards.h"

#include <array>

#include "runtime/data/text/ascii_case.h"
#include "runtime/data/text/text_codec.h"

namespace vantrel {
namespace {

enum class Column {
  kOther,
  kLast,
  kFirst,
  kFullName,
  kCompany,
  kListByCompany,
  kPhones,      // several lines, each as it stands
  kPhone,       // one number, with the column's word before it
  kCategory,    // one, as it stands
  kCategories,  // a list: the first is the card's
  kContents,
  kCreated,
  kChanged,
};

struct KnownHeader {
  std::string_view name;  // lower case
  Column column;
  std::string_view word = {};  // a phone's label, or a contents line's
};

constexpr std::array kKnownHeaders = std::to_array<KnownHeader>({
    {"last name", Column::kLast},
    {"lastname", Column::kLast},
    {"surname", Column::kLast},
    {"family name", Column::kLast},
    {"first name", Column::kFirst},
    {"firstname", Column::kFirst},
    {"given name", Column::kFirst},
    {"name", Column::kFullName},
    {"full name", Column::kFullName},
    {"display name", Column::kFullName},
    {"company", Column::kCompany},
    {"company name", Column::kCompany},
    {"organization", Column::kCompany},
    {"organisation", Column::kCompany},
    {"organization 1 - name", Column::kCompany},
    {"list by company", Column::kListByCompany},
    {"phones", Column::kPhones},
    {"phone", Column::kPhone},
    {"telephone", Column::kPhone},
    {"primary phone", Column::kPhone},
    {"other phone", Column::kPhone},
    {"phone 1 - value", Column::kPhone},
    {"mobile phone", Column::kPhone, "Mobile"},
    {"mobile", Column::kPhone, "Mobile"},
    {"cell phone", Column::kPhone, "Mobile"},
    {"business phone", Column::kPhone, "Work"},
    {"business phone 2", Column::kPhone, "Work"},
    {"work phone", Column::kPhone, "Work"},
    {"company main phone", Column::kPhone, "Work"},
    {"home phone", Column::kPhone, "Home"},
    {"home phone 2", Column::kPhone, "Home"},
    {"business fax", Column::kPhone, "Fax"},
    {"home fax", Column::kPhone, "Fax"},
    {"fax", Column::kPhone, "Fax"},
    {"pager", Column::kPhone, "Pager"},
    {"category", Column::kCategory},
    {"categories", Column::kCategories},
    {"group membership", Column::kCategories},
    {"contents", Column::kContents},
    {"notes", Column::kContents},
    {"note", Column::kContents},
    {"created", Column::kCreated},
    {"changed", Column::kChanged},
    {"e-mail address", Column::kOther, "E-mail"},
    {"e-mail", Column::kOther, "E-mail"},
    {"email", Column::kOther, "E-mail"},
    {"email address", Column::kOther, "E-mail"},
    {"e-mail 1 - value", Column::kOther, "E-mail"},
});

constexpr std::array<std::string_view, 9> kExportHeader = {
    "Last Name", "First Name", "Company", "List By Company", "Phones",
    "Category",  "Contents",   "Created", "Changed"};

std::string Trimmed(std::string_view text) {
  const std::size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string_view::npos) return {};
  return std::string(
      text.substr(begin, text.find_last_not_of(" \t") - begin + 1));
}

KnownHeader HeaderOf(const std::string& header) {
  std::string name = Trimmed(header);
  for (char& c : name)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  for (const KnownHeader& known : kKnownHeaders)
    if (known.name == name) return known;
  return {{}, Column::kOther, {}};
}

std::vector<std::string> SplitCategories(std::string_view text) {
  std::vector<std::string> categories;
  std::string current;
  auto flush = [&] {
    std::string category = Trimmed(current);
    if (!category.empty()) categories.push_back(std::move(category));
    current.clear();
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == ';' || text[i] == ',') {
      flush();
    } else if (text.substr(i, 3) == ":::") {
      flush();
      i += 2;
    } else {
      current += text[i];
    }
  }
  flush();
  return categories;
}

std::optional<bool> ParseYesNo(const std::string& text) {
  std::string value = Trimmed(text);
  for (char& c : value) c = AsciiUpper(c);
  if (value == "1" || value == "YES" || value == "TRUE" || value == "Y")
    return true;
  if (value == "0" || value == "NO" || value == "FALSE" || value == "N" ||
      value.empty())
    return false;
  return std::nullopt;
}

void TakeField(const KnownHeader& known, const std::string& header,
               const std::string& value, CardParts& parts,
               std::vector<std::string>& notes) {
  if (value.empty()) return;
  switch (known.column) {
    case Column::kLast:
      parts.last = value;
      break;
    case Column::kFirst:
      parts.first = value;
      break;
    case Column::kFullName:
      parts.full_name = value;
      break;
    case Column::kCompany:
      parts.company = value;
      break;
    case Column::kListByCompany:
      parts.list_by_company = ParseYesNo(value);
      if (!parts.list_by_company)
        notes.push_back(header + ": \"" + value + "\" is not yes or no");
      break;
    case Column::kPhones:
      for (std::size_t start = 0;;) {
        const std::size_t end = value.find('\n', start);
        std::string line = value.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        parts.phones.push_back(std::move(line));
        if (end == std::string::npos) break;
        start = end + 1;
      }
      break;
    case Column::kPhone:
      parts.phones.push_back(
          known.word.empty() ? value : std::string(known.word) + " " + value);
      break;
    case Column::kCategory:
      parts.categories.insert(parts.categories.begin(), value);
      break;
    case Column::kCategories:
      for (std::string& category : SplitCategories(value))
        parts.categories.push_back(std::move(category));
      break;
    case Column::kContents:
      parts.note += (parts.note.empty() ? "" : "\n") + value;
      break;
    case Column::kCreated:
    case Column::kChanged: {
      std::optional<CardStamp> stamp = ParseStampText(Trimmed(value));
      if (!stamp) {
        notes.push_back(header + ": \"" + value + "\" is not a stamp");
      } else if (known.column == Column::kCreated) {
        parts.created = stamp;
      } else {
        parts.changed = stamp;
      }
      break;
    }
    case Column::kOther:
      parts.labelled.push_back(
          (known.word.empty() ? Trimmed(header) : std::string(known.word)) +
          ": " + value);
      break;
  }
}

std::string RecordLines(std::string_view field) {
  return FromRecordLines(FieldText(field));
}

}  // namespace

bool CardsFromCsv(const CsvFile& file, std::vector<IncomingCard>* cards,
                  std::string* error) {
  if (file.rows.empty()) {
    *error = "the file holds no rows";
    return false;
  }
  const CsvRow& header = file.rows[0];
  std::vector<KnownHeader> columns;
  bool any_field = false;
  for (const std::string& name : header) {
    columns.push_back(HeaderOf(name));
    any_field |= columns.back().column != Column::kOther;
  }
  if (!any_field) {
    *error =
        "the first row names no field of a card (such as Last Name, "
        "First Name, Company, Phone)";
    return false;
  }
  cards->reserve(file.rows.size() - 1);
  for (std::size_t r = 1; r < file.rows.size(); ++r) {
    const CsvRow& row = file.rows[r];
    CardParts parts;
    std::vector<std::string> notes;
    for (std::size_t c = 0; c < row.size(); ++c) {
      if (c < columns.size()) {
        TakeField(columns[c], header[c], row[c], parts, notes);
      } else if (!row[c].empty()) {
        parts.labelled.push_back("Column " + std::to_string(c + 1) + ": " +
                                 row[c]);
      }
    }
    if (parts.created.has_value() != parts.changed.has_value()) {
      notes.push_back(
          "a Created stamp needs a Changed stamp and the other "
          "way round; imported as a new card");
      parts.created.reset();
    }
    cards->push_back(CardFromParts(parts,
                                   "row " + std::to_string(r + 1) + " (line " +
                                       std::to_string(file.lines[r]) + ")",
                                   std::move(notes)));
  }
  return true;
}

std::string CsvFromCards(const std::vector<StoredCard>& cards) {
  std::string out;
  AppendCsvRow(out, CsvRow(kExportHeader.begin(), kExportHeader.end()));
  for (const StoredCard& stored : cards) {
    const CardRecord& card = stored.card;
    AppendCsvRow(out,
                 {FieldText(card.LASTNAME), FieldText(card.FIRSTNAME),
                  FieldText(card.COMPANY), card.LISTBYCOMPANY != 0 ? "1" : "0",
                  RecordLines(Clipped(card.PHONES)), FieldText(card.CATEGORY),
                  RecordLines(Clipped(card.CONTENTS)),
                  StampText({card.CREATEDDATE, card.CREATEDTIME}),
                  StampText({card.CHANGEDDATE, card.CHANGEDTIME})});
  }
  return out;
}

bool ImportCsvText(CardData& data, std::string_view text,
                   ImportSummary* summary, std::string* error) {
  std::string converted;
  if (!IsUtf8(text)) {
    converted = Windows1252ToUtf8(text);
    text = converted;
    summary->notes.push_back("the file is not UTF-8; read as Windows-1252");
  }
  CsvFile file = ReadCsv(text);
  if (!file.error.empty()) {
    *error = file.error;
    return false;
  }
  std::vector<IncomingCard> cards;
  if (!CardsFromCsv(file, &cards, error)) return false;
  return ImportCards(data, cards, summary, error);
}

}  // namespace vantrel

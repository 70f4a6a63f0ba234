#include "app/interchange/vcard_cards.h"

#include <array>
#include <cstdio>

#include "runtime/data/types/std_date.h"

namespace vantrel {
namespace {

// The UID of a card this program exported: the prefix, then its creation
// stamp as "standard date-standard time".
constexpr std::string_view kUidPrefix = "urn:x-vantrel-card:";
constexpr std::string_view kChangedProperty = "X-VANTREL-CHANGED";
constexpr std::string_view kListByCompanyProperty = "X-VANTREL-LIST-BY-COMPANY";

// The word a phone line begins with for a type, as vCard names the type.
struct PhoneLabel {
  std::string_view type;
  std::string_view word;
};
constexpr std::array<PhoneLabel, 5> kPhoneLabels = {
    {{"cell", kPhoneTypeWords[0]},
     {"fax", kPhoneTypeWords[1]},
     {"pager", kPhoneTypeWords[2]},
     {"work", kPhoneTypeWords[3]},
     {"home", kPhoneTypeWords[4]}}};

// Properties that hold nothing for the card but its make-up.
bool IsFrame(std::string_view name) {
  return name == "PRODID" || name == "KIND" || name == "REV" || name == "UID" ||
         name == "SOURCE";
}

std::string StampValue(CardStamp stamp) {
  return std::to_string(stamp.date) + "-" + std::to_string(stamp.time);
}

std::optional<CardStamp> ParseStampValue(std::string_view text) {
  int date = 0, time = 0;
  char tail = 0;
  const std::string copy(text.substr(0, 40));
  if (std::sscanf(copy.c_str(), "%d-%d%c", &date, &time, &tail) != 2)
    return std::nullopt;
  if (!DateFromStandard(date) || !TimeFromStandard(time)) return std::nullopt;
  return CardStamp{date, time};
}

// REV as a date and a time of day: 8 digits of date, then 6 of time.
std::optional<CardStamp> ParseRev(std::string_view text) {
  std::string digits;
  for (char c : text.substr(0, 40))
    if (c >= '0' && c <= '9') digits += c;
  if (digits.size() < 14) return std::nullopt;
  auto number = [&](std::size_t at, std::size_t n) {
    return std::stoi(digits.substr(at, n));
  };
  CardStamp stamp{
      StandardDateFrom(number(6, 2), number(4, 2), number(0, 4)),
      StandardTimeFrom(number(8, 2), number(10, 2), number(12, 2), 0)};
  if (!DateFromStandard(stamp.date) || !TimeFromStandard(stamp.time))
    return std::nullopt;
  return stamp;
}

std::string RevValue(CardStamp stamp) {
  const std::optional<DateParts> date = DateFromStandard(stamp.date);
  const std::optional<TimeParts> time = TimeFromStandard(stamp.time);
  if (!date || !time) return {};
  char text[32];
  std::snprintf(text, sizeof text, "%04d%02d%02dT%02d%02d%02d", date->year,
                date->month, date->day, time->hours, time->minutes,
                time->seconds);
  return text;
}

std::string JoinNonEmpty(const std::vector<std::string>& parts,
                         std::string_view separator) {
  std::string out;
  for (const std::string& part : parts) {
    if (part.empty()) continue;
    if (!out.empty()) out += separator;
    out += part;
  }
  return out;
}

// What one vCard holds besides the parts of its card.
struct Gathered {
  CardParts parts;
  std::vector<std::string> n;
  std::vector<std::string> org;
  std::optional<CardStamp> uid;
  std::optional<CardStamp> changed;
  std::optional<CardStamp> rev;
};

std::string PhoneLine(const VCardProperty& property) {
  std::string number = Unescape(property.value);
  if (number.size() >= 4 && (number.compare(0, 4, "tel:") == 0))
    number.erase(0, 4);
  const std::vector<std::string> types = property.Types();
  for (const PhoneLabel& label : kPhoneLabels) {
    for (const std::string& type : types) {
      if (type == label.type || (label.type == "cell" && type == "mobile"))
        return std::string(label.word) + " " + number;
    }
  }
  return number;
}

void Gather(const VCardProperty& p, Gathered& g) {
  const std::string& name = p.name;
  if (name == "N") {
    g.n = SplitValue(p.value, ';');
  } else if (name == "FN") {
    g.parts.full_name = Unescape(p.value);
  } else if (name == "ORG") {
    g.org = SplitValue(p.value, ';');
  } else if (name == "TEL") {
    g.parts.phones.push_back(PhoneLine(p));
  } else if (name == "CATEGORIES") {
    for (std::string& category : SplitValue(p.value, ','))
      if (!category.empty()) g.parts.categories.push_back(std::move(category));
  } else if (name == "NOTE") {
    g.parts.note += (g.parts.note.empty() ? "" : "\n") + Unescape(p.value);
  } else if (name == "EMAIL") {
    g.parts.labelled.push_back("E-mail: " + Unescape(p.value));
  } else if (name == "ADR") {
    g.parts.labelled.push_back("Address: " +
                               JoinNonEmpty(SplitValue(p.value, ';'), ", "));
  } else if (name == "URL") {
    g.parts.labelled.push_back("URL: " + Unescape(p.value));
  } else if (name == "BDAY") {
    g.parts.labelled.push_back("Birthday: " + Unescape(p.value));
  } else if (name == "TITLE") {
    g.parts.labelled.push_back("Title: " + Unescape(p.value));
  } else if (name == "NICKNAME") {
    g.parts.labelled.push_back("Nickname: " + Unescape(p.value));
  } else if (name == "UID" && p.value.starts_with(kUidPrefix)) {
    g.uid =
        ParseStampValue(std::string_view(p.value).substr(kUidPrefix.size()));
  } else if (name == kChangedProperty) {
    g.changed = ParseStampValue(p.value);
  } else if (name == "REV") {
    g.rev = ParseRev(p.value);
  } else if (name == kListByCompanyProperty) {
    g.parts.list_by_company = p.value == "1";
  } else if (!IsFrame(name)) {
    g.parts.not_kept.push_back(name);
  }
}

IncomingCard CardFromVCard(const VCard& vcard, int index) {
  Gathered g;
  for (const VCardProperty& property : vcard.properties) Gather(property, g);
  g.n.resize(5);
  if (g.org.empty()) g.org.resize(1);
  CardParts& parts = g.parts;
  parts.last = g.n[0];
  parts.first = g.n[1];
  if (!g.n[2].empty() || !g.n[3].empty() || !g.n[4].empty())
    parts.labelled.insert(
        parts.labelled.begin(),
        "Name: " + JoinNonEmpty({g.n[3], g.n[1], g.n[2], g.n[0], g.n[4]}, " "));
  parts.company = g.org[0];
  const std::string units = JoinNonEmpty(
      std::vector<std::string>(g.org.begin() + 1, g.org.end()), ", ");
  if (!units.empty()) parts.labelled.push_back("Department: " + units);
  if (g.uid) {
    parts.created = g.uid;
    parts.changed = g.changed ? g.changed : g.rev;
  }
  return CardFromParts(parts,
                       "card " + std::to_string(index) + " (line " +
                           std::to_string(vcard.first_line) + ")",
                       vcard.notes);
}

void AppendPhones(std::string& out, const CardRecord& card,
                  VCardVersion version) {
  std::string_view phones = Clipped(card.PHONES);
  if (phones.empty()) return;
  const std::string prefix =
      version == VCardVersion::k40 ? "TEL;VALUE=text" : "TEL";
  for (std::size_t start = 0;;) {
    const std::size_t end = phones.find("\r\n", start);
    std::string line = FieldText(phones.substr(
        start, end == std::string_view::npos ? end : end - start));
    std::string head = prefix;
    for (const PhoneLabel& label : kPhoneLabels) {
      const std::string word = std::string(label.word) + " ";
      if (line.starts_with(word)) {
        std::string type(label.type);
        if (version == VCardVersion::k30)
          for (char& c : type) c = static_cast<char>(c - 'a' + 'A');
        head += ";TYPE=" + type;
        line.erase(0, word.size());
        break;
      }
    }
    AppendFolded(out, head, Escape(line));
    if (end == std::string_view::npos) break;
    start = end + 2;
  }
}

void AppendVCard(std::string& out, const CardRecord& card,
                 VCardVersion version) {
  out += "BEGIN:VCARD\r\n";
  out += version == VCardVersion::k40 ? "VERSION:4.0\r\n" : "VERSION:3.0\r\n";
  const std::string last = FieldText(card.LASTNAME);
  const std::string first = FieldText(card.FIRSTNAME);
  const std::string company = FieldText(card.COMPANY);
  AppendFolded(out, "N", Escape(last) + ";" + Escape(first) + ";;;");
  std::string full = JoinNonEmpty({first, last}, " ");
  AppendFolded(out, "FN", Escape(full.empty() ? company : full));
  if (!company.empty()) AppendFolded(out, "ORG", Escape(company));
  if (card.LISTBYCOMPANY != 0 && !company.empty() && !full.empty())
    AppendFolded(out, kListByCompanyProperty, "1");
  AppendPhones(out, card, version);
  if (!IsBlank(card.CATEGORY))
    AppendFolded(out, "CATEGORIES", Escape(FieldText(card.CATEGORY)));
  if (!IsBlank(card.CONTENTS))
    AppendFolded(out, "NOTE",
                 Escape(FromRecordLines(FieldText(card.CONTENTS))));
  const CardStamp created{card.CREATEDDATE, card.CREATEDTIME};
  const CardStamp changed{card.CHANGEDDATE, card.CHANGEDTIME};
  AppendFolded(out, "UID", std::string(kUidPrefix) + StampValue(created));
  const std::string rev = RevValue(changed);
  if (!rev.empty()) AppendFolded(out, "REV", rev);
  AppendFolded(out, kChangedProperty, StampValue(changed));
  out += "END:VCARD\r\n";
}

}  // namespace

std::vector<IncomingCard> CardsFromVCards(const VCardFile& file) {
  std::vector<IncomingCard> cards;
  cards.reserve(file.cards.size());
  int index = 0;
  for (const VCard& vcard : file.cards)
    cards.push_back(CardFromVCard(vcard, ++index));
  return cards;
}

std::string VCardsFromCards(const std::vector<StoredCard>& cards,
                            VCardVersion version) {
  std::string out;
  for (const StoredCard& stored : cards) AppendVCard(out, stored.card, version);
  return out;
}

bool ImportVCardText(CardData& data, std::string_view text,
                     ImportSummary* summary, std::string* error) {
  VCardFile file = ReadVCards(text);
  if (!file.error.empty()) {
    *error = file.error;
    return false;
  }
  std::vector<IncomingCard> cards = CardsFromVCards(file);
  summary->notes = std::move(file.notes);
  return ImportCards(data, cards, summary, error);
}

}  // namespace vantrel

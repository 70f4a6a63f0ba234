#include "app/interchange/incoming_card.h"

#include <map>
#include <set>
#include <unordered_set>

#include "app/card_store.h"
#include "app/phone_lines.h"
#include "runtime/data/types/std_date.h"

namespace vantrel {
namespace {

CardStamp CreatedOf(const CardRecord& card) {
  return {card.CREATEDDATE, card.CREATEDTIME};
}
CardStamp ChangedOf(const CardRecord& card) {
  return {card.CHANGEDDATE, card.CHANGEDTIME};
}

// What makes two cards duplicates of each other.
std::string DuplicateKey(const CardRecord& card) {
  std::string key(Clipped(card.LASTNAME));
  for (std::string_view part :
       {Clipped(card.FIRSTNAME), Clipped(card.COMPANY), Clipped(card.PHONES)}) {
    key += '\0';
    key += part;
  }
  return key;
}

void SetStamps(CardRecord& card, CardStamp created, CardStamp changed) {
  card.CREATEDDATE = created.date;
  card.CREATEDTIME = created.time;
  card.CHANGEDDATE = changed.date;
  card.CHANGEDTIME = changed.time;
}

// The last word is the last name, the words before it the first name.
void SplitFullName(std::string_view full, IncomingCard& incoming) {
  const std::size_t begin = full.find_first_not_of(' ');
  const std::size_t end = full.find_last_not_of(' ');
  full = begin == std::string_view::npos ? std::string_view()
                                         : full.substr(begin, end - begin + 1);
  const std::size_t space = full.rfind(' ');
  std::string_view first;
  std::string_view last = full;
  if (space != std::string_view::npos) {
    first = full.substr(0, space);
    last = full.substr(space + 1);
    first = first.substr(0, first.find_last_not_of(' ') + 1);
  }
  FitField(incoming.card.LASTNAME, last, "Last name", &incoming.notes);
  FitField(incoming.card.FIRSTNAME, first, "First name", &incoming.notes);
}

std::string JoinLines(const std::string& note,
                      const std::vector<std::string>& labelled) {
  std::string text = note;
  for (const std::string& line : labelled) {
    if (line.empty()) continue;
    if (!text.empty()) text += '\n';
    text += line;
  }
  return text;
}

// The phone lines that fit the card; the others go to the contents.
void LayOutPhones(CardParts& parts, IncomingCard& in) {
  std::string phones;
  int count = 0;
  for (const std::string& line : parts.phones) {
    std::string text = ToWindows1252(line, "Phone " + line, &in.notes);
    if (text.size() > kPhoneLineLength) {
      for (std::string_view word : kPhoneTypeWords) {
        const std::string prefix = std::string(word) + " ";
        if (text.starts_with(prefix) &&
            text.size() - prefix.size() <= kPhoneLineLength) {
          text.erase(0, prefix.size());
          in.notes.push_back("phone " + line + ": the word " +
                             std::string(word) + " left out to fit " +
                             std::to_string(kPhoneLineLength) + " characters");
          break;
        }
      }
    }
    const std::size_t length =
        phones.size() + (count > 0 ? kPhoneSeparator.size() : 0) + text.size();
    if (text.size() > kPhoneLineLength || count == kMaxPhoneLines ||
        length > sizeof(CardRecord::PHONES)) {
      in.notes.push_back("phone " + line +
                         " does not fit the phone lines; kept in the contents");
      parts.labelled.push_back("Phone: " + line);
      continue;
    }
    if (count++ > 0) phones += kPhoneSeparator;
    phones += text;
  }
  Assign(in.card.PHONES, phones);
}

}  // namespace

std::string ImportSummary::Text() const {
  std::string text = "Cards read: " + std::to_string(read) + "\n" +
                     "Cards added: " + std::to_string(added) + "\n" +
                     "Cards updated: " + std::to_string(updated) + "\n";
  if (not_newer != 0)
    text +=
        "Cards not newer than in the card file: " + std::to_string(not_newer) +
        "\n";
  if (duplicates != 0)
    text += "Cards skipped as duplicates: " + std::to_string(duplicates) + "\n";
  if (unnamed != 0)
    text +=
        "Cards without a name or company: " + std::to_string(unnamed) + "\n";
  for (const std::string& note : notes) text += note + "\n";
  return text;
}

IncomingCard CardFromParts(CardParts& parts, std::string where,
                           std::vector<std::string> notes) {
  IncomingCard in;
  ClearCard(in.card);
  in.where = std::move(where);
  in.notes = std::move(notes);
  CardRecord& card = in.card;
  if (!parts.last.empty() || !parts.first.empty()) {
    FitField(card.LASTNAME, parts.last, "Last name", &in.notes);
    FitField(card.FIRSTNAME, parts.first, "First name", &in.notes);
  } else if (!parts.full_name.empty() && parts.full_name != parts.company) {
    SplitFullName(parts.full_name, in);
  }
  FitField(card.COMPANY, parts.company, "Company", &in.notes);
  const bool named = !IsBlank(card.LASTNAME) || !IsBlank(card.FIRSTNAME);
  card.LISTBYCOMPANY =
      parts.list_by_company.value_or(!named) && !IsBlank(card.COMPANY) ? 1 : 0;
  if (!parts.categories.empty()) {
    FitField(card.CATEGORY, parts.categories[0], "Category", &in.notes);
    if (parts.categories.size() > 1) {
      std::string rest;
      for (std::size_t i = 1; i < parts.categories.size(); ++i)
        rest += (i > 1 ? ", " : "") + parts.categories[i];
      parts.labelled.push_back("Categories: " + rest);
    }
  }
  LayOutPhones(parts, in);
  FitField(card.CONTENTS, ToRecordLines(JoinLines(parts.note, parts.labelled)),
           "Contents", &in.notes);
  if (!parts.not_kept.empty()) {
    std::string names;
    for (const std::string& name : parts.not_kept)
      names += (names.empty() ? "" : ", ") + name;
    in.notes.push_back("not kept: " + names);
  }
  if (parts.created) {
    in.created = parts.created;
    in.changed = parts.changed ? parts.changed : parts.created;
  }
  return in;
}

bool ImportCards(CardData& data, std::vector<IncomingCard>& cards,
                 ImportSummary* summary, std::string* error) {
  std::vector<StoredCard> live;
  if (!ReadLiveCards(data, &live, error)) return false;
  // A card by its creation stamp: its changed stamp, and where it is
  // written, on file (pointer) or in this batch (index into `writes`).
  struct Known {
    CardStamp changed;
    std::int32_t pointer = 0;
    std::size_t write = 0;
  };
  std::map<CardStamp, Known> by_created;
  std::set<CardStamp> taken;
  std::unordered_set<std::string> same;
  for (const StoredCard& stored : live) {
    by_created[CreatedOf(stored.card)] = {ChangedOf(stored.card),
                                          stored.pointer};
    taken.insert(CreatedOf(stored.card));
    same.insert(DuplicateKey(stored.card));
  }
  std::vector<CardWrite> writes;
  CardStamp next{Today(), Clock()};
  for (IncomingCard& incoming : cards) {
    ++summary->read;
    CardRecord& card = incoming.card;
    if (IsBlank(card.LASTNAME) && IsBlank(card.FIRSTNAME) &&
        IsBlank(card.COMPANY)) {
      ++summary->unnamed;
      incoming.notes.push_back("no name and no company; not imported");
    } else if (incoming.created && incoming.changed) {
      SetStamps(card, *incoming.created, *incoming.changed);
      auto [found, is_new] =
          by_created.try_emplace(*incoming.created, Known{*incoming.changed});
      Known& known = found->second;
      if (is_new) {
        taken.insert(*incoming.created);
        known.write = writes.size();
        writes.push_back({card, 0});
        ++summary->added;
      } else if (*incoming.changed > known.changed) {
        known.changed = *incoming.changed;
        if (known.pointer == 0) {
          writes[known.write].card = card;  // twice in this file: the newer
        } else {
          known.write = writes.size();
          writes.push_back({card, known.pointer});
          known.pointer = 0;
        }
        ++summary->updated;
      } else {
        ++summary->not_newer;
      }
      same.insert(DuplicateKey(card));
    } else if (!same.insert(DuplicateKey(card)).second) {
      ++summary->duplicates;
    } else {
      next = TakeFreeStamp(taken, next);
      SetStamps(card, next, next);
      writes.push_back({card, 0});
      ++summary->added;
    }
    for (const std::string& note : incoming.notes)
      summary->notes.push_back(incoming.where + ": " + note);
  }
  return WriteCards(data, writes, error);
}

}  // namespace vantrel

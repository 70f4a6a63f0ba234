#include "framework/view_manager.h"

#include <algorithm>
#include <cstdlib>

#include "framework/file_manager.h"
#include "framework/relation_manager.h"
#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/file_statements.h"
#include "runtime/data/view/view_statements.h"

namespace vantrel {

ViewManager::~ViewManager() = default;

void ViewManager::Init(ViewDeclaration& view, RelationManager& primary) {
  VIEW = &view;
  PRIMARY = &primary;
  ORDER = std::make_unique<std::vector<SortOrder>>();
  current_order = 0;
}

void ViewManager::Kill() {
  Close();
  if (DISPOSEORDER) ORDER.reset();
  VIEW = nullptr;
}

void ViewManager::AddSortOrder(KeyDeclaration* key, std::string_view order) {
  SortOrder entry;
  entry.FILTER = std::make_unique<std::vector<NamedFilter>>();
  entry.RANGELIST = std::make_unique<std::vector<RangeField>>();
  entry.MAINKEY = key;
  if (!order.empty() || key == nullptr) {
    entry.ORDER = std::string(order);
  } else {
    for (std::size_t i = 0; i < key->components.size(); ++i) {
      std::optional<FieldInfo> field =
          key->file->descriptor.Field(std::abs(key->components[i]));
      if (!field) continue;
      if (!entry.ORDER.empty()) entry.ORDER += ',';
      entry.ORDER += key->components[i] < 0 ? '-' : '+';
      entry.ORDER += field->label;
    }
  }
  ORDER->push_back(std::move(entry));
  current_order = ORDER->size() - 1;
}

void ViewManager::AddRange(int component, const Variable& value) {
  SortOrder& order = CurrentOrder();
  order.RANGELIST->push_back({component, value, {}});
  if (order.LIMITTYPE == kLimitNone) order.LIMITTYPE = kLimitSingle;
  const int count = order.MAINKEY == nullptr
                        ? 0
                        : static_cast<int>(order.MAINKEY->components.size());
  order.FREEELEMENT = component < count ? component + 1 : 0;
}

void ViewManager::SetLimitType(std::uint8_t type) {
  CurrentOrder().LIMITTYPE = type;
}

void ViewManager::SetSort(std::size_t n) {
  if (n >= 1 && n <= ORDER->size()) current_order = n - 1;
}

SortOrder& ViewManager::CurrentOrder() {
  if (ORDER->empty()) AddSortOrder(nullptr);
  return (*ORDER)[current_order];
}

void ViewManager::SetFilter(std::string_view text, std::string_view id) {
  std::string key(id.substr(0, kFilterIdLength));
  std::vector<NamedFilter>& filters = *CurrentOrder().FILTER;
  auto at = std::ranges::lower_bound(filters, key, {}, &NamedFilter::ID);
  const bool present = at != filters.end() && at->ID == key;
  if (text.empty()) {
    if (present) filters.erase(at);
  } else if (present) {
    at->FILTER = std::string(text);
  } else {
    filters.insert(at, {key, std::string(text)});
  }
}

void ViewManager::SetOrder(std::string_view text) {
  CurrentOrder().ORDER = std::string(text);
}

std::string KeyComponentName(const KeyDeclaration& key, int component) {
  if (component < 1 || component > static_cast<int>(key.components.size()) ||
      key.file == nullptr) {
    return {};
  }
  std::optional<FieldInfo> field =
      key.file->descriptor.Field(std::abs(key.components[component - 1]));
  if (!field) return {};
  if ((key.flags & kKeyNoCase) && IsTextType(field->type)) {
    return "UPPER(" + field->label + ")";
  }
  return field->label;
}

std::string FilterLiteral(const Variable& value, bool upper) {
  std::string text = VariableValue(value);
  if (!IsTextType(value.type)) return text.empty() ? "0" : text;
  // A C string's padding is not part of the value.
  while (!text.empty() && (text.back() == '\0' || text.back() == ' '))
    text.pop_back();
  std::string literal = "'";
  for (char c : text) {
    literal += c;
    if (c == '\'') literal += '\'';
  }
  literal += '\'';
  return upper ? "UPPER(" + literal + ")" : literal;
}

bool ViewManager::BuildFilter(std::string& text) {
  text.clear();
  SortOrder& order = CurrentOrder();
  auto add = [&](const std::string& condition) {
    if (!text.empty()) text += " AND ";
    text += condition;
  };
  auto equal = [&](const RangeField& range) {
    std::string name = KeyComponentName(*order.MAINKEY, range.LEFT);
    add(name + " = " + FilterLiteral(range.RIGHT, name.starts_with("UPPER(")));
  };
  const std::vector<RangeField>& ranges = *order.RANGELIST;
  if (order.MAINKEY != nullptr && order.LIMITTYPE != kLimitNone) {
    if (order.LIMITTYPE == kLimitPair && ranges.size() >= 2) {
      for (std::size_t i = 0; i + 2 < ranges.size(); ++i) equal(ranges[i]);
      const RangeField& low = ranges[ranges.size() - 2];
      const RangeField& high = ranges.back();
      std::string name = KeyComponentName(*order.MAINKEY, low.LEFT);
      const bool upper = name.starts_with("UPPER(");
      add(name + " >= " + FilterLiteral(low.RIGHT, upper) + " AND " + name +
          " <= " + FilterLiteral(high.RIGHT, upper));
    } else {
      for (const RangeField& range : ranges) equal(range);
    }
  }
  for (const NamedFilter& filter : *order.FILTER) {
    add("(" + filter.FILTER + ")");
  }
  return text.size() <= kViewFilterLimit;
}

Level ViewManager::ViewError() {
  return PRIMARY->ME->Throw(kMsgViewOpenError);
}

Level ViewManager::ApplyFilter() {
  std::string text;
  if (!BuildFilter(text)) {
    PostErrorWithDetail(kErrInvalidExpression,
                        "the filter is longer than 5000 bytes");
    return ViewError();
  }
  ClearError();
  SetViewFilter(*VIEW, text);
  if (ErrorCode() != 0) return ViewError();
  return Level::Proceed;
}

Level ViewManager::Open() {
  if (OPENED) return Level::Proceed;
  Level level = PRIMARY->Open();
  if (level != Level::Proceed) return level;
  level = PRIMARY->ME->UseFile(kUseOpen);
  if (level != Level::Proceed) return level;
  ClearError();
  vantrel::Open(*VIEW);
  if (ErrorCode() != 0) {
    Level failed = ViewError();
    PRIMARY->Close();
    return failed;
  }
  OPENED = 1;
  return Level::Proceed;
}

void ViewManager::Close() {
  if (!OPENED) return;
  vantrel::Close(*VIEW);
  PRIMARY->Close();
  OPENED = 0;
}

Level ViewManager::Reset() {
  Level level = Open();
  if (level != Level::Proceed) return level;
  SetViewOrder(*VIEW, CurrentOrder().ORDER);
  level = ApplyFilter();
  if (level != Level::Proceed) return level;
  ClearError();
  SetView(*VIEW);
  if (ErrorCode() != 0) return ViewError();
  return Level::Proceed;
}

Level ViewManager::Read(bool forward) {
  for (;;) {
    ClearError();
    if (forward) {
      vantrel::Next(*VIEW);
    } else {
      vantrel::Previous(*VIEW);
    }
    const int code = ErrorCode();
    if (code == kErrRecordNotAvailable) return Level::Notified;
    if (code != 0) {
      PRIMARY->ME->Throw(kMsgRetrievalError);
      return Level::Fatal;
    }
    switch (ValidateRecord()) {
      case kRecordOk:
        return Level::Proceed;
      case kRecordOutOfRange:
        return Level::Notified;
      default:
        break;  // filtered out: read on
    }
  }
}

Level ViewManager::Next() { return Read(true); }
Level ViewManager::Previous() { return Read(false); }

}  // namespace vantrel

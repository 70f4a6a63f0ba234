// The view manager: owns a view over a primary file with one or more sort
// orders, and turns each order's range limits and named filters into the
// view's filter expression.
//
//   ViewManager cards;
//   cards.Init(card_view, card_relations);
//   cards.AddSortOrder(name_key);
//   cards.AddRange(1, Variable::Of(category));      // VTL:CATEGORY = ...
//   cards.SetFilter("VTL:PHONE1 <> ''", "1 Phone");
//   cards.Open();  cards.Reset();
//   while (cards.Next() == Level::Proceed) ...
#ifndef VANTREL_FRAMEWORK_VIEW_MANAGER_H_
#define VANTREL_FRAMEWORK_VIEW_MANAGER_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/error_manager.h"
#include "runtime/data/view/view_declaration.h"
#include "runtime/window/variable.h"

namespace vantrel {

class RelationManager;

// The filter text the view is given holds at most this many bytes.
inline constexpr std::size_t kViewFilterLimit = 5000;
inline constexpr std::size_t kFilterIdLength = 30;
inline constexpr std::string_view kStandardFilterId = "5 Standard";

// LIMITTYPE of an order.
enum LimitType : std::uint8_t {
  kLimitNone = 0,
  kLimitCurrent = 1,   // every range field equals its value
  kLimitSingle = 2,    // the same
  kLimitPair = 3,      // the last component lies between two values
  kLimitRelation = 4,  // the same as 1
};

// One range field: the key component (1-based in MAINKEY) and the variable
// holding its limiting value.
struct RangeField {
  int LEFT = 0;
  Variable RIGHT;
  std::vector<std::uint8_t> BUFFER;  // a saved copy of the value
};

struct NamedFilter {
  std::string ID;  // at most 30 bytes
  std::string FILTER;
};

struct SortOrder {
  std::unique_ptr<std::vector<NamedFilter>> FILTER;  // in order of ID
  int FREEELEMENT = 0;  // the key component the range leaves free; 0: none
  std::uint8_t LIMITTYPE = kLimitNone;
  KeyDeclaration* MAINKEY = nullptr;
  std::string ORDER;
  std::unique_ptr<std::vector<RangeField>> RANGELIST;
};

// What ValidateRecord answers.
enum RecordValidity : std::uint8_t {
  kRecordOk = 0,
  kRecordOutOfRange = 1,  // reading ends
  kRecordFiltered = 2,    // read on
};

class ViewManager {
 public:
  ViewManager() = default;
  virtual ~ViewManager();
  ViewManager(const ViewManager&) = delete;
  ViewManager& operator=(const ViewManager&) = delete;

  // Binds the view and the primary file; the order list starts empty.
  void Init(ViewDeclaration& view, RelationManager& primary);
  virtual void Kill();

  // Appends an order by `key` (its components give the order text, or
  // `order` when given) and makes it current.
  void AddSortOrder(KeyDeclaration* key, std::string_view order = {});
  // Limits the current order: key component `component` equals the value
  // of `value` (kLimitPair: the last two calls give the low and the high
  // value of one component).
  void AddRange(int component, const Variable& value);
  void SetLimitType(std::uint8_t type);
  // Makes the n-th order (from 1) current.
  void SetSort(std::size_t n);
  SortOrder& CurrentOrder();

  // Stores, replaces or, with an empty text, removes the named filter of
  // the current order.
  virtual void SetFilter(std::string_view text,
                         std::string_view id = kStandardFilterId);
  virtual void SetOrder(std::string_view text);
  // The filter text of the current order; false when it would exceed
  // kViewFilterLimit.
  bool BuildFilter(std::string& text);
  // Sets the built filter on the view; "View Open Error" when refused.
  virtual Level ApplyFilter();
  // Opens the view once; "View Open Error" on failure.
  virtual Level Open();
  virtual void Close();
  // Applies order and filter and starts a new sequence over the view.
  virtual Level Reset();
  // The next (previous) record that belongs: Proceed; Notified at the end;
  // Fatal after a read failure ("Record Retrieval Error").
  virtual Level Next();
  virtual Level Previous();
  virtual std::uint8_t ValidateRecord() { return kRecordOk; }

  std::uint8_t DISPOSEORDER = 1;
  std::uint8_t OPENED = 0;
  std::unique_ptr<std::vector<SortOrder>> ORDER;
  std::size_t current_order = 0;  // index into ORDER
  std::uint16_t PAGESAHEAD = 0;
  std::uint16_t PAGESBEHIND = 0;
  std::uint16_t PAGESIZE = 0;
  RelationManager* PRIMARY = nullptr;
  std::uint16_t TIMEOUT = 0;
  ViewDeclaration* VIEW = nullptr;

 protected:
  Level Read(bool forward);
  Level ViewError();
};

// The expression a range condition names a key component by: the field's
// label, in UPPER( ) for a key that ignores case.
std::string KeyComponentName(const KeyDeclaration& key, int component);
// A value as a literal of the filter language: text between apostrophes
// with each apostrophe doubled (in UPPER( ) when `upper`), numbers as
// their digits.
std::string FilterLiteral(const Variable& value, bool upper);

}  // namespace vantrel

#endif  // VANTREL_FRAMEWORK_VIEW_MANAGER_H_

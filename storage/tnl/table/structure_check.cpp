#include "storage/tnl/table/structure_check.h"

#include <optional>
#include <set>
#include <span>
#include <vector>

namespace vantrel {
namespace {

using Key = std::vector<std::uint8_t>;

class StructureChecker {
 public:
  explicit StructureChecker(TnlFile& file) : file_(file) {}

  std::string Run() {
    const ZoneTable& zones = file_.header().zones;
    if (!ZonesConsistent(zones)) return "zone table malformed";
    std::size_t slots = 0;
    for (int k = 1; k <= kMaxPageUnits; ++k) {
      slots += (zones.end[k] - zones.start[k]) / static_cast<std::uint32_t>(k);
    }
    // A file that never had a root (a new one) has no pages to visit; asking
    // for its root would make one.
    if (file_.header().change_counter == 0) {
      return slots == 0 ? std::string()
                        : std::to_string(slots) + " slots but no root";
    }
    Page* root = file_.RootPage();
    Visit(root, root->level, std::nullopt, std::nullopt);
    if (!fault_.empty()) return fault_;
    if (slots != seen_.size()) {
      return std::to_string(slots) + " slots but " +
             std::to_string(seen_.size()) + " reachable pages";
    }
    return {};
  }

 private:
  void Fail(const std::string& what, PageNumber page) {
    if (fault_.empty()) fault_ = "page " + std::to_string(page) + ": " + what;
  }

  // `low`: records must not sort below it; `high`: they must sort below it.
  void Visit(Page* page, int level, const std::optional<Key>& low,
             const std::optional<Key>& high) {
    const PageNumber n = page->number;
    if (!seen_.insert(n).second) return Fail("reached twice", n);
    if (page->level != level) return Fail("wrong level", n);
    if (ClassOf(file_.header().zones, n) != page->units) {
      return Fail("outside its size zone", n);
    }
    if (page->used != UsedMeasure(page->level, page->records)) {
      return Fail("used measure wrong", n);
    }
    std::vector<RecordRef> records;
    page->records.ForEach([&](const RecordRef& r) { records.push_back(r); });
    for (std::size_t i = 0; i < records.size(); ++i) {
      const auto key = records[i].Key();
      if (i > 0 && CompareKeys(records[i - 1].Key(), key) >= 0) {
        return Fail("records out of order", n);
      }
      if ((low && CompareKeys(key, *low) < 0) ||
          (high && CompareKeys(key, *high) >= 0)) {
        return Fail("record outside its parent's separators", n);
      }
    }
    if (level == 0) return;
    if (records.empty()) return Fail("empty inner page", n);
    for (std::size_t i = 0; i < records.size(); ++i) {
      std::optional<Key> child_low;
      if (i > 0)
        child_low = Key(records[i].Key().begin(), records[i].Key().end());
      std::optional<Key> child_high = high;
      if (i + 1 < records.size()) {
        child_high =
            Key(records[i + 1].Key().begin(), records[i + 1].Key().end());
      }
      const PageNumber child = records[i].child;
      if (child < 0 || ClassOf(file_.header().zones, child) == 0) {
        return Fail("child " + std::to_string(child) + " in no zone", n);
      }
      Visit(file_.GetPage(child), level - 1, i > 0 ? child_low : low,
            child_high);
      if (!fault_.empty()) return;
    }
  }

  TnlFile& file_;
  std::set<PageNumber> seen_;
  std::string fault_;
};

}  // namespace

std::string CheckStructure(TnlFile& file) {
  return StructureChecker(file).Run();
}

}  // namespace vantrel

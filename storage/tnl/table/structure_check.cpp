#include "storage/tnl/table/structure_check.h"

#include <optional>
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
    seen_.assign(EndOfPageSpace(zones), false);
    Page* root = file_.RootPage();
    root_ = root->number;
    Visit(root, root->level, std::nullopt, std::nullopt);
    if (!fault_.empty()) return fault_;
    if (slots != reached_) {
      return std::to_string(slots) + " slots but " + std::to_string(reached_) +
             " reachable pages";
    }
    return {};
  }

 private:
  // One child of an inner page, copied out so that the walk holds no page
  // while it descends: the cache may then drop what it has visited.
  struct Child {
    PageNumber number;
    std::optional<Key> low;   // its separator, past the first child
    std::optional<Key> high;  // the next separator, or the parent's bound
  };

  void Fail(const std::string& what, PageNumber page) {
    if (fault_.empty()) fault_ = "page " + std::to_string(page) + ": " + what;
  }

  // `low`: records must not sort below it; `high`: they must sort below it.
  void Visit(Page* page, int level, const std::optional<Key>& low,
             const std::optional<Key>& high) {
    const PageNumber n = page->number;
    if (n < 0 || static_cast<std::size_t>(n) >= seen_.size()) {
      return Fail("outside the page space", n);
    }
    if (seen_[static_cast<std::size_t>(n)]) return Fail("reached twice", n);
    seen_[static_cast<std::size_t>(n)] = true;
    ++reached_;
    if (page->level != level) return Fail("wrong level", n);
    if (ClassOf(file_.header().zones, n) != page->units) {
      return Fail("outside its size zone", n);
    }
    std::vector<Child> children;
    std::optional<RecordRef> previous;
    std::size_t index = 0;
    std::string fault;
    page->records.ForEach([&](const RecordRef& r) {
      if (!fault.empty()) return;
      const auto key = r.Key();
      if (previous && CompareKeys(previous->Key(), key) >= 0) {
        fault = "records out of order";
      } else if ((low && CompareKeys(key, *low) < 0) ||
                 (high && CompareKeys(key, *high) >= 0)) {
        fault = "record outside its parent's separators";
      } else if (level != 0) {
        if (!children.empty())
          children.back().high = Key(key.begin(), key.end());
        Child child{
            r.child,
            index > 0 ? std::optional<Key>(Key(key.begin(), key.end())) : low,
            high};
        children.push_back(std::move(child));
      }
      previous = r;
      ++index;
    });
    if (!fault.empty()) return Fail(fault, n);
    if (page->records.empty()) {
      if (level != 0) return Fail("empty inner page", n);
      if (n != root_) return Fail("empty leaf below the root", n);
    }
    // Nothing of `page` is used from here on.
    file_.TrimCache();
    for (const Child& child : children) {
      if (child.number < 0 ||
          ClassOf(file_.header().zones, child.number) == 0) {
        return Fail("child " + std::to_string(child.number) + " in no zone", n);
      }
      Visit(file_.GetPage(child.number), level - 1, child.low, child.high);
      if (!fault_.empty()) return;
    }
  }

  TnlFile& file_;
  PageNumber root_ = 0;
  std::vector<bool> seen_;  // by page number
  std::size_t reached_ = 0;
  std::string fault_;
};

}  // namespace

std::string CheckStructure(TnlFile& file) {
  return StructureChecker(file).Run();
}

}  // namespace vantrel

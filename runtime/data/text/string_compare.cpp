#include "runtime/data/text/string_compare.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "runtime/data/text/char_tables_internal.h"

namespace vantrel {
namespace {

constexpr std::uint8_t kBlank = ' ';

using Bytes = const std::uint8_t*;
using ByteMap = std::array<std::uint8_t, kCharCount>;

const std::uint8_t* BytesOf(std::string_view s) {
  return reinterpret_cast<const std::uint8_t*>(s.data());
}

// Index of the first i in [from, n) with a[i] != b[i], or n.
std::size_t FirstDifference(Bytes a, Bytes b, std::size_t from, std::size_t n) {
  std::size_t i = from;
  for (; i + sizeof(std::uint64_t) <= n; i += sizeof(std::uint64_t)) {
    std::uint64_t wa;
    std::uint64_t wb;
    std::memcpy(&wa, a + i, sizeof wa);
    std::memcpy(&wb, b + i, sizeof wb);
    if (wa != wb) break;
  }
  while (i < n && a[i] == b[i]) ++i;
  return i;
}

// Weighs two characters after mapping them through `map` (identity or case
// folding); 0 when they weigh the same.
int WeighPair(std::uint8_t a, std::uint8_t b, const ByteMap& map,
              const ByteMap& weight) {
  return weight[map[a]] - weight[map[b]];
}

// The first nonzero weighing of a tail against blank padding, or 0.
int TailAgainstBlanks(Bytes tail, std::size_t n, const ByteMap& map,
                      const ByteMap& weight) {
  for (std::size_t i = 0; i < n; ++i) {
    const int d = WeighPair(tail[i], kBlank, map, weight);
    if (d != 0) return d;
  }
  return 0;
}

// Without digraphs characters pair up one to one: skip equal runs a word at
// a time and weigh only the bytes that differ.
int CompareWithoutDigraphs(std::string_view sa, std::string_view sb,
                           const ByteMap& map, const ByteMap& weight) {
  Bytes a = BytesOf(sa);
  Bytes b = BytesOf(sb);
  const std::size_t n = std::min(sa.size(), sb.size());
  // Different bytes of equal weight do not decide; the walk goes on, so that
  // the order stays consistent when the weights are not all distinct.
  for (std::size_t i = FirstDifference(a, b, 0, n); i < n;
       i = FirstDifference(a, b, i + 1, n)) {
    const int d = WeighPair(a[i], b[i], map, weight);
    if (d != 0) return d;
  }
  if (sa.size() > n) {
    return TailAgainstBlanks(a + n, sa.size() - n, map, weight);
  }
  return -TailAgainstBlanks(b + n, sb.size() - n, map, weight);
}

// Yields the characters of a text with digraphs expanded, then
// blanks once the text is exhausted.
class Walker {
 public:
  Walker(std::string_view s, const CharLookups& lookups)
      : p_(BytesOf(s)), end_(p_ + s.size()), lookups_(lookups) {}

  bool Exhausted() const { return p_ == end_ && pending_ == 0; }

  std::uint8_t Next() {
    if (pending_ != 0) {
      pending_ = 0;
      return second_;
    }
    if (p_ == end_) return kBlank;
    const std::uint8_t c = *p_++;
    if (!lookups_.is_digraph[c]) return c;
    pending_ = 1;
    second_ = lookups_.expansion[c][1];
    return lookups_.expansion[c][0];
  }

 private:
  Bytes p_;
  Bytes end_;
  const CharLookups& lookups_;
  int pending_ = 0;          // 1 while the second half of a digraph is due
  std::uint8_t second_ = 0;  // that second half
};

// With digraphs one character may stand for two: walk both expanded texts
// character by character.
int CompareWithDigraphs(std::string_view sa, std::string_view sb,
                        const ByteMap& map, const CharLookups& lookups) {
  Walker a(sa, lookups);
  Walker b(sb, lookups);
  while (!a.Exhausted() || !b.Exhausted()) {
    const std::uint8_t ca = a.Next();
    const std::uint8_t cb = b.Next();
    if (ca == cb) continue;
    const int d = WeighPair(ca, cb, map, lookups.tables.weight);
    if (d != 0) return d;
  }
  return 0;
}

int Compare(std::string_view a, std::string_view b, bool fold) {
  const CharLookups& lookups = GetCharLookups();
  const ByteMap& map = fold ? lookups.upper : lookups.identity;
  if (lookups.tables.HasDigraphs()) {
    return CompareWithDigraphs(a, b, map, lookups);
  }
  return CompareWithoutDigraphs(a, b, map, lookups.tables.weight);
}

std::string_view ZeroTerminated(const char* s) {
  return s == nullptr ? std::string_view() : std::string_view(s);
}

}  // namespace

int CompareStrings(std::string_view a, std::string_view b) {
  return Compare(a, b, /*fold=*/false);
}

int CompareStringsNoCase(std::string_view a, std::string_view b) {
  return Compare(a, b, /*fold=*/true);
}

int CompareZeroTerminated(const char* a, const char* b) {
  return CompareStrings(ZeroTerminated(a), ZeroTerminated(b));
}

int CompareZeroTerminatedNoCase(const char* a, const char* b) {
  return CompareStringsNoCase(ZeroTerminated(a), ZeroTerminated(b));
}

}  // namespace vantrel

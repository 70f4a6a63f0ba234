// Compares SearchText (step 1, a 10-character needle in a 1 MB text) with the
// C library's memmem in the same run, on one needle placed near the end and
// one that does not occur. Prints per-case timings and a final line
//   ratio search_vs_memmem <our total time / memmem's total time>
//
// Flags: --size=BYTES (text size, default 1 MiB), --rounds=N (timed batches
// per case, best kept, default 30), --batch=N (searches per batch, default 20).
#include <string.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <string_view>

#include "runtime/data/text/string_ops.h"

namespace {

constexpr std::size_t kDefaultSize = 1 << 20;
constexpr int kDefaultRounds = 30;
constexpr int kDefaultBatch = 20;
constexpr std::size_t kNeedleSize = 10;
constexpr std::size_t kNeedleFromEnd = 1000;  // where the present needle sits

struct Options {
  std::size_t size = kDefaultSize;
  int rounds = kDefaultRounds;
  int batch = kDefaultBatch;
};

Options ParseFlags(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const auto value = [&](std::string_view name) -> const char* {
      return arg.starts_with(name) ? argv[i] + name.size() : nullptr;
    };
    if (const char* v = value("--size=")) {
      options.size = std::strtoull(v, nullptr, 10);
    } else if (const char* v = value("--rounds=")) {
      options.rounds = std::atoi(v);
    } else if (const char* v = value("--batch=")) {
      options.batch = std::atoi(v);
    } else if (arg.starts_with("--benchmark_")) {
      // Meant for the Google Benchmark programs that scripts/run runs
      // alongside this one; this program times itself.
    } else {
      std::fprintf(stderr, "unknown flag %s\n", argv[i]);
      std::exit(2);
    }
  }
  options.size = std::max(options.size, 4 * kNeedleFromEnd);
  options.rounds = std::max(options.rounds, 1);
  options.batch = std::max(options.batch, 1);
  return options;
}

// Text like the card file's: lower- and upper-case words, digits, blanks.
std::string MakeText(std::size_t size, std::mt19937& rng) {
  static constexpr std::string_view kLetters =
      "etaoinshrdlcumwfgypbvkjxqzETAOINSHRDLCUMWFGYPBVKJXQZ0123456789";
  std::string text;
  text.reserve(size);
  while (text.size() < size) {
    const std::size_t word = 2 + rng() % 9;
    for (std::size_t i = 0; i < word; ++i) {
      // Skewed towards the front of kLetters, as letters are in real text.
      const std::size_t k =
          std::min(rng() % kLetters.size(), rng() % kLetters.size());
      text.push_back(kLetters[k]);
    }
    text.push_back(' ');
  }
  text.resize(size);
  return text;
}

struct Timings {
  double ours = 1e300;  // best nanoseconds per call
  double theirs = 1e300;
};

// Nanoseconds per call of one batch.
double TimeBatch(int batch, const std::function<long()>& call) {
  volatile long sink = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < batch; ++i) sink = sink + call();
  const std::chrono::duration<double, std::nano> took =
      std::chrono::steady_clock::now() - start;
  return took.count() / batch;
}

// Alternates batches of the two calls and keeps each one's best, so that
// both see the same machine load.
Timings BestTimes(const Options& options, const std::function<long()>& ours,
                  const std::function<long()>& theirs) {
  Timings best;
  for (int r = 0; r < options.rounds; ++r) {
    best.ours = std::min(best.ours, TimeBatch(options.batch, ours));
    best.theirs = std::min(best.theirs, TimeBatch(options.batch, theirs));
  }
  return best;
}

long MemmemOffset(std::string_view text, std::string_view needle) {
  const void* hit =
      memmem(text.data(), text.size(), needle.data(), needle.size());
  return hit == nullptr ? -1 : static_cast<const char*>(hit) - text.data();
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = ParseFlags(argc, argv);
  std::mt19937 rng(20240601);
  std::string text = MakeText(options.size, rng);

  const std::string present = "Kvq7Zx0jRb";
  const std::string absent = "qzQZ9j8xVk";
  present.copy(text.data() + text.size() - kNeedleFromEnd, present.size());
  struct Case {
    const char* name;
    std::string_view needle;
  } cases[] = {{"near_end", present}, {"absent", absent}};

  double ours_total = 0;
  double theirs_total = 0;
  for (const Case& c : cases) {
    const long expected = MemmemOffset(text, c.needle);
    const long found = vantrel::SearchText(text, c.needle, 1, 1) - 1;
    if (found != expected) {
      std::fprintf(stderr, "%s: SearchText found %ld, memmem %ld\n", c.name,
                   found, expected);
      return 1;
    }
    const Timings t = BestTimes(
        options, [&] { return vantrel::SearchText(text, c.needle, 1, 1); },
        [&] { return MemmemOffset(text, c.needle); });
    std::printf("%-9s search %10.0f ns  memmem %10.0f ns  ratio %.3f\n", c.name,
                t.ours, t.theirs, t.ours / t.theirs);
    ours_total += t.ours;
    theirs_total += t.theirs;
  }
  std::printf("ratio search_vs_memmem %.3f\n", ours_total / theirs_total);
  return 0;
}

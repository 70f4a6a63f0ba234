// Times regular-expression search (PatternFound) on patterns that make a
// backtracking matcher take exponential time, against a plain pattern on the
// same text, and on texts of two lengths to show the growth is linear.
// Prints per-pattern times for a 10,000-character text and the lines
//   ratio pattern_adversarial_vs_plain <worst adversarial / plain>
//   ratio pattern_growth_10x <time on 100,000 characters / on 10,000>
//
// Flags: --size=N (text length, default 10000), --rounds=N (best of, default
// 5).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "runtime/data/text/pattern_match.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kDefaultSize = 10000;
constexpr int kDefaultRounds = 5;
constexpr std::size_t kGrowth = 10;

// Seconds for one search, the best of `rounds`.
double Time(std::string_view text, const char* pattern, int rounds) {
  double best = 1e9;
  for (int r = 0; r < rounds; ++r) {
    std::string problem;
    auto start = Clock::now();
    std::optional<bool> found =
        vantrel::PatternFound(text, pattern, false, &problem);
    double s = std::chrono::duration<double>(Clock::now() - start).count();
    if (!found) {
      std::fprintf(stderr, "%s: %s\n", pattern, problem.c_str());
      std::exit(1);
    }
    best = std::min(best, s);
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t size = kDefaultSize;
  int rounds = kDefaultRounds;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg.starts_with("--size="))
      size = std::strtoul(argv[i] + 7, nullptr, 10);
    if (arg.starts_with("--rounds=")) rounds = std::atoi(argv[i] + 9);
  }
  const std::string text(size, 'a');
  const char* plain = "ab";
  const char* adversarial[] = {
      "(a*)*b",         "(a|aa)+b",         "(a|a)*b",
      "(a?){30}a{30}b", "(a{0,40}){0,40}b", "((a?a?a?a?){1,12}){1,12}b",
      "(.*a){25}b",     "^(a+)+$x",
  };
  double plain_time = Time(text, plain, rounds);
  std::printf("%zu characters, best of %d\n", size, rounds);
  std::printf("  %-28s %10.6f s\n", plain, plain_time);
  double worst = 0;
  const char* worst_pattern = plain;
  for (const char* p : adversarial) {
    double t = Time(text, p, rounds);
    std::printf("  %-28s %10.6f s\n", p, t);
    if (t > worst) {
      worst = t;
      worst_pattern = p;
    }
  }
  // The growth on a longer text, with a pattern that stays well inside the
  // step budget there.
  const char* grower = "(.*a){25}b";
  const std::string longer(size * kGrowth, 'a');
  double shorter_time = Time(text, grower, rounds);
  double longer_time = Time(longer, grower, rounds);
  std::printf("  %-28s %10.6f s on %zu characters\n", grower, longer_time,
              longer.size());
  std::printf("slowest: %s\n", worst_pattern);
  std::printf("ratio pattern_adversarial_vs_plain %.3f\n", worst / plain_time);
  std::printf("ratio pattern_growth_10x %.3f\n", longer_time / shorter_time);
  return 0;
}

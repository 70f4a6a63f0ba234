#include "runtime/data/text/charset.h"

#include <array>
#include <cstddef>

namespace vantrel {
namespace {

constexpr std::size_t kHigh = 0x80;  // first code that differs between sets
constexpr char32_t kUndefined = 0xFFFD;

// Unicode of Windows-1252 0x80-0x9F; 0xA0-0xFF are Latin-1 itself.
constexpr std::array<char32_t, 32> kWindowsC1 = {
    0x20AC, kUndefined, 0x201A,     0x0192, 0x201E, 0x2026, 0x2020,
    0x2021, 0x02C6,     0x2030,     0x0160, 0x2039, 0x0152, kUndefined,
    0x017D, kUndefined, kUndefined, 0x2018, 0x2019, 0x201C, 0x201D,
    0x2022, 0x2013,     0x2014,     0x02DC, 0x2122, 0x0161, 0x203A,
    0x0153, kUndefined, 0x017E,     0x0178};

// Unicode of code page 437 0x80-0xFF.
constexpr std::array<char32_t, 128> kOem = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,  // 80
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,  // 90
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,  // A0
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,  // B0
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,  // C0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,  // D0
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,  // E0
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,  // F0
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0};

struct Conversion {
  std::array<std::uint8_t, 256> oem_to_windows;
  std::array<std::uint8_t, 256> windows_to_oem;
};

Conversion BuildConversion() {
  Conversion c{};
  std::array<bool, 256> oem_used{}, windows_used{};
  for (std::size_t i = 0; i < kHigh; ++i) {
    c.oem_to_windows[i] = c.windows_to_oem[i] = static_cast<std::uint8_t>(i);
  }
  for (std::size_t oem = kHigh; oem < 256; ++oem) {
    for (std::size_t win = kHigh; win < 256; ++win) {
      if (kOem[oem - kHigh] != WindowsToUnicode(win)) continue;
      c.oem_to_windows[oem] = static_cast<std::uint8_t>(win);
      c.windows_to_oem[win] = static_cast<std::uint8_t>(oem);
      oem_used[oem] = windows_used[win] = true;
    }
  }
  // Pair the leftovers so that the conversion stays reversible.
  std::size_t win = kHigh;
  for (std::size_t oem = kHigh; oem < 256; ++oem) {
    if (oem_used[oem]) continue;
    while (windows_used[win]) ++win;
    c.oem_to_windows[oem] = static_cast<std::uint8_t>(win);
    c.windows_to_oem[win] = static_cast<std::uint8_t>(oem);
    windows_used[win] = true;
  }
  return c;
}

const Conversion& GetConversion() {
  static const Conversion conversion = BuildConversion();
  return conversion;
}

std::string Map(std::string_view text,
                const std::array<std::uint8_t, 256>& table) {
  std::string out(text.size(), '\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    out[i] = static_cast<char>(table[static_cast<std::uint8_t>(text[i])]);
  }
  return out;
}

}  // namespace

char32_t WindowsToUnicode(std::uint8_t windows) {
  if (windows >= kHigh && windows < kHigh + kWindowsC1.size()) {
    return kWindowsC1[windows - kHigh];
  }
  return windows;
}

std::uint8_t OemToWindows(std::uint8_t oem) {
  return GetConversion().oem_to_windows[oem];
}

std::uint8_t WindowsToOem(std::uint8_t windows) {
  return GetConversion().windows_to_oem[windows];
}

std::string OemToWindows(std::string_view oem) {
  return Map(oem, GetConversion().oem_to_windows);
}

std::string WindowsToOem(std::string_view windows) {
  return Map(windows, GetConversion().windows_to_oem);
}

}  // namespace vantrel

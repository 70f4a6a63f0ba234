// Compiles an arbitrary picture, formats and reads arbitrary text by it, and
// types the text into an entry with the picture.
// Input: picture text, then a 0x01 byte, then the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "runtime/data/picture/picture.h"
#include "runtime/data/picture/picture_typing.h"
#include "runtime/data/text/locale.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace vantrel;
  static const bool settings = [] {
    SetRegionalSettings(RegionalSettings());
    return true;
  }();
  (void)settings;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::size_t cut = input.find('\x01');
  std::string_view picture_text = input.substr(0, cut);
  std::string_view text = cut == std::string_view::npos ? std::string_view()
                                                        : input.substr(cut + 1);
  Picture p = CompilePicture(picture_text);
  if (!p.valid() && !p.positions.empty()) std::abort();
  Deformatted read = DeformatPicture(text, p, 2026);
  if (read.ok == !read.error.empty()) std::abort();
  FormatPicture(text, p);
  if (read.ok) {
    // Text shown by the picture reads back as a value that shows the same.
    std::string again = FormatPicture(read.value, p);
    if (!again.empty() && again.find_first_not_of('#') != std::string::npos) {
      Deformatted back = DeformatPicture(again, p, 2026);
      if (!back.ok || FormatPicture(back.value, p) != again) std::abort();
    }
  }
  // Typing keeps the entry's width and the caret inside it.
  std::string entry = EntryTemplate(p);
  const bool fixed_width = !entry.empty();  // else keys are inserted
  int caret = 0;
  for (char key : text) {
    TypingResult r = TypeCharacter(p, entry, caret, key);
    if (r.caret < 0 || r.caret > static_cast<int>(r.text.size()) ||
        (fixed_width && r.text.size() != entry.size()) ||
        (!fixed_width && static_cast<int>(r.text.size()) > p.width)) {
      std::abort();
    }
    entry = r.text;
    caret = r.caret;
  }
  return 0;
}

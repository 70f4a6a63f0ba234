// Fuzzes the script parser with arbitrary text: it must refuse or accept
// every input without a crash, and what it accepts must be consistent.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "gui/headless/user_script.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  vantrel::ParsedScript parsed = vantrel::ParseUserScript(text);
  if (parsed.error_line != 0) {
    Check(parsed.steps.empty() && !parsed.error.empty());
    return 0;
  }
  int line = 0;
  for (const vantrel::ScriptStep& step : parsed.steps) {
    Check(step.line > line);  // one step a line, in order
    line = step.line;
    Check(!step.source.empty() && step.source.front() != '#');
    switch (step.command) {
      case vantrel::ScriptCommand::kClick:
      case vantrel::ScriptCommand::kFocus:
      case vantrel::ScriptCommand::kSet:
      case vantrel::ScriptCommand::kExpect:
        Check(step.target.number != 0 || !step.target.label.empty());
        break;
      case vantrel::ScriptCommand::kChoose:
        Check(step.number > 0 || !step.text.empty());
        break;
      case vantrel::ScriptCommand::kKey:
        Check((step.number != 0) != !step.text.empty());
        break;
      case vantrel::ScriptCommand::kLetter:
        Check(step.text.size() == 1 && step.text[0] >= 'A' &&
              step.text[0] <= 'Z');
        break;
      default:
        break;
    }
    vantrel::NormalizeLabel(step.target.label);
    vantrel::NormalizeShortcut(step.text);
  }
  return 0;
}

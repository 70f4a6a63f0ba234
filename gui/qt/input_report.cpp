#include "gui/qt/input_report.h"

namespace vantrel::qt {
namespace {

int showing_depth = 0;
bool input_noted = false;

}  // namespace

ShowingScope::ShowingScope() { ++showing_depth; }
ShowingScope::~ShowingScope() { --showing_depth; }

bool Showing() { return showing_depth > 0; }

void NoteInput() { input_noted = true; }

bool TakeInput() {
  bool noted = input_noted;
  input_noted = false;
  return noted;
}

}  // namespace vantrel::qt

#include "gui/headless/script_view.h"

#include <algorithm>
#include <cstdio>

#include "runtime/window/list_source.h"
#include "runtime/data/text/text_codec.h"

namespace vantrel {
namespace {

std::string_view KindName(ControlKind kind) {
  switch (kind) {
    case ControlKind::kPrompt:
      return "prompt";
    case ControlKind::kString:
      return "string";
    case ControlKind::kEntry:
      return "entry";
    case ControlKind::kText:
      return "text";
    case ControlKind::kList:
      return "list";
    case ControlKind::kDropList:
      return "drop list";
    case ControlKind::kCombo:
      return "combo";
    case ControlKind::kCheck:
      return "check";
    case ControlKind::kOption:
      return "option";
    case ControlKind::kRadio:
      return "radio";
    case ControlKind::kButton:
      return "button";
    case ControlKind::kImage:
      return "image";
    case ControlKind::kRegion:
      return "region";
    case ControlKind::kSheet:
      return "sheet";
    case ControlKind::kMenu:
      return "menu";
    case ControlKind::kMenuItem:
      return "menu item";
    case ControlKind::kTab:
      return "tab";
  }
  return "control";
}

bool IsListKind(ControlKind kind) {
  return kind == ControlKind::kList || kind == ControlKind::kDropList ||
         kind == ControlKind::kCombo;
}

bool IsTextKind(ControlKind kind) {
  return KindIsEditable(kind) || kind == ControlKind::kString ||
         kind == ControlKind::kPrompt;
}

bool IsMenuKind(ControlKind kind) {
  return kind == ControlKind::kMenu || kind == ControlKind::kMenuItem;
}

// Kinds whose caption is what they show, so SetProperty can change it.
bool CaptionIsValue(ControlKind kind) {
  return kind == ControlKind::kPrompt || kind == ControlKind::kButton ||
         kind == ControlKind::kRadio || kind == ControlKind::kTab ||
         IsMenuKind(kind);
}

}  // namespace

std::string PlainLabel(std::string_view label) {
  std::string plain;
  for (std::size_t i = 0; i < label.size() && label[i] != '\t'; ++i) {
    if (label[i] == '&') {
      if (i + 1 < label.size() && label[i + 1] == '&') plain += label[++i];
      continue;
    }
    plain += label[i];
  }
  std::size_t first = plain.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return plain.substr(first, plain.find_last_not_of(' ') - first + 1);
}

namespace {

// "~Vantrel.ico" or "icons/A.ICO" -> "Vantrel", "A".
std::string IconStem(std::string_view icon) {
  if (icon.starts_with('~')) icon.remove_prefix(1);
  std::size_t slash = icon.find_last_of("/\\");
  if (slash != std::string_view::npos) icon.remove_prefix(slash + 1);
  return std::string(icon.substr(0, icon.rfind('.')));
}

// Escaped as a script writes a text; quotes too when `quoted`.
std::string EscapeText(std::string_view text, bool quoted) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    unsigned char u = static_cast<unsigned char>(c);
    if (c == '\\' || (quoted && c == '"')) {
      out += '\\';
      out += c;
    } else if (c == '\n' ||
               (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
      if (c == '\r') ++i;
      out += "\\n";
    } else if (u < 0x20 || u == 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", u);
      out += hex;
    } else {
      out += c;
    }
  }
  return ToUtf8(out);
}

}  // namespace

bool KindTakesFocus(ControlKind kind) {
  switch (kind) {
    case ControlKind::kEntry:
    case ControlKind::kText:
    case ControlKind::kList:
    case ControlKind::kDropList:
    case ControlKind::kCombo:
    case ControlKind::kCheck:
    case ControlKind::kRadio:
    case ControlKind::kButton:
    case ControlKind::kSheet:
      return true;
    default:
      return false;
  }
}

std::string ToUtf8(std::string_view text) { return Windows1252ToUtf8(text); }

std::string QuoteText(std::string_view text) {
  return "\"" + EscapeText(text, /*quoted=*/true) + "\"";
}

std::string PlainValue(std::string_view value) {
  std::string plain;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\r') {
      if (i + 1 < value.size() && value[i + 1] == '\n') ++i;
      plain += '\n';
    } else {
      plain += value[i];
    }
  }
  plain.erase(plain.find_last_not_of(' ') + 1);
  return plain;
}

ScriptView::ScriptView(Window& window, const HeadlessBackend& gui)
    : window_(window), shown_(gui.Shown(window)) {}

const HeadlessBackend::ShownControl* ScriptView::Shown(
    const ControlState& control) const {
  if (shown_ == nullptr) return nullptr;
  auto it = shown_->controls.find(control.number());
  return it == shown_->controls.end() ? nullptr : &it->second;
}

std::string ScriptView::RawLabel(const ControlState& control) const {
  const HeadlessBackend::ShownControl* shown = Shown(control);
  if (CaptionIsValue(control.kind())) {
    const std::string& value = shown ? shown->value : control.value;
    if (!value.empty()) return value;
  }
  const ControlDescription& d = control.description;
  if (!d.text.empty()) return d.text;
  if (!d.tip.empty()) return d.tip;
  return IconStem(d.icon);
}

std::string ScriptView::Label(const ControlState& control) const {
  std::string label = PlainLabel(RawLabel(control));
  if (!IsMenuKind(control.kind())) return label;
  // Menus enclosing the item, outermost first; a cycle cannot loop as each
  // control is visited once at most.
  std::int16_t parent = control.description.parent;
  for (std::size_t depth = 0; parent != 0 && depth < window_.controls().size();
       ++depth) {
    const ControlState* menu = window_.Find(parent);
    if (menu == nullptr || menu->kind() != ControlKind::kMenu) break;
    label = PlainLabel(RawLabel(*menu)) + "/" + label;
    parent = menu->description.parent;
  }
  return label;
}

bool ScriptView::Matches(const ControlState& control,
                         const std::string& label) const {
  const ControlDescription& d = control.description;
  if (NormalizeLabel(RawLabel(control)) == label) return true;
  if (!d.tip.empty() && NormalizeLabel(d.tip) == label) return true;
  return !d.icon.empty() && NormalizeLabel(IconStem(d.icon)) == label;
}

ControlState* ScriptView::FindMenuItem(const std::string& path,
                                       std::string* problem) const {
  ControlState* current = nullptr;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = std::min(path.find('/', start), path.size());
    std::string part = NormalizeLabel(path.substr(start, end - start));
    std::int16_t parent = current ? current->number() : 0;
    ControlState* found = nullptr;
    for (ControlState& c : window_.controls()) {
      bool top = current == nullptr && c.kind() == ControlKind::kMenu &&
                 (parent == 0 || window_.Find(c.description.parent) == nullptr);
      bool child = current != nullptr && IsMenuKind(c.kind()) &&
                   c.description.parent == parent;
      if ((top || child) && Matches(c, part)) {
        found = &c;
        if (window_.Usable(c.number())) break;
      }
    }
    if (found == nullptr) {
      if (current != nullptr)
        *problem = "menu \"" + Label(*current) + "\" has no item \"" +
                   path.substr(start, end - start) + "\"";
      return nullptr;
    }
    current = found;
    start = end + 1;
  }
  return current;
}

ControlState* ScriptView::Find(const ScriptTarget& target,
                               std::string* problem) const {
  if (target.number != 0) {
    ControlState* control = window_.Find(target.number);
    if (control == nullptr)
      *problem = "window \"" + window_.title + "\" has no control " +
                 std::to_string(target.number);
    return control;
  }
  if (!target.quoted && target.label.find('/') != std::string::npos) {
    problem->clear();
    if (ControlState* item = FindMenuItem(target.label, problem)) return item;
    if (!problem->empty()) return nullptr;
  }
  std::string wanted = NormalizeLabel(target.label);
  std::vector<ControlState>& controls = window_.controls();
  auto matching = [&](const ControlState& c) { return Matches(c, wanted); };
  auto usable = std::find_if(controls.begin(), controls.end(),
                             [&](const ControlState& c) {
                               return matching(c) && window_.Usable(c.number());
                             });
  auto found = usable != controls.end()
                   ? usable
                   : std::find_if(controls.begin(), controls.end(), matching);
  if (found == controls.end()) {
    *problem = "window \"" + window_.title + "\" has no control labelled \"" +
               target.label + "\"";
    return nullptr;
  }
  if (found->kind() != ControlKind::kPrompt) return &*found;
  if (found + 1 == controls.end()) {
    *problem = "the prompt \"" + target.label + "\" labels no control";
    return nullptr;
  }
  return &*(found + 1);
}

std::vector<std::string> ScriptView::Entries(
    const ControlState& control) const {
  const HeadlessBackend::ShownControl* shown = Shown(control);
  return shown ? shown->entries : ListEntries(control);
}

std::vector<const ControlState*> ScriptView::Members(
    const ControlState& group) const {
  if (group.kind() == ControlKind::kSheet)
    return window_.TabsOf(group.number());
  std::vector<const ControlState*> radios;
  for (const ControlState& c : window_.controls()) {
    if (c.kind() == ControlKind::kRadio &&
        c.description.parent == group.number())
      radios.push_back(&c);
  }
  return radios;
}

std::string ScriptView::Value(const ControlState& control) const {
  const HeadlessBackend::ShownControl* shown = Shown(control);
  const std::string& value = shown ? shown->value : control.value;
  int choice = shown ? shown->choice : control.choice;
  switch (control.kind()) {
    case ControlKind::kCheck:
      return value == kChecked ? "on" : "off";
    case ControlKind::kImage:
      return control.description.icon;
    case ControlKind::kPrompt:
      return Label(control);
    case ControlKind::kList: {
      std::vector<std::string> entries = Entries(control);
      if (choice < 1 || choice > static_cast<int>(entries.size())) return {};
      return PlainValue(entries[choice - 1]);
    }
    case ControlKind::kOption:
    case ControlKind::kSheet: {
      std::vector<const ControlState*> members = Members(control);
      if (choice < 1 || choice > static_cast<int>(members.size())) return {};
      return Label(*members[choice - 1]);
    }
    default:
      break;
  }
  if (IsTextKind(control.kind()) || control.kind() == ControlKind::kDropList)
    return PlainValue(value);
  bool hidden = shown ? shown->hidden : control.hidden;
  bool enabled = shown ? shown->enabled : control.enabled;
  return hidden ? "hidden" : enabled ? "enabled" : "disabled";
}

std::int16_t ScriptView::NextInTabOrder(std::int16_t from) const {
  const std::vector<ControlState>& controls = window_.controls();
  std::size_t at = 0;
  while (at < controls.size() && controls[at].number() != from) ++at;
  for (std::size_t step = 1; step < controls.size(); ++step) {
    const ControlState& c = controls[(at + step) % controls.size()];
    if (KindTakesFocus(c.kind()) && c.kind() != ControlKind::kRadio &&
        window_.Usable(c.number()))
      return c.number();
  }
  return 0;
}

void ScriptView::Print(std::ostream& out, std::string_view indent) const {
  out << indent << "window " << QuoteText(window_.title) << '\n';
  std::string inner = std::string(indent) + "  ";
  for (const ControlState& c : window_.controls()) {
    // Tabs and radio buttons are listed with their sheet or option.
    if (c.kind() == ControlKind::kTab || c.kind() == ControlKind::kRadio) {
      const ControlState* group = window_.Find(c.description.parent);
      if (group != nullptr && (group->kind() == ControlKind::kSheet ||
                               group->kind() == ControlKind::kOption))
        continue;
    }
    PrintControl(out, inner, c);
  }
}

void ScriptView::PrintControl(std::ostream& out, std::string_view indent,
                              const ControlState& control) const {
  const HeadlessBackend::ShownControl* shown = Shown(control);
  auto marks = [&](const ControlState& c) {
    const HeadlessBackend::ShownControl* s = Shown(c);
    std::string text;
    if (!(s ? s->enabled : c.enabled)) text += " [disabled]";
    if (s ? s->hidden : c.hidden) text += " [hidden]";
    return text;
  };
  ControlKind kind = control.kind();
  out << indent << control.number() << ' ' << KindName(kind);
  std::string label = Label(control);
  if (!label.empty() && kind != ControlKind::kImage)
    out << ' ' << QuoteText(label);
  if ((IsTextKind(kind) && kind != ControlKind::kPrompt) ||
      kind == ControlKind::kDropList || kind == ControlKind::kCheck ||
      kind == ControlKind::kImage) {
    out << " = "
        << (kind == ControlKind::kCheck ? Value(control)
                                        : QuoteText(Value(control)));
  }
  if (kind == ControlKind::kOption || kind == ControlKind::kSheet) {
    out << " = " << QuoteText(Value(control))
        << (kind == ControlKind::kSheet ? ", tabs" : ", radios");
    std::vector<const ControlState*> members = Members(control);
    for (std::size_t i = 0; i < members.size(); ++i) {
      out << (i == 0 ? " " : ", ") << members[i]->number() << ' '
          << QuoteText(Label(*members[i])) << marks(*members[i]);
    }
  }
  std::vector<std::string> entries;
  if (IsListKind(kind)) {
    entries = Entries(control);
    int choice = shown ? shown->choice : control.choice;
    if (entries.empty()) {
      out << ", empty";
    } else if (choice >= 1 && choice <= static_cast<int>(entries.size())) {
      out << ", entry " << choice << " of " << entries.size();
    } else {
      out << ", " << entries.size() << " entries, none chosen";
    }
  }
  if (kind == ControlKind::kMenuItem && !control.description.shortcut.empty())
    out << " (" << ToUtf8(control.description.shortcut) << ')';
  out << marks(control);
  if (shown_ != nullptr && shown_->focus == control.number()) out << " [focus]";
  int start = shown ? shown->selection_start : control.selection_start;
  int end = shown ? shown->selection_end : control.selection_end;
  if (start > 0) out << " selected " << start << '-' << end;
  out << '\n';
  int choice = shown ? shown->choice : control.choice;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    out << indent << (static_cast<int>(i) + 1 == choice ? "  * " : "    ")
        << i + 1 << ' ' << EscapeText(PlainValue(entries[i]), /*quoted=*/false)
        << '\n';
  }
}

}  // namespace vantrel

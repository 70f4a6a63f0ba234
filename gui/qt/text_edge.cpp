#include "gui/qt/text_edge.h"

#include <algorithm>

#include "runtime/data/text/text_codec.h"

namespace vantrel::qt {
namespace {

constexpr char kReplacement = '?';

bool Representable(const QString& character) {
  std::string problem;
  return Utf8ToWindows1252(character.toStdString(), &problem).has_value();
}

// The characters of `text` one by one, surrogate pairs kept together.
template <typename Visit>
void ForEachCharacter(const QString& text, Visit visit) {
  for (qsizetype i = 0; i < text.size(); ++i) {
    qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
    if (!visit(text.mid(i, length))) return;
    i += length - 1;
  }
}

}  // namespace

QString FromRuntime(std::string_view text) {
  std::string utf8 = Windows1252ToUtf8(text);
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::optional<std::string> ToRuntime(const QString& text) {
  std::string problem;
  return Utf8ToWindows1252(text.toStdString(), &problem);
}

std::string ToRuntimeLossy(const QString& text) {
  std::string out;
  ForEachCharacter(text, [&](const QString& character) {
    std::optional<std::string> converted = ToRuntime(character);
    out += converted ? *converted : std::string(1, kReplacement);
    return true;
  });
  return out;
}

QString FirstRefusedCharacter(const QString& text) {
  QString refused;
  ForEachCharacter(text, [&](const QString& character) {
    if (Representable(character)) return true;
    refused = character;
    return false;
  });
  return refused;
}

QString RefusalMessage(const QString& character) {
  return QStringLiteral(
             "The character \u201C%1\u201D cannot be kept here. Vantrel "
             "stores Western European text (Windows-1252); please use "
             "another character.")
      .arg(character);
}

ShownText ShowText(std::string_view value, TextShape shape) {
  ShownText shown;
  switch (shape) {
    case TextShape::kAsIs:
      shown.text = FromRuntime(value);
      break;
    case TextShape::kNumber: {
      std::size_t first = value.find_first_not_of(' ');
      if (first == std::string_view::npos) first = value.size();
      shown.lead = static_cast<int>(first);
      value.remove_prefix(first);
      [[fallthrough]];
    }
    case TextShape::kTrimmed: {
      std::size_t last = value.find_last_not_of(' ');
      shown.text = FromRuntime(
          value.substr(0, last == std::string_view::npos ? 0 : last + 1));
      break;
    }
    case TextShape::kMultiLine:
      shown.text = FromRuntime(value);
      shown.text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
      shown.text.replace(QChar('\r'), QChar('\n'));
      break;
  }
  return shown;
}

std::optional<std::string> ReadText(const QString& shown, TextShape shape) {
  if (shape != TextShape::kMultiLine) return ToRuntime(shown);
  QString text = shown;
  text.replace(QChar::ParagraphSeparator, QChar('\n'));
  text.replace(QChar('\n'), QStringLiteral("\r\n"));
  return ToRuntime(text);
}

int ToWidgetPosition(std::string_view value, const ShownText& shown,
                     TextShape shape, int position) {
  int index = std::max(position, 1) - 1;
  if (shape == TextShape::kMultiLine) {
    int dropped = 0;  // the CRs of CR LF pairs before the index
    for (int i = 0; i + 1 < static_cast<int>(value.size()) && i < index; ++i) {
      if (value[i] == '\r' && value[i + 1] == '\n') ++dropped;
    }
    index -= dropped;
  } else {
    index -= shown.lead;
  }
  return std::clamp(index, 0, static_cast<int>(shown.text.size()));
}

int ToRuntimePosition(const QString& shown_text, int lead, TextShape shape,
                      int position) {
  position = std::clamp(position, 0, static_cast<int>(shown_text.size()));
  if (shape == TextShape::kMultiLine)
    return position +
           static_cast<int>(shown_text.left(position).count(QChar('\n'))) + 1;
  return position + lead + 1;
}

}  // namespace vantrel::qt

#include "gui/qt/dialog_units.h"

#include <QFontMetricsF>
#include <cmath>

namespace vantrel::qt {
namespace {

// The average character width is taken over the letters, as dialog units
// have always been measured.
constexpr char kLetters[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr double kLetterCount = 52;
constexpr double kUnitsPerCharacter = 4;
constexpr double kUnitsPerLine = 8;

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
  QFontMetricsF metrics(font);
  per_x_ = metrics.horizontalAdvance(QString::fromLatin1(kLetters)) /
           kLetterCount / kUnitsPerCharacter;
  per_y_ = metrics.height() / kUnitsPerLine;
}

int DialogUnits::X(double units) const {
  return static_cast<int>(std::lround(units * per_x_));
}

int DialogUnits::Y(double units) const {
  return static_cast<int>(std::lround(units * per_y_));
}

QRect DialogUnits::Rect(const Layout& layout) const {
  int left = X(layout.x);
  int top = Y(layout.y);
  return QRect(left, top, X(layout.x + layout.width) - left,
               Y(layout.y + layout.height) - top);
}

}  // namespace vantrel::qt

#include "gui/qt/icon_library.h"

#include <QFileInfo>

#include "gui/qt/text_edge.h"

// The icons are linked from a static library, whose resource registration
// the linker would drop unless something calls it.
static void RegisterIconResources() { Q_INIT_RESOURCE(icons); }

namespace vantrel::qt {
namespace {

constexpr char kResourceDirectory[] = ":/vantrel/icons/";
constexpr char kApplicationIconName[] = "vantrel";

QString StandardIconName(int standard) {
  switch (standard) {
    case kIconHand:
      return QStringLiteral("stop");
    case kIconExclamation:
      return QStringLiteral("exclamation");
    case kIconQuestion:
      return QStringLiteral("question");
    case kIconAsterisk:
      return QStringLiteral("information");
    case kIconApplication:
      return QString::fromLatin1(kApplicationIconName);
    default:
      return {};
  }
}

}  // namespace

QString IconResource(const QString& name) {
  static const bool registered = (RegisterIconResources(), true);
  (void)registered;
  QString base = name.trimmed();
  if (base.startsWith(QChar('~'))) base.remove(0, 1);
  base = QFileInfo(base).completeBaseName().toLower();
  if (base.isEmpty()) return {};
  QString path = QString::fromLatin1(kResourceDirectory) + base + ".svg";
  return QFileInfo::exists(path) ? path : QString();
}

QIcon LookUpIcon(const Icon& icon) {
  switch (icon.kind) {
    case IconKind::kNone:
      return {};
    case IconKind::kStandard: {
      QString path = IconResource(StandardIconName(icon.standard));
      return path.isEmpty() ? QIcon() : QIcon(path);
    }
    case IconKind::kLinked:
    case IconKind::kFile: {
      QString name = FromRuntime(icon.name);
      if (QString path = IconResource(name); !path.isEmpty())
        return QIcon(path);
      // Linked icons live only in the program; a file name may also be a
      // picture on disk.
      if (icon.kind == IconKind::kFile && QFileInfo(name).isFile()) {
        QIcon from_file(name);
        if (!from_file.availableSizes().isEmpty()) return from_file;
      }
      return {};
    }
  }
  return {};
}

QIcon LookUpIcon(std::string_view runtime_name) {
  return LookUpIcon(ClassifyIcon(runtime_name));
}

QIcon ApplicationIcon() {
  return QIcon(IconResource(QString::fromLatin1(kApplicationIconName)));
}

}  // namespace vantrel::qt

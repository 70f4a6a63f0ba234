#include "gui/qt/file_dialog_runner.h"

#include <QDir>
#include <QHeaderView>
#include <QRegularExpression>
#include <QSplitter>
#include <QTreeView>

#include "gui/qt/dialog_units.h"
#include "gui/qt/text_edge.h"

namespace vantrel::qt {
namespace {

constexpr int kWidthUnits = 380;
constexpr int kHeightUnits = 220;
constexpr int kPlacesUnits = 70;
constexpr int kDateUnits = 80;

QString QtPatterns(const std::string& patterns) {
  QStringList parts;
  for (QString part : FromRuntime(patterns).split(QRegularExpression("[; ]+"),
                                                  Qt::SkipEmptyParts)) {
    // "*.*" asks for every file, also those without a dot in their name.
    parts << (part == QStringLiteral("*.*") ? QStringLiteral("*") : part);
  }
  return parts.isEmpty() ? QStringLiteral("*") : parts.join(QChar(' '));
}

// The extension a save dialog adds to a name typed without one: that of
// the chosen filter's first pattern, when it names one.
QString SuffixOf(const QString& name_filter) {
  static const QRegularExpression kPattern(
      QStringLiteral("\\(\\*\\.([A-Za-z0-9_]+)[ )]"));
  QRegularExpressionMatch match = kPattern.match(name_filter);
  return match.hasMatch() ? match.captured(1) : QString();
}

// Qt's dialog starts with narrow places and date columns; they are widened
// when its parts are where Qt's own dialog keeps them.
void WidenColumns(QFileDialog& dialog, const DialogUnits& units) {
  if (auto* splitter = dialog.findChild<QSplitter*>("splitter");
      splitter != nullptr && splitter->count() == 2) {
    int places = units.X(kPlacesUnits);
    splitter->setSizes({places, dialog.width() - places});
  }
  if (auto* details = dialog.findChild<QTreeView*>("treeView")) {
    details->header()->resizeSection(3, units.X(kDateUnits));
  }
}

}  // namespace

QStringList NameFilters(const std::vector<FileDialogRequest::Filter>& filters) {
  QStringList names;
  for (const FileDialogRequest::Filter& filter : filters) {
    names << QStringLiteral("%1 (%2)").arg(FromRuntime(filter.description),
                                           QtPatterns(filter.pattern));
  }
  return names;
}

void SetUpFileDialog(QFileDialog& dialog, const FileDialogRequest& request) {
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setWindowTitle(FromRuntime(request.title));
  if (request.directory) {
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
  } else if (request.save) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
  } else if (request.multi_select) {
    dialog.setFileMode(QFileDialog::ExistingFiles);
  } else {
    dialog.setFileMode(request.must_exist ? QFileDialog::ExistingFile
                                          : QFileDialog::AnyFile);
  }
  QStringList filters = NameFilters(request.filters);
  if (!filters.isEmpty()) {
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.front());
  }
  if (request.save && !request.directory) {
    dialog.setDefaultSuffix(SuffixOf(dialog.selectedNameFilter()));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog](const QString& filter) {
                       dialog.setDefaultSuffix(SuffixOf(filter));
                     });
  }
  QString directory =
      request.initial_directory.empty()
          ? QDir::currentPath()
          : QFile::decodeName(request.initial_directory.c_str());
  dialog.setDirectory(directory);
  if (!request.initial_file.empty() && !request.directory)
    dialog.selectFile(QFile::decodeName(request.initial_file.c_str()));
}

std::vector<std::string> ChosenPaths(const QFileDialog& dialog) {
  std::vector<std::string> paths;
  for (const QString& path : dialog.selectedFiles())
    paths.push_back(QFile::encodeName(QDir::cleanPath(path)).toStdString());
  return paths;
}

std::optional<std::vector<std::string>> RunFileDialogFor(
    const FileDialogRequest& request, QWidget* owner) {
  QFileDialog dialog(owner);
  SetUpFileDialog(dialog, request);
  // Room for names, sizes and dates without cutting them short.
  DialogUnits units(dialog.font());
  dialog.resize(dialog.sizeHint().expandedTo(
      QSize(units.X(kWidthUnits), units.Y(kHeightUnits))));
  WidenColumns(dialog, units);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  std::vector<std::string> paths = ChosenPaths(dialog);
  if (paths.empty()) return std::nullopt;
  return paths;
}

}  // namespace vantrel::qt

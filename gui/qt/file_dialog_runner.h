// The file dialog: Qt's own dialog (not the desktop's, so that it looks the
// same everywhere and tests can drive it), set up from the runtime's
// request. The runtime's filters become Qt's name filters; "*.*" means
// every file, and patterns joined by ';' are alternatives. Paths cross as
// the file system's bytes, so any file the system holds can be opened.
// A save dialog asks before replacing a file.
#ifndef VANTREL_GUI_QT_FILE_DIALOG_RUNNER_H_
#define VANTREL_GUI_QT_FILE_DIALOG_RUNNER_H_

#include <QFileDialog>
#include <QStringList>
#include <optional>
#include <string>
#include <vector>

#include "runtime/window/gui_backend.h"

namespace vantrel::qt {

QStringList NameFilters(const std::vector<FileDialogRequest::Filter>& filters);

// Sets up the dialog for the request (mode, filters, start, title).
void SetUpFileDialog(QFileDialog& dialog, const FileDialogRequest& request);

// The chosen paths of an accepted dialog.
std::vector<std::string> ChosenPaths(const QFileDialog& dialog);

// Shows the dialog modally; nothing when cancelled.
std::optional<std::vector<std::string>> RunFileDialogFor(
    const FileDialogRequest& request, QWidget* owner);

}  // namespace vantrel::qt

#endif  // VANTREL_GUI_QT_FILE_DIALOG_RUNNER_H_

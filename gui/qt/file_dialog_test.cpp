// The file dialog: the runtime's filters as Qt's, its modes, and choices
// written back into the variable.
#include "runtime/window/file_dialog.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>

#include "gui/qt/file_dialog_runner.h"
#include "gui/qt/qt_test_fixture.h"
#include "runtime/data/text/string_ops.h"

namespace vantrel::qt {
namespace {

using ::testing::ElementsAre;

class FileDialogTest : public QtTest {
 protected:
  FileDialogTest() {
    std::memset(path, ' ', sizeof path);
    QFile(dir.filePath("cards.vtl")).open(QIODevice::WriteOnly);
    QFile(dir.filePath("notes.txt")).open(QIODevice::WriteOnly);
  }

  // When the dialog is up: enters `name` and confirms. A message the dialog
  // shows (a file that must exist and does not) is answered, and the dialog
  // is left as it is.
  static void TypeAndConfirm(const QString& name) {
    auto* dialog =
        dynamic_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->selectFile(name);
    QTimer::singleShot(0, [] {
      if (auto* box =
              qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
        box->accept();
    });
    QMetaObject::invokeMethod(dialog, "accept");
  }

  std::string Path() const {
    return std::string(ClipText({path, sizeof path}));
  }

  QTemporaryDir dir;
  char path[200];
};

TEST_F(FileDialogTest, FiltersBecomeQtNameFilters) {
  FileDialogRequest request =
      BuildFileDialog("t", "", "Vantrel|*.vtl|ALL|*.*|Texts|*.txt;*.csv", 0);
  EXPECT_THAT(NameFilters(request.filters),
              ElementsAre("Vantrel (*.vtl)", "ALL (*)", "Texts (*.txt *.csv)"));

  QFileDialog dialog;
  SetUpFileDialog(dialog, request);
  EXPECT_EQ(dialog.selectedNameFilter(), "Vantrel (*.vtl)");
  EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFile);
  EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));

  struct Case {
    int flags;
    QFileDialog::FileMode mode;
    QFileDialog::AcceptMode accept;
  } cases[] = {
      {kFileSave, QFileDialog::AnyFile, QFileDialog::AcceptSave},
      {kFileMayNotExist, QFileDialog::AnyFile, QFileDialog::AcceptOpen},
      {kFileMultiSelect, QFileDialog::ExistingFiles, QFileDialog::AcceptOpen},
      {kFileDirectory, QFileDialog::Directory, QFileDialog::AcceptOpen},
  };
  for (const Case& c : cases) {
    QFileDialog other;
    SetUpFileDialog(other, BuildFileDialog("t", "", "ALL|*.*", c.flags));
    EXPECT_EQ(other.fileMode(), c.mode) << c.flags;
    EXPECT_EQ(other.acceptMode(), c.accept) << c.flags;
  }
}

TEST_F(FileDialogTest, OpenStyleTakesOnlyAFileThatExists) {
  StoreText(path, dir.filePath("nothing.vtl").toStdString());
  bool still_open_after_missing = false;
  QTimer::singleShot(0, [&] {
    TypeAndConfirm("missing.vtl");
    still_open_after_missing = QApplication::activeModalWidget() != nullptr &&
                               QApplication::activeModalWidget()->isVisible();
    TypeAndConfirm("cards.vtl");
  });
  bool chosen = FileDialog("Open a Vantrel File", Variable::Of(path),
                           "Vantrel|*.vtl|ALL|*.*", kFileKeepDirectory);
  EXPECT_TRUE(chosen);
  EXPECT_TRUE(still_open_after_missing);
  EXPECT_EQ(Path(), QFile::encodeName(dir.filePath("cards.vtl")).toStdString());
}

TEST_F(FileDialogTest, SaveStyleAddsTheFiltersExtensionAndCancelKeepsTheValue) {
  StoreText(path, dir.filePath("cards.vtl").toStdString());
  QTimer::singleShot(0, [] { TypeAndConfirm("copy"); });
  ASSERT_TRUE(FileDialog("Save As", Variable::Of(path), "Vantrel|*.vtl",
                         kFileSave | kFileKeepDirectory));
  EXPECT_EQ(Path(), QFile::encodeName(dir.filePath("copy.vtl")).toStdString());

  QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
  EXPECT_FALSE(FileDialog("Save As", Variable::Of(path), "Vantrel|*.vtl",
                          kFileSave | kFileKeepDirectory));
  EXPECT_EQ(Path(), QFile::encodeName(dir.filePath("copy.vtl")).toStdString());
}

}  // namespace
}  // namespace vantrel::qt

// The program's help: an HTML page shown in a help window with its contents
// (the page's headings), a search over its sections, and back and forward.
// A help file named as the program names it ("Vantrel.hlp") is found as an
// HTML page of the same name (Vantrel.html or .htm, any case) beside the
// named file, in the current directory, beside the program, in its help/
// folder or in ../share/vantrel. A topic is an anchor of the page, or else
// the text of a heading.
#ifndef VANTREL_GUI_QT_HELP_WINDOW_H_
#define VANTREL_GUI_QT_HELP_WINDOW_H_

#include <QString>
#include <QStringList>
#include <QWidget>
#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QTextBrowser;
class QTreeWidget;

namespace vantrel::qt {

// The HTML page for a help file; empty when there is none.
QString FindHelpPage(const QString& help_file);
// The folders searched after the help file's own.
QStringList HelpFolders();

class HelpWindow : public QWidget {
 public:
  HelpWindow();

  // Shows the help file's page at the topic (empty: its beginning). False
  // when the page or the topic was not found; the window says so.
  bool Open(const QString& help_file, const QString& topic);

  QTextBrowser* browser() const { return browser_; }
  QTreeWidget* contents() const { return contents_; }
  // Runs a search as typed into the search field; the sections found.
  QStringList Search(const QString& words);

 private:
  struct Heading {
    int level;
    QString text;
    QString anchor;  // empty: reached by its position
    int position;    // of the heading's block
  };
  void ReadHeadings();
  bool GoToTopic(const QString& topic);
  void GoTo(const Heading& heading);
  void Notice(const QString& text);

  QString page_;  // the page shown
  std::vector<Heading> headings_;
  QTextBrowser* browser_;
  QTreeWidget* contents_;
  QLineEdit* search_field_;
  QListWidget* results_;
  QLabel* notice_;
};

}  // namespace vantrel::qt

#endif  // VANTREL_GUI_QT_HELP_WINDOW_H_

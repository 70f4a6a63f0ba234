#include "gui/qt/help_window.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextBrowser>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "gui/qt/icon_library.h"

namespace vantrel::qt {
namespace {

constexpr int kHeadingRole = Qt::UserRole + 1;
constexpr int kWidth = 860;
constexpr int kHeight = 600;
constexpr int kContentsWidth = 240;
constexpr int kSpacing = 12;

const char* const kPageExtensions[] = {"html", "htm"};

// The entry of `folder` whose name equals `name` ignoring case.
QString FindIgnoringCase(const QString& folder, const QString& name) {
  QDir dir(folder);
  if (!dir.exists()) return {};
  for (const QString& entry : dir.entryList(QDir::Files)) {
    if (entry.compare(name, Qt::CaseInsensitive) == 0)
      return dir.filePath(entry);
  }
  return {};
}

}  // namespace

QStringList HelpFolders() {
  QString program = QCoreApplication::applicationDirPath();
  return {QDir::currentPath(), program, program + "/help",
          program + "/../share/vantrel"};
}

QString FindHelpPage(const QString& help_file) {
  QFileInfo named(help_file);
  QString base = named.completeBaseName();
  if (base.isEmpty()) return {};
  QStringList names;
  QString suffix = named.suffix().toLower();
  if (suffix == "html" || suffix == "htm") names << named.fileName();
  for (const char* extension : kPageExtensions) names << base + "." + extension;
  QStringList folders = HelpFolders();
  if (named.path() != ".") folders.prepend(named.path());
  for (const QString& folder : folders) {
    for (const QString& name : names) {
      QString found = FindIgnoringCase(folder, name);
      if (!found.isEmpty()) return QFileInfo(found).canonicalFilePath();
    }
  }
  return {};
}

HelpWindow::HelpWindow()
    : browser_(new QTextBrowser),
      contents_(new QTreeWidget),
      search_field_(new QLineEdit),
      results_(new QListWidget),
      notice_(new QLabel) {
  setWindowTitle(tr("Help"));
  setWindowIcon(IconResource("help").isEmpty() ? QIcon()
                                               : QIcon(IconResource("help")));
  browser_->setOpenExternalLinks(true);
  contents_->setHeaderHidden(true);
  search_field_->setPlaceholderText(tr("Words to find"));
  search_field_->setClearButtonEnabled(true);
  notice_->setWordWrap(true);
  notice_->hide();

  auto* search_page = new QWidget;
  auto* search_layout = new QVBoxLayout(search_page);
  search_layout->addWidget(search_field_);
  search_layout->addWidget(results_);
  auto* tabs = new QTabWidget;
  tabs->addTab(contents_, tr("Contents"));
  tabs->addTab(search_page, tr("Search"));

  auto* back = new QToolButton;
  back->setArrowType(Qt::LeftArrow);
  back->setText(tr("Back"));
  back->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  back->setAutoRaise(true);
  auto* forward = new QToolButton;
  forward->setArrowType(Qt::RightArrow);
  forward->setText(tr("Forward"));
  forward->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  forward->setAutoRaise(true);
  auto* bar = new QHBoxLayout;
  bar->addWidget(back);
  bar->addWidget(forward);
  bar->addSpacing(kSpacing);
  bar->addWidget(notice_, 1);
  bar->addStretch();

  auto* splitter = new QSplitter;
  splitter->addWidget(tabs);
  splitter->addWidget(browser_);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({kContentsWidth, kWidth - kContentsWidth});
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(bar);
  layout->addWidget(splitter, 1);
  resize(kWidth, kHeight);

  connect(back, &QToolButton::clicked, browser_, &QTextBrowser::backward);
  connect(forward, &QToolButton::clicked, browser_, &QTextBrowser::forward);
  connect(browser_, &QTextBrowser::backwardAvailable, back,
          &QToolButton::setEnabled);
  connect(browser_, &QTextBrowser::forwardAvailable, forward,
          &QToolButton::setEnabled);
  back->setEnabled(false);
  forward->setEnabled(false);
  connect(contents_, &QTreeWidget::itemActivated, this,
          [this](QTreeWidgetItem* item) {
            int i = item->data(0, kHeadingRole).toInt();
            if (i >= 0 && i < static_cast<int>(headings_.size()))
              GoTo(headings_[i]);
          });
  connect(contents_, &QTreeWidget::itemClicked, contents_,
          &QTreeWidget::itemActivated);
  connect(search_field_, &QLineEdit::returnPressed, this,
          [this] { Search(search_field_->text()); });
  connect(results_, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) {
            int i = item->data(kHeadingRole).toInt();
            if (i >= 0 && i < static_cast<int>(headings_.size()))
              GoTo(headings_[i]);
            QStringList words =
                search_field_->text().split(QChar(' '), Qt::SkipEmptyParts);
            if (!words.isEmpty()) browser_->find(words.front());
          });
  connect(results_, &QListWidget::itemClicked, results_,
          &QListWidget::itemActivated);
}

bool HelpWindow::Open(const QString& help_file, const QString& topic) {
  QString page = FindHelpPage(help_file);
  if (page.isEmpty()) {
    page_.clear();
    headings_.clear();
    contents_->clear();
    browser_->setHtml(
        tr("<h2>No help</h2><p>The help file \u201C%1\u201D was not found. "
           "It is looked for as an HTML page of the same name in %2.</p>")
            .arg(help_file.toHtmlEscaped(),
                 HelpFolders().join(", ").toHtmlEscaped()));
    Notice({});
    return false;
  }
  if (page != page_) {
    page_ = page;
    browser_->setSource(QUrl::fromLocalFile(page));
    browser_->clearHistory();
    ReadHeadings();
  }
  Notice({});
  if (topic.isEmpty()) {
    browser_->moveCursor(QTextCursor::Start);
    return true;
  }
  if (GoToTopic(topic)) return true;
  Notice(tr("The topic \u201C%1\u201D is not in this help.").arg(topic));
  return false;
}

void HelpWindow::ReadHeadings() {
  headings_.clear();
  contents_->clear();
  std::vector<QTreeWidgetItem*> open_levels;
  for (QTextBlock block = browser_->document()->begin(); block.isValid();
       block = block.next()) {
    int level = block.blockFormat().headingLevel();
    if (level <= 0) continue;
    QString anchor;
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
      QStringList names = it.fragment().charFormat().anchorNames();
      if (!names.isEmpty()) {
        anchor = names.front();
        break;
      }
    }
    headings_.push_back(
        {level, block.text().trimmed(), anchor, block.position()});
    auto* item = new QTreeWidgetItem({headings_.back().text});
    item->setData(0, kHeadingRole, static_cast<int>(headings_.size()) - 1);
    while (!open_levels.empty() &&
           open_levels.back()->data(0, Qt::UserRole).toInt() >= level)
      open_levels.pop_back();
    item->setData(0, Qt::UserRole, level);
    if (open_levels.empty()) {
      contents_->addTopLevelItem(item);
    } else {
      open_levels.back()->addChild(item);
    }
    open_levels.push_back(item);
  }
  contents_->expandAll();
}

bool HelpWindow::GoToTopic(const QString& topic) {
  QString wanted = topic.trimmed();
  if (wanted.startsWith(QChar('#'))) wanted.remove(0, 1);
  for (const Heading& heading : headings_) {
    if (heading.anchor.compare(wanted, Qt::CaseInsensitive) == 0) {
      GoTo(heading);
      return true;
    }
  }
  for (const Heading& heading : headings_) {
    if (heading.text.compare(wanted, Qt::CaseInsensitive) == 0) {
      GoTo(heading);
      return true;
    }
  }
  // An anchor that is not on a heading.
  for (QTextBlock block = browser_->document()->begin(); block.isValid();
       block = block.next()) {
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
      for (const QString& name : it.fragment().charFormat().anchorNames()) {
        if (name.compare(wanted, Qt::CaseInsensitive) == 0) {
          browser_->scrollToAnchor(name);
          return true;
        }
      }
    }
  }
  return false;
}

void HelpWindow::GoTo(const Heading& heading) {
  if (!heading.anchor.isEmpty()) {
    browser_->scrollToAnchor(heading.anchor);
    return;
  }
  QTextCursor cursor(browser_->document());
  cursor.setPosition(heading.position);
  browser_->setTextCursor(cursor);
  browser_->ensureCursorVisible();
}

QStringList HelpWindow::Search(const QString& words) {
  results_->clear();
  QStringList wanted = words.split(QChar(' '), Qt::SkipEmptyParts);
  QStringList found;
  if (wanted.isEmpty()) return found;
  QString text = browser_->document()->toPlainText();
  QTextDocument* document = browser_->document();
  for (std::size_t i = 0; i < headings_.size(); ++i) {
    int from = headings_[i].position;
    int to = i + 1 < headings_.size() ? headings_[i + 1].position
                                      : document->characterCount();
    QString section = text.mid(from, to - from);
    bool all = true;
    for (const QString& word : wanted)
      all = all && section.contains(word, Qt::CaseInsensitive);
    if (!all) continue;
    auto* item = new QListWidgetItem(headings_[i].text, results_);
    item->setData(kHeadingRole, static_cast<int>(i));
    found << headings_[i].text;
  }
  if (found.isEmpty()) {
    auto* nothing = new QListWidgetItem(tr("Nothing found"), results_);
    nothing->setData(kHeadingRole, -1);
    nothing->setFlags(Qt::NoItemFlags);
  }
  return found;
}

void HelpWindow::Notice(const QString& text) {
  notice_->setText(text);
  notice_->setVisible(!text.isEmpty());
}

}  // namespace vantrel::qt

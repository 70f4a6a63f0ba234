// The Qt backend's list over a long queue against a QListWidget holding
// the same entries as items (what a Qt program would do without reading
// rows as they come into view):
//   list_open    open the window and paint the first screen
//   list_scroll  jump through the list a page at a time, painting each
// Flags: --entries=N (default 100000), --pages=N (default 400).
// Runs on Qt's offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include <QApplication>
#include <QListView>
#include <QListWidget>
#include <QScrollBar>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string_view>
#include <vector>

#include "gui/qt/list_model.h"
#include "gui/qt/native_window.h"
#include "gui/qt/qt_backend.h"
#include "runtime/data/queue/queue.h"
#include "runtime/data/types/descriptor_builder.h"
#include "runtime/window/window_statements.h"

namespace vantrel {
namespace {

constexpr std::size_t kNameLength = 40;
constexpr int kListWidthUnits = 200;
constexpr int kListHeightUnits = 160;

// CPU time of this thread, so that other work on a shared machine does not
// count against either side.
double Now() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return ts.tv_sec + ts.tv_nsec * 1e-9;
}

std::string NameOf(int i) {
  char text[kNameLength + 1];
  std::snprintf(text, sizeof text, "Name %07d, First %d", i, i % 97);
  return text;
}

// Jumps through the view's scroll range in `pages` steps, painting each.
void Scroll(QAbstractItemView& view, int pages) {
  QScrollBar* bar = view.verticalScrollBar();
  for (int page = 0; page <= pages; ++page) {
    bar->setValue(
        static_cast<int>(static_cast<long>(bar->maximum()) * page / pages));
    view.viewport()->repaint();
  }
}

struct Timing {
  double open = 0;
  double scroll = 0;
};

Timing Ours(int entries, int pages, long* rows_read) {
  std::uint8_t record[kNameLength] = {};
  TypeDescriptor descriptor =
      DescriptorBuilder().String("L:NAME", kNameLength).Descriptor();
  Queue names(record, &descriptor, kNameLength);
  for (int i = 0; i < entries; ++i) {
    std::string name = NameOf(i);
    std::memset(record, ' ', kNameLength);
    std::memcpy(record, name.data(), name.size());
    Add(&names);
  }
  qt::QtBackend gui;
  WindowDescription form;
  form.title = "List";
  ControlDescription list;
  list.number = 1;
  list.kind = ControlKind::kList;
  list.layout = {4, 4, kListWidthUnits, kListHeightUnits};
  list.list = {&names, 1};
  list.format = "[166L(2)]";
  form.controls = {list};

  Timing timing;
  double start = Now();
  Window& window = OpenWindow(form);
  qt::NativeWindow* native = gui.NativeOf(window);
  native->frame()->repaint();
  QCoreApplication::processEvents();
  timing.open = Now() - start;

  auto* view = native->WidgetOf(1)->findChild<QListView*>();
  start = Now();
  Scroll(*view, pages);
  timing.scroll = Now() - start;
  *rows_read = dynamic_cast<qt::ListModel*>(view->model())->rows_read();
  CloseWindow(&window);
  return timing;
}

Timing Reference(int entries, int pages) {
  Timing timing;
  double start = Now();
  QListWidget list;
  list.setUniformItemSizes(true);
  for (int i = 0; i < entries; ++i)
    list.addItem(QString::fromStdString(NameOf(i)));
  list.resize(400, 320);
  list.show();
  list.repaint();
  QCoreApplication::processEvents();
  timing.open = Now() - start;
  start = Now();
  Scroll(list, pages);
  timing.scroll = Now() - start;
  return timing;
}

int Flag(int argc, char** argv, std::string_view name, int fallback) {
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg.substr(0, name.size()) == name)
      return std::atoi(argv[i] + name.size());
  }
  return fallback;
}

}  // namespace
}  // namespace vantrel

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  int entries = vantrel::Flag(argc, argv, "--entries=", 100000);
  int pages = vantrel::Flag(argc, argv, "--pages=", 400);
  if (entries < 1 || pages < 1) {
    std::fprintf(stderr,
                 "usage: list_scroll_bench [--entries=N] [--pages=N]\n");
    return 2;
  }
  long rows_read = 0;
  vantrel::Timing ours = vantrel::Ours(entries, pages, &rows_read);
  vantrel::Timing reference = vantrel::Reference(entries, pages);
  std::printf("entries %d, pages %d\n", entries, pages);
  std::printf("open:   %8.2f ms  (QListWidget %8.2f ms)\n", ours.open * 1e3,
              reference.open * 1e3);
  std::printf("scroll: %8.2f ms  (QListWidget %8.2f ms), %.3f ms a page\n",
              ours.scroll * 1e3, reference.scroll * 1e3,
              ours.scroll * 1e3 / (pages + 1));
  std::printf("rows read from the queue: %ld of %d\n", rows_read, entries);
  std::printf("ratio list_open %.3f\n", ours.open / reference.open);
  std::printf("ratio list_scroll %.3f\n", ours.scroll / reference.scroll);
  return 0;
}

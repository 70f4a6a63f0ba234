// Lists: a long queue is read a screenful at a time, the user's choice
// reaches the runtime, and a format's columns come from the queue's fields.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QListView>
#include <QTest>
#include <cstdio>
#include <cstring>

#include "gui/qt/list_model.h"
#include "gui/qt/qt_test_fixture.h"
#include "runtime/data/queue/queue.h"
#include "runtime/data/types/descriptor_builder.h"
#include "runtime/window/accept_loop.h"

namespace vantrel::qt {
namespace {

using ::testing::ElementsAre;

constexpr std::int16_t kList = 1;
constexpr int kEntries = 100000;

class ListViewTest : public QtTest {
 protected:
  void Fill(int count) {
    for (int i = 1; i <= count; ++i) {
      char text[13];
      std::snprintf(text, sizeof text, "Name %06d", i);
      std::memset(record, ' ', sizeof record);
      std::memcpy(record, text, std::strlen(text));
      std::int32_t number = i * 10;
      std::memcpy(record + kNameSize, &number, sizeof number);
      Add(&entries);
    }
  }
  WindowDescription Form(std::string format) {
    WindowDescription form;
    form.title = "List";
    ControlDescription list =
        Control(kList, ControlKind::kList, "", {4, 4, 160, 100});
    list.list = {&entries, 1};
    list.format = std::move(format);
    form.controls = {list};
    return form;
  }
  QListView* View() const { return Field(kList)->findChild<QListView*>(); }
  ListModel* Model() const { return dynamic_cast<ListModel*>(View()->model()); }

  static constexpr std::size_t kNameSize = 12;
  std::uint8_t record[kNameSize + 4] = {};
  TypeDescriptor descriptor = DescriptorBuilder()
                                  .String("E:NAME", kNameSize)
                                  .Long("E:NUMBER")
                                  .Descriptor();
  Queue entries{record, &descriptor, sizeof record};
};

TEST_F(ListViewTest, AHundredThousandEntriesAreReadAScreenfulAtATime) {
  Fill(kEntries);
  long read_when_shown = 0, read_after_jump = 0;
  QString current_text;
  std::vector<int> choices;
  UserScript user(gui);
  user.Then([&] { Activate(); })
      .Then([&] {
        Frame()->grab();
        read_when_shown = Model()->rows_read();
        Select(kList, kEntries / 2);
        Frame()->grab();
        read_after_jump = Model()->rows_read();
        current_text = View()->currentIndex().data().toString();
        QTest::keyClick(View(), Qt::Key_Down);
      })
      .Then([&] { Frame()->close(); });

  OpenWindow(Form({}));
  AcceptLoop([&] {
    if (CurrentEvent() == kEventNewSelection) choices.push_back(Choice(kList));
    if (CurrentEvent() == kEventCloseWindow) EndLoop();
  });

  EXPECT_GT(read_when_shown, 0);
  EXPECT_LT(read_when_shown, 200);
  EXPECT_LT(read_after_jump, 400);
  EXPECT_EQ(current_text, "Name 050000");
  EXPECT_THAT(choices, ElementsAre(kEntries / 2 + 1));
  // Reading rows left the program's view of the queue as it was.
  EXPECT_EQ(Pointer(&entries), static_cast<std::uint32_t>(kEntries));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(record), kNameSize),
            "Name 100000 ");
}

TEST_F(ListViewTest, AFormatsColumnsShowTheQueuesFieldsByTheirPictures) {
  Fill(3);
  OpenWindow(Form("[60L(2)|M~Name~][40R(1)~Number~@n6.1@]"));
  QStringList row =
      Model()->index(1).data(ListModel::kColumnsRole).toStringList();
  EXPECT_THAT(row, ElementsAre("Name 000002", "20.0"));
  CloseWindow();
}

}  // namespace
}  // namespace vantrel::qt

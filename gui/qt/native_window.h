// The native side of one runtime window: its frame (a main window, or a
// dialog for a modal window), its menu bar, the client area with the
// controls laid out in dialog units, and its timer.
#ifndef VANTREL_GUI_QT_NATIVE_WINDOW_H_
#define VANTREL_GUI_QT_NATIVE_WINDOW_H_

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <map>
#include <memory>

#include "gui/qt/canvas_layout.h"
#include "gui/qt/control_view.h"
#include "runtime/window/window_model.h"

class QVBoxLayout;

namespace vantrel::qt {

class NativeWindow : public ViewHost {
 public:
  // `owner` is the frame of the window that a modal window belongs to
  // (nullptr: none); a modal window is a dialog over it.
  NativeWindow(Window& window, QWidget* owner);
  ~NativeWindow() override;

  // The frame.
  QWidget* frame() const { return frame_; }
  // The widget showing a control; nullptr when it has none.
  QWidget* WidgetOf(std::int16_t number) const;

  void ShowTitle();
  // Moves, sizes, maximizes, iconizes or restores the frame as the window's
  // placement says.
  void ShowPlacement();
  // Where the frame stands now, in the runtime's terms: the normal form's
  // position (its client area on the screen) and the size of its controls'
  // area, in dialog units.
  WindowPlacement CurrentPlacement() const;
  void AddControl(const ControlState& state);
  void RemoveControl(std::int16_t number);
  void Focus(std::int16_t number);
  void SetTimer(int hundredths);

  // ViewHost.
  Window& window() override { return window_; }
  QWidget* canvas() override { return canvas_; }
  QMenuBar* menu_bar() override;
  ControlView* View(std::int16_t number) override;
  void Refresh(std::int16_t number) override;

 private:
  void BuildControls();
  void Place(ControlView& view, const ControlState& state);
  void LinkPromptsToFields();
  void SizeAndPlace(QWidget* owner);
  // Whether the control shows / takes input, with what encloses it: hidden
  // or disabled parents, and a tab that is not the selected one.
  bool Visible(const ControlState& state) const;
  bool Enabled(const ControlState& state) const;
  void ShowOne(const ControlState& state);
  // The user moved or sized the frame: reported once it has come to rest.
  void Placed();
  void ReportPlacement();

  Window& window_;
  QPointer<QWidget> frame_;
  QWidget* canvas_ = nullptr;
  CanvasLayout* layout_ = nullptr;
  QVBoxLayout* dialog_layout_ = nullptr;  // dialogs: menu bar and canvas
  QMenuBar* menu_bar_ = nullptr;
  std::map<std::int16_t, std::unique_ptr<ControlView>> views_;
  std::map<std::int16_t, Layout> placement_;  // where controls sit, in units
  QTimer timer_;
  QTimer placement_settles_;  // a move or size reported when it ends
};

}  // namespace vantrel::qt

#endif  // VANTREL_GUI_QT_NATIVE_WINDOW_H_

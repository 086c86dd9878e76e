#pragma once

#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/file_service.h"

namespace quorvane {

// Shared by the controls of one headless window: which control has the focus and the
// order in which controls were brought to the front.
struct HeadlessStage {
  const Control* focused = nullptr;
  int zCounter = 0;
};

// In-memory controls that do what the form asks and remember it, for tests and for the
// command-line tool. Focus follows the rule of the Qt controls: hiding the focused control
// leaves the focus with it, and SetFocus focuses a hidden control too.
template <class Interface>
class HeadlessControl : public Interface {
 public:
  explicit HeadlessControl(HeadlessStage& stage) : stage_(stage) {}
  float Left() const override { return left_; }
  void setLeft(float v) override { left_ = v; }
  float Top() const override { return top_; }
  void setTop(float v) override { top_ = v; }
  float Width() const override { return width_; }
  void setWidth(float v) override { width_ = v; }
  float Height() const override { return height_; }
  void setHeight(float v) override { height_ = v; }
  bool Visible() const override { return visible_; }
  void setVisible(bool v) override { visible_ = v; }
  void ZOrder() override { zIndex_ = ++stage_.zCounter; }
  void SetFocus() override { stage_.focused = this; }
  void setToolTipText(std::string_view text) override { toolTip_ = text; }
  void setTabIndex(int index) override { tabIndex_ = index; }

  bool hasFocus() const { return stage_.focused == this; }
  int zIndex() const { return zIndex_; }
  const std::string& toolTip() const { return toolTip_; }
  int tabIndex() const { return tabIndex_; }

 protected:
  HeadlessStage& stage_;

 private:
  float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool visible_ = true;
  int zIndex_ = 0;
  int tabIndex_ = -1;
  std::string toolTip_;
};

// What the window system does with a key press: the handler first, then, unless it set
// the code to 0, the widget. Returns the code the widget got (0: consumed).
inline std::int16_t deliverKey(const KeyDownHandler& handler, std::int16_t keyCode,
                               std::int16_t shift) {
  if (handler) handler(keyCode, shift);
  return keyCode;
}

class HeadlessTextBox : public HeadlessControl<TextBox> {
 public:
  using HeadlessControl::HeadlessControl;
  std::string Text() const override { return text_; }
  void setText(std::string_view text) override {
    const bool changed = text != text_;
    text_ = text;
    if (changed && onChange_) onChange_();
  }
  void setKeyDownHandler(KeyDownHandler handler) override { onKeyDown_ = std::move(handler); }
  void setChangeHandler(std::function<void()> handler) override { onChange_ = std::move(handler); }
  std::int16_t pressKey(std::int16_t keyCode, std::int16_t shift = 0) {
    return deliverKey(onKeyDown_, keyCode, shift);
  }

 private:
  std::string text_;
  KeyDownHandler onKeyDown_;
  std::function<void()> onChange_;
};

class HeadlessComboList : public HeadlessControl<ComboList> {
 public:
  using HeadlessControl::HeadlessControl;
  // Keeps its items sorted by name when asked, as a sorted list control would, so that
  // tests can check that nothing relies on positions matching genre numbers.
  void setSorted(bool sorted) { sorted_ = sorted; }

  void AddItem(std::string_view text) override;
  int NewIndex() const override { return newIndex_; }
  std::string List(int index) const override;
  int ListCount() const override { return static_cast<int>(items_.size()); }
  std::int32_t ItemData(int index) const override;
  void setItemData(int index, std::int32_t data) override;
  int ListIndex() const override { return listIndex_; }
  void setListIndex(int index) override;
  void setKeyDownHandler(KeyDownHandler handler) override { onKeyDown_ = std::move(handler); }
  std::int16_t pressKey(std::int16_t keyCode, std::int16_t shift = 0) {
    return deliverKey(onKeyDown_, keyCode, shift);
  }

 private:
  KeyDownHandler onKeyDown_;
  struct Item {
    std::string text;
    std::int32_t data = 0;
  };
  std::vector<Item> items_;
  bool sorted_ = false;
  int newIndex_ = -1;
  int listIndex_ = -1;
};

class HeadlessLabel : public HeadlessControl<Label> {
 public:
  using HeadlessControl::HeadlessControl;
  std::string Caption() const override { return caption_; }
  void setCaption(std::string_view caption) override { caption_ = caption; }

 private:
  std::string caption_;
};

class HeadlessButton : public HeadlessControl<Button> {
 public:
  using HeadlessControl::HeadlessControl;
  std::string Caption() const override { return caption_; }
  void setCaption(std::string_view caption) override { caption_ = caption; }
  void setClickHandler(std::function<void()> handler) override { onClick_ = std::move(handler); }
  void click() {
    if (onClick_) onClick_();
  }

 private:
  std::string caption_;
  std::function<void()> onClick_;
};

class HeadlessStatusBar : public HeadlessControl<StatusBar> {
 public:
  using HeadlessControl::HeadlessControl;
  std::string PanelText(int panel) const override;
  void setPanelText(int panel, std::string_view text) override;
  void setPanelWarning(int panel, bool warning) override {
    if (panel >= 1 && panel <= 2) warnings_[panel - 1] = warning;
  }
  void setPanelToolTip(int panel, std::string_view text) override {
    if (panel >= 1 && panel <= 2) toolTips_[static_cast<std::size_t>(panel - 1)] = text;
  }
  bool panelWarning(int panel) const { return panel >= 1 && panel <= 2 && warnings_[panel - 1]; }
  std::string panelToolTip(int panel) const {
    return panel >= 1 && panel <= 2 ? toolTips_[static_cast<std::size_t>(panel - 1)] : "";
  }

 private:
  std::vector<std::string> panels_ = std::vector<std::string>(2);
  std::vector<std::string> toolTips_ = std::vector<std::string>(2);
  bool warnings_[2] = {false, false};
};

class HeadlessDriveList : public HeadlessControl<DriveList> {
 public:
  using HeadlessControl::HeadlessControl;
  std::string Drive() const override { return drive_; }
  void showDrive(std::string_view drive) override { drive_ = drive; }
  void setChangeHandler(std::function<void()> handler) override { onChange_ = std::move(handler); }
  // What a user's pick does: the drive changes and the event is raised.
  void pick(std::string_view drive);
  void startAt(std::string_view drive) { drive_ = drive; }

 private:
  std::string drive_ = "/";
  std::function<void()> onChange_;
};

class HeadlessFolderList : public HeadlessControl<FolderList> {
 public:
  HeadlessFolderList(HeadlessStage& stage, FileService& files)
      : HeadlessControl(stage), files_(files) {}
  std::string Path() const override { return path_; }
  bool setPath(std::string_view path) override;
  bool showPath(std::string_view path) override;
  void setChangeHandler(std::function<void()> handler) override { onChange_ = std::move(handler); }
  // The folder it starts with, set without an event.
  void startAt(std::string_view path) { path_ = path; }

 private:
  FileService& files_;
  std::string path_ = "/";
  std::function<void()> onChange_;
};

class HeadlessFormWindow : public FormWindow {
 public:
  std::string Caption() const override { return caption_; }
  void setCaption(std::string_view caption) override { caption_ = caption; }
  float ScaleWidth() const override { return scaleWidth_; }
  float ScaleHeight() const override { return scaleHeight_; }
  void setClientSize(float width, float height) { scaleWidth_ = width, scaleHeight_ = height; }
  void endProgram() override { ended_ = true; }
  void setBusy(bool busy) override {
    if (busy) ++busyCount_;
    busy_ = busy;
  }
  bool ended() const { return ended_; }
  bool busy() const { return busy_; }
  int timesBusy() const { return busyCount_; }

 private:
  std::string caption_;
  bool ended_ = false;
  bool busy_ = false;
  int busyCount_ = 0;
  float scaleWidth_ = 678, scaleHeight_ = 441;
};

class HeadlessShellOpener : public ShellOpener {
 public:
  struct Opened {
    std::string folder, file;
    bool operator==(const Opened&) const = default;
  };
  void open(const std::string& folder, const std::string& file) override {
    opened_.push_back({folder, file});
  }
  const std::vector<Opened>& opened() const { return opened_; }

 private:
  std::vector<Opened> opened_;
};

class HeadlessScreen : public ScreenMetrics {
 public:
  int TwipsPerPixelX() const override { return x_; }
  int TwipsPerPixelY() const override { return y_; }
  void setTwipsPerPixel(int x, int y) { x_ = x, y_ = y; }

 private:
  int x_ = 15, y_ = 15;
};

}  // namespace quorvane

#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <functional>

#include "platform/controls.h"
#include "ui/qt/focus_wheel_combo_box.h"
#include "ui/qt/key_down_filter.h"
#include "ui/qt/qt_control.h"

namespace quorvane {

// Each class makes its widget as a child of `parent`, which owns it.

// The in-cell text editor: the QLineEdit's own text is the text box's text.
class QtTextBox : public QtControl<TextBox> {
 public:
  QtTextBox(QtStage& stage, QWidget& parent);
  std::string Text() const override;
  void setText(std::string_view text) override;
  void setKeyDownHandler(KeyDownHandler handler) override { keys_->setHandler(std::move(handler)); }
  void setChangeHandler(std::function<void()> handler) override;
  QLineEdit& lineEdit() const { return *edit_; }

 private:
  explicit QtTextBox(QtStage& stage, QLineEdit* edit);
  QLineEdit* edit_;
  KeyDownFilter* keys_;
};

// A drop-down list the user can only choose from; each item carries its item data.
class QtComboList : public QtControl<ComboList> {
 public:
  QtComboList(QtStage& stage, QWidget& parent);
  void AddItem(std::string_view text) override;
  int NewIndex() const override { return newIndex_; }
  std::string List(int index) const override;
  int ListCount() const override { return combo_->count(); }
  std::int32_t ItemData(int index) const override;
  void setItemData(int index, std::int32_t data) override;
  int ListIndex() const override { return combo_->currentIndex(); }
  void setListIndex(int index) override;
  void setKeyDownHandler(KeyDownHandler handler) override { keys_->setHandler(std::move(handler)); }
  QComboBox& comboBox() const { return *combo_; }

 private:
  explicit QtComboList(QtStage& stage, FocusWheelComboBox* combo);
  FocusWheelComboBox* combo_;
  KeyDownFilter* keys_;
  int newIndex_ = -1;
};

class QtLabel : public QtControl<Label> {
 public:
  QtLabel(QtStage& stage, QWidget& parent);
  std::string Caption() const override;
  void setCaption(std::string_view caption) override;
  QLabel& label() const { return *label_; }

 private:
  explicit QtLabel(QtStage& stage, QLabel* label);
  QLabel* label_;
};

class QtButton : public QtControl<Button> {
 public:
  QtButton(QtStage& stage, QWidget& parent);
  std::string Caption() const override;
  void setCaption(std::string_view caption) override;
  void setClickHandler(std::function<void()> handler) override { onClick_ = std::move(handler); }
  QPushButton& button() const { return *button_; }

 private:
  explicit QtButton(QtStage& stage, QPushButton* button);
  QPushButton* button_;
  std::function<void()> onClick_;
};

// A status bar that keeps itself along the bottom edge of its parent over its full width,
// whatever place it is given; only its height is taken from the form. Panel 1 stretches
// across it, panel 2 stands at its right end, as wide as its text, and shows only when it
// holds text. Each panel is a sunken frame whose inside is as high as the bar allows, so
// that descenders and underscores are drawn whole.
class QtStatusBar : public QtControl<StatusBar> {
 public:
  QtStatusBar(QtStage& stage, QWidget& parent);
  float Left() const override;
  float Top() const override;
  float Width() const override;
  std::string PanelText(int panel) const override;
  void setPanelText(int panel, std::string_view text) override;
  void setPanelWarning(int panel, bool warning) override;
  void setPanelToolTip(int panel, std::string_view text) override;
  QWidget& statusBar() const { return *bar_; }
  QLabel& panel(int panel) const { return panel == 2 ? *panel2_ : *panel1_; }

 protected:
  void place() override;

 private:
  explicit QtStatusBar(QtStage& stage, QWidget* bar);
  void layoutPanels();

  QWidget* bar_;
  QLabel* panel1_;
  QLabel* panel2_;
};

}  // namespace quorvane

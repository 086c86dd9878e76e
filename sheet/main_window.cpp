#include "sheet/main_window.h"

#include "sheet/form_design.h"
#include "tagcodec/genre_table.h"

namespace quorvane {
namespace {

void place(Control& control, const ControlDesign& d) {
  control.setLeft(d.left);
  control.setTop(d.top);
  control.setWidth(d.width);
  control.setHeight(d.height);
  control.setVisible(d.visible);
  control.setTabIndex(d.tabIndex);
  control.setToolTipText(d.toolTip);
}

}  // namespace

MainWindow::MainWindow(const FormControls& controls)
    : c_(controls), grid_(controls.screen.TwipsPerPixelX(), controls.screen.TwipsPerPixelY()) {
  place(c_.Dir1, design::Dir1);
  place(c_.EditText, design::EditText);
  place(c_.Drive1, design::Drive1);
  place(c_.StatusBar1, design::StatusBar1);
  place(c_.cmdSave, design::cmdSave);
  place(c_.Combo1, design::Combo1);
  place(c_.cmdEnd, design::cmdEnd);
  place(c_.File1, design::File1);
  place(c_.Command1, design::Command1);
  place(c_.Label1, design::Label1);
  // A narrow window moves the buttons over the label: they stay whole and clickable.
  c_.cmdEnd.ZOrder();
  c_.cmdSave.ZOrder();
  c_.cmdSave.setCaption(design::cmdSave.caption);
  c_.cmdEnd.setCaption(design::cmdEnd.caption);
  c_.Command1.setCaption(design::Command1.caption);
  grid_.setLeft(design::MSFlexGrid1.left);
  grid_.setTop(design::MSFlexGrid1.top);
  grid_.setWidth(design::MSFlexGrid1.width);
  grid_.setHeight(design::MSFlexGrid1.height);
  grid_.setLayoutHandler([this] { keepEditorOverItsCell(); });

  c_.Drive1.setChangeHandler([this] { Drive1_Change(); });
  c_.Dir1.setChangeHandler([this] { Dir1_Change(); });
  c_.File1.setPathChangeHandler([this] { File1_PathChange(); });
  c_.EditText.setKeyDownHandler(
      [this](std::int16_t& keyCode, std::int16_t shift) { EditText_KeyDown(keyCode, shift); });
  c_.EditText.setChangeHandler([this] { EditText_Change(); });
  c_.Combo1.setKeyDownHandler(
      [this](std::int16_t& keyCode, std::int16_t shift) { Combo1_KeyDown(keyCode, shift); });
  c_.cmdSave.setClickHandler([this] { cmdSave_Click(); });
  c_.cmdEnd.setClickHandler([this] { cmdEnd_Click(); });
  c_.Command1.setClickHandler([this] { Command1_Click(); });
  sheetDrive_ = c_.Drive1.Drive();
}

MessageBoxRequest MainWindow::question(const char* text, MessageAnswer defaultButton) {
  MessageBoxRequest box;
  box.text = text;
  box.title = design::kCaption;
  box.buttons = MessageButtons::YesNo;
  box.defaultButton = defaultButton;
  box.icon = MessageIcon::Question;
  return box;
}

void MainWindow::Form_Load() {
  blnChanged = false;
  InitSheet();
  c_.window.setCaption(design::kCaption);
  Module1::InitGenreTable();
  for (int i = 1; i <= 115; ++i) {
    c_.Combo1.AddItem(Module1::GenreTable[static_cast<std::size_t>(i - 1)]);
    // The list may place the item anywhere; the newest item's position ties it to i.
    c_.Combo1.setItemData(c_.Combo1.NewIndex(), i);
  }
}

void MainWindow::Form_Resize() {
  Control& dir = c_.Dir1;
  // Width rule: only when the client area is wider than the fixed parts, so that no
  // formula gives a zero or negative width.
  if (dir.Left() + dir.Width() + 20 + c_.cmdSave.Width() + c_.cmdEnd.Width() <
      c_.window.ScaleWidth()) {
    grid_.setWidth(c_.window.ScaleWidth() - (dir.Left() + dir.Width() + 20));
    c_.cmdSave.setLeft(grid_.Left() + grid_.Width() - c_.cmdSave.Width());
    c_.cmdEnd.setLeft(c_.cmdSave.Left() - (c_.cmdEnd.Width() + 10));
  }
  if (dir.Top() + 20 < c_.window.ScaleHeight()) {
    grid_.setHeight(c_.window.ScaleHeight() - (dir.Top() + 20));
    dir.setHeight(c_.window.ScaleHeight() - (dir.Top() + 20));
  }
}

}  // namespace quorvane

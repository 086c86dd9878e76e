#pragma once

#include <string>
#include <vector>

#include "sheet/main_window.h"
#include "sheet/sheet_columns.h"
#include "tests/test_support.h"
#include "ui/headless/headless_form.h"

namespace quorvane::testing {

struct TestFile {
  std::string name;
  std::string title;  // ASCII; the tag is written padded with spaces
  std::uint8_t genre = 0;
  bool hasTag = true;
};

inline Bytes tagFor(const TestFile& file) {
  if (!file.hasTag) return audio(300);
  Bytes title = bytesOf(file.title);
  title.resize(30, ' ');
  return concat(audio(300),
                rawTag(title, spaces(30), spaces(30), spaces(4), spaces(30), file.genre));
}

// What a user does to a headless window; `Self` has the window and its form.
template <class Self>
class SheetActions {
 public:
  FlexGrid& grid() { return self().window.MSFlexGrid1(); }
  std::string cell(int r, int c) { return grid().TextMatrix(r, c); }

  // What the grid view does for a click: make the cell current, then raise the event.
  void click(int row, int col) {
    grid().setRow(row);
    grid().setCol(col);
    self().window.MSFlexGrid1_Click();
  }
  void doubleClick(int row, int col) {
    click(row, col);
    grid().setRow(row);
    grid().setCol(col);
    self().window.MSFlexGrid1_DblClick();
  }
  // A key goes to the editor that has the focus. Returns the code the widget got.
  std::int16_t key(std::int16_t code, std::int16_t shift = 0) {
    if (self().form.Combo1.hasFocus()) return self().form.Combo1.pressKey(code, shift);
    return self().form.EditText.pressKey(code, shift);
  }
  int genreItem(const std::string& name) {
    for (int i = 0; i < self().form.Combo1.ListCount(); ++i) {
      if (self().form.Combo1.List(i) == name) return i;
    }
    return -1;
  }
  // The data row whose file was loaded under `name`; 0 when there is none.
  int rowOf(const std::string& name) {
    for (int r = 1; r < grid().Rows(); ++r) {
      if (cell(r, colOrigName) == name) return r;
    }
    return 0;
  }

 private:
  Self& self() { return static_cast<Self&>(*this); }
};

// A headless window, loaded and resized as at start-up, on a temporary folder.
class SheetFixture : public SheetActions<SheetFixture> {
 public:
  explicit SheetFixture(const std::vector<TestFile>& files,
                        FileService& fileService = systemFiles())
      : service(fileService), window(form.controls()) {
    for (const auto& f : files) writeFile(dir.file(f.name), tagFor(f));
    window.Form_Load();
    window.Form_Resize();
    form.Dir1.setPath(dir.path().string());
  }

  FileService& service;  // how the window reaches files and folders
  TempDir dir;
  HeadlessForm form{service};
  MainWindow window;
};

}  // namespace quorvane::testing

#pragma once

#include <map>
#include <string>

#include "tests/faulty_files.h"
#include "tests/sheet_fixture.h"

namespace quorvane::testing {

// A headless window on a folder of the in-memory file system, whose faults the test
// injects.
class FaultySheet : public SheetActions<FaultySheet> {
 public:
  static constexpr const char* kFolder = "/music";

  explicit FaultySheet(const std::map<std::string, Bytes>& contents) {
    files.addFolder(kFolder);
    for (const auto& [name, bytes] : contents) files.addFile(path(name), bytes);
    window.Form_Load();
    window.Form_Resize();
    form.Dir1.setPath(kFolder);
  }

  static std::string path(const std::string& name) { return std::string(kFolder) + "/" + name; }
  Bytes bytes(const std::string& name) {
    const auto node = files.node(path(name));
    return node ? node->bytes : Bytes{};
  }
  // Types `text` into the cell and stores it with Enter.
  void edit(int row, int col, const std::string& text) {
    click(row, col);
    form.EditText.setText(text);
    key(kKeyReturn);
  }
  void save(MessageAnswer answer = MessageAnswer::Yes) {
    form.messages.queueAnswer(answer);
    form.cmdSave.click();
  }
  const std::vector<MessageBoxRequest>& boxes() { return form.messages.shown(); }

  FaultyFiles files;
  HeadlessForm form{files};
  MainWindow window{form.controls()};
};

// A tag whose title, artist and album are the given texts (ASCII), padded with spaces.
inline Bytes taggedFile(const std::string& title, const std::string& artist = "",
                        const std::string& album = "", std::uint8_t genre = 0,
                        std::size_t audioBytes = 300) {
  const auto padded = [](const std::string& text) {
    Bytes field = bytesOf(text);
    field.resize(30, ' ');
    return field;
  };
  return concat(audio(audioBytes),
                rawTag(padded(title), padded(artist), padded(album), spaces(4), spaces(30), genre));
}

}  // namespace quorvane::testing

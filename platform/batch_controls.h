#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quorvane {

// The desktop's clipboard, as text (line breaks as the copying program wrote them).
class Clipboard {
 public:
  virtual ~Clipboard() = default;
  virtual std::string text() const = 0;
};

// A pop-up menu of the sheet's commands, shown where the user asked for it (at the mouse,
// or at the current cell for the Menu key).
struct MenuItem {
  std::string text;      // "元に戻す"
  std::string shortcut;  // "Ctrl+Z", shown beside the text; may be empty
  bool enabled = true;
  bool separatorBefore = false;
};
class PopupMenu {
 public:
  virtual ~PopupMenu() = default;
  // Returns the index of the item the user chose, or -1 when the menu was closed without
  // a choice. Disabled items cannot be chosen.
  virtual int show(const std::vector<MenuItem>& items) = 0;
};

// The dialog that fills tags from file names, or file names from tags, by a pattern.
struct PatternPreviewRow {
  enum class Status {
    Changes,   // the row would change as shown
    NoMatch,   // its name does not fit the pattern ("一致しません")
    Collides,  // its new name is another file's, or another row's: left out
  };
  std::string name;           // the row's file name
  std::string before, after;  // what changes, as the sheet shows it
  Status status = Status::Changes;
  bool tooLong = false;  // a text longer than its field: shown in the byte counter's red
};
struct PatternPreview {
  std::vector<PatternPreviewRow> rows;  // the rows that change, then those that do not fit
  std::string error;  // why the pattern cannot be used; empty when it can
  int changes = 0;    // rows OK would change
};
struct PatternDialogRequest {
  std::string title;    // "Quorvane"
  std::string heading;  // what the dialog does
  std::string pattern;  // the pattern the field starts with
  // The placeholders that may be used, each with the column it stands for.
  std::vector<std::pair<std::string, std::string>> placeholders;
};
class PatternDialog {
 public:
  virtual ~PatternDialog() = default;
  // Shows the dialog modally; `preview` gives what a pattern would do, for every pattern
  // the user types. Returns the pattern accepted with OK, or nullopt for キャンセル. OK
  // is only offered for a pattern that changes something.
  virtual std::optional<std::string> run(
      const PatternDialogRequest& request,
      const std::function<PatternPreview(const std::string& pattern)>& preview) = 0;
};

}  // namespace quorvane

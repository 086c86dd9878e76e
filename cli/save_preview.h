#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cli/sheet_text.h"

namespace quorvane {

// What Save would do with `rows` in `folder`, found without changing anything there.
struct SavePreview {
  // One line per change, in row order, each starting with the name the file was loaded
  // under (as bytes, like `ls`):
  //   a.mp3: title "Old" -> "New"            a field whose bytes change
  //   a.mp3: genre 12 (Others) -> 17 (Rock)
  //   a.mp3: renamed to b.mp3
  //   a.mp3: no change                       the tag would be written with the same bytes
  //   c.mp3: tag added (the file has none): title "New", artist "", ..., genre 0 (Blues)
  //   d.mp3: cannot be written: Permission denied
  //   e.mp3: cannot be renamed to f.mp3: File exists
  //   z.mp3: title "Peer", artist "" (its zero-byte padding becomes spaces)
  // Texts are shown as the tag code page reads the bytes (see shownText): up to a zero byte
  // with their trailing spaces, in a field without one without the spaces that pad it. The
  // fields of a file whose text stays while their zero-byte padding becomes spaces share one
  // line; a field whose text stays while other bytes change says why on its own line.
  std::vector<std::string> lines;
  int failures = 0;  // rows whose file Save could not write or rename
};

// `text` between double quotes as the preview and the warnings show it, with '"' and '\'
// escaped and control characters and bytes that do not decode written \xNN.
std::string shownText(std::string_view text);

// Previews the rows marked changed, as Save takes them: in order, each one's file as the
// earlier rows will have left it (written, renamed), with the writer's checks and its
// rename rules (never onto an existing name, except the file itself in another letter
// case).
SavePreview previewSave(const std::vector<SheetRow>& rows, const std::string& folder);

}  // namespace quorvane

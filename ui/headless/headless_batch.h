#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/batch_controls.h"

namespace quorvane {

class HeadlessClipboard : public Clipboard {
 public:
  std::string text() const override { return text_; }
  void setText(std::string text) { text_ = std::move(text); }

 private:
  std::string text_;
};

// Records every menu shown and answers with the choices a test queued, in order; with none
// queued the menu is closed without a choice. A disabled item cannot be chosen.
class HeadlessPopupMenu : public PopupMenu {
 public:
  int show(const std::vector<MenuItem>& items) override {
    shown_.push_back(items);
    if (choices_.empty()) return -1;
    const int choice = choices_.front();
    choices_.pop_front();
    const bool valid = choice >= 0 && choice < static_cast<int>(items.size());
    return valid && items[static_cast<std::size_t>(choice)].enabled ? choice : -1;
  }
  void queueChoice(int choice) { choices_.push_back(choice); }
  const std::vector<std::vector<MenuItem>>& shown() const { return shown_; }

 private:
  std::deque<int> choices_;
  std::vector<std::vector<MenuItem>> shown_;
};

// Types the queued pattern into the dialog and presses OK (nullopt: キャンセル), as a
// user would; records the request and the preview of every pattern typed. OK is pressed
// only where the dialog offers it: for a pattern that changes something.
class HeadlessPatternDialog : public PatternDialog {
 public:
  std::optional<std::string> run(
      const PatternDialogRequest& request,
      const std::function<PatternPreview(const std::string& pattern)>& preview) override {
    requests_.push_back(request);
    previews_.push_back(preview(request.pattern));
    if (answers_.empty()) return std::nullopt;
    const std::optional<std::string> answer = answers_.front();
    answers_.pop_front();
    if (!answer) return std::nullopt;
    previews_.push_back(preview(*answer));
    if (!previews_.back().error.empty() || previews_.back().changes == 0) return std::nullopt;
    return answer;
  }
  void queueAnswer(std::optional<std::string> pattern) { answers_.push_back(std::move(pattern)); }
  const std::vector<PatternDialogRequest>& requests() const { return requests_; }
  const std::vector<PatternPreview>& previews() const { return previews_; }

 private:
  std::deque<std::optional<std::string>> answers_;
  std::vector<PatternDialogRequest> requests_;
  std::vector<PatternPreview> previews_;
};

}  // namespace quorvane

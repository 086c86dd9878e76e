#include "platform/headless/headless_form.h"

#include "platform/posix/file_system.h"

namespace quorvane {

HeadlessForm::HeadlessForm() {
  const std::string here = fs::currentFolder();
  Drive1.startAt(fs::driveOf(fs::listDrives(), here));
  Dir1.startAt(here);
}

}  // namespace quorvane

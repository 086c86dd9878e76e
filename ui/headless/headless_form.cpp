#include "ui/headless/headless_form.h"

namespace quorvane {

HeadlessForm::HeadlessForm(FileService& fileService) : files(fileService) {
  const std::string here = files.currentFolder();
  Drive1.startAt(files.driveOf(files.listDrives(), here));
  Dir1.startAt(here);
}

}  // namespace quorvane

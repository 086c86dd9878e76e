// Runs the window tests on a QApplication with the program's own look, on Qt's offscreen
// platform unless the environment names another; a message box that no test expects fails
// the test that met it.
#include <gtest/gtest.h>

#include <QApplication>

#include "tests/qt/qt_test_support.h"
#include "ui/qt/qt_look.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  quorvane::applyLook();
  const quorvane::testing::UnexpectedBoxes unexpectedBoxes;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

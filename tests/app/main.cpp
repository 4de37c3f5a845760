#include <gtest/gtest.h>

#include <QApplication>

#include "app/Application.h"

// The window's tests run inside one application object, set up as the program sets it up.
int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();  // listing needs no display
  QApplication application(argc, argv);
  exeicon::app::initApplication(application);
  return RUN_ALL_TESTS();
}

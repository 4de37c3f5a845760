#pragma once

#include <exception>
#include <utility>

#include <QString>

class QApplication;
class QWidget;

namespace exeicon::app {

// Sets the application object up as the program starts: its title from the running
// program's file name and its icon from MAINICON.
void initApplication(QApplication& application);

// The application's title, the caption of every error box.
QString applicationTitle();

// The application's handler for a failure that ended a click handler: shows the error
// box, modal and owned by `owner`, and returns once the user has closed it.
void handleException(QWidget* owner, std::exception_ptr failure);

// Wraps a click handler so that its failures end in handleException instead of
// unwinding through Qt's frames.
template <class Handler>
auto guarded(QWidget* owner, Handler handler) {
  return [owner, handler = std::move(handler)]() {
    try {
      handler();
    } catch (...) {
      handleException(owner, std::current_exception());
    }
  };
}

}  // namespace exeicon::app

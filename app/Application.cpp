#include "app/Application.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>

#include "app/title.h"
#include "icon/failure.h"

// Outside any namespace, as Qt's resource registration needs.
static void initResources() { Q_INIT_RESOURCE(exeicon); }

namespace exeicon::app {

namespace {

QString& title() {
  static QString value;
  return value;
}

}  // namespace

void initApplication(QApplication& application) {
  initResources();
  // The title is kept here, not as Qt's display name, which Qt would append to the
  // window's caption.
  title() = QString::fromLocal8Bit(application_title(running_program_path()));
  application.setWindowIcon(QIcon(QStringLiteral(":/MAINICON.ico")));
}

QString applicationTitle() { return title(); }

void handleException(QWidget* owner, std::exception_ptr failure) {
  QString text;
  try {
    std::rethrow_exception(failure);
  } catch (const std::exception& e) {
    text = QString::fromLocal8Bit(with_full_stop(e.what()));
  } catch (...) {
    text = QString::fromLocal8Bit(with_full_stop("Unknown failure"));
  }
  QMessageBox box(QMessageBox::Critical, applicationTitle(), text, QMessageBox::Ok, owner);
  box.exec();
}

}  // namespace exeicon::app

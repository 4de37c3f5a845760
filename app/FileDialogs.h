#pragma once

#include <optional>
#include <string>

#include <QFileDialog>
#include <QString>
#include <QStringList>

class QCheckBox;

namespace exeicon::app {

// What a file dialog of the form is set up with.
struct DialogSettings {
  enum class Kind { Open, Save };
  Kind kind = Kind::Open;
  QString filter;      // "shown text|pattern[;pattern]", as the form writes it
  QString defaultExt;  // given to a typed name without an extension ("EXE", "*.ico")
  bool fileMustExist = false;
  bool showReadOnly = false;  // the old-style dialog's read-only check box
};

// Runs a file dialog modally; the program's runner shows Qt's, the tests answer instead.
class DialogRunner {
 public:
  virtual ~DialogRunner() = default;
  // Shows a dialog with `settings` over `owner`, offering the name `offered`; gives the
  // accepted full name (bytes as the file system takes them), or nothing when cancelled.
  virtual std::optional<std::string> run(QWidget* owner, const DialogSettings& settings,
                                         const std::string& offered) = 0;
};

// A file dialog of the form (OpenDialog1, SaveDialog1): its settings and the name last
// accepted, which is offered again the next time.
class FileDialog {
 public:
  FileDialog(DialogSettings settings, DialogRunner& runner)
      : settings_(std::move(settings)), runner_(runner) {}

  // Runs the dialog; true when the user accepted a name, which fileName() then gives.
  bool execute(QWidget* owner);
  const std::string& fileName() const { return fileName_; }
  const DialogSettings& settings() const { return settings_; }

 private:
  DialogSettings settings_;
  DialogRunner& runner_;
  std::string fileName_;
};

// Qt's own (not the desktop's) file dialog set up to stand for the plain old-style one.
class OldStyleFileDialog : public QFileDialog {
  Q_OBJECT

 public:
  OldStyleFileDialog(QWidget* owner, const DialogSettings& settings, const QString& offered);

  // The read-only check box, or null where the settings hide it.
  QCheckBox* readOnlyBox() const { return readOnlyBox_; }

  void accept() override;

 private:
  DialogSettings settings_;
  QCheckBox* readOnlyBox_ = nullptr;
};

// Qt's name filters for a "shown text|patterns" filter: the patterns match in any letter
// case, and the shown text stays as written once the dialog hides the filter details.
QStringList qtNameFilters(const QString& filter);

// The existing file a typed name stands for, ignoring letter case as the old platform's
// file system does; an extensionless name gets `defaultExt` ("setup" -> SETUP.EXE).
std::optional<QString> findExisting(const QString& typed, const QString& defaultExt);

// Runs an OldStyleFileDialog.
class QtDialogRunner : public DialogRunner {
 public:
  std::optional<std::string> run(QWidget* owner, const DialogSettings& settings,
                                 const std::string& offered) override;
};

}  // namespace exeicon::app

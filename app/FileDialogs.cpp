#include "app/FileDialogs.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QLineEdit>

namespace exeicon::app {

bool FileDialog::execute(QWidget* owner) {
  std::optional<std::string> chosen = runner_.run(owner, settings_, fileName_);
  if (!chosen) return false;
  fileName_ = std::move(*chosen);
  return true;
}

namespace {

// "*.EXE" -> "*.[eE][xX][eE]": Qt's file list matches patterns case-sensitively here.
QString anyCase(const QString& pattern) {
  QString out;
  for (const QChar c : pattern) {
    if (c.isLetter() && c.toLower() != c.toUpper()) {
      out += u'[' + QString(c.toLower()) + QString(c.toUpper()) + u']';
    } else {
      out += c;
    }
  }
  return out;
}

// The suffix Qt appends for a default extension given as "EXE", ".ico" or "*.ico".
QString suffixOf(QString defaultExt) {
  while (defaultExt.startsWith(u'*') || defaultExt.startsWith(u'.')) defaultExt.remove(0, 1);
  return defaultExt;
}

}  // namespace

QStringList qtNameFilters(const QString& filter) {
  QStringList filters;
  const QStringList parts = filter.split(u'|');
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns;
    for (const QString& pattern : parts[i + 1].split(u';', Qt::SkipEmptyParts)) {
      patterns << anyCase(pattern.trimmed());
    }
    filters << parts[i] + QStringLiteral(" (") + patterns.join(u' ') + u')';
  }
  return filters;
}

std::optional<QString> findExisting(const QString& typed, const QString& defaultExt) {
  const QFileInfo info(typed);
  const QDir dir = info.dir();
  QString name = info.fileName();
  const QString suffix = suffixOf(defaultExt);
  if (!name.contains(u'.') && !suffix.isEmpty()) name += u'.' + suffix;
  if (QFileInfo(dir.filePath(name)).isFile()) return dir.filePath(name);
  for (const QString& entry : dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name)) {
    if (entry.compare(name, Qt::CaseInsensitive) == 0) return dir.filePath(entry);
  }
  return std::nullopt;
}

OldStyleFileDialog::OldStyleFileDialog(QWidget* owner, const DialogSettings& settings,
                                       const QString& offered)
    : QFileDialog(owner), settings_(settings) {
  const bool open = settings.kind == DialogSettings::Kind::Open;
  setOption(QFileDialog::DontUseNativeDialog);
  setOption(QFileDialog::HideNameFilterDetails);
  setOption(QFileDialog::DontConfirmOverwrite, !open);
  setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
  setFileMode(settings.fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  setNameFilters(qtNameFilters(settings.filter));
  setDefaultSuffix(suffixOf(settings.defaultExt));
  setSizeGripEnabled(true);
  if (!offered.isEmpty()) selectFile(offered);
  // Qt's dialog lays itself out on a grid: the box goes under the OK and Cancel buttons.
  if (auto* grid = qobject_cast<QGridLayout*>(layout()); grid && settings.showReadOnly) {
    readOnlyBox_ = new QCheckBox(QStringLiteral("只读(&R)"), this);
    readOnlyBox_->setObjectName(QStringLiteral("readOnlyCheckBox"));
    grid->addWidget(readOnlyBox_, grid->rowCount(), grid->columnCount() - 1);
  }
}

void OldStyleFileDialog::accept() {
  if (settings_.fileMustExist) {
    const QStringList files = selectedFiles();
    if (files.size() == 1 && !QFileInfo::exists(files.front())) {
      if (std::optional<QString> found = findExisting(files.front(), settings_.defaultExt)) {
        // selectFile() leaves a focused name box as typed, and accept() reads the box.
        selectFile(*found);
        if (auto* box = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
          box->setText(QFileInfo(*found).fileName());
        }
      }
    }
  }
  QFileDialog::accept();
}

std::optional<std::string> QtDialogRunner::run(QWidget* owner, const DialogSettings& settings,
                                               const std::string& offered) {
  OldStyleFileDialog dialog(owner, settings, QFile::decodeName(QByteArray::fromStdString(offered)));
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return std::nullopt;
  return QFile::encodeName(files.front()).toStdString();
}

}  // namespace exeicon::app

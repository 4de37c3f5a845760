#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListView>
#include <QTemporaryDir>

#include "app/FileDialogs.h"
#include "app_test_support.h"

namespace {

using exeicon::app::DialogSettings;
using exeicon::app::OldStyleFileDialog;
using namespace exeicon::app::testing;

const DialogSettings kOpen{DialogSettings::Kind::Open, QStringLiteral("EXE File(.exe)|*.EXE"),
                           QStringLiteral("EXE"), true, true};
const DialogSettings kSave{DialogSettings::Kind::Save, QStringLiteral("ICON File (*.ico)|*.ICO"),
                           QStringLiteral("*.ico"), false, false};

class DialogTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(folder.isValid()); }

  void touch(const QStringList& names) {
    for (const QString& name : names) writeBytes(folder.filePath(name).toStdString(), {0});
  }
  QString path(const QString& name) const { return QDir(folder.path()).filePath(name); }

  // Opens the dialog in the test's folder, the way the form runs it.
  std::unique_ptr<OldStyleFileDialog> openDialog(const DialogSettings& settings,
                                                 const QString& offered = {}) {
    auto dialog = std::make_unique<OldStyleFileDialog>(nullptr, settings, offered);
    if (offered.isEmpty()) dialog->setDirectory(folder.path());
    dialog->open();
    return dialog;
  }

  // The names the dialog's file list shows, once it has read the folder.
  static QStringList listed(OldStyleFileDialog& dialog, int expectedCount) {
    auto* view = dialog.findChild<QListView*>(QStringLiteral("listView"));
    if (view == nullptr) return {QStringLiteral("<no list>")};
    // The list fills from another thread; a wrong count shows in the comparison.
    (void)QTest::qWaitFor([&] { return view->model()->rowCount(view->rootIndex()) == expectedCount; }, 3000);
    QStringList names;
    for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row) {
      names << view->model()->index(row, 0, view->rootIndex()).data().toString();
    }
    names.sort(Qt::CaseInsensitive);
    return names;
  }

  // Types `text` into the name box and presses the dialog's OK.
  static void typeAndAccept(OldStyleFileDialog& dialog, const QString& text) {
    auto* box = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(box, nullptr);
    box->setFocus();
    box->setText(text);
    dialog.accept();
  }

  QTemporaryDir folder;
};

TEST_F(DialogTest, OpenDialogIsQtsOwnWithItsShownFilterAndAReadOnlyBox) {
  auto dialog = openDialog(kOpen);
  EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
  EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
  EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptOpen);
  auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
  ASSERT_NE(types, nullptr);
  ASSERT_EQ(types->count(), 1);
  EXPECT_EQ(types->itemText(0), QStringLiteral("EXE File(.exe)"));
  ASSERT_NE(dialog->readOnlyBox(), nullptr);
  EXPECT_TRUE(dialog->readOnlyBox()->isVisible());
  EXPECT_FALSE(dialog->readOnlyBox()->isChecked());
  EXPECT_TRUE(dialog->isSizeGripEnabled());
}

TEST_F(DialogTest, SaveDialogShowsItsFilterAndNoReadOnlyBox) {
  auto dialog = openDialog(kSave);
  EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
  EXPECT_TRUE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
  auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
  ASSERT_NE(types, nullptr);
  EXPECT_EQ(types->itemText(0), QStringLiteral("ICON File (*.ico)"));
  EXPECT_EQ(dialog->readOnlyBox(), nullptr);
  EXPECT_EQ(dialog->findChild<QCheckBox*>(), nullptr);
}

TEST_F(DialogTest, ListsMatchingFilesInAnyLetterCase) {
  touch({"a.exe", "B.EXE", "c.Exe", "d.txt", "e.ico", "F.ICO", "exe", "g.exe.bak"});
  auto open = openDialog(kOpen);
  EXPECT_EQ(listed(*open, 3), (QStringList{"a.exe", "B.EXE", "c.Exe"}));
  auto save = openDialog(kSave);
  EXPECT_EQ(listed(*save, 2), (QStringList{"e.ico", "F.ICO"}));
}

TEST_F(DialogTest, OffersTheLastNameInItsFolder) {
  touch({"app.exe"});
  auto dialog = openDialog(kOpen, path("app.exe"));
  EXPECT_EQ(QDir(dialog->directory()).canonicalPath(), QDir(folder.path()).canonicalPath());
  auto* box = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->text(), QStringLiteral("app.exe"));
}

struct TypedCase {
  QStringList files;
  QString typed;
  QString chosen;  // empty: refused
};

void PrintTo(const TypedCase& c, std::ostream* out) {
  *out << "typed \"" << c.typed.toStdString() << "\" among " << c.files.join(u' ').toStdString();
}

class TypedNameTest : public DialogTest, public testing::WithParamInterface<TypedCase> {};

TEST_P(TypedNameTest, OpenAcceptsOnlyExistingFilesMatchingInAnyCase) {
  const TypedCase& c = GetParam();
  touch(c.files);
  const std::optional<QString> found = exeicon::app::findExisting(path(c.typed), kOpen.defaultExt);
  EXPECT_EQ(found.value_or(QString()), c.chosen.isEmpty() ? QString() : path(c.chosen))
      << "typed " << c.typed.toStdString();

  // The same through the dialog: an accepted name, or Qt's "not found" box and no answer.
  auto dialog = openDialog(kOpen);
  std::optional<BoxSeen> box = catchingBox([&] { typeAndAccept(*dialog, c.typed); });
  if (c.chosen.isEmpty()) {
    EXPECT_TRUE(box.has_value()) << "a refusal is shown";
    EXPECT_NE(dialog->result(), QDialog::Accepted);
  } else {
    EXPECT_FALSE(box.has_value()) << box->text.toStdString();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->selectedFiles(), QStringList{path(c.chosen)});
  }
}

INSTANTIATE_TEST_SUITE_P(
    Names, TypedNameTest,
    testing::Values(TypedCase{{"setup.exe"}, "setup", "setup.exe"},
                    TypedCase{{"SETUP.EXE"}, "setup", "SETUP.EXE"},
                    TypedCase{{"Setup.Exe"}, "SETUP", "Setup.Exe"},
                    TypedCase{{"app.exe"}, "APP.EXE", "app.exe"},
                    TypedCase{{"run.py"}, "run.py", "run.py"},
                    TypedCase{{"tool"}, "tool", ""},  // the default extension is always added
                    TypedCase{{"tool", "tool.exe"}, "tool", "tool.exe"},
                    TypedCase{{"other.exe"}, "setup", ""},
                    TypedCase{{"setup.exe"}, "setup.com", ""}));

struct SaveDialogCase {
  QString typed;
  QString written;
};

class SaveDialogNameTest : public DialogTest, public testing::WithParamInterface<SaveDialogCase> {};

TEST_P(SaveDialogNameTest, SaveAddsIcoToANameWithoutExtensionAndAsksNothing) {
  touch({"old.ico"});
  auto dialog = openDialog(kSave);
  std::optional<BoxSeen> box = catchingBox([&] { typeAndAccept(*dialog, GetParam().typed); });
  EXPECT_FALSE(box.has_value()) << "asked: " << box->text.toStdString();
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_EQ(dialog->selectedFiles(), QStringList{path(GetParam().written)});
}

INSTANTIATE_TEST_SUITE_P(Names, SaveDialogNameTest,
                         testing::Values(SaveDialogCase{"out", "out.ico"},
                                         SaveDialogCase{"out.ICO", "out.ICO"},
                                         SaveDialogCase{"notes.txt", "notes.txt"},
                                         SaveDialogCase{"old.ico", "old.ico"}));

}  // namespace

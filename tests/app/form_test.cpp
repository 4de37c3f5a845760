#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>

#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

#include "app/Application.h"
#include "app/Unit1.h"
#include "app_test_support.h"
#include "icon/failure.h"
#include "icon/save.h"

namespace {

using namespace exeicon::app::testing;
using exeicon::app::DialogSettings;

class FormTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    form = std::make_unique<TForm1>(dialogs);
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  }

  // A copy of a golden input in the test's own folder, so saving beside it is harmless.
  std::string copyOf(const std::string& name, const std::string& as = {}) {
    const std::string target = folder.filePath(QString::fromStdString(as.empty() ? name : as)).toStdString();
    std::filesystem::copy_file(golden(name), target, std::filesystem::copy_options::overwrite_existing);
    return target;
  }

  // Chooses `path` in the open dialog, which previews it.
  void choose(const std::string& path) {
    dialogs.answers.push_back(path);
    QTest::mouseClick(form->Button4, Qt::LeftButton);
  }

  QImage shownPreview() {
    return form->grab(form->Image1->geometry()).toImage().convertToFormat(QImage::Format_RGB32);
  }
  QColor windowColour() const { return form->palette().color(QPalette::Window); }

  void expectPreviewOf(const std::string& file) {
    const QImage expected = expectedPreview(file, windowColour(), form->Image1->size());
    EXPECT_EQ(firstDifference(expected, shownPreview()), "") << "preview of " << file;
  }

  struct Enabled {
    bool b1, b2, b3, b4;
  };
  void expectEnabled(Enabled e) {
    EXPECT_EQ(form->Button1->isEnabled(), e.b1) << "预览";
    EXPECT_EQ(form->Button2->isEnabled(), e.b2) << "保存";
    EXPECT_EQ(form->Button3->isEnabled(), e.b3) << "另存";
    EXPECT_EQ(form->Button4->isEnabled(), e.b4) << "选择文件";
  }

  QTemporaryDir folder;
  FakeDialogs dialogs;
  std::unique_ptr<TForm1> form;
};

// ---- The window as it opens ----

TEST_F(FormTest, OpensWithOnlyChooseFileEnabledAndFocusedAndNothingShown) {
  expectEnabled({false, false, false, true});
  EXPECT_EQ(QApplication::focusWidget(), form->Button4)
      << "focus on " << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName().toStdString() : "nothing");
  EXPECT_FALSE(form->Image1->holdsIcon());
  const QImage blank = expectedPreview("", windowColour(), form->Image1->size());
  EXPECT_EQ(firstDifference(blank, shownPreview()), "");
  EXPECT_TRUE(dialogs.calls.empty());
}

TEST_F(FormTest, HasTheCaptionPlaceAndFrameOfItsForm) {
  EXPECT_EQ(form->windowTitle(), QStringLiteral("KorvelEXE文件获取图标 "));
  EXPECT_EQ(form->windowHandle()->title(), QStringLiteral("KorvelEXE文件获取图标 "))
      << "the platform window's title must not carry the application's name";
  EXPECT_EQ(form->pos(), QPoint(447, 181));
  EXPECT_EQ(form->size(), QSize(257, 149));
  const Qt::WindowFlags flags = form->windowFlags();
  EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_NE(form->minimumSize(), form->maximumSize()) << "the border stays resizable";
}

TEST_F(FormTest, UsesFifteenPixelCharactersInAFaceWithChineseGlyphs) {
  EXPECT_EQ(form->font().pixelSize(), 15);
  EXPECT_EQ(form->font().families().value(0), QStringLiteral("宋体"));
  const QFontInfo used(form->Button4->font());
  EXPECT_EQ(used.pixelSize(), 15);
  const QFontMetrics metrics(form->Button4->font());
  for (const QChar c : QStringLiteral("选择文件预览保存另存反馈请到项目主页")) {
    EXPECT_TRUE(metrics.inFontUcs4(c.unicode())) << "no glyph for U+" << std::hex << unsigned{c.unicode()}
                                                 << " in " << used.family().toStdString();
  }
}

TEST_F(FormTest, PlacesEveryControlAsTheFormDeclares) {
  struct Control {
    QWidget* widget;
    QRect geometry;
    QString text;
  };
  const Control controls[] = {
      {form->Image1, {128, 95, 42, 33}, {}},
      {form->Label1, {0, 134, 257, 15}, QStringLiteral("exeicon · 反馈请到项目主页")},
      {form->Button1, {136, 15, 75, 25}, QStringLiteral("预览")},
      {form->Button2, {41, 59, 75, 25}, QStringLiteral("保存")},
      {form->Button3, {136, 58, 75, 25}, QStringLiteral("另存")},
      {form->Button4, {41, 15, 74, 23}, QStringLiteral("选择文件")},
  };
  for (const Control& c : controls) {
    const std::string name = c.widget->objectName().toStdString();
    EXPECT_EQ(c.widget->geometry(), c.geometry) << name;
    QString text;
    if (auto* button = qobject_cast<QPushButton*>(c.widget)) text = button->text();
    if (auto* label = qobject_cast<QLabel*>(c.widget)) text = label->text();
    EXPECT_EQ(text, c.text) << name;
    EXPECT_EQ(c.widget->parentWidget(), form.get()) << name << " is owned by the window";
  }
  // Tab order: 预览, 保存, 另存, 选择文件.
  EXPECT_EQ(form->Button1->nextInFocusChain(), form->Button2);
  EXPECT_EQ(form->Button2->nextInFocusChain(), form->Button3);
  EXPECT_EQ(form->Button3->nextInFocusChain(), form->Button4);
  EXPECT_EQ(form->Image1->focusPolicy(), Qt::NoFocus);
  EXPECT_EQ(form->Label1->focusPolicy(), Qt::NoFocus);
}

TEST_F(FormTest, KeepsTheLabelDockedAlongTheBottomWhenResized) {
  form->resize(400, 300);
  QCoreApplication::processEvents();
  EXPECT_EQ(form->Label1->geometry(), QRect(0, 285, 400, 15));
  EXPECT_EQ(form->Button1->geometry(), QRect(136, 15, 75, 25));
  EXPECT_EQ(form->Image1->geometry(), QRect(128, 95, 42, 33));
}

TEST_F(FormTest, RunsItsDialogsWithTheFormsSettings) {
  const std::string program = copyOf("classic-4bpp.exe");
  choose(program);
  dialogs.answers.push_back(std::nullopt);
  QTest::mouseClick(form->Button3, Qt::LeftButton);
  ASSERT_EQ(dialogs.calls.size(), 2u);
  const DialogSettings& open = dialogs.calls[0].settings;
  EXPECT_EQ(open.kind, DialogSettings::Kind::Open);
  EXPECT_EQ(open.filter, QStringLiteral("EXE File(.exe)|*.EXE"));
  EXPECT_EQ(open.defaultExt, QStringLiteral("EXE"));
  EXPECT_TRUE(open.fileMustExist);
  EXPECT_TRUE(open.showReadOnly);
  const DialogSettings& save = dialogs.calls[1].settings;
  EXPECT_EQ(save.kind, DialogSettings::Kind::Save);
  EXPECT_EQ(save.filter, QStringLiteral("ICON File (*.ico)|*.ICO"));
  EXPECT_EQ(save.defaultExt, QStringLiteral("*.ico"));
  EXPECT_FALSE(save.fileMustExist);
  EXPECT_FALSE(save.showReadOnly);
  EXPECT_EQ(dialogs.calls[0].owner, form.get());
  EXPECT_EQ(dialogs.calls[1].owner, form.get());
}

TEST(ApplicationTest, CarriesMainiconAtItsEightSizes) {
  QList<QSize> sizes = QApplication::windowIcon().availableSizes();
  std::sort(sizes.begin(), sizes.end(), [](QSize a, QSize b) { return a.width() < b.width(); });
  const QList<QSize> expected{{16, 16}, {24, 24}, {32, 32}, {48, 48}, {64, 64}, {72, 72}, {96, 96}, {128, 128}};
  EXPECT_EQ(sizes, expected);
}

// ---- Choosing and previewing ----

TEST_F(FormTest, CancellingTheFirstOpenDialogChangesNothing) {
  dialogs.answers.push_back(std::nullopt);
  QTest::mouseClick(form->Button4, Qt::LeftButton);
  ASSERT_EQ(dialogs.calls.size(), 1u);
  EXPECT_EQ(dialogs.calls[0].offered, "");
  expectEnabled({false, false, false, true});
  EXPECT_FALSE(form->Image1->holdsIcon());
  EXPECT_EQ(form->OpenDialog1.fileName(), "");
}

TEST_F(FormTest, AcceptingAFileEnablesEverythingAndShowsItsFirstIconAtOnce) {
  const std::string program = golden("modern-group.exe");
  choose(program);
  expectEnabled({true, true, true, true});
  ASSERT_NE(form->Image1->icon(), nullptr);
  EXPECT_EQ(form->OpenDialog1.fileName(), program);
  // The 16-colour file made from this icon is the platform's reading of the same icon.
  expectPreviewOf(program);
  EXPECT_NE(firstDifference(expectedPreview("", windowColour(), form->Image1->size()), shownPreview()), "")
      << "the preview shows nothing";
}

TEST_F(FormTest, ShowsTheIconAtItsOwnSizeAtTheTopLeftAndNothingElse) {
  choose(golden("classic-4bpp.exe"));
  // Read back from the platform's 16-colour file, independent of the program's reading.
  expectPreviewOf(expectedIco("classic-4bpp.exe"));
  const QImage shown = shownPreview();
  for (int y = 0; y < shown.height(); ++y) {
    for (int x = 32; x < shown.width(); ++x) {
      ASSERT_EQ(QColor(shown.pixel(x, y)), windowColour()) << "at (" << x << "," << y << ")";
    }
  }
}

TEST_F(FormTest, OffersTheLastNameAgainAndKeepsItWhenCancelled) {
  const std::string first = golden("classic-4bpp.exe");
  const std::string second = golden("only-48.exe");
  choose(first);
  choose(second);
  const exeicon::Icon* secondIcon = form->Image1->icon();
  dialogs.answers.push_back(std::nullopt);
  QTest::mouseClick(form->Button4, Qt::LeftButton);
  ASSERT_EQ(dialogs.calls.size(), 3u);
  EXPECT_EQ(dialogs.calls[1].offered, first);
  EXPECT_EQ(dialogs.calls[2].offered, second);
  EXPECT_EQ(form->OpenDialog1.fileName(), second);
  EXPECT_EQ(form->Image1->icon(), secondIcon) << "a cancelled dialog keeps the icon";
  expectPreviewOf(second);
}

TEST_F(FormTest, PreviewReadsTheFileAfreshAndDropsTheOldIconWithItsBytes) {
  const std::string program = copyOf("classic-4bpp.exe", "changing.exe");
  choose(program);
  QTest::mouseClick(form->Button2, Qt::LeftButton);  // encodes and keeps the bytes
  ASSERT_NE(form->Image1->icon()->encoded(), nullptr);
  std::filesystem::copy_file(golden("only-16.exe"), program, std::filesystem::copy_options::overwrite_existing);
  QTest::mouseClick(form->Button1, Qt::LeftButton);
  ASSERT_NE(form->Image1->icon(), nullptr);
  EXPECT_EQ(form->Image1->icon()->encoded(), nullptr) << "a new icon starts without bytes";
  expectPreviewOf(golden("only-16.exe"));
  EXPECT_EQ(dialogs.calls.size(), 1u) << "预览 runs no dialog";
}

TEST_F(FormTest, AFileWithoutIconsShowsNothingAndStillEnablesSaving) {
  choose(golden("classic-4bpp.exe"));
  choose(golden("no-icons.exe"));
  EXPECT_TRUE(form->Image1->holdsIcon());
  EXPECT_EQ(form->Image1->icon(), nullptr);
  expectEnabled({true, true, true, true});
  EXPECT_EQ(firstDifference(expectedPreview("", windowColour(), form->Image1->size()), shownPreview()), "");
}

// ---- Saving ----

class SaveTest : public FormTest, public testing::WithParamInterface<std::string> {};

TEST_P(SaveTest, SaveWritesBesideTheProgramWhatTheCommandWrites) {
  const std::string program = copyOf(GetParam(), "Some.Program.EXE");
  choose(program);
  QTest::mouseClick(form->Button2, Qt::LeftButton);
  const std::string written = folder.filePath("Some.Program.ico").toStdString();
  EXPECT_EQ(readBytes(written), readBytes(expectedIco(GetParam()))) << written << " for " << GetParam();
}

TEST_P(SaveTest, SaveAsWritesUnderTheChosenNameWhatTheCommandWrites) {
  choose(golden(GetParam()));
  const std::string target = folder.filePath("chosen.ico").toStdString();
  dialogs.answers.push_back(target);
  QTest::mouseClick(form->Button3, Qt::LeftButton);
  EXPECT_EQ(readBytes(target), readBytes(expectedIco(GetParam()))) << target << " for " << GetParam();
  EXPECT_EQ(form->SaveDialog1.fileName(), target);
}

INSTANTIATE_TEST_SUITE_P(Golden, SaveTest,
                         testing::Values("classic-4bpp.exe", "modern-group.exe", "ne-program.exe",
                                         "only-png-256.exe", "truecolour-24.exe"));

struct SaveNameCase {
  std::string program;
  std::string saved;
};

void PrintTo(const SaveNameCase& c, std::ostream* out) { *out << c.program << " -> " << c.saved; }

class SaveNameTest : public FormTest, public testing::WithParamInterface<SaveNameCase> {};

TEST_P(SaveNameTest, SaveReplacesTheLastThreeBytesOfTheName) {
  choose(copyOf("classic-4bpp.exe", GetParam().program));
  QTest::mouseClick(form->Button2, Qt::LeftButton);
  const std::string saved = folder.filePath(QString::fromStdString(GetParam().saved)).toStdString();
  EXPECT_TRUE(std::filesystem::exists(saved)) << "expected " << saved << " after saving " << GetParam().program;
}

INSTANTIATE_TEST_SUITE_P(Names, SaveNameTest,
                         testing::Values(SaveNameCase{"app.exe", "app.ico"},
                                         SaveNameCase{"SETUP.EXE", "SETUP.ico"},
                                         SaveNameCase{"run.py", "runico"}));

TEST_F(FormTest, SaveReplacesAnExistingFileWithoutAQuestion) {
  const std::string program = copyOf("depth-choice.exe", "app.exe");
  const std::string target = folder.filePath("app.ico").toStdString();
  writeBytes(target, {1, 2, 3});
  choose(program);
  EXPECT_EQ(clickCatchingBox(form->Button2).has_value(), false);
  EXPECT_EQ(readBytes(target), readBytes(expectedIco("depth-choice.exe")));
}

TEST_F(FormTest, ASecondSaveWritesTheKeptBytes) {
  const std::string program = copyOf("classic-4bpp.exe", "twice.exe");
  const std::string target = folder.filePath("twice.ico").toStdString();
  choose(program);
  QTest::mouseClick(form->Button2, Qt::LeftButton);
  exeicon::Icon* icon = form->Image1->icon();
  const std::vector<uint8_t>* kept = icon->encoded();
  ASSERT_NE(kept, nullptr);
  const std::vector<uint8_t> first = readBytes(target);
  // Were the bytes built again, this change of the held bitmap would show in the file.
  exeicon::Bitmap* colour = icon->colour();
  ASSERT_NE(colour, nullptr);
  for (uint32_t& pixel : colour->pixels) pixel = 0xFFFFFFFF;
  std::filesystem::remove(target);
  QTest::mouseClick(form->Button2, Qt::LeftButton);
  EXPECT_EQ(icon->encoded(), kept);
  EXPECT_EQ(readBytes(target), first);
  EXPECT_EQ(first, readBytes(expectedIco("classic-4bpp.exe")));
}

TEST_F(FormTest, CancelledSaveAsWritesNothingAndKeepsTheRememberedName) {
  choose(golden("classic-4bpp.exe"));
  const std::string target = folder.filePath("kept.ico").toStdString();
  dialogs.answers.push_back(target);
  QTest::mouseClick(form->Button3, Qt::LeftButton);
  std::filesystem::remove(target);
  dialogs.answers.push_back(std::nullopt);
  QTest::mouseClick(form->Button3, Qt::LeftButton);
  ASSERT_EQ(dialogs.calls.size(), 3u);
  EXPECT_EQ(dialogs.calls[1].offered, "");
  EXPECT_EQ(dialogs.calls[2].offered, target);
  EXPECT_EQ(form->SaveDialog1.fileName(), target);
  EXPECT_FALSE(std::filesystem::exists(target));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path().toStdString()),
                          std::filesystem::directory_iterator()), 0)
      << "nothing written";
}

// ---- Failures and the error box ----

struct FailureCase {
  std::string name;
  std::string program;       // golden input chosen before the click
  std::string setUp;         // what stands in the target's place: "", "folder", "read-only", "old"
  bool saveAs;               // 另存 to `target`, else 保存
  std::string target;        // relative to the test's folder unless absolute
  std::string message;       // the box's text; "%s" stands for the target's full path
};

void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.name; }

class FailureTest : public FormTest, public testing::WithParamInterface<FailureCase> {};

TEST_P(FailureTest, ShowsTheErrorBoxAndLeavesTheWindowAsItWas) {
  const FailureCase& c = GetParam();
  const std::string program = copyOf(c.program, "prog.exe");
  const std::string target = c.target.front() == '/' ? c.target : folder.filePath(QString::fromStdString(c.target)).toStdString();
  if (c.setUp == "folder") std::filesystem::create_directory(target);
  if (c.setUp == "read-only" || c.setUp == "old") writeBytes(target, {'o', 'l', 'd'});
  if (c.setUp == "read-only") ::chmod(target.c_str(), 0444);
  choose(program);
  if (c.saveAs) dialogs.answers.push_back(target);
  const exeicon::Icon* icon = form->Image1->icon();
  const std::string saveName = form->SaveDialog1.fileName();

  std::optional<BoxSeen> box = clickCatchingBox(c.saveAs ? form->Button3 : form->Button2);

  ASSERT_TRUE(box.has_value()) << "no error box came up";
  std::string message = c.message;
  if (const size_t at = message.find("%s"); at != std::string::npos) message.replace(at, 2, target);
  EXPECT_EQ(box->text.toStdString(), message);
  EXPECT_EQ(box->title, QStringLiteral("app_tests"));
  EXPECT_EQ(box->title, exeicon::app::applicationTitle());
  EXPECT_EQ(box->icon, QMessageBox::Critical);
  EXPECT_EQ(box->buttonCount, 1);
  EXPECT_TRUE(box->okButton);
  EXPECT_EQ(box->parent, form.get());
  EXPECT_TRUE(box->modal);

  expectEnabled({true, true, true, true});
  EXPECT_EQ(form->Image1->icon(), icon);
  EXPECT_EQ(form->OpenDialog1.fileName(), program);
  EXPECT_EQ(form->SaveDialog1.fileName(), c.saveAs ? target : saveName);
  if (c.setUp == "read-only" || c.setUp == "old") {
    EXPECT_EQ(readBytes(target), (std::vector<uint8_t>{'o', 'l', 'd'})) << "the old file stays intact";
  }
  if (icon != nullptr) {
    EXPECT_EQ(icon->encoded() != nullptr, c.message.starts_with("Cannot") || c.message.starts_with("Stream"))
        << "bytes are kept only once encoding succeeded";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Failures, FailureTest,
    testing::Values(
        FailureCase{"NoIcon", "no-icons.exe", "old", false, "prog.ico", "Icon image is not valid."},
        FailureCase{"BitmapNotReadable", "monochrome.exe", "old", true, "mono.ico", "Bitmap image is not valid."},
        FailureCase{"TargetIsAFolder", "classic-4bpp.exe", "folder", false, "prog.ico",
                    "Cannot create file \"%s\". Is a directory."},
        FailureCase{"TargetReadOnly", "classic-4bpp.exe", "read-only", true, "locked.ico",
                    "Cannot create file \"%s\". Permission denied."},
        FailureCase{"FolderMissing", "classic-4bpp.exe", "", true, "missing/x.ico",
                    "Cannot create file \"%s\". No such file or directory."},
        FailureCase{"DiskFull", "classic-4bpp.exe", "", true, "/dev/full", "Stream write error."}),
    [](const testing::TestParamInfo<FailureCase>& param) { return param.param.name; });

TEST_F(FormTest, AMessageEndingInAFullStopGetsNoSecondOne) {
  std::optional<BoxSeen> seen = catchingBox(
      exeicon::app::guarded(form.get(), [] { throw exeicon::Failure("Disk is full."); }));
  ASSERT_TRUE(seen.has_value());
  EXPECT_EQ(seen->text, QStringLiteral("Disk is full."));
  EXPECT_EQ(seen->parent, form.get());
}

// ---- Files nobody designed ----

// Every damaged or hostile file the fuzzers kept, and a program cut short at a few
// lengths: the window previews nothing or an icon, and a save either writes a whole file
// or shows the error box; the window stays usable throughout.
TEST_F(FormTest, SurvivesDamagedAndHostileFiles) {
  std::vector<std::string> programs;
  for (const auto& entry : std::filesystem::directory_iterator(EXEICON_REGRESS_DIR)) {
    const std::string name = entry.path().filename().string();
    if (!entry.is_regular_file() || name[0] == '.') continue;
    const std::string copy = folder.filePath(QString::fromStdString(name + ".exe")).toStdString();
    std::filesystem::copy_file(entry.path(), copy);
    programs.push_back(copy);
  }
  const std::vector<uint8_t> whole = readBytes(golden("modern-group.exe"));
  for (size_t length : {size_t{0}, size_t{64}, size_t{400}, size_t{2000}, whole.size() - 100}) {
    const std::string cut = folder.filePath(QStringLiteral("cut-%1.exe").arg(length)).toStdString();
    writeBytes(cut, std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length)));
    programs.push_back(cut);
  }
  for (const std::string& program : programs) {
    SCOPED_TRACE(program);
    choose(program);
    expectEnabled({true, true, true, true});
    expectPreviewOf(program);
    const std::optional<BoxSeen> box = clickCatchingBox(form->Button2);
    if (box) {
      EXPECT_TRUE(box->text == QStringLiteral("Icon image is not valid.") ||
                  box->text == QStringLiteral("Bitmap image is not valid."))
          << box->text.toStdString();
    } else {
      EXPECT_EQ(readBytes(exeicon::save_name_for(program)).size(), 766u);
    }
  }
}

}  // namespace

#pragma once

#include <cstdint>
#include <deque>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QImage>
#include <QMessageBox>
#include <QTimer>
#include <QtTest/QTest>

#include "app/FileDialogs.h"
#include "extract/extract.h"
#include "icon/draw.h"

// Readable QStrings in test failure messages.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace exeicon::app::testing {

inline std::string golden(const std::string& name) {
  return std::string(EXEICON_TEST_DATA) + "/golden/" + name;
}
inline std::string expectedIco(const std::string& name) {
  return std::string(EXEICON_TEST_DATA) + "/golden/expected/" + name + ".ico";
}

inline std::vector<uint8_t> readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Answers the form's file dialogs in place of a person, and notes what each was asked.
class FakeDialogs : public DialogRunner {
 public:
  struct Call {
    DialogSettings settings;
    std::string offered;
    QWidget* owner;
  };

  // The next answers, in order: a full name to accept, or nothing to cancel.
  std::deque<std::optional<std::string>> answers;
  std::vector<Call> calls;

  std::optional<std::string> run(QWidget* owner, const DialogSettings& settings,
                                 const std::string& offered) override {
    calls.push_back({settings, offered, owner});
    if (answers.empty()) {
      ADD_FAILURE() << "a dialog ran that the test did not expect";
      return std::nullopt;
    }
    std::optional<std::string> answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

// What a modal message box showed.
struct BoxSeen {
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QList<QAbstractButton*>::size_type buttonCount = 0;
  bool okButton = false;
  QWidget* parent = nullptr;
  bool modal = false;
};

// Runs `action` and gives what the message box it led to showed, once it is closed with
// OK; nothing when no box came up.
inline std::optional<BoxSeen> catchingBox(const std::function<void()>& action) {
  std::optional<BoxSeen> seen;
  // The box's own event loop runs this; without a box it runs after the click.
  QTimer::singleShot(0, [&seen] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    seen = BoxSeen{box->windowTitle(), box->text(), box->icon(),
                   box->buttons().size(), box->button(QMessageBox::Ok) != nullptr,
                   box->parentWidget(), box->isModal()};
    if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
      ok->click();
    } else {
      box->reject();
    }
  });
  action();
  QCoreApplication::processEvents();
  return seen;
}

// Clicks `button` as a person would; what the message box it led to showed, if any.
inline std::optional<BoxSeen> clickCatchingBox(QAbstractButton* button) {
  return catchingBox([button] { QTest::mouseClick(button, Qt::LeftButton); });
}

// The pixels a preview of `file` must show in an area of `size`: its icon drawn at the
// top-left over `background`.
inline QImage expectedPreview(const std::string& file, QColor background, QSize size) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(background);
  Extraction extraction = extract_icon_file(file);
  if (extraction.icon) {
    draw_icon(*extraction.icon,
              std::span<uint32_t>(reinterpret_cast<uint32_t*>(image.bits()),
                                  static_cast<size_t>(image.sizeInBytes()) / 4),
              image.width(), image.height());
  }
  return image;
}

// The first pixel where two pictures differ, for a failure message.
inline std::string firstDifference(const QImage& expected, const QImage& actual) {
  if (expected.size() != actual.size()) {
    return "size " + std::to_string(expected.width()) + "x" + std::to_string(expected.height()) +
           " expected, " + std::to_string(actual.width()) + "x" + std::to_string(actual.height()) +
           " shown";
  }
  for (int y = 0; y < expected.height(); ++y) {
    for (int x = 0; x < expected.width(); ++x) {
      const QRgb e = expected.pixel(x, y) & 0xFFFFFF;
      const QRgb a = actual.pixel(x, y) & 0xFFFFFF;
      if (e != a) {
        return "pixel (" + std::to_string(x) + "," + std::to_string(y) + "): expected " +
               QString::number(e, 16).toStdString() + ", shown " + QString::number(a, 16).toStdString();
      }
    }
  }
  return {};
}

}  // namespace exeicon::app::testing

#pragma once

#include <memory>
#include <string>

#include <QWidget>

#include "icon/icon.h"

// The image control (Image1): its picture holds nothing until the first preview, then
// an icon, possibly none (a file without icons). The picture owns the icon and, with
// it, the icon's encoded bytes.
class ImageControl : public QWidget {
  Q_OBJECT

 public:
  explicit ImageControl(QWidget* parent = nullptr);
  ~ImageControl() override;

  // Makes the picture hold `icon` (null for a file without icons); the icon held
  // before goes, its encoded bytes with it, and the control repaints.
  void setIcon(std::unique_ptr<exeicon::Icon> icon);

  // Whether the picture holds an icon graphic, which it does after the first preview.
  bool holdsIcon() const { return holdsIcon_; }
  // The held icon, or null.
  exeicon::Icon* icon() const { return icon_.get(); }

  // Writes the picture to `path` as an .ico file; nothing when the picture is empty.
  // `source` is the program the icon came from. Throws exeicon::Failure.
  void saveToFile(const std::string& path, const std::string& source) const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool holdsIcon_ = false;
  std::unique_ptr<exeicon::Icon> icon_;
};

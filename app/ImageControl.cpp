#include "app/ImageControl.h"

#include <span>

#include <QImage>
#include <QPainter>

#include "icon/draw.h"
#include "icon/save.h"

ImageControl::ImageControl(QWidget* parent) : QWidget(parent) {}

ImageControl::~ImageControl() = default;

void ImageControl::setIcon(std::unique_ptr<exeicon::Icon> icon) {
  icon_ = std::move(icon);
  holdsIcon_ = true;
  update();
}

void ImageControl::saveToFile(const std::string& path, const std::string& source) const {
  if (!holdsIcon_) return;
  exeicon::save_icon_file(path, icon_.get(), source);
}

void ImageControl::paintEvent(QPaintEvent*) {
  if (!icon_) return;
  // The icon is drawn by the same Qt-free code the tests check, over the window's
  // colour, which shows through the rest of the area and the icon's clear pixels.
  QImage image(size(), QImage::Format_RGB32);
  image.fill(palette().color(QPalette::Window));
  auto* pixels = reinterpret_cast<uint32_t*>(image.bits());
  exeicon::draw_icon(*icon_, std::span<uint32_t>(pixels, static_cast<size_t>(image.sizeInBytes()) / 4),
                     image.width(), image.height());
  QPainter(this).drawImage(0, 0, image);
}

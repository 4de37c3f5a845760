#include "app/Unit1.h"

#include <QFont>
#include <QPushButton>
#include <QResizeEvent>

#include "app/Application.h"
#include "extract/extract.h"
#include "icon/save.h"

using exeicon::app::DialogSettings;

namespace {

// What the form file cannot hold: the dialogs' settings.
DialogSettings openDialogSettings() {
  return {.kind = DialogSettings::Kind::Open,
          .filter = QStringLiteral("EXE File(.exe)|*.EXE"),
          .defaultExt = QStringLiteral("EXE"),
          .fileMustExist = true,
          .showReadOnly = true};
}

DialogSettings saveDialogSettings() {
  return {.kind = DialogSettings::Kind::Save,
          .filter = QStringLiteral("ICON File (*.ico)|*.ICO"),
          .defaultExt = QStringLiteral("*.ico"),
          .fileMustExist = false,
          .showReadOnly = false};
}

}  // namespace

TForm1::TForm1(exeicon::app::DialogRunner& dialogs, QWidget* parent)
    : QWidget(parent),
      OpenDialog1(openDialogSettings(), dialogs),
      SaveDialog1(saveDialogSettings(), dialogs) {
  setupUi(this);

  // What the form file cannot hold. The font: 15-pixel characters in the declared face,
  // or, where that face is missing, one the install script installs, so the Chinese
  // captions always render.
  QFont face = font();
  face.setFamilies({face.family(), QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Zen Hei")});
  face.setPixelSize(15);
  setFont(face);
  // Minimise and close but no maximise; the border stays resizable.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  // Placed where it was designed, not centred; the outer position, the client size.
  move(447, 181);
  resize(257, 149);

  using exeicon::app::guarded;
  connect(Button4, &QPushButton::clicked, this, guarded(this, [this] { Button4Click(Button4); }));
  connect(Button1, &QPushButton::clicked, this, guarded(this, [this] { Button1Click(Button1); }));
  connect(Button2, &QPushButton::clicked, this, guarded(this, [this] { Button2Click(Button2); }));
  connect(Button3, &QPushButton::clicked, this, guarded(this, [this] { Button3Click(Button3); }));
}

void TForm1::resizeEvent(QResizeEvent* event) {
  // Label1 is docked to the bottom edge at the full width; the rest keeps its place.
  Label1->setGeometry(0, height() - Label1->height(), width(), Label1->height());
  QWidget::resizeEvent(event);
}

void TForm1::Button4Click(QObject* Sender) {
  if (!OpenDialog1.execute(this)) return;
  Button1->setEnabled(true);
  Button1Click(Sender);
}

void TForm1::Button1Click(QObject*) {
  const std::string name = OpenDialog1.fileName();
  exeicon::Extraction extraction = exeicon::extract_icon_file(name);
  Image1->setIcon(std::move(extraction.icon));
  Button2->setEnabled(true);
  Button3->setEnabled(true);
}

void TForm1::Button2Click(QObject*) {
  const std::string program = OpenDialog1.fileName();
  Image1->saveToFile(exeicon::save_name_for(program), program);
}

void TForm1::Button3Click(QObject*) {
  if (!SaveDialog1.execute(this)) return;
  Image1->saveToFile(SaveDialog1.fileName(), OpenDialog1.fileName());
}

#pragma once

#include <QWidget>

#include "app/FileDialogs.h"
#include "ui_Unit1.h"

// The main window: the controls of its form (Button1 to Button4, Image1, Label1), the
// two file dialogs, and one handler per button.
class TForm1 : public QWidget, public Ui::TForm1 {
  Q_OBJECT

 public:
  // The window as its form declares it; `dialogs` runs OpenDialog1 and SaveDialog1.
  explicit TForm1(exeicon::app::DialogRunner& dialogs, QWidget* parent = nullptr);

  exeicon::app::FileDialog OpenDialog1;
  exeicon::app::FileDialog SaveDialog1;

  // "选择文件": choose a program file, then preview it.
  void Button4Click(QObject* Sender);
  // "预览": show icon number 0 of the chosen file.
  void Button1Click(QObject* Sender);
  // "保存": save the icon beside the chosen program.
  void Button2Click(QObject* Sender);
  // "另存": save the icon under a name from the save dialog.
  void Button3Click(QObject* Sender);

 protected:
  void resizeEvent(QResizeEvent* event) override;
};

#pragma once

#include "app/Form.h"

#include <QSize>

#include <memory>

class DriveList;
class DriveProbe;
class FolderList;
class QLabel;
class XPButton;

// The one design of both folder pickers: browse drives and folders, then hand the chosen
// folder to a box of the settings dialog. Subclasses give the caption, size, focus order and
// the box.
class FolderPicker : public Form {
  Q_OBJECT
public:
  ~FolderPicker() override;

  void Form_Load() override;

  void Drive1_Change();
  void Dir1_Change();
  void CmdAceptar_Click();
  void CmdCancelar_Click();

  DriveList* Drive1;
  FolderList* Dir1;
  QLabel* lblseleccion;
  XPButton* CmdCancelar;
  XPButton* CmdAceptar;

protected:
  enum class FocusOrder { DrivesFirst, FoldersFirst };
  FolderPicker(Forms& forms, const QString& caption, QSize clientTwips, FocusOrder order);

  // Puts the chosen folder, unchanged, into the settings dialog's box.
  virtual void deliver(const QString& folder) = 0;

private:
  std::unique_ptr<DriveProbe> Disco;
  FocusOrder order_;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "forms/Form.h"

#include <QSize>

class DriveList;
class FolderList;
class QLabel;
class XPButton;

// The one design of both folder pickers: browse drives and folders, then hand the chosen
// folder on. Subclasses give the caption, the size and the focus order.
class FolderPicker : public Form {
  Q_OBJECT
public:
  void Form_Load() override;

  void Dir1_Change();
  void CmdAceptar_Click();
  void CmdCancelar_Click();

signals:
  // The folder accepted, unchanged from what the label shows.
  void folderChosen(const QString& folder);

protected:
  enum class FocusOrder { DrivesFirst, FoldersFirst };
  struct Design {
    QString caption;
    QSize clientTwips;
    FocusOrder order;
  };
  FolderPicker(Forms& forms, const Design& design);

private:
  DriveList* Drive1;
  FolderList* Dir1;
  QLabel* lblseleccion;
  XPButton* CmdCancelar;
  XPButton* CmdAceptar;
  FocusOrder order_;
};

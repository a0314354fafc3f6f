// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "forms/Form.h"
#include "viewer/ImageLibrary.h"
#include "viewer/ImagePipeline.h"

class DrawingSurface;
class DriveList;
class FileList;
class FolderList;
class QFrame;
class QLabel;
class QPushButton;

// The viewer: browses drives and folders and shows the chosen PCX image one pixel to one.
class FrmVisor : public Form {
  Q_OBJECT
public:
  explicit FrmVisor(Forms& forms);

  void Form_Load() override;
  void Dir1_Change();
  void File1_Click();
  void CmdAceptar_Click();

  // Sizes the drawing surface in pixels; what is drawn on it stays, as far as it still fits.
  void setSurfaceSize(const QSize& size);
  const BitmapGfl& bitmapActual() const { return imagen.bitmapActual(); }

protected:
  void Form_Unload() override;

private:
  void openSaveFolder();

  DriveList* Drive1;
  FolderList* Dir1;
  FileList* File1;
  QLabel* LblImagenes;
  QLabel* lbldirectorios;
  QLabel* LblFichero;
  QPushButton* CmdAceptar;
  QFrame* Contenedor;
  DrawingSurface* Picture2;

  ImageLibrary biblioteca;
  ImagePipeline imagen{biblioteca};
};

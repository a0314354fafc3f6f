#pragma once

#include "app/Form.h"
#include "viewer/ImageLibrary.h"
#include "viewer/ImagePipeline.h"

#include <memory>

class DrawingSurface;
class DriveList;
class DriveProbe;
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
  ~FrmVisor() override;

  void Form_Load() override;
  void Dir1_Change();
  void Drive1_Change();
  void File1_Click();
  void CmdAceptar_Click();

  const BitmapGfl& bitmapActual() const { return imagen.bitmapActual(); }

  DriveList* Drive1;
  FolderList* Dir1;
  FileList* File1;
  QLabel* LblImagenes;
  QLabel* lbldirectorios;
  QLabel* LblFichero;
  QPushButton* CmdAceptar;
  QFrame* Contenedor;
  DrawingSurface* Picture2;
  std::unique_ptr<DriveProbe> Disco;

protected:
  void Form_Unload() override;

private:
  void openSaveFolder();

  ImageLibrary biblioteca;
  ImagePipeline imagen{biblioteca};
};

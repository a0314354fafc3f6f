// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/FrmVisor.h"

#include "controls/DrawingSurface.h"
#include "controls/DriveList.h"
#include "controls/FileList.h"
#include "controls/FittedLabel.h"
#include "controls/FolderList.h"
#include "forms/AppContext.h"
#include "forms/FolderBrowser.h"
#include "forms/MessagePresenter.h"
#include "forms/Twips.h"
#include "settings/Config.h"

#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace {

const QString imagesText = QStringLiteral("Número de Imagenes : ");
const QString foldersText = QStringLiteral("Número de Directorios : ");
const QString imageText = QStringLiteral("Imagen : ");

}  // namespace

FrmVisor::FrmVisor(Forms& forms) : Form(forms) {
  setWindowTitle(QStringLiteral("Varndel - Visor"));
  setClientSize(twips(11640), twips(7770));
  setProgramIcon();

  const auto* browser = new FolderBrowser(this, twipsRect(120, 120, 2535, 315),
                                          twipsRect(120, 480, 2535, 1665), context());
  Drive1 = browser->drives();
  Dir1 = browser->folders();
  File1 = named("File1", new FileList(QStringLiteral("*.pcx"), this));
  File1->setGeometry(twipsRect(120, 2160, 2535, 2625));
  LblImagenes = named("LblImagenes", makeFittedLabel({}, twipsRect(120, 4920, 2535, 255), this));
  lbldirectorios =
      named("lbldirectorios", makeFittedLabel({}, twipsRect(120, 5280, 2535, 255), this));
  LblFichero = named("LblFichero", makeFittedLabel({}, twipsRect(120, 5640, 2535, 855), this));
  // A plain box without caption; its click is the viewer's Accept. The name says what it does.
  CmdAceptar = named("CmdAceptar", new QPushButton(this));
  CmdAceptar->setToolTip(QStringLiteral("Cerrar el visor"));
  CmdAceptar->setAccessibleName(CmdAceptar->toolTip());
  CmdAceptar->setAutoDefault(false);
  CmdAceptar->setGeometry(twipsRect(1440, 7200, 1215, 495));

  Contenedor = named("Contenedor", new QFrame(this));
  Contenedor->setFrameStyle(QFrame::Box | QFrame::Plain);
  Contenedor->setGeometry(twipsRect(2760, 120, 8775, 7575));
  // The picture lives inside the border and is clipped by it; nothing scrolls it.
  auto* area = new QWidget(Contenedor);
  area->setGeometry(Contenedor->contentsRect());
  Picture2 = named("Picture2", new DrawingSurface(area));
  Picture2->setGeometry(0, 0, twips(4575), twips(4095));

  setFocusOrder({Dir1, File1, CmdAceptar, Drive1});

  connect(Dir1, &FolderList::pathChanged, this, &FrmVisor::Dir1_Change);
  connect(File1, &FileList::fileClicked, this, &FrmVisor::File1_Click);
  connect(CmdAceptar, &QPushButton::clicked, this, &FrmVisor::CmdAceptar_Click);
}

void FrmVisor::Form_Load() {
  openSaveFolder();
  LblImagenes->setText(imagesText + QString::number(File1->count()));
  if (File1->count() > 0) {
    File1->selectFile(0);
  }
}

// Opens on the save folder. One that is not set or cannot be opened is said once, and the
// viewer opens on the home folder instead of wherever it happened to start.
void FrmVisor::openSaveFolder() {
  const QString before = Dir1->path();
  const QString dir2 = settings::saveFolder(context().settingsFile);
  if (!Dir1->setPath(dir2)) {
    Dir1->setPath(context().homeFolder);
    const QString home = QDir::toNativeSeparators(context().homeFolder);
    context().presenter->critical(
        QStringLiteral("Visor"),
        dir2.isEmpty()
            ? QStringLiteral("No hay ningún directorio de guardado configurado. Se abre la "
                             "carpeta personal: %1")
                  .arg(home)
            : QStringLiteral("No se puede abrir el directorio de guardado: %1\nSe abre la "
                             "carpeta personal: %2")
                  .arg(dir2, home));
  }
  // The lists follow the folder list's change notification, which an unchanged path never gives.
  if (Dir1->path() == before) {
    Dir1_Change();
  }
}

void FrmVisor::Dir1_Change() {
  File1->setFolder(Dir1->path());
  LblImagenes->setText(imagesText + QString::number(File1->count()));
  lbldirectorios->setText(foldersText + QString::number(Dir1->subfolderCount()));
}

void FrmVisor::File1_Click() {
  const QString name = File1->fileName();
  const std::optional<QString> error = imagen.mostrarImagen(
      Dir1->path() + QLatin1Char('/') + name, Picture2->canvas(), Picture2->background());
  if (error) {
    context().presenter->plain(*error);
  }
  Picture2->update();
  LblFichero->setText(imageText + name);
  Contenedor->update();
}

void FrmVisor::CmdAceptar_Click() {
  close();
}

void FrmVisor::setSurfaceSize(const QSize& size) {
  Picture2->resize(size);
}

void FrmVisor::Form_Unload() {
  imagen.descargar();
}

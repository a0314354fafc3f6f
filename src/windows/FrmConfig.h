// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "forms/Form.h"
#include "settings/GrabaLeeIni.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class XPButton;

// The settings dialog: edits, checks and stores five settings, and on Accept hands the
// watched folder and the pattern to whoever listens.
class FrmConfig : public Form {
  Q_OBJECT
public:
  explicit FrmConfig(Forms& forms);

  void Form_Load() override;

  void txtdir_Change();
  void txtguardar_Change();
  void txtprefijo_Change();
  void txtextension_Change();
  void cmbNImagenes_Change();
  void cmddefecto_Click();
  void cmdtodos_Click();
  void cmdmsts_Click();
  void cmdseleccionar_Click();
  void cmdguardar_Click();
  void cmdaplicar_Click();
  void cmdaceptar_Click();
  void cmdcancelar_Click();

signals:
  // The settings were stored by Accept; the dialog closes right after.
  void accepted(const QString& watchedFolder, const QString& pattern, qint16 minimum);

protected:
  // However the dialog closes, its pickers close with it.
  void Form_Unload() override;

private:
  void buildFrame1();
  void buildFrame2();
  void buildButtons();
  void connectHandlers();
  void pathChanged(QLineEdit* box);
  template <class Picker>
  void pickInto(QLineEdit* box);
  bool checkFields();
  bool refuse(const QString& why);
  bool folderReady(const QString& folder);
  bool storeFields();
  QString storeFailure(const IniWrite& written) const;

  QGroupBox* Frame1;
  QLabel* Label1;
  QLineEdit* txtdir;
  XPButton* cmdseleccionar;
  XPButton* cmdmsts;
  QGroupBox* Frame2;
  QLabel* Label2;
  QLineEdit* txtguardar;
  XPButton* cmdguardar;
  QLabel* Label3;
  QLabel* Label4;
  QLineEdit* txtprefijo;
  XPButton* cmddefecto;
  QLabel* Label5;
  QComboBox* cmbNImagenes;
  QLabel* Label6;
  QLineEdit* txtextension;
  XPButton* cmdtodos;
  QLabel* Label7;
  XPButton* cmdcancelar;
  XPButton* cmdaplicar;
  XPButton* cmdaceptar;
  QString storedPrefix_;  // as the file holds it, which may be longer than the box takes
};

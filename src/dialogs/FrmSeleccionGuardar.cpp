#include "dialogs/FrmSeleccionGuardar.h"

FrmSeleccionGuardar::FrmSeleccionGuardar(Forms& forms) : Form(forms) { setWindowTitle(QStringLiteral("Seleccionar Ruta")); }

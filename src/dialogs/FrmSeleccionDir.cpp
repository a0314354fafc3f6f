#include "dialogs/FrmSeleccionDir.h"

FrmSeleccionDir::FrmSeleccionDir(Forms& forms) : Form(forms) { setWindowTitle(QStringLiteral("Seleccionar directorio")); }

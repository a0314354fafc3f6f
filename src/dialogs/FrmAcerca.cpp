#include "dialogs/FrmAcerca.h"

FrmAcerca::FrmAcerca(Forms& forms) : Form(forms) { setWindowTitle(QStringLiteral("Acerca de Varndel")); }

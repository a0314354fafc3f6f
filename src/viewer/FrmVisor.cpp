#include "viewer/FrmVisor.h"

FrmVisor::FrmVisor(Forms& forms) : Form(forms) { setWindowTitle(QStringLiteral("Varndel - Visor")); }

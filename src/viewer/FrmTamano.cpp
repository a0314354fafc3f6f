#include "viewer/FrmTamano.h"

FrmTamano::FrmTamano(Forms& forms) : Form(forms) { setWindowTitle(QStringLiteral("Resolución")); }

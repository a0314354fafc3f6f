#include "settings/FrmConfig.h"

FrmConfig::FrmConfig(Forms& forms) : Form(forms) { setWindowTitle(QStringLiteral("Varndel - Configuración")); }

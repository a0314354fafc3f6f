// SPDX-License-Identifier: GPL-3.0-or-later
#include "fs/ErrnoText.h"

#include <cerrno>

QString errnoText(int error) {
  switch (error) {
    case ENOENT:
      return QStringLiteral("no existe");
    case EACCES:
    case EPERM:
      return QStringLiteral("no hay permiso de acceso");
    case ENOTDIR:
      return QStringLiteral("una parte de la ruta no es un directorio");
    case EISDIR:
      return QStringLiteral("es un directorio");
    case EEXIST:
      return QStringLiteral("ya existe");
    case ENOSPC:
      return QStringLiteral("no queda espacio en el disco");
    case EDQUOT:
      return QStringLiteral("se ha superado la cuota de disco");
    case EROFS:
      return QStringLiteral("el disco es de solo lectura");
    case EIO:
      return QStringLiteral("error de lectura o escritura en el disco");
    case EFBIG:
      return QStringLiteral("el archivo es demasiado grande");
    case ELOOP:
      return QStringLiteral("es un enlace simbólico");
    case EXDEV:
      return QStringLiteral("está en otro disco");
    case ENAMETOOLONG:
      return QStringLiteral("el nombre es demasiado largo");
    case EMFILE:
    case ENFILE:
      return QStringLiteral("hay demasiados archivos abiertos");
    case EBUSY:
    case ETXTBSY:
    case EAGAIN:
      return QStringLiteral("está siendo usado por otro programa");
    default:
      return QStringLiteral("error del sistema número %1").arg(error);
  }
}

#include "monitor/SaveMessages.h"

namespace {

QString keptList(const SaveResult& result) {
  QStringList lines;
  for (const KeptSource& kept : result.kept) {
    lines << kept.path + QStringLiteral(": ") + kept.reason;
  }
  return lines.join(QLatin1Char('\n'));
}

}  // namespace

QString manualSaveText(const SaveResult& result) {
  if (!result.ok()) {
    return QStringLiteral("No se pudieron guardar las imagenes.\n\n") + result.concerned +
           QStringLiteral(": ") + result.reason +
           QStringLiteral(
               ".\n\nNo se ha perdido ningún archivo: todas las imagenes siguen en "
               "el directorio de monitorización.");
  }
  if (!result.kept.empty()) {
    return QStringLiteral("Las imagenes se guardaron en ") + result.batchFolder +
           QStringLiteral(
               ", pero estos archivos se dejaron en el directorio de "
               "monitorización:\n\n") +
           keptList(result) +
           QStringLiteral("\n\nNo se ha perdido ningún archivo: su copia está en el lote.");
  }
  return {};
}

QString automaticSaveNotice(const SaveResult& result) {
  if (!result.ok()) {
    return QStringLiteral("No se pudieron guardar las imagenes: ") + result.concerned +
           QStringLiteral(": ") + result.reason + QStringLiteral(". Ningún archivo se ha perdido.");
  }
  if (!result.kept.empty()) {
    QStringList files;
    for (const KeptSource& kept : result.kept) {
      files << kept.path;
    }
    return QStringLiteral("Lote guardado; se dejaron en su sitio, con su copia en el lote: ") +
           files.join(QStringLiteral(", "));
  }
  return {};
}

QString stillInUseNotice(const QString& file) {
  return QStringLiteral("El archivo ") + file +
         QStringLiteral(
             " sigue en uso por otro programa desde hace más de 30 segundos; se "
             "guardará cuando quede libre.");
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/SaveMessages.h"

#include <QStringList>

namespace {

// A message box stays readable however many files a batch leaves behind.
constexpr std::size_t listedAtMost = 20;

QString leftList(const std::vector<LeftFile>& left, const QString& separator) {
  QStringList lines;
  for (std::size_t i = 0; i < left.size() && i < listedAtMost; ++i) {
    lines << displayName(left[i].name) + QStringLiteral(": ") + left[i].reason;
  }
  if (left.size() > listedAtMost) {
    lines << QStringLiteral("y %1 más").arg(left.size() - listedAtMost);
  }
  return lines.join(separator);
}

QString savedPart(const SaveResult& result) {
  if (result.moved == 0) {
    return QStringLiteral("No se guardó ninguna imagen.");
  }
  return QStringLiteral("Se guardaron %1 imagenes en %2.")
      .arg(result.moved)
      .arg(result.batchFolder);
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
  if (result.left.empty()) {
    return {};
  }
  return savedPart(result) +
         QStringLiteral(
             "\n\nEstos archivos se dejaron en el directorio de monitorización y "
             "se guardarán en un lote posterior:\n\n") +
         leftList(result.left, QStringLiteral("\n"));
}

// The reason comes first: the status bar is narrow, and the path is often long.
QString automaticFailureNotice(const SaveResult& result) {
  return QStringLiteral("No se pudieron guardar las imagenes: ") + result.reason +
         QStringLiteral(" (") + result.concerned +
         QStringLiteral("). Ningún archivo se ha perdido.");
}

QString leftFilesNotice(const SaveResult& result, const std::vector<LeftFile>& toName) {
  return savedPart(result) + QStringLiteral(" Se dejaron en su sitio: ") +
         leftList(toName, QStringLiteral("; "));
}

QString lateContentNotice(const std::vector<LeftFile>& restored) {
  QStringList names;
  for (const LeftFile& file : restored) {
    names << displayName(file.name);
  }
  return QStringLiteral(
             "Se siguió escribiendo en un archivo ya guardado; su versión completa está de nuevo "
             "en el directorio de monitorización: ") +
         names.join(QStringLiteral(", "));
}

QString eventsOffNotice() {
  return QStringLiteral(
      "El sistema no avisa de los cambios en el directorio de monitorización: cada imagen se "
      "guardará cuando lleve 10 segundos sin cambios.");
}

QString progressNotice(int done, int total) {
  return QStringLiteral("Guardando lote: %1 de %2").arg(done).arg(total);
}

QString recoveryNotice(const RecoveryReport& report) {
  QStringList parts;
  if (report.batches > 0 || report.returned > 0) {
    parts
        << QStringLiteral(
               "Guardado interrumpido recuperado: %1 archivos devueltos al directorio de "
               "monitorización, %2 copias repetidas borradas, %3 imagenes conservadas en su lote.")
               .arg(report.returned)
               .arg(report.removedCopies)
               .arg(report.keptCopies);
  }
  if (report.unnamed > 0) {
    parts << QStringLiteral(
                 "%1 archivos que un guardado interrumpido dejó ocultos se llaman ahora "
                 "«recuperado» en el directorio de monitorización.")
                 .arg(report.unnamed);
  }
  if (!report.untrusted.isEmpty()) {
    parts << QStringLiteral("No se tocó un lote interrumpido que no es de confianza: ") +
                 report.untrusted.join(QStringLiteral("; "));
  }
  return parts.join(QLatin1Char(' '));
}

QString trayState(bool monitoring, int count) {
  return QStringLiteral("Varndel — ") +
         (monitoring ? QStringLiteral("Iniciado") : QStringLiteral("Detenido")) +
         (count == 1 ? QStringLiteral(", 1 imagen") : QStringLiteral(", %1 imágenes").arg(count));
}

QString batchSavedNotice(const SaveResult& result) {
  const QString folder = result.batchFolder.section(QLatin1Char('/'), -1);
  return QStringLiteral("Lote guardado: %1, %2 imágenes").arg(folder).arg(result.moved);
}

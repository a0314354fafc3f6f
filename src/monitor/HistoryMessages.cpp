// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/HistoryMessages.h"

#include <QFileInfo>
#include <QStringList>

namespace {

QString countOf(int count, const QString& one, const QString& many) {
  return count == 1 ? QStringLiteral("1 ") + one : QStringLiteral("%1 ").arg(count) + many;
}

QString fileCount(std::size_t count) {
  return countOf(static_cast<int>(count), QStringLiteral("archivo"), QStringLiteral("archivos"));
}

QString namesOf(const std::vector<QByteArray>& names) {
  QStringList shown;
  for (const QByteArray& name : names) {
    shown << displayName(name);
  }
  return shown.join(QStringLiteral(", "));
}

}  // namespace

QString historyTitle() {
  return QStringLiteral("Lotes guardados");
}

QString historyColumn(int column) {
  switch (column) {
    case 0:
      return QStringLiteral("Fecha");
    case 1:
      return QStringLiteral("Lote");
    default:
      return QStringLiteral("Imágenes");
  }
}

QString imageCount(int count) {
  return countOf(count, QStringLiteral("imagen"), QStringLiteral("imágenes"));
}

QString openFolderCaption() {
  return QStringLiteral("&Abrir carpeta");
}

QString undoCaption() {
  return QStringLiteral("&Deshacer");
}

QString closeCaption() {
  return QStringLiteral("&Cerrar");
}

QString noBatchesYet() {
  return QStringLiteral("Todavía no se ha guardado ningún lote.");
}

QString monitoringStoppedForUndo() {
  return QStringLiteral("Monitorización detenida, para que no se guarden otra vez.");
}

QString undoWhileSaving() {
  return QStringLiteral("Hay un guardado en curso. Deshaga el lote cuando termine.");
}

QString undoReport(const SaveResult& result) {
  if (!result.ok()) {
    return QStringLiteral("No se pudo deshacer el lote: %1 (%2).")
        .arg(result.reason, result.concerned);
  }
  const int back = result.moved;
  QStringList sentences;
  sentences << (back == 1 ? QStringLiteral("Se devolvió 1 imagen al directorio de monitorización.")
                          : QStringLiteral("Se devolvieron %1 al directorio de monitorización.")
                                .arg(imageCount(back)));
  if (!result.renamed.empty()) {
    sentences << (result.renamed.size() == 1
                      ? QStringLiteral("1 archivo volvió con otro nombre, porque el suyo estaba "
                                       "ocupado: %1.")
                      : QStringLiteral("%1 volvieron con otro nombre, porque el suyo estaba "
                                       "ocupado: %2.")
                            .arg(fileCount(result.renamed.size())))
                     .arg(namesOf(result.renamed));
  }
  if (!result.missing.empty()) {
    sentences
        << (result.missing.size() == 1
                ? QStringLiteral("Faltaba 1 archivo del lote: %1.")
                : QStringLiteral("Faltaban %1 del lote: %2.").arg(fileCount(result.missing.size())))
               .arg(namesOf(result.missing));
  }
  if (!result.left.empty()) {
    QStringList left;
    for (const LeftFile& file : result.left) {
      left << displayName(file.name) + QStringLiteral(" (") + file.reason + QLatin1Char(')');
    }
    sentences << (result.left.size() == 1 ? QStringLiteral("1 archivo se quedó en el lote: %1.")
                                          : QStringLiteral("%1 se quedaron en el lote: %2.")
                                                .arg(fileCount(result.left.size())))
                     .arg(left.join(QStringLiteral(", ")));
  }
  if (!result.stayed.empty()) {
    const QString folder = QFileInfo(result.batchFolder).fileName();
    sentences << (result.stayed.size() == 1
                      ? QStringLiteral("La carpeta %1 se conserva porque contiene un archivo "
                                       "que no era del lote: %2.")
                            .arg(folder)
                      : QStringLiteral("La carpeta %1 se conserva porque contiene %2 que no eran "
                                       "del lote: %3.")
                            .arg(folder, fileCount(result.stayed.size())))
                     .arg(namesOf(result.stayed));
  }
  return sentences.join(QLatin1Char(' '));
}

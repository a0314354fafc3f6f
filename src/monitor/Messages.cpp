// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/Messages.h"

#include "fs/ErrnoText.h"

#include <QStringList>

#include <cerrno>

#include <algorithm>

namespace {

// A message box stays readable however many files a batch leaves behind.
constexpr std::size_t listedAtMost = 20;

qint64 sizeOf(const auto& list) {
  return static_cast<qint64>(list.size());
}

QString quoted(const QByteArray& name) {
  return QStringLiteral("«") + displayName(name) + QStringLiteral("»");
}

QString leftList(const std::vector<LeftFile>& left, const QString& separator,
                 const QString& between) {
  QStringList lines;
  for (std::size_t i = 0; i < left.size() && i < listedAtMost; ++i) {
    lines << quoted(left[i].name) + between + left[i].reason;
  }
  if (left.size() > listedAtMost) {
    lines << byCount(sizeOf(left) - static_cast<qint64>(listedAtMost), QStringLiteral("y 1 más"),
                     QStringLiteral("y %n más"));
  }
  return lines.join(separator);
}

QString savedPart(const SaveResult& result) {
  if (result.moved == 0) {
    return QStringLiteral("No se guardó ninguna imagen.");
  }
  return byCount(result.moved, QStringLiteral("Se guardó 1 imagen en %1."),
                 QStringLiteral("Se guardaron %n imágenes en %1."))
      .arg(result.batchFolder);
}

const QByteArray& nameOf(const QByteArray& name) {
  return name;
}

const QByteArray& nameOf(const LeftFile& file) {
  return file.name;
}

QString quotedNames(const auto& files) {
  QStringList shown;
  for (const auto& file : files) {
    shown << quoted(nameOf(file));
  }
  return shown.join(QStringLiteral(", "));
}

QString batchName(const MoveReport& result) {
  return result.batchFolder.section(QLatin1Char('/'), -1);
}

const QString nothingLost = QStringLiteral("No se ha perdido ningún archivo");
const QString trayTitle = QStringLiteral("Varndel — ");

// "<opening>: <reason> (<what it concerns>). No se ha perdido ningún archivo." The reason comes
// first: the path is often long.
QString failureSentence(const QString& opening, const MoveReport& result) {
  const QString where =
      result.concerned.isEmpty() ? QString() : QStringLiteral(" (") + result.concerned + ')';
  return opening + QStringLiteral(": ") + result.reason + where + QStringLiteral(". ") +
         nothingLost + QLatin1Char('.');
}

}  // namespace

QString byCount(qint64 n, const QString& one, const QString& many) {
  QString text = n == 1 ? one : many;
  return text.replace(QStringLiteral("%n"), QString::number(n));
}

QString noWatchedFolderText() {
  return QStringLiteral("No hay ningún directorio de monitorización configurado.");
}

QString unreadableWatchedFolderText(const QString& folder, int error) {
  if (error == ENOENT) {
    return QStringLiteral("El directorio de monitorización no existe: ") + folder;
  }
  return QStringLiteral("No se puede leer el directorio de monitorización %1: %2.")
      .arg(folder, errnoText(error));
}

QString manualSaveText(const SaveResult& result) {
  if (!result.ok()) {
    const QString why = result.concerned.isEmpty()
                            ? result.reason.left(1).toUpper() + result.reason.mid(1)
                            : result.concerned + QStringLiteral(": ") + result.reason;
    return QStringLiteral("No se pudieron guardar las imágenes.\n\n") + why +
           QStringLiteral(".\n\n") + nothingLost +
           QStringLiteral(": todas las imágenes siguen en el directorio de monitorización.");
  }
  if (result.left.empty()) {
    return {};
  }
  return savedPart(result) + QStringLiteral("\n\n") +
         byCount(sizeOf(result.left),
                 QStringLiteral("Este archivo se quedó en el directorio de monitorización y se "
                                "guardará en un lote posterior:"),
                 QStringLiteral("Estos archivos se quedaron en el directorio de monitorización y "
                                "se guardarán en un lote posterior:")) +
         QStringLiteral("\n\n") + leftList(result.left, QStringLiteral("\n"), QStringLiteral(": "));
}

QString automaticFailureNotice(const SaveResult& result) {
  return failureSentence(QStringLiteral("No se pudieron guardar las imágenes"), result);
}

QString leftFilesNotice(const SaveResult& result, const std::vector<LeftFile>& toName) {
  if (toName.size() == 1) {
    return savedPart(result) + QLatin1Char(' ') + quoted(toName.front().name) +
           QStringLiteral(" se quedó en el directorio de monitorización porque ") +
           toName.front().reason + QStringLiteral("; se guardará en un lote posterior.");
  }
  return savedPart(result) + QLatin1Char(' ') +
         QStringLiteral(
             "%1 archivos se quedaron en el directorio de monitorización y se "
             "guardarán en un lote posterior: ")
             .arg(toName.size()) +
         leftList(toName, QStringLiteral("; "), QStringLiteral(", porque ")) + QLatin1Char('.');
}

QString waitingNotice(const std::vector<QByteArray>& beingWritten) {
  if (beingWritten.empty()) {
    return {};
  }
  const qint64 others = sizeOf(beingWritten) - 1;
  const QString first = quoted(beingWritten.front());
  if (others == 0) {
    return QStringLiteral("El lote espera a que termine de escribirse %1.").arg(first);
  }
  return QStringLiteral("El lote espera a que terminen de escribirse %1 y ").arg(first) +
         byCount(others, QStringLiteral("1 archivo más."), QStringLiteral("%n archivos más."));
}

QString lateContentNotice(const std::vector<LeftFile>& restored) {
  return byCount(sizeOf(restored),
                 QStringLiteral("Se siguió escribiendo en %1 después de guardarlo: su versión "
                                "completa está de nuevo en el directorio de monitorización."),
                 QStringLiteral("Se siguió escribiendo en %n archivos después de guardarlos: su "
                                "versión completa está de nuevo en el directorio de "
                                "monitorización (%1)."))
      .arg(quotedNames(restored));
}

QString eventsOffNotice() {
  return QStringLiteral(
      "El sistema no avisa de los cambios en el directorio de monitorización: cada imagen se "
      "guardará cuando lleve 10 segundos sin cambios.");
}

QString progressNotice(int done, int total) {
  return QStringLiteral("Guardando lote: %1 de %2").arg(done).arg(total);
}

QString undoProgressNotice(int done, int total) {
  return QStringLiteral("Deshaciendo lote: %1 de %2").arg(done).arg(total);
}

QString recoveryNotice(const RecoveryReport& report) {
  QStringList sentences;
  if (report.batches > 0 || report.returned > 0) {
    QStringList done;
    if (report.returned > 0) {
      done << byCount(report.returned,
                      QStringLiteral("1 archivo volvió al directorio de monitorización"),
                      QStringLiteral("%n archivos volvieron al directorio de monitorización"));
    }
    if (report.removedCopies > 0) {
      done << byCount(report.removedCopies, QStringLiteral("se borró 1 copia repetida"),
                      QStringLiteral("se borraron %n copias repetidas"));
    }
    if (report.keptCopies > 0) {
      done << byCount(report.keptCopies, QStringLiteral("1 imagen se quedó en su lote"),
                      QStringLiteral("%n imágenes se quedaron en su lote"));
    }
    if (done.isEmpty()) {
      done << QStringLiteral("no hubo que mover ningún archivo");
    }
    sentences << byCount(std::max(report.batches, 1),
                         QStringLiteral("Se recuperó un guardado interrumpido: "),
                         QStringLiteral("Se recuperaron %n guardados interrumpidos: ")) +
                     done.join(QStringLiteral(", ")) + QStringLiteral(". ") + nothingLost +
                     QLatin1Char('.');
  }
  if (report.unnamed > 0) {
    sentences << byCount(report.unnamed,
                         QStringLiteral("Un archivo que un guardado interrumpido dejó oculto "
                                        "está ahora en el directorio de monitorización con el "
                                        "nombre «recuperado» y un número."),
                         QStringLiteral("%n archivos que un guardado interrumpido dejó ocultos "
                                        "están ahora en el directorio de monitorización con el "
                                        "nombre «recuperado» y un número."));
  }
  if (!report.untrusted.isEmpty()) {
    sentences << byCount(report.untrusted.size(),
                         QStringLiteral("No se tocó un lote interrumpido en el que no se puede "
                                        "confiar: "),
                         QStringLiteral("No se tocaron %n lotes interrumpidos en los que no se "
                                        "puede confiar: ")) +
                     report.untrusted.join(QStringLiteral("; ")) + QLatin1Char('.');
  }
  return sentences.join(QLatin1Char(' '));
}

QString trayState(bool monitoring, int count) {
  return trayTitle + (monitoring ? QStringLiteral("Iniciado") : QStringLiteral("Detenido")) +
         byCount(count, QStringLiteral(", 1 imagen"), QStringLiteral(", %n imágenes"));
}

QString trayProgress(const QString& progress) {
  return trayTitle + progress;
}

QString batchSavedNotice(const SaveResult& result) {
  return QStringLiteral("Lote guardado: %1, ").arg(batchName(result)) + imageCount(result.moved);
}

QString imageCount(int count) {
  return byCount(count, QStringLiteral("1 imagen"), QStringLiteral("%n imágenes"));
}

QString noBatchesYet() {
  return QStringLiteral("Todavía no se ha guardado ningún lote.");
}

QString historyNotice(const QString& reason, const QString& file) {
  return QStringLiteral("No se pudo anotar en el historial de lotes: %1 (%2). ").arg(reason, file) +
         nothingLost + QLatin1Char('.');
}

QString historyUnreadable(const QString& reason, const QString& file) {
  return QStringLiteral("No se puede leer el historial de lotes: %1 (%2).").arg(reason, file);
}

QString monitoringStoppedForUndo() {
  return QStringLiteral("La monitorización se ha detenido para no volver a guardar el lote.");
}

QString undoWhileSaving() {
  return QStringLiteral("Se está guardando un lote. Podrá deshacerlo cuando termine.");
}

QString undoReport(const UndoResult& result) {
  if (!result.ok()) {
    return failureSentence(QStringLiteral("No se pudo deshacer el lote"), result);
  }
  QStringList sentences;
  sentences << byCount(result.moved,
                       QStringLiteral("Se devolvió 1 imagen al directorio de monitorización."),
                       QStringLiteral("Se devolvieron %n imágenes al directorio de "
                                      "monitorización."));
  if (!result.renamed.empty()) {
    sentences << byCount(sizeOf(result.renamed),
                         QStringLiteral("Volvió con otro nombre, porque el suyo estaba ocupado: "),
                         QStringLiteral("%n volvieron con otro nombre, porque el suyo estaba "
                                        "ocupado: ")) +
                     quotedNames(result.renamed) + QLatin1Char('.');
  }
  if (!result.missing.empty()) {
    sentences << byCount(sizeOf(result.missing), QStringLiteral("Faltaba en el lote: "),
                         QStringLiteral("Faltaban %n archivos en el lote: ")) +
                     quotedNames(result.missing) + QLatin1Char('.');
  }
  if (!result.left.empty()) {
    sentences << byCount(sizeOf(result.left), QStringLiteral("Se quedó en el lote: "),
                         QStringLiteral("Se quedaron %n archivos en el lote: ")) +
                     leftList(result.left, QStringLiteral("; "), QStringLiteral(", porque ")) +
                     QLatin1Char('.');
  }
  if (!result.stayed.empty()) {
    sentences << byCount(sizeOf(result.stayed),
                         QStringLiteral("La carpeta %1 se conserva porque contiene un archivo "
                                        "que no era del lote: "),
                         QStringLiteral("La carpeta %1 se conserva porque contiene %n archivos "
                                        "que no eran del lote: "))
                         .arg(batchName(result)) +
                     quotedNames(result.stayed) + QLatin1Char('.');
  }
  return sentences.join(QLatin1Char(' '));
}

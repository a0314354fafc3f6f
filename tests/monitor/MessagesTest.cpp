// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/Messages.h"

#include <gtest/gtest.h>

namespace {

SaveResult saved(int moved, std::vector<LeftFile> left = {}) {
  SaveResult result;
  result.batchFolder = QStringLiteral("/fotos/Fotos_532004_974");
  result.moved = moved;
  result.left = std::move(left);
  return result;
}

SaveResult failed(const QString& concerned = QStringLiteral("/fotos"),
                  const QString& reason = QStringLiteral("no queda espacio en el disco")) {
  SaveResult result;
  result.failure = SaveFailure::Other;
  result.concerned = concerned;
  result.reason = reason;
  return result;
}

const LeftFile busy{"writing.png",
                    QStringLiteral("el archivo está siendo usado por otro programa")};
const LeftFile gone{"b.png", QStringLiteral("ya no estaba en el directorio")};

RecoveryReport recovered(int batches, int returned, int removed, int kept, int unnamed) {
  RecoveryReport report;
  report.batches = batches;
  report.returned = returned;
  report.removedCopies = removed;
  report.keptCopies = kept;
  report.unnamed = unnamed;
  return report;
}

}  // namespace

TEST(Messages, EachSituationReadsAsOneSpanishSentence) {
  const struct {
    const char* situation;
    QString said;
    QString expected;
  } cases[] = {
      {"a failed save by hand", manualSaveText(failed()),
       QStringLiteral("No se pudieron guardar las imágenes.\n\n/fotos: no queda espacio en el "
                      "disco.\n\nNo se ha perdido ningún archivo: todas las imágenes siguen en el "
                      "directorio de monitorización.")},
      {"a save by hand with no save folder set",
       manualSaveText(
           failed({}, QStringLiteral("no hay ningún directorio de destino configurado"))),
       QStringLiteral("No se pudieron guardar las imágenes.\n\nNo hay ningún directorio de destino "
                      "configurado.\n\nNo se ha perdido ningún archivo: todas las imágenes "
                      "siguen en el directorio de monitorización.")},
      {"one image saved by hand, one file left", manualSaveText(saved(1, {busy})),
       QStringLiteral("Se guardó 1 imagen en /fotos/Fotos_532004_974.\n\nEste archivo se quedó "
                      "en el directorio de monitorización y se guardará en un lote posterior:\n\n"
                      "«writing.png»: el archivo está siendo usado por otro programa")},
      {"a failed automatic save", automaticFailureNotice(failed()),
       QStringLiteral("No se pudieron guardar las imágenes: no queda espacio en el disco "
                      "(/fotos). No se ha perdido ningún archivo.")},
      {"one file left by an automatic save", leftFilesNotice(saved(4, {busy}), {busy}),
       QStringLiteral("Se guardaron 4 imágenes en /fotos/Fotos_532004_974. «writing.png» se quedó "
                      "en el directorio de monitorización porque el archivo está siendo usado por "
                      "otro programa; se guardará en un lote posterior.")},
      {"two files left", leftFilesNotice(saved(0, {busy, gone}), {busy, gone}),
       QStringLiteral("No se guardó ninguna imagen. 2 archivos se quedaron en el directorio de "
                      "monitorización y se guardarán en un lote posterior: «writing.png», porque "
                      "el archivo está siendo usado por otro programa; «b.png», porque ya no "
                      "estaba en el directorio.")},
      {"a batch waiting for one file", waitingNotice({"a.png"}),
       QStringLiteral("El lote espera a que termine de escribirse «a.png».")},
      {"a batch waiting for two files", waitingNotice({"a.png", "b.png"}),
       QStringLiteral("El lote espera a que terminen de escribirse «a.png» y 1 archivo más.")},
      {"one file written to after its save", lateContentNotice({busy}),
       QStringLiteral("Se siguió escribiendo en «writing.png» después de guardarlo: su versión "
                      "completa está de nuevo en el directorio de monitorización.")},
      {"one interrupted save", recoveryNotice(recovered(1, 1, 0, 0, 0)),
       QStringLiteral("Se recuperó un guardado interrumpido: 1 archivo volvió al directorio de "
                      "monitorización. No se ha perdido ningún archivo.")},
      {"two interrupted saves", recoveryNotice(recovered(2, 3, 1, 2, 0)),
       QStringLiteral("Se recuperaron 2 guardados interrumpidos: 3 archivos volvieron al "
                      "directorio de monitorización, se borró 1 copia repetida, 2 imágenes se "
                      "quedaron en su lote. No se ha perdido ningún archivo.")},
      {"one hidden file named", recoveryNotice(recovered(0, 0, 0, 0, 1)),
       QStringLiteral("Un archivo que un guardado interrumpido dejó oculto está ahora en el "
                      "directorio de monitorización con el nombre «recuperado» y un número.")},
      {"the tray with one image", trayState(true, 1),
       QStringLiteral("Varndel — Iniciado, 1 imagen")},
      {"the tray with none", trayState(false, 0), QStringLiteral("Varndel — Detenido, 0 imágenes")},
      {"a batch of one", batchSavedNotice(saved(1)),
       QStringLiteral("Lote guardado: Fotos_532004_974, 1 imagen")},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.said, c.expected) << c.situation;
  }
}

// A long list names its first twenty files and counts the rest.
TEST(Messages, ALongListOfLeftFilesNamesTwentyAndCountsTheRest) {
  const std::vector<LeftFile> left(23, busy);
  const QString notice = leftFilesNotice(saved(0, left), left);
  EXPECT_EQ(notice.count(QStringLiteral("«")), 20);
  EXPECT_TRUE(notice.endsWith(QStringLiteral("y 3 más."))) << notice.toStdString();
}

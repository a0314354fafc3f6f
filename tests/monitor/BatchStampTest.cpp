// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/BatchSave.h"
#include "monitor/BatchStamp.h"

#include <gtest/gtest.h>

namespace {
QDateTime at(int year, int month, int day, int hour, int minute, int second) {
  return QDateTime(QDate(year, month, day), QTime(hour, minute, second));
}
}  // namespace

TEST(BatchStamp, NamesFollowTheExistingFoldersFormat) {
  const QString prefix = QStringLiteral("Fotos_");
  EXPECT_EQ(prefix + marcaLote(at(2004, 3, 5, 9, 7, 3)), QStringLiteral("Fotos_532004_973"));
  EXPECT_EQ(prefix + marcaLote(at(2004, 12, 25, 14, 30, 59)),
            QStringLiteral("Fotos_25122004_143059"));
  EXPECT_EQ(prefix + marcaLote(at(2004, 11, 1, 0, 0, 0)), QStringLiteral("Fotos_1112004_000"));
  EXPECT_EQ(prefix + marcaLote(at(2004, 1, 11, 0, 0, 0)), QStringLiteral("Fotos_1112004_000"));
}

TEST(BatchStamp, FolderPathAppendsSeparatorWhateverTheBaseEndsWith) {
  const QDateTime moment = at(2004, 3, 5, 9, 7, 3);
  EXPECT_EQ(batchFolderPath(QStringLiteral("/s"), QStringLiteral("P"), moment),
            QStringLiteral("/s/P532004_973"));
  EXPECT_EQ(batchFolderPath(QStringLiteral("/s/"), QString(), moment),
            QStringLiteral("/s//532004_973"));
}

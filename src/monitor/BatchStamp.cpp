// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/BatchStamp.h"

QString marcaLote(const QDateTime& moment) {
  const QDate date = moment.date();
  const QTime time = moment.time();
  return QString::number(date.day()) + QString::number(date.month()) +
         QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0')) + QLatin1Char('_') +
         QString::number(time.hour()) + QString::number(time.minute()) +
         QString::number(time.second());
}

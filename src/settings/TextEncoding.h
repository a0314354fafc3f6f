#pragma once

#include <QByteArray>
#include <QString>

// Settings files are UTF-8; one brought from Windows is in Windows-1252.
bool isValidUtf8(const QByteArray& bytes);
QString decodeWindows1252(const QByteArray& bytes);
// Characters that Windows-1252 cannot hold become "?", as the Windows ANSI calls do.
QByteArray encodeWindows1252(const QString& text);

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Settings files are UTF-8; one brought from Windows is in Windows-1252.
bool isValidUtf8(const QByteArray& bytes);
QString decodeWindows1252(const QByteArray& bytes);
// Characters that Windows-1252 cannot hold become "?", as the Windows ANSI calls do.
QByteArray encodeWindows1252(const QString& text);

// UTF-16, as Windows writes it (little-endian, in the registry) or either way after a mark (in a
// settings file). A trailing odd byte is no unit and is dropped.
enum class ByteOrder { Little, Big };
char16_t utf16Unit(const unsigned char* bytes, ByteOrder order);
QString decodeUtf16(QByteArrayView bytes, ByteOrder order);
QByteArray encodeUtf16(const QString& text, ByteOrder order);

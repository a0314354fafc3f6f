// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/LeeRegistro.h"

#include "settings/TextEncoding.h"

#include <QtEndian>

namespace {

const QString softwarePrefix = QStringLiteral("software\\");
const QString view32 = QStringLiteral("Software\\Wow6432Node\\");

// Decodes a UTF-16LE string, dropping the terminating NUL that the stored size includes.
QString decodeString(const QByteArray& data) {
  QString text = decodeUtf16(data, ByteOrder::Little);
  if (text.endsWith(QChar(0))) {
    text.chop(1);
  }
  return text;
}

}  // namespace

RegistryKey openRegistryKey(const QString& registryFile, quint32 hive, const QString& keyPath) {
  if (hive != HKEY_LOCAL_MACHINE) {
    return {};
  }
  auto loaded = RegistryHive::load(registryFile);
  if (!loaded) {
    return {};
  }
  auto shared = std::make_shared<const RegistryHive>(std::move(*loaded));
  const QString normalized = normalizedKeyPath(keyPath);
  if (normalized.startsWith(softwarePrefix)) {
    const QString redirected = view32 + normalized.mid(softwarePrefix.size());
    if (const RegistryValues* values = shared->key(redirected)) {
      return {shared, values};
    }
  }
  const RegistryValues* values = shared->key(keyPath);
  return values ? RegistryKey{shared, values} : RegistryKey{};
}

qint32 ConsultaValor(const RegistryKey& key, const QString& valueName, RegistryResult& result) {
  if (!key.values) {
    return regstatus::invalidHandle;
  }
  const auto it = key.values->constFind(valueName.toCaseFolded());
  if (it == key.values->constEnd()) {
    return regstatus::fileNotFound;
  }
  switch (it->type) {
    case regtype::sz:
      result = decodeString(it->data);
      return regstatus::ok;
    case regtype::dword:
      if (it->data.size() > 4) {
        return regstatus::moreData;
      }
      {
        QByteArray padded = it->data;
        padded.resize(4, '\0');
        result = qFromLittleEndian<qint32>(padded.constData());
      }
      return regstatus::ok;
    default:
      return regstatus::otherType;
  }
}

RegistryResult LeeValor(const QString& registryFile, quint32 hive, const QString& keyPath,
                        const QString& valueName) {
  RegistryResult result;
  const RegistryKey key = openRegistryKey(registryFile, hive, keyPath);
  ConsultaValor(key, valueName, result);
  return result;
}

QString resultText(const RegistryResult& result) {
  if (const auto* text = std::get_if<QString>(&result)) {
    return *text;
  }
  if (const auto* number = std::get_if<qint32>(&result)) {
    return QString::number(*number);
  }
  return {};
}

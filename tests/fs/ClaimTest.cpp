// SPDX-License-Identifier: GPL-3.0-or-later
#include "fs/Claim.h"
#include "fs/FileOps.h"
#include "fs/UniqueFd.h"

#include <QTemporaryDir>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

void put(int folder, const QByteArray& name, const QByteArray& bytes) {
  const UniqueFd fd(
      openat(folder, name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
  ASSERT_TRUE(fd.valid()) << name.constData();
  ASSERT_EQ(write(fd.get(), bytes.constData(), bytes.size()), bytes.size());
}

QByteArray contentOf(int folder, const QByteArray& name) {
  const UniqueFd fd(openat(folder, name.constData(), O_RDONLY | O_CLOEXEC));
  char buffer[64];
  const ssize_t size = fd.valid() ? read(fd.get(), buffer, sizeof buffer) : -1;
  return size < 0 ? QByteArray("<missing>") : QByteArray(buffer, size);
}

// A claimed file whose name was taken meanwhile comes back beside the newcomer under a kept name
// that fits the file system however long the original, keeps its extension and never ends in a
// broken character; neither file is touched.
TEST(Claim, GivingBackOntoATakenNameKeepsBothUnderNamesThatFit) {
  const QByteArray accents = QByteArray("\xc3\xa1").repeated(125);  // 250 bytes of "á"
  struct Case {
    QByteArray name;
    QByteArray kept;
  };
  const Case cases[] = {
      {"foto.bmp", "foto (conservado).bmp"},
      {"sin extension", "sin extension (conservado)"},
      {QByteArray(251, 'x') + ".bmp", QByteArray(238, 'x') + " (conservado).bmp"},
      {accents + ".png", QByteArray("\xc3\xa1").repeated(119) + " (conservado).png"},
  };
  for (const Case& c : cases) {
    QTemporaryDir dir;
    const UniqueFd folder(
        open(dir.path().toUtf8().constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    put(folder.get(), ".varndel-1-claim-0", "old");
    put(folder.get(), c.name, "new");
    int error = 0;
    EXPECT_EQ(moveUnderFreeName(realFileOps(), folder.get(), ".varndel-1-claim-0", folder.get(),
                                c.name, error),
              c.kept);
    EXPECT_EQ(contentOf(folder.get(), c.kept), "old");
    EXPECT_EQ(contentOf(folder.get(), c.name), "new");
  }
}

}  // namespace

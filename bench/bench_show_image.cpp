// SPDX-License-Identifier: GPL-3.0-or-later
// Showing a 1024 x 768 PCX, true colour and 8-bit palette, against GraphicsMagick reading the
// same file alone, and against GraphicsMagick decoding the file's bytes from memory as the
// viewer's adapter does.
#include "BenchSupport.h"

#include "viewer/ImageLibrary.h"
#include "viewer/ImagePipeline.h"

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstring>

#include <magick/api.h>

namespace {

constexpr int width = 1024;
constexpr int height = 768;

// One plane of one row, run-length encoded as PCX files are.
void encodeRow(const std::vector<std::uint8_t>& bytes, QByteArray& out) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    std::size_t run = 1;
    while (i + run < bytes.size() && run < 63 && bytes[i + run] == bytes[i]) {
      ++run;
    }
    if (run > 1 || bytes[i] >= 0xC0) {
      out.append(static_cast<char>(0xC0 | run));
    }
    out.append(static_cast<char>(bytes[i]));
    i += run;
  }
}

// A picture with smooth areas and detail, so that runs are neither all long nor all short.
std::uint8_t sample(int x, int y, int plane) {
  return static_cast<std::uint8_t>(((x / 4) * (plane + 1) + (y / 3) * (3 - plane)) ^
                                   ((x * y) >> (6 + plane)));
}

QByteArray makePcx(int planes) {
  QByteArray file(128, '\0');
  file[0] = 10;
  file[1] = 5;
  file[2] = 1;
  file[3] = 8;
  file[8] = static_cast<char>((width - 1) & 0xff);
  file[9] = static_cast<char>((width - 1) >> 8);
  file[10] = static_cast<char>((height - 1) & 0xff);
  file[11] = static_cast<char>((height - 1) >> 8);
  file[65] = static_cast<char>(planes);
  file[66] = static_cast<char>(width & 0xff);
  file[67] = static_cast<char>(width >> 8);
  file[68] = 1;
  std::vector<std::uint8_t> row(width);
  for (int y = 0; y < height; ++y) {
    for (int plane = 0; plane < planes; ++plane) {
      for (int x = 0; x < width; ++x) {
        row[static_cast<std::size_t>(x)] = sample(x, y, plane);
      }
      encodeRow(row, file);
    }
  }
  if (planes == 1) {
    file.append('\x0c');
    for (int i = 0; i < 256; ++i) {
      file.append(static_cast<char>(i));
      file.append(static_cast<char>(255 - i));
      file.append(static_cast<char>((i * 5) & 0xff));
    }
  }
  return file;
}

const QTemporaryDir& folder() {
  static const QTemporaryDir dir = [] {
    QTemporaryDir made;
    for (const auto& [name, planes] :
         {std::pair{"truecolour.pcx", 3}, std::pair{"palette.pcx", 1}}) {
      QFile file(made.filePath(QLatin1String(name)));
      if (!file.open(QIODevice::WriteOnly) || file.write(makePcx(planes)) < 0) {
        qFatal("cannot write the benchmark's input");
      }
    }
    return made;
  }();
  return dir;
}

void BM_ShowImage(benchmark::State& state, const char* name) {
  const QString path = folder().filePath(QLatin1String(name));
  ImageLibrary library;
  ImagePipeline pipeline(library);
  QImage surface(width, height, QImage::Format_RGB32);
  for (auto _ : state) {
    if (pipeline.mostrarImagen(path, surface, qRgb(224, 224, 224))) {
      state.SkipWithError("the image was not shown");
      break;
    }
    benchmark::DoNotOptimize(surface.constBits());
  }
}

void BM_MagickRead(benchmark::State& state, const char* name) {
  const QByteArray path = QFile::encodeName(folder().filePath(QLatin1String(name)));
  ImageLibrary().init();
  for (auto _ : state) {
    ImageInfo* info = CloneImageInfo(nullptr);
    std::strncpy(info->filename, path.constData(), MaxTextExtent - 1);
    ExceptionInfo exception;
    GetExceptionInfo(&exception);
    Image* image = ReadImage(info, &exception);
    if (image == nullptr) {
      state.SkipWithError("GraphicsMagick could not read the file");
    } else {
      benchmark::DoNotOptimize(image->columns);
      DestroyImage(image);
    }
    DestroyExceptionInfo(&exception);
    DestroyImageInfo(info);
  }
}

// The same decoding on the file's bytes read into memory, as the viewer hands them over.
void BM_MagickReadBytes(benchmark::State& state, const char* name) {
  const QString path = folder().filePath(QLatin1String(name));
  ImageLibrary().init();
  for (auto _ : state) {
    QFile file(path);
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    ImageInfo* info = CloneImageInfo(nullptr);
    std::strcpy(info->magick, "PCX");
    ExceptionInfo exception;
    GetExceptionInfo(&exception);
    Image* image =
        BlobToImage(info, bytes.constData(), static_cast<std::size_t>(bytes.size()), &exception);
    if (image == nullptr) {
      state.SkipWithError("GraphicsMagick could not decode the bytes");
    } else {
      benchmark::DoNotOptimize(image->columns);
      DestroyImage(image);
    }
    DestroyExceptionInfo(&exception);
    DestroyImageInfo(info);
  }
}

BENCHMARK_CAPTURE(BM_ShowImage, truecolour, "truecolour.pcx")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_MagickRead, truecolour, "truecolour.pcx")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_MagickReadBytes, truecolour, "truecolour.pcx")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ShowImage, palette, "palette.pcx")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_MagickRead, palette, "palette.pcx")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_MagickReadBytes, palette, "palette.pcx")->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return runBenchmarksWithRatios(argc, argv,
                                 {{"BM_ShowImage/truecolour", "BM_MagickRead/truecolour"},
                                  {"BM_ShowImage/palette", "BM_MagickRead/palette"},
                                  {"BM_ShowImage/truecolour", "BM_MagickReadBytes/truecolour"},
                                  {"BM_ShowImage/palette", "BM_MagickReadBytes/palette"}});
}

// The plots as a picture: what "Save plot as PNG…" writes.

#include <QBuffer>
#include <QSaveFile>

#include "app/plots_dock.h"
#include "core/error.h"
#include "render/output_file.h"

namespace vorlanth {

QImage TPlotsDock::PlotImage() {
  content_->ensurePolished();
  if (content_->size().isEmpty()) content_->resize(content_->sizeHint());
  return content_->grab().toImage();
}

void TPlotsDock::SavePng(const QString& fileName) {
  const QImage image = PlotImage();
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (image.isNull() || !image.save(&buffer, "PNG"))
    throw Error("Cannot save the plot as \"" + fileName.toStdString() + "\": the picture could not be made.");
  CheckOutputName(fileName, "Cannot save the plot as \"" + EncodeFileName(fileName) + "\": ");
  QSaveFile file(fileName);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
    throw Error("Cannot save the plot as \"" + fileName.toStdString() + "\": " + file.errorString().toStdString() +
                ".");
}

}  // namespace vorlanth

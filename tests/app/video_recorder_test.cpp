// The window's film recorder: a frame per cycle run, the status text in simulated
// time, and what it says when there is no film to be had.

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "app/video_recorder.h"

using namespace vorlanth;

namespace {

QImage Picture(int width, int height, QImage::Format format = QImage::Format_RGB32) {
  QImage image(width, height, format);
  image.fill(QColor(200, 40, 90));
  return image;
}

QByteArray Head(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.read(8) : QByteArray();
}

}  // namespace

class VideoRecorderTest : public QObject {
  Q_OBJECT

 private slots:
  // 125 cycles at 10 frames a second are 12.5 s of film, 64 at 5 a second 12.8 s.
  void RecordsEveryFrameAndCountsSimulatedTime() {
    QTemporaryDir dir;
    TVideoRecorder recorder, slow(5);
    QCOMPARE(recorder.AddFrame(Picture(80, 60)), QString());  // not recording: nothing
    QCOMPARE(recorder.Start(dir.filePath("run.mp4")), QString());
    QCOMPARE(slow.Start(dir.filePath("slow.webm")), QString());
    QCOMPARE(recorder.StatusText(), QStringLiteral("REC 00:00"));
    for (int i = 0; i < 125; ++i) QCOMPARE(recorder.AddFrame(Picture(80, 60)), QString());
    // Other formats are converted, other sizes fitted into the film.
    const QImage::Format formats[] = {QImage::Format_RGB888, QImage::Format_Grayscale8, QImage::Format_ARGB32};
    for (int i = 0; i < 64; ++i) QCOMPARE(slow.AddFrame(Picture(81 + i % 5, 61, formats[i % 3])), QString());
    QCOMPARE(recorder.StatusText(), QStringLiteral("REC 00:12"));
    QCOMPARE(slow.StatusText(), QStringLiteral("REC 00:12"));
    QVERIFY(!QFile::exists(dir.filePath("run.mp4")));  // nameless until stopped
    QCOMPARE(recorder.Stop(), QString());
    QCOMPARE(slow.Stop(), QString());
    QVERIFY(!recorder.IsRecording());
    QCOMPARE(Head(dir.filePath("run.mp4")).mid(4), QByteArray("ftyp"));          // MP4
    QCOMPARE(Head(dir.filePath("slow.webm")).left(4), QByteArray("\x1A\x45\xDF\xA3"));  // WebM
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             (QStringList{"run.mp4", "slow.webm"}));
  }

  void SaysWhyThereIsNoFilmAndKeepsOneInProgress() {
    QTemporaryDir dir;
    TVideoRecorder recorder;
    QVERIFY(recorder.Start(dir.filePath("missing/run.mp4")).contains("No such file or directory"));
    QVERIFY(QDir(dir.path()).mkdir("folder.mp4"));
    QVERIFY(recorder.Start(dir.filePath("folder.mp4")).contains("is a folder"));
    QVERIFY(!recorder.IsRecording());
    QCOMPARE(recorder.Start(dir.filePath("paused.mp4")), QString());
    QVERIFY(recorder.Start(dir.filePath("other.mp4")).contains("Already recording"));
    QVERIFY(recorder.Stop().contains("No frame was recorded"));  // paused all along
    QCOMPARE(recorder.Start(dir.filePath("null.mp4")), QString());
    QVERIFY(recorder.AddFrame(QImage()).contains("there is no picture"));
    QVERIFY(!recorder.IsRecording());
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{"folder.mp4"});
    // Quitting while recording keeps the film.
    auto quitting = std::make_unique<TVideoRecorder>();
    QCOMPARE(quitting->Start(dir.filePath("quit.mp4")), QString());
    QCOMPARE(quitting->AddFrame(Picture(64, 48)), QString());
    quitting.reset();
    QCOMPARE(Head(dir.filePath("quit.mp4")).mid(4), QByteArray("ftyp"));
  }
};

QTEST_GUILESS_MAIN(VideoRecorderTest)
#include "video_recorder_test.moc"

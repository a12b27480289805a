// The window's film recorder: start, a frame per cycle, the status text in
// simulated time, stop; and what it says when the film cannot be had.

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

#include "app/video_recorder.h"

using namespace vorlanth;

namespace {

QImage Picture(int width, int height, int shade, QImage::Format format = QImage::Format_RGB32) {
  QImage image(width, height, format);
  image.fill(QColor(shade, 255 - shade, 128));
  return image;
}

QByteArray Head(const QString& path, int bytes) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.read(bytes) : QByteArray();
}

QStringList Entries(const QTemporaryDir& dir) {
  return QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
}

}  // namespace

class VideoRecorderTest : public QObject {
  Q_OBJECT

 private slots:
  // 125 cycles at 10 frames a second are 12.5 s of film: "REC 00:12".
  void RecordsAFilmAndCountsItsSimulatedTime() {
    QTemporaryDir dir;
    const QString path = dir.filePath("run.mp4");
    TVideoRecorder recorder;
    QVERIFY(!recorder.IsRecording());
    QCOMPARE(recorder.AddFrame(Picture(80, 60, 0)), QString());  // not recording: nothing
    QCOMPARE(recorder.Start(path), QString());
    QVERIFY(recorder.IsRecording());
    QCOMPARE(recorder.StatusText(), QStringLiteral("REC 00:00"));
    for (int i = 0; i < 125; ++i) QCOMPARE(recorder.AddFrame(Picture(80, 60, i % 256)), QString());
    QCOMPARE(recorder.FrameCount(), 125);
    QCOMPARE(recorder.StatusText(), QStringLiteral("REC 00:12"));
    QVERIFY(!QFile::exists(path));  // under its temporary name until stopped
    QCOMPARE(recorder.Stop(), QString());
    QVERIFY(!recorder.IsRecording());
    QCOMPARE(Head(path, 8).mid(4), QByteArray("ftyp"));  // an MP4
    QCOMPARE(Entries(dir), QStringList{"run.mp4"});
    QCOMPARE(recorder.Stop(), QString());  // stopping again does nothing
  }

  // 64 frames at 5 a second are 12.8 s of film.
  void TheStatusTextFollowsTheFilmsRate() {
    QTemporaryDir dir;
    TVideoRecorder recorder(5);
    QCOMPARE(recorder.Start(dir.filePath("slow.webm")), QString());
    // Other pixel formats and sizes are taken too (converted; fitted into the film).
    const QImage pictures[] = {Picture(81, 61, 10, QImage::Format_RGB888), Picture(81, 61, 20, QImage::Format_Grayscale8),
                               Picture(40, 40, 30, QImage::Format_ARGB32), Picture(120, 30, 40)};
    for (int i = 0; i < 64; ++i) QCOMPARE(recorder.AddFrame(pictures[i % 4]), QString());
    QCOMPARE(recorder.StatusText(), QStringLiteral("REC 00:12"));
    QCOMPARE(recorder.Stop(), QString());
    QCOMPARE(Head(dir.filePath("slow.webm"), 4), QByteArray("\x1A\x45\xDF\xA3"));  // Matroska's mark
  }

  void FilmsThatCannotBeHadSayWhyAndLeaveNothing() {
    QTemporaryDir dir;
    TVideoRecorder recorder;
    QString error = recorder.Start(dir.filePath("missing/run.mp4"));
    QVERIFY2(error.contains("No such file or directory"), qPrintable(error));
    QVERIFY(!recorder.IsRecording());
    QVERIFY(QDir(dir.path()).mkdir("folder.mp4"));
    error = recorder.Start(dir.filePath("folder.mp4"));
    QVERIFY2(error.contains("is a folder"), qPrintable(error));
    QVERIFY(QFile::link(dir.filePath("elsewhere"), dir.filePath("link.mp4")));
    error = recorder.Start(dir.filePath("link.mp4"));
    QVERIFY2(error.contains("symbolic link"), qPrintable(error));
    QVERIFY(!recorder.IsRecording());

    // Started, but paused all along: no film, and the text says so.
    QCOMPARE(recorder.Start(dir.filePath("empty.mp4")), QString());
    QVERIFY(recorder.Start(dir.filePath("other.mp4")).contains("Already recording"));
    error = recorder.Stop();
    QVERIFY2(error.contains("No frame was recorded"), qPrintable(error));
    // A picture that is not there stops the recording with the reason.
    QCOMPARE(recorder.Start(dir.filePath("null.mp4")), QString());
    QVERIFY(recorder.AddFrame(QImage()).contains("there is no picture"));
    QVERIFY(!recorder.IsRecording());
    QCOMPARE(Entries(dir), (QStringList{"folder.mp4", "link.mp4"}));
  }

  // Quitting while recording keeps the film.
  void AFilmInProgressIsFinishedWhenTheRecorderGoes() {
    QTemporaryDir dir;
    {
      TVideoRecorder recorder;
      QCOMPARE(recorder.Start(dir.filePath("quit.mp4")), QString());
      for (int i = 0; i < 3; ++i) QCOMPARE(recorder.AddFrame(Picture(64, 48, 50 * i)), QString());
    }
    QCOMPARE(Entries(dir), QStringList{"quit.mp4"});
    QCOMPARE(Head(dir.filePath("quit.mp4"), 8).mid(4), QByteArray("ftyp"));
  }
};

QTEST_GUILESS_MAIN(VideoRecorderTest)
#include "video_recorder_test.moc"

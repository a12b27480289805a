// Circuit files of every kind loaded through the File menu: a file that cannot be
// read is refused with a message and changes nothing; a readable picture of any
// size becomes the circuit, the players keep their places, the image keeps the
// picture's proportion, and the commands that search for a free place give up on
// a circuit that has none.

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <vector>

#include "app/widgets.h"
#include "bench/population.h"
#include "core/random.h"
#include "form_harness.h"
#include "goals/drops_goal.h"
#include "render/qt_picture.h"
#include "world2d/kart.h"

using namespace vorlanth;
using namespace vorlanth::testing;

class CircuitsTest : public QObject {
  Q_OBJECT

 private:
  TFormHarness h;
  QTemporaryDir dir;

  QString Path(const QString& name) const { return dir.filePath(name); }
  QString Save(const QImage& image, const QString& name, const char* format = "BMP") {
    const QString path = Path(name);
    if (!image.save(path, format)) return QString();
    return path;
  }

  // Every player's pose, in team order.
  struct TPose {
    double x, y, angle;
    bool operator==(const TPose&) const = default;
  };
  std::vector<TPose> Poses() {
    std::vector<TPose> poses;
    for (int32_t i = 0; i < h.Team().PlayerCount(); ++i) {
      auto& body = static_cast<TPlayer2D&>(*h.Team().GetPlayer(i));
      poses.push_back({body.GetPosX(), body.GetPosY(), body.GetAngle()});
    }
    return poses;
  }
  static QImage Rgb(const QImage& image) { return image.convertToFormat(QImage::Format_RGB32); }
  static QImage BackgroundImage(TTrack2D& track) { return Rgb(PictureToImage(*track.Background)); }

  // The image shown at a panel size: the picture's proportion, as large as fits.
  void CheckProportion(int pictureWidth, int pictureHeight) {
    for (const QSize panel : {QSize(819, 660), QSize(1000, 500), QSize(400, 600)}) {
      Find<TImagePanel>(*h.Form, "PanelImg")->resize(panel);
      h.Form->FormResize();
      const QRect shown = Find<TImageView>(*h.Form, "ImgRoad")->geometry();
      QCOMPARE(shown.topLeft(), QPoint(0, 0));
      QVERIFY(shown.width() <= panel.width() && shown.height() <= panel.height());
      QVERIFY(shown.width() == panel.width() || shown.height() == panel.height());
      const double want = static_cast<double>(pictureWidth) / pictureHeight;
      const double got = static_cast<double>(shown.width()) / shown.height();
      QVERIFY2(std::abs(got - want) / want < 0.01,
               qPrintable(QStringLiteral("panel %1x%2 shows %3x%4 for a %5x%6 picture")
                              .arg(panel.width()).arg(panel.height())
                              .arg(shown.width()).arg(shown.height())
                              .arg(pictureWidth).arg(pictureHeight)));
    }
  }

 private slots:
  void init() {
    h.Errors.clear();
    h.Open();
    QVERIFY(QTest::qWaitForWindowExposed(h.Form.get()));
    h.Track().Random.SeedRun(11);
  }
  void cleanup() { h.Close(); }

  void unreadableFilesAreRefusedAndChangeNothing_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    const QImage good = FramedCircuit(800, 600);
    QByteArray bmp;
    {
      QBuffer buffer(&bmp);
      buffer.open(QIODevice::WriteOnly);
      good.save(&buffer, "BMP");
    }
    QTest::newRow("text") << "text.bmp" << QByteArray("this is not a picture, only some words");
    QTest::newRow("empty") << "empty.bmp" << QByteArray();
    QTest::newRow("truncated BMP") << "truncated.bmp" << bmp.left(bmp.size() / 2);
    QTest::newRow("header only") << "header.bmp" << bmp.left(54);
    QTest::newRow("0 x 0 BMP") << "zero.bmp" << BmpHeaderOnly(0, 0);
    QTest::newRow("0 x 600 BMP") << "narrow.bmp" << BmpHeaderOnly(0, 600);
    QTest::newRow("random bytes after BM") << "garbage.bmp"
                                           << (QByteArray("BM") + QByteArray(300, '\x7f'));
  }
  void unreadableFilesAreRefusedAndChangeNothing() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    Find<TFlatButton>(*h.Form, "SpeedButton7")->click();  // two players, to see that both stay
    const std::vector<uint8_t> cells = h.Track().Cells;
    const QImage background = BackgroundImage(h.Track());
    const QImage shown = Rgb(h.Form->RoadImage());
    const auto poses = Poses();

    const QString path = Path(name);
    QVERIFY(WriteBytes(path, bytes));
    h.LoadCircuit(path);

    QCOMPARE(h.Errors.size(), 1);
    QVERIFY2(h.Errors[0].contains(name), qPrintable(h.Errors[0]));
    QVERIFY(h.Track().Cells == cells);
    QCOMPARE(h.Track().Width(), 800);
    QCOMPARE(h.Track().Height(), 600);
    QCOMPARE(BackgroundImage(h.Track()), background);
    QCOMPARE(Rgb(h.Form->RoadImage()), shown);
    QVERIFY(Poses() == poses);
    QCOMPARE(CheckConsistency(*h.Form), QString());
  }

  void missingFilesAndFoldersAreRefused() {
    const std::vector<uint8_t> cells = h.Track().Cells;
    h.LoadCircuit(Path(QStringLiteral("no-such-circuit.bmp")));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.bmp")));
    h.LoadCircuit(Path(QStringLiteral("folder.bmp")));
    QCOMPARE(h.Errors.size(), 2);
    QVERIFY(h.Errors[0].contains(QStringLiteral("no-such-circuit.bmp")));
    QVERIFY(h.Errors[1].contains(QStringLiteral("folder.bmp")));
    QVERIFY(h.Track().Cells == cells);
  }

  void aPngNamedBmpIsReadByItsContent() {
    QImage picture = FramedCircuit(640, 480);
    const QString path = Save(picture, QStringLiteral("really-a-png.bmp"), "PNG");
    QVERIFY(!path.isEmpty());
    h.LoadCircuit(path);
    QCOMPARE(h.Errors, QStringList());
    QCOMPARE(h.Track().Width(), 640);
    QCOMPARE(h.Track().Height(), 480);
    QCOMPARE(BackgroundImage(h.Track()), Rgb(picture));
  }

  // The circuit is never rebuilt from the picture shown, whose bodies' black
  // outlines would become walls: it stays as it is.
  void anotherExtensionKeepsThePictureAndTheCircuit() {
    const QImage background = BackgroundImage(h.Track());
    const std::vector<uint8_t> cells = h.Track().Cells;
    const QString path = Save(FramedCircuit(300, 300), QStringLiteral("circuit.png"), "PNG");
    h.LoadCircuit(path);
    QCOMPARE(h.Errors, QStringList());
    QCOMPARE(h.Track().Width(), 800);
    QCOMPARE(BackgroundImage(h.Track()), background);
    QVERIFY(h.Track().Cells == cells);
  }

  // Readable pictures of any size become the circuit; the players stay where they
  // were, the image keeps the picture's proportion, and cycles run on it.
  void aReadablePictureOfAnySizeIsTheNewCircuit_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("1 x 1") << 1 << 1;
    QTest::newRow("200 x 150") << 200 << 150;
    QTest::newRow("300 x 600") << 300 << 600;
    QTest::newRow("4000 x 3000") << 4000 << 3000;
  }
  void aReadablePictureOfAnySizeIsTheNewCircuit() {
    QFETCH(int, width);
    QFETCH(int, height);
    Find<TFlatButton>(*h.Form, "SpeedButton7")->click();
    const auto poses = Poses();
    const QImage picture = FramedCircuit(width, height);
    h.LoadCircuit(Save(picture, QStringLiteral("circuit-%1x%2.bmp").arg(width).arg(height)));

    QCOMPARE(h.Errors, QStringList());
    QCOMPARE(h.Track().Width(), width);
    QCOMPARE(h.Track().Height(), height);
    QCOMPARE(h.Form->RoadImage().size(), QSize(width, height));
    QCOMPARE(BackgroundImage(h.Track()), Rgb(picture));
    QVERIFY(Poses() == poses);
    // The picture shown at once is the new one, in its own proportion.
    QCOMPARE(Find<TImageView>(*h.Form, "ImgRoad")->Image(), &h.Form->RoadImage());
    const QRect shown = Find<TImageView>(*h.Form, "ImgRoad")->geometry();
    QVERIFY2(std::abs(static_cast<double>(shown.width()) / shown.height() -
                      static_cast<double>(width) / height) < 0.02 * width / height,
             qPrintable(QStringLiteral("%1 x %2 shown").arg(shown.width()).arg(shown.height())));
    CheckProportion(width, height);

    QCOMPARE(h.RunCycles(2), 2);
    QCOMPARE(CheckConsistency(*h.Form), QString());
    QCOMPARE(h.Errors, QStringList());
  }

  void drawingOnALargeCircuitReachesEveryCorner() {
    h.LoadCircuit(Save(Filled(4000, 3000, qRgb(255, 255, 255)), QStringLiteral("large.bmp")));
    QCOMPARE(h.Errors, QStringList());
    auto& rocket = static_cast<TPlayer2D&>(*h.Form->SelectedPlayer());
    for (const QPoint at : {QPoint(3900, 2900), QPoint(100, 2900), QPoint(3900, 100), QPoint(2000, 1500)}) {
      rocket.SetPosX(at.x());
      rocket.SetPosY(at.y());
      h.Form->HandMoveStep(0);  // no move, a redraw
      const QImage shown = h.Form->RoadImage();
      int drawn = 0;
      for (int y = at.y() - 20; y <= at.y() + 20; ++y)
        for (int x = at.x() - 20; x <= at.x() + 20; ++x)
          if (shown.pixel(x, y) != qRgb(255, 255, 255)) ++drawn;
      QVERIFY2(drawn > 50, qPrintable(QStringLiteral("%1 pixels drawn at %2, %3").arg(drawn).arg(at.x()).arg(at.y())));
    }
    QCOMPARE(h.RunCycles(1), 1);
  }

  // On a circuit with no free place the searches give up with a message, the
  // team keeps what it had, the drops stay empty, and cycles go on.
  void commandsGiveUpOnACircuitWithoutFreePlace_data() {
    QTest::addColumn<QImage>("picture");
    QTest::newRow("all black") << Filled(800, 600, qRgb(0, 0, 0));
    QTest::newRow("1 x 1") << Filled(1, 1, qRgb(255, 255, 255));
  }
  void commandsGiveUpOnACircuitWithoutFreePlace() {
    QFETCH(QImage, picture);
    Find<TFlatButton>(*h.Form, "SpeedButton7")->click();
    h.LoadCircuit(Save(picture, QStringLiteral("closed.bmp")));
    QCOMPARE(h.Errors, QStringList());
    const int32_t players = h.Team().PlayerCount();
    TPlayer* selected = h.Form->SelectedPlayer();

    int expected = 0;
    for (QAction* command : {Find<QAction>(*h.Form, "Addatriangle1"), Find<QAction>(*h.Form, "Addlotsofasteroids1"),
                             Find<QAction>(*h.Form, "Addateamgoalforstoringcollecteddrops1")}) {
      command->trigger();
      ++expected;
      QCOMPARE(h.Errors.size(), expected);
      QCOMPARE(h.Team().PlayerCount(), players);
      QCOMPARE(h.Form->SelectedPlayer(), selected);
      QCOMPARE(CheckConsistency(*h.Form), QString());
    }
    QVERIFY(h.Errors.last().contains(QStringLiteral("storage box")));
    QCOMPARE(h.Team().Goals->GoalCount(), 1);  // only the drops of start-up
    // "+Kart" after a rocket searches a place; "+Rocket" copies the rocket ahead of it.
    for (QToolButton* button : {static_cast<QToolButton*>(Find<TFlatButton>(*h.Form, "BtnAddPlayer")),
                                static_cast<QToolButton*>(Find<TFlatButton>(*h.Form, "SpeedButton7"))}) {
      button->click();
      ++expected;
      QCOMPARE(h.Errors.size(), expected);
      QVERIFY(h.Errors.last().contains(QStringLiteral("No free place")));
      QCOMPARE(h.Team().PlayerCount(), players);
      QCOMPARE(CheckConsistency(*h.Form), QString());
    }

    // The circle's places are set without a search: it is made whatever the circuit.
    Find<QAction>(*h.Form, "Addacircleofkarts1")->trigger();
    QCOMPARE(h.Errors.size(), expected);
    QCOMPARE(h.Team().PlayerCount(), TPopulation::CircleKartCount);
    QCOMPARE(CheckConsistency(*h.Form), QString());

    QCOMPARE(h.RunCycles(3), 3);
    QCOMPARE(CheckConsistency(*h.Form), QString());
    auto& drops = dynamic_cast<TGoal2DSweets&>(h.Team().Goals->GetGoal(0));
    for (int32_t i = 0; i < DropCount; ++i) QCOMPARE(drops.DropUnits[static_cast<size_t>(i)], 0);
    QCOMPARE(h.Errors.size(), expected);
  }
};

QTEST_MAIN(CircuitsTest)
#include "circuits_test.moc"

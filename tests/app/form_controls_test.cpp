// The window's boxes of controls and what they show: the image and the mouse,
// the bars, the player list and its colours, the hand controls and their arrows.

#include "form_fixture.h"

using namespace vorlanth;
using vorlanth::testing::Find;

class FormControlsTest : public QObject, protected vorlanth::testing::TFormFixture {
  Q_OBJECT

 private slots:
  void init() { Init(); }
  void cleanup() { Cleanup(); }

  void fittingTheImageKeepsTheCircuitInProportion() {
    Find<TImagePanel>(*form, "PanelImg")->resize(1000, 500);
    form->FormResize();
    QCOMPARE(Find<TImageView>(*form, "ImgRoad")->geometry(), QRect(0, 0, 667, 500));
    Find<TImagePanel>(*form, "PanelImg")->resize(400, 600);
    form->FormResize();
    QCOMPARE(Find<TImageView>(*form, "ImgRoad")->geometry(), QRect(0, 0, 400, 300));
  }

  void theMouseIsReadInCircuitPixelsThroughTheStretchedImage() {
    form->Track().Draw(-1);  // settles the layout
    const QSize shown = Find<TImageView>(*form, "ImgRoad")->size();
    const QPoint at(shown.width() / 2, shown.height() / 4);
    QCursor::setPos(Find<TImageView>(*form, "ImgRoad")->mapToGlobal(at));
    form->Track().Draw(-1);  // a new frame reads the cursor again
    QCOMPARE(form->Track().MouseX(), static_cast<int>(std::floor(at.x() * 800.0 / shown.width())));
    QCOMPARE(form->Track().MouseY(), static_cast<int>(std::floor(at.y() * 600.0 / shown.height())));
    QVERIFY(form->Track().MouseInTrack());
  }

  void trackBarsWriteTheModelAndTheirLabels() {
    Find<QSlider>(*form, "EdFriction")->setValue(25);
    QCOMPARE(Find<QLabel>(*form, "LbFriction")->text(), QStringLiteral("0.25%"));
    Find<QSlider>(*form, "EdFriction")->setValue(35);
    QCOMPARE(Find<QLabel>(*form, "LbFriction")->text(), QStringLiteral("0.35%"));
    Find<QSlider>(*form, "EdFriction")->setValue(1);
    QCOMPARE(Find<QLabel>(*form, "LbFriction")->text(), QStringLiteral("0.01%"));
    QCOMPARE(form->Track().Friction, 0.0001);
    Find<QSlider>(*form, "EdSideFriction")->setValue(0);
    QCOMPARE(form->Track().SideFriction, 0.0);
    QCOMPARE(Find<QLabel>(*form, "LbSideFriction")->text(), QStringLiteral("0%"));
    Find<QSlider>(*form, "EdSeconds")->setValue(3);
    QCOMPARE(form->Track().HorizonMs, 3000);
    QCOMPARE(Find<QLabel>(*form, "LbSeconds")->text(), QStringLiteral("3 s."));
    Find<QSlider>(*form, "EdSize")->setValue(20);
    QCOMPARE(Selected().GetSize(), 20.0);
    QCOMPARE(Find<QLabel>(*form, "LbSize")->text(), QStringLiteral("20px"));
    Find<QSlider>(*form, "EdDetermined")->setValue(40);
    QCOMPARE(Selected().Determination, 0.4);
    Find<QCheckBox>(*form, "EdEvolution")->click();
    QVERIFY(form->Track().Evolution);
    QVERIFY(Selected().Goals->ShowGoals);
  }

  void theThreadsBoxSetsTheTracksThreadsBetweenCycles() {
    auto* threads = Find<QSpinBox>(*form, "EdThreads");
    const int machine = std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, TTrack::MaxThreads);
    QCOMPARE(threads->minimum(), 1);
    QCOMPARE(threads->maximum(), machine);
    QCOMPARE(threads->value(), machine);
    QCOMPARE(form->Track().Threads, machine);
    if (machine == 1) QSKIP("one hardware thread: nothing to change");
    // A cycle runs on one number of threads: a change made while running takes
    // effect between cycles, before the next one.
    int threadsInCycle = 0;
    RunCycles(2, [&](int cycle) {
      if (cycle == 1) threads->setValue(1);
      else threadsInCycle = form->Track().LastPassThreads;
    });
    QCOMPARE(threadsInCycle, 1);
    QCOMPARE(form->Track().Threads, 1);
    threads->setValue(2);
    QCOMPARE(form->Track().Threads, 2);
  }

  void choosingAPlayerPutsTheModelOnTheControlsGrid() {
    form->Track().Friction = 0.00834;
    Selected().SetSize(10.4);
    ChoosePlayer(0);
    QCOMPARE(form->Track().Friction, 0.0083);
    QCOMPARE(Selected().GetSize(), 10.0);
    Selected().SetSize(2);
    ChoosePlayer(0);
    QCOMPARE(Selected().GetSize(), 4.0);
    QCOMPARE(Find<QLabel>(*form, "LbSize")->text(), QStringLiteral("4px"));
  }

  void energyAndHealthButtons() {
    TPlayer2D& player = Selected();
    player.SetEnergy(15);
    Find<TFlatButton>(*form, "SpeedButton10")->click();  // "-E"
    QCOMPARE(player.GetEnergy(), 10.0);
    player.SetEnergy(5);
    Find<TFlatButton>(*form, "SpeedButton10")->click();
    QCOMPARE(player.GetEnergy(), 10.0);
    player.SetEnergy(95);
    Find<TFlatButton>(*form, "SpeedButton8")->click();  // "+E"
    QCOMPARE(player.GetEnergy(), 100.0);
    player.SetHealth(15);
    Find<TFlatButton>(*form, "SpeedButton11")->click();  // "-H"
    QCOMPARE(player.GetHealth(), 10.0);

    // A double click on "-E" fills the health, not the energy.
    player.SetHealth(50);
    player.SetEnergy(50);
    QTest::mouseDClick(Find<TFlatButton>(*form, "SpeedButton10"), Qt::LeftButton);
    QCOMPARE(player.GetHealth(), 100.0);
    QVERIFY(player.GetEnergy() < 100.0);
    player.SetEnergy(50);
    QTest::mouseDClick(Find<TFlatButton>(*form, "SpeedButton8"), Qt::LeftButton);  // "+E": energy
    QCOMPARE(player.GetEnergy(), 100.0);
  }

  void holdingAnArrowRepeatsAtShrinkingIntervals() {
    TPlayer2D& player = Selected();
    const double x = player.GetPosX();
    QTest::mousePress(Find<TFlatButton>(*form, "SpeedButton3"), Qt::LeftButton);  // ">"
    QCOMPARE(player.GetPosX(), x + 5);
    QVERIFY(Find<QTimer>(*form, "ArrowTimer")->isActive());
    QCOMPARE(Find<QTimer>(*form, "ArrowTimer")->interval(), 500);
    form->ArrowTimerTimer();
    QCOMPARE(player.GetPosX(), x + 10);
    QCOMPARE(Find<QTimer>(*form, "ArrowTimer")->interval(), 150);
    form->ArrowTimerTimer();
    QCOMPARE(Find<QTimer>(*form, "ArrowTimer")->interval(), 145);
    for (int i = 0; i < 40; ++i) form->ArrowTimerTimer();
    QCOMPARE(Find<QTimer>(*form, "ArrowTimer")->interval(), 20);
    form->ArrowTimerTimer();
    QCOMPARE(Find<QTimer>(*form, "ArrowTimer")->interval(), 20);
    QTest::mouseRelease(Find<TFlatButton>(*form, "SpeedButton3"), Qt::LeftButton);
    QVERIFY(!Find<QTimer>(*form, "ArrowTimer")->isActive());

    // "Turn right" turns by 15 degrees; "^" moves up the screen.
    const double angle = player.GetAngle();
    const double y = player.GetPosY();
    form->MoveButtonMouseDown(6);
    form->MoveButtonMouseUp();
    QVERIFY(std::abs(player.GetAngle() - (angle + std::numbers::pi / 12)) < 1e-9);
    form->MoveButtonMouseDown(3);
    form->MoveButtonMouseUp();
    QCOMPARE(player.GetPosY(), y - 5);

    // While Run is down an arrow does nothing and starts no timer.
    Find<QToolButton>(*form, "StartBtn")->setChecked(true);
    const double before = player.GetPosX();
    QTest::mousePress(Find<TFlatButton>(*form, "SpeedButton3"), Qt::LeftButton);
    QCOMPARE(player.GetPosX(), before);
    QVERIFY(!Find<QTimer>(*form, "ArrowTimer")->isActive());
    QTest::mouseRelease(Find<TFlatButton>(*form, "SpeedButton3"), Qt::LeftButton);
    Find<QToolButton>(*form, "PauseBtn")->setChecked(true);
  }

  // A tap sends press and release together: both are queued before the press's
  // handler runs. The release must stop what the press started.
  void aQuickClickOnAnArrowLeavesNoTimerRunning() {
    TPlayer2D& player = Selected();
    const double x = player.GetPosX();
    TFlatButton* right = Find<TFlatButton>(*form, "SpeedButton3");  // ">"
    const QPointF at = right->rect().center();
    const QPointF global = right->mapToGlobal(at);
    QCoreApplication::postEvent(right, new QMouseEvent(QEvent::MouseButtonPress, at, global, Qt::LeftButton,
                                                       Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(right, new QMouseEvent(QEvent::MouseButtonRelease, at, global, Qt::LeftButton,
                                                       Qt::NoButton, Qt::NoModifier));
    QCoreApplication::processEvents();
    QCOMPARE(player.GetPosX(), x + 5);
    QVERIFY(!Find<QTimer>(*form, "ArrowTimer")->isActive());
  }

  // The list shows a two-digit name whole: its text field is as wide as the text.
  void theListShowsTwoDigitPlayerNamesWhole() {
    Find<QAction>(*form, "Addacircleofkarts1")->trigger();
    TPlayerList* list = Find<TPlayerList>(*form, "EdPlayerId");
    QCOMPARE(list->currentText(), QStringLiteral("Player #18"));
    QStyleOptionComboBox option;
    option.initFrom(list);
    option.editable = false;
    option.frame = list->hasFrame();
    option.currentText = list->currentText();
    const QRect field =
        list->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, list);
    for (const QString& text : {QStringLiteral("Player #18"), QStringLiteral("Player #88")})
      QVERIFY2(field.width() >= list->fontMetrics().horizontalAdvance(text),
               qPrintable(QStringLiteral("%1 px for \"%2\"").arg(field.width()).arg(text)));
    // ...and the row still fits the column: nothing overlaps the buttons.
    QCoreApplication::processEvents();
    QVERIFY(list->geometry().right() < Find<TFlatButton>(*form, "BtnAddPlayer")->geometry().left());
    QVERIFY(Find<TFlatButton>(*form, "BtnSubPlayer")->geometry().right() <= Find<QGroupBox>(*form, "edChoosePlayer")->contentsRect().right());
  }

  // The caption of the colour panel contrasts with the colour as the eye sees it.
  void theColourCaptionIsReadableOnEveryColour() {
    struct TCase {
      TColor color;
      QColor caption;
    };
    const TCase cases[] = {
        {MakeColor(0, 0, 255), Qt::white},      // pure blue is dark to the eye
        {MakeColor(0, 0, 0), Qt::white},        {MakeColor(128, 0, 128), Qt::white},
        {MakeColor(255, 255, 0), Qt::black},    {MakeColor(0, 255, 0), Qt::black},
        {MakeColor(255, 255, 255), Qt::black},  {MakeColor(180, 180, 180), Qt::black},
        {MakeColor(255, 150, 100), Qt::black},
    };
    for (const TCase& c : cases) {
      Find<TColorPanel>(*form, "EdColor")->SetColor(c.color);
      QCOMPARE(Find<TColorPanel>(*form, "EdColor")->palette().color(QPalette::WindowText), c.caption);
    }
  }

  // A pressed Run is clearly darker than a released Pause.
  void thePressedRunButtonIsClearlyDarker() {
    Find<QToolButton>(*form, "StartBtn")->setChecked(true);
    auto lightness = [](QWidget* button) {
      const QImage image = button->grab().toImage().convertToFormat(QImage::Format_RGB32);
      double sum = 0;
      for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) sum += QColor(image.pixel(x, y)).lightnessF();
      return sum / (image.width() * image.height());
    };
    const double run = lightness(Find<QToolButton>(*form, "StartBtn"));
    const double pause = lightness(Find<QToolButton>(*form, "PauseBtn"));
    QVERIFY2(pause - run > 0.15, qPrintable(QStringLiteral("Run %1, Pause %2").arg(run).arg(pause)));
    Find<QToolButton>(*form, "PauseBtn")->setChecked(true);
  }

  void theColourPanelSetsThePlayersColour() {
    const TColor original = Selected().Color;
    form->EdColorClick();  // cancelled
    QCOMPARE(Selected().Color, original);
    colorAnswer = QColor(10, 20, 30);
    QTest::mouseClick(Find<TColorPanel>(*form, "EdColor"), Qt::LeftButton);
    QCOMPARE(Selected().Color, MakeColor(10, 20, 30));
    QCOMPARE(Find<TColorPanel>(*form, "EdColor")->Color(), MakeColor(10, 20, 30));
  }
};

QTEST_MAIN(FormControlsTest)
#include "form_controls_test.moc"

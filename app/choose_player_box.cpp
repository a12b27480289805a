#include "app/choose_player_box.h"

#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QVBoxLayout>

#include "app/widgets.h"

namespace vorlanth {

namespace {

constexpr int kColorPanelWidth = 41;
constexpr int kColorPanelHeight = 25;

QString PlayerName(int number) { return QStringLiteral("Player #%1").arg(number); }

}  // namespace

TChoosePlayerBox::TChoosePlayerBox(QWidget* parent)
    : TBox(QStringLiteral("SELECT PLAYER"), "edChoosePlayer", parent) {
  // The row is as full as the column allows: narrow margins, no spacing.
  Column()->setContentsMargins(2, 0, 2, 2);
  auto* row = new QHBoxLayout;
  row->setSpacing(0);

  EdColor = Named(new TColorPanel(QStringLiteral("Color"), this), "EdColor");
  EdColor->setFixedSize(kColorPanelWidth, kColorPanelHeight);
  Relay(EdColor, &TColorPanel::Clicked, [this] { emit ColorClicked(); });

  EdPlayerId = Named(new TPlayerList(this), "EdPlayerId");
  // Wide enough for "Player #" and two digits, with the arrow and frame the style
  // draws around the text.
  QStyleOptionComboBox listOption;
  listOption.initFrom(EdPlayerId);
  listOption.frame = true;
  const QFontMetrics listMetrics = EdPlayerId->fontMetrics();
  const QSize listText(listMetrics.horizontalAdvance(PlayerName(88)), listMetrics.height());
  EdPlayerId->setMinimumWidth(
      EdPlayerId->style()->sizeFromContents(QStyle::CT_ComboBox, &listOption, listText, EdPlayerId).width());
  EdPlayerId->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  Relay(EdPlayerId, &QComboBox::activated, [this] { emit PlayerChosen(ChosenIndex()); });
  Relay(EdPlayerId, &TPlayerList::Opening, [this] { emit ListOpening(); });

  BtnAddPlayer = Named(new TFlatButton(QStringLiteral("+Kart"), 1, this), "BtnAddPlayer");
  SpeedButton7 = Named(new TFlatButton(QStringLiteral("+Rocket"), 2, this), "SpeedButton7");
  BtnSubPlayer = Named(new TFlatButton(QStringLiteral("-"), 0, this), "BtnSubPlayer");
  BtnAddPlayer->setToolTip(QStringLiteral("Add a new kart."));
  SpeedButton7->setToolTip(QStringLiteral("Add a new rocket, a copy of the selected rocket 30 px ahead of it."));
  BtnSubPlayer->setToolTip(QStringLiteral("Remove the selected player (the last one stays)."));
  for (TFlatButton* button : {BtnAddPlayer, SpeedButton7})
    Relay(button, &QToolButton::clicked, [this, button] { emit AddClicked(button->Tag()); });
  Relay(BtnSubPlayer, &QToolButton::clicked, [this] { emit RemoveClicked(); });

  row->addWidget(EdColor);
  row->addWidget(EdPlayerId, 1);
  row->addWidget(BtnAddPlayer);
  row->addWidget(SpeedButton7);
  row->addWidget(BtnSubPlayer);
  Column()->addLayout(row);
}

TColor TChoosePlayerBox::Color() const { return EdColor->Color(); }
int TChoosePlayerBox::PlayerCount() const { return EdPlayerId->count(); }
int TChoosePlayerBox::ChosenIndex() const { return EdPlayerId->currentIndex(); }

void TChoosePlayerBox::ShowColor(TColor color) { EdColor->SetColor(color); }

void TChoosePlayerBox::ShowPlayers(int count, int chosen) {
  const QSignalBlocker block(EdPlayerId);
  EdPlayerId->clear();
  for (int i = 1; i <= count; ++i) EdPlayerId->addItem(PlayerName(i));
  EdPlayerId->setCurrentIndex(chosen);
}

void TChoosePlayerBox::AddPlayer(int count) {
  const QSignalBlocker block(EdPlayerId);
  EdPlayerId->addItem(PlayerName(count));
  EdPlayerId->setCurrentIndex(EdPlayerId->count() - 1);
}

void TChoosePlayerBox::Choose(int index) {
  const QSignalBlocker block(EdPlayerId);
  EdPlayerId->setCurrentIndex(index);
}

}  // namespace vorlanth

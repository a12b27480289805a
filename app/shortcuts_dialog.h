#pragma once
// Help > "Keyboard shortcuts": every key of the window's menus and the command it
// gives, in a table, as the window's action table lists them.

#include <QDialog>
#include <QList>
#include <QPair>
#include <QString>

class QTableWidget;

namespace vorlanth {

class TShortcutsDialog : public QDialog {
  Q_OBJECT

 public:
  // Each row: the key as the user presses it, and the command ("File > Open…").
  explicit TShortcutsDialog(const QList<QPair<QString, QString>>& rows, QWidget* parent = nullptr);

  QTableWidget* Table = nullptr;
};

}  // namespace vorlanth
